// What the controller bar shows for a display mode, a play code and the
// input's protection: which controls are visible and enabled, the
// full-screen button's look and the zoom factor's text. Free of platform
// headers; the bar's windows only apply it.
#pragma once

#include <cstdint>
#include <string>

namespace vistrel {

struct ControllerBarInput {
    bool full_screen = false;
    bool tablet = false;
    std::int32_t play_code = 8;
    bool hdcp = false;
};

struct ControllerBarLook {
    bool full_screen_button_shown = false;
    bool zoom_shown = false;         // navigator and factor text
    bool waveforms_shown = false;    // the four displays and the back button
    bool controls_shown = false;     // presets, labels, separators, meters, pause, capture, folder, waveform, setting
    bool full_screen_enabled = false;
    bool waveform_enabled = false;
    bool pause_enabled = false;
    bool pause_pressed = false;
    bool capture_enabled = false;
    bool full_screen_look = false;   // true: the "Normal screen" bitmap and text
};

// Waveform mode is the movie mode of the play code (codes 6 and 7).
bool IsWaveformMode(std::int32_t play_code) noexcept;
// The audio meters run while the play code's audio is on.
bool IsAudioOn(std::int32_t play_code) noexcept;

ControllerBarLook PlayBarLook(const ControllerBarInput& in) noexcept;

// "x" and the factor rounded to one decimal as the bar shows it: the tenths
// of zoom + 0.05, truncated (2.96 gives "x3.0", 1.04 gives "x1.0"). Written
// without the C runtime's locale, so the decimal point is always ".".
std::wstring ZoomText(double zoom);

}  // namespace vistrel
