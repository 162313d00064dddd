#include "viewer/core/FrameGeometry.h"

#include <algorithm>

namespace vistrel {

namespace {

constexpr double kReferenceWidth = 3840.0;
constexpr double kReferenceHeight = 2160.0;

std::int32_t Round(double v) noexcept { return static_cast<std::int32_t>(v + 0.5); }

}  // namespace

Rect FitVideo(const Rect& pane, std::int32_t vw, std::int32_t vh) noexcept {
    if (vw <= 0 || vh <= 0) return pane;
    const double pw = pane.Width();
    const double ph = pane.Height();
    Rect r = pane;
    if (ph / vh > pw / vw) {
        const double h = vh * pw / vw;
        r.top = pane.top + static_cast<std::int32_t>((ph - h) / 2.0);
        r.bottom = r.top + Round(h);
    } else {
        const double w = vw * ph / vh;
        r.left = pane.left + static_cast<std::int32_t>((pw - w) / 2.0);
        r.right = r.left + Round(w);
    }
    return r;
}

Rect CentreIn(const Rect& pane, Size size) noexcept {
    const std::int32_t cx = pane.left + pane.Width() / 2;
    const std::int32_t cy = pane.top + pane.Height() / 2;
    const std::int32_t left = cx - size.width / 2;
    const std::int32_t top = cy - size.height / 2;
    return Rect{left, top, left + size.width, top + size.height};
}

ZoomPart ZoomRequest(const Rect& area, double centre_x, double centre_y, double zoom) noexcept {
    ZoomPart part;
    if (!(zoom >= 1.0)) return part;
    const std::int32_t aw = area.Width();
    const std::int32_t ah = area.Height();
    std::int32_t px = 0;
    std::int32_t py = 0;
    if (!area.Empty()) {
        px = area.left + static_cast<std::int32_t>(aw * centre_x + 0.5);
        py = area.top + static_cast<std::int32_t>(ah * centre_y + 0.5);
    }
    part.width = static_cast<std::uint16_t>(static_cast<std::int32_t>(kReferenceWidth / zoom));
    part.height = static_cast<std::uint16_t>(static_cast<std::int32_t>(kReferenceHeight / zoom));
    // An area without width or height has no point to map: the division
    // would fault, so the part starts at the corner.
    std::int32_t x = aw != 0 ? static_cast<std::int32_t>(static_cast<std::int64_t>(px) * 3840 / aw) : 0;
    std::int32_t y = ah != 0 ? static_cast<std::int32_t>(static_cast<std::int64_t>(py) * 2160 / ah) : 0;
    x -= part.width / 2;
    y -= part.height / 2;
    if (x < 0) {
        x = 0;
    } else if (x + part.width > 3840) {
        x = 3840 - part.width;
    }
    if (y < 0) {
        y = 0;
    } else if (y + part.height > 2160) {
        y = 2160 - part.height;
    }
    part.x = x;
    part.y = y;
    return part;
}

Refit RefitWindow(Size video, std::int32_t bars, FrameBorder border, const Rect& work) noexcept {
    auto window_for = [&](Size v) { return Size{v.width + border.width, v.height + bars + border.height}; };
    Refit out{video, window_for(video)};
    if (video.width <= 0 || video.height <= 0) return out;
    if (out.window.width > work.Width() || out.window.height > work.Height()) {
        const std::int32_t aw = work.Width() - (out.window.width - video.width);
        const std::int32_t ah = work.Height() - (out.window.height - video.height);
        const double a = static_cast<double>(ah) / video.height;
        const double b = static_cast<double>(aw) / video.width;
        Size v;
        if (a > b) {
            v = Size{aw, Round(video.height * b)};
        } else {
            v = Size{Round(video.width * a), ah};
        }
        out = Refit{v, window_for(v)};
    }
    return out;
}

Point CentreOnWork(const Rect& work, Size window) noexcept {
    const std::int32_t cx = (work.left + work.right) / 2;
    const std::int32_t cy = (work.top + work.bottom) / 2;
    const std::int32_t x = static_cast<std::int32_t>(cx - (window.width * 0.5 + 0.5));
    const std::int32_t y = cy - static_cast<std::int32_t>(window.height * 0.5 + 0.5);
    return Point{x, std::max(work.top, y)};
}

SideBySide SplitWork(const Rect& work) noexcept {
    const std::int32_t w = work.Width();
    const std::int32_t half = w / 2;
    const std::int32_t x = work.left + half;
    return SideBySide{Rect{x, work.top, work.right, work.bottom},
                      Rect{work.left, work.top, work.left + (w - half), work.bottom}};
}

}  // namespace vistrel
