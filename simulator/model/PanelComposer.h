// What the tablet's panel shows: the desktop with the video plane's picture wherever the desktop
// has the key colour inside the plane's destination rectangle, scaled (and rotated) from the
// source rectangle. Platform-free, so the composition is tested natively; the Win32 panel
// window only supplies the desktop copy and shows the result.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "simulator/model/Scenario.h"

namespace mrcsim {

// The colour the viewer's display views paint (red 0, green 3, blue 0).
constexpr std::uint8_t kKeyRed = 0, kKeyGreen = 3, kKeyBlue = 0;

// 24-bit picture, rows top-down, three bytes a pixel (B, G, R), no row padding.
struct BgrImage {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::vector<std::uint8_t> pixels;

    void Resize(std::uint32_t w, std::uint32_t h) {
        width = w;
        height = h;
        pixels.assign(static_cast<std::size_t>(w) * h * 3u, 0);
    }
    std::uint8_t* At(std::uint32_t x, std::uint32_t y) { return &pixels[(static_cast<std::size_t>(y) * width + x) * 3u]; }
    const std::uint8_t* At(std::uint32_t x, std::uint32_t y) const {
        return &pixels[(static_cast<std::size_t>(y) * width + x) * 3u];
    }
};

// The plane words of the last draw request, as the controller keeps them.
struct PlaneLayout {
    bool base_on = false;
    bool video_on = false;
    std::int32_t dst_x = 0, dst_y = 0, dst_w = 0, dst_h = 0;  // output pixels
    std::int32_t src_x = 0, src_y = 0, src_w = 0, src_h = 0;  // input pixels
    std::int32_t angle = 0;
};

// What the video plane carries at a moment.
struct PanelState {
    enum class Content { None, Black, Picture };
    PlaneLayout plane;
    std::uint32_t output_width = 0, output_height = 0;
    Content content = Content::None;
    std::uint64_t frame = 0;  // input frame number of the picture (frozen while paused)
    HdmiInput input;
    std::uint32_t playback_state = 0;
};

// Decides the plane's content: no overlay while the plane is off or empty; black without a cable
// or signal; the input's picture otherwise (paused: the frozen frame; HDCP-protected input is
// shown too, the panel being the display the protection allows).
PanelState::Content PlaneContent(const PlaneLayout& plane, const HdmiInput& input);

// Fits the desktop copy into `out` (already sized to the controller's output) with one scale and
// centred, black around, by nearest pixel: the same fit the capture library uses to turn screen
// positions into output positions, so a key-coloured view lands exactly under its plane.
void FitDesktop(const BgrImage& desktop, BgrImage& out);

// Overlays the plane on `panel` (the desktop at output size): every key-coloured pixel inside the
// destination rectangle takes the picture's pixel at the matching source point, or black when
// `picture` is null. Pixels of another colour (a covering window) stay as they are.
void ComposePanel(BgrImage& panel, const PlaneLayout& plane, const BgrImage* picture);

// A 24-bit bottom-up BMP file of the image.
std::vector<std::uint8_t> EncodeBmp(const BgrImage& image);

// The caption the pattern carries: "1920X1080 60P RGB 8BIT", with " HDCP" when protected.
std::string FormatCaption(const HdmiInput& input);

}  // namespace mrcsim
