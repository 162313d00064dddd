// The main frame's geometry as plain arithmetic: the aspect fit of the video
// into the display rectangle, the dot-by-dot centring, the zoom request, the
// window refit to the video and its centring on the work area, and the
// smallest client area. Free of platform headers; sizes in pixels. Where a
// value is rounded, 0.5 is added and the sum truncated toward zero.
#pragma once

#include <cstdint>

#include "viewer/core/Rect.h"

namespace vistrel {

struct Size {
    std::int32_t width = 0;
    std::int32_t height = 0;
    friend constexpr bool operator==(const Size&, const Size&) = default;
};

struct Point {
    std::int32_t x = 0;
    std::int32_t y = 0;
    friend constexpr bool operator==(const Point&, const Point&) = default;
};

// The video (vw x vh) fitted into `pane` keeping its aspect ratio, centred on
// the long axis. A zero video size gives the pane itself.
Rect FitVideo(const Rect& pane, std::int32_t vw, std::int32_t vh) noexcept;

// A rectangle of `size` centred on the pane's centre (halves truncated).
Rect CentreIn(const Rect& pane, Size size) noexcept;

// The part of a 3840 x 2160 reference frame that a zoom shows: the centre
// (0..1 of `area`) becomes a point of the area, the part is 3840/zoom x
// 2160/zoom around it, kept inside the frame. Below 1 the part stays all 0;
// an area without width or height puts the part at the top-left corner.
struct ZoomPart {
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::uint16_t width = 0;
    std::uint16_t height = 0;
    friend constexpr bool operator==(const ZoomPart&, const ZoomPart&) = default;
};
ZoomPart ZoomRequest(const Rect& area, double centre_x, double centre_y, double zoom) noexcept;

// How the platform turns a client size into a window size for the frame's
// current style: the border added to each axis.
struct FrameBorder {
    std::int32_t width = 0;
    std::int32_t height = 0;
};

// The window that shows the video at its size with the bars below (and above
// in full screen), shrunk keeping the aspect ratio when it would not fit in
// the work area. `bars` is the scaled height of the bars.
struct Refit {
    Size video;   // the video size the window was made for
    Size window;  // outer window size
};
Refit RefitWindow(Size video, std::int32_t bars, FrameBorder border, const Rect& work) noexcept;

// Top-left corner that centres a window on the work area; it never goes
// above the work area's top.
Point CentreOnWork(const Rect& work, Size window) noexcept;

// The smallest client area: `width` wide, `height` + `bars` high (scaled
// design units, the bars including the caption in full screen).
constexpr Size MinimumClient(std::int32_t width, std::int32_t height, std::int32_t bars) noexcept {
    return Size{width, height + bars};
}

// A rectangle relative to the top-left corner of `origin`.
constexpr Rect RelativeTo(const Rect& r, const Rect& origin) noexcept {
    return Rect{r.left - origin.left, r.top - origin.top, r.right - origin.left, r.bottom - origin.top};
}

// The file browser placed beside the viewer on the work area: the browser
// on the left half, the viewer on the right.
struct SideBySide {
    Rect viewer;
    Rect browser;
};
SideBySide SplitWork(const Rect& work) noexcept;

}  // namespace vistrel
