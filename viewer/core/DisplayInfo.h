// The records the main frame pushes to the layout and every view. Free of
// platform headers.
#pragma once

#include <cstdint>

#include "viewer/core/Rect.h"

namespace vistrel {

struct ScreenInfo {
    int width = 0;     // display resolution in pixels
    int height = 0;
    int further = 0;   // carried along and compared only
    int rotation = 0;  // 0, 90, 180 or 270 degrees
    Rect monitor;   // virtual-screen coordinates
    Rect work;

    friend bool operator==(const ScreenInfo&, const ScreenInfo&) = default;
};

struct DisplayInfo {
    Rect video;          // screen pixels covered by the picture
    double center_x = 0.0;  // zoom centre, normalised to the whole input picture
    double center_y = 0.0;
    double zoom = 1.0;      // 1.0 = whole picture
    ScreenInfo screen;
    int full_screen = 0;    // 0/1
    int tablet = 0;         // 0/1, tablet mode

    friend bool operator==(const DisplayInfo&, const DisplayInfo&) = default;
};

// True when any field of the two records' screens differs.
inline bool ScreenChanged(const DisplayInfo& a, const DisplayInfo& b) noexcept { return !(a.screen == b.screen); }

// Solid colour of the dark views (red 0, green 3, blue 0), as a COLORREF.
inline constexpr std::uint32_t kDarkBackground = 0x000300;

}  // namespace vistrel
