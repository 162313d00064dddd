#include "viewer/core/ControllerBar.h"

#include <cmath>

#include "viewer/core/PlayCode.h"

namespace vistrel {

bool IsWaveformMode(std::int32_t play_code) noexcept { return play_code == 6 || play_code == 7; }

bool IsAudioOn(std::int32_t play_code) noexcept { return DecodePlayCode(play_code).audio != 0; }

ControllerBarLook PlayBarLook(const ControllerBarInput& in) noexcept {
    const bool waveform = IsWaveformMode(in.play_code);
    ControllerBarLook look;
    look.full_screen_button_shown = !waveform;
    look.zoom_shown = in.full_screen;
    look.waveforms_shown = waveform;
    look.controls_shown = in.full_screen && !waveform;
    look.full_screen_enabled = !in.tablet;
    look.waveform_enabled = in.play_code == kPlayCodeLive && !in.hdcp;
    look.pause_enabled = in.play_code != 4;
    look.pause_pressed = in.play_code == 2;
    look.capture_enabled = !in.hdcp;
    look.full_screen_look = in.full_screen;
    return look;
}

std::wstring ZoomText(double zoom) {
    // Not a number, negative and absurd factors show as 0.0 rather than overflow.
    const double scaled = std::trunc((zoom + 0.05) * 10.0);
    const long long tenths = (scaled >= 0.0 && scaled < 1e9) ? static_cast<long long>(scaled) : 0;
    return L"x" + std::to_wstring(tenths / 10) + L"." + std::to_wstring(tenths % 10);
}

}  // namespace vistrel
