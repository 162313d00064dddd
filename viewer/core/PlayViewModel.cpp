#include "viewer/core/PlayViewModel.h"

#include <algorithm>
#include <cstdint>

#include "viewer/core/ViewGeometry.h"

namespace vistrel {
namespace {

double Clamp(double v, double lo, double hi) noexcept {
    if (v < lo) return lo;
    if (v > hi) return hi;
    return v;
}

ZoomRequest Request(const DisplayInfo& info, double cx, double cy, double zoom) noexcept {
    return ZoomRequest{Rect{0, 0, info.video.Width(), info.video.Height()}, true, cx, cy, zoom};
}

}  // namespace

std::optional<ZoomRequest> PlayGestureModel::SlideBegan(const DisplayInfo& info, const SlideEventArgs& e) noexcept {
    if (info.zoom != 1.0) {
        // Only differences of points are used, so the point stays absolute.
        slide_.last_x = e.x / static_cast<double>(info.video.Width());
        slide_.last_y = e.y / static_cast<double>(info.video.Height());
        slide_.active = 1;
    }
    return std::nullopt;
}

std::optional<ZoomRequest> PlayGestureModel::SlideStep(const DisplayInfo& info, const SlideEventArgs& e,
                                                       bool ending) noexcept {
    if (slide_.active == 0) return std::nullopt;
    const double z = info.zoom;
    const double lo = 0.5 / z;
    const double hi = 1.0 - 0.5 / z;
    const double px = e.x / static_cast<double>(info.video.Width());
    const double py = e.y / static_cast<double>(info.video.Height());
    const double cx = Clamp(info.center_x - (px - slide_.last_x) / z, lo, hi);
    const double cy = Clamp(info.center_y - (py - slide_.last_y) / z, lo, hi);
    slide_.center_x = cx;
    slide_.center_y = cy;
    slide_.last_x = px;
    slide_.last_y = py;
    if (ending) slide_.active = 0;
    return Request(info, cx, cy, z);
}

std::optional<ZoomRequest> PlayGestureModel::SlideMoved(const DisplayInfo& info, const SlideEventArgs& e) noexcept {
    return SlideStep(info, e, false);
}

std::optional<ZoomRequest> PlayGestureModel::SlideEnded(const DisplayInfo& info, const SlideEventArgs& e) noexcept {
    return SlideStep(info, e, true);
}

std::optional<ZoomRequest> PlayGestureModel::PinchBegan(const DisplayInfo& info, const PinchEventArgs& e) noexcept {
    const double a = info.zoom;
    zoom_.zoom = a;
    zoom_.last_x = (e.centerX - info.video.left) / static_cast<double>(info.video.Width());
    zoom_.last_y = (e.centerY - info.video.top) / static_cast<double>(info.video.Height());
    zoom_.anchor_x = (zoom_.last_x - 0.5) / a + info.center_x;
    zoom_.anchor_y = (zoom_.last_y - 0.5) / a + info.center_y;
    zoom_.offset_x = zoom_.last_x - zoom_.anchor_x;
    zoom_.offset_y = zoom_.last_y - zoom_.anchor_y;
    zoom_.previous_distance = e.distance;
    zoom_.active = 1;
    return std::nullopt;
}

std::optional<ZoomRequest> PlayGestureModel::PinchStep(const DisplayInfo& info, const PinchEventArgs& e) noexcept {
    const double px = (e.centerX - info.video.left) / static_cast<double>(info.video.Width());
    const double py = (e.centerY - info.video.top) / static_cast<double>(info.video.Height());
    // A previous distance of 0 gives no ratio: the zoom stays as it was.
    double z = zoom_.previous_distance != 0
                   ? static_cast<double>(e.distance) / zoom_.previous_distance * zoom_.zoom
                   : zoom_.zoom;
    zoom_.previous_distance = e.distance;
    if (std::min(z, zoom_.max_zoom) < 1.0) {
        z = 1.0;
    } else if (z > zoom_.max_zoom) {
        z = zoom_.max_zoom;
    }
    const double lo = 0.5 / z;
    const double hi = 1.0 - 0.5 / z;
    const double fx = (zoom_.anchor_x * 2.0 * (z - 1.0) + 1.0) / (z * 2.0);
    const double fy = (zoom_.anchor_y * 2.0 * (z - 1.0) + 1.0) / (z * 2.0);
    const double gx = Clamp(fx - (zoom_.offset_x - (zoom_.last_x - px)) / z, lo, hi);
    const double gy = Clamp(fy - (zoom_.offset_y - (zoom_.last_y - py)) / z, lo, hi);
    zoom_.offset_x = (fx - gx) * z;
    zoom_.offset_y = (fy - gy) * z;
    zoom_.last_x = px;
    zoom_.last_y = py;
    zoom_.zoom = z;
    return Request(info, gx, gy, z);
}

std::optional<ZoomRequest> PlayGestureModel::PinchMoved(const DisplayInfo& info, const PinchEventArgs& e) noexcept {
    return PinchStep(info, e);
}

std::optional<ZoomRequest> PlayGestureModel::PinchEnded(const DisplayInfo& info, const PinchEventArgs& e) noexcept {
    auto request = PinchStep(info, e);
    zoom_.active = 0;
    return request;
}

std::optional<ZoomRequest> PlayGestureModel::DoubleTap(const DisplayInfo& info, int x, int y) const noexcept {
    const Rect& v = info.video;
    if (!(v.left < x && x < v.right && v.top < y && y < v.bottom)) return std::nullopt;
    double cx = 0.0;
    double cy = 0.0;
    if (!v.Empty()) {
        cx = (x - v.left) / static_cast<double>(v.Width());
        cy = (y - v.top) / static_cast<double>(v.Height());
    }
    return Request(info, cx, cy, info.zoom == 1.0 ? double_tap_zoom_ : 1.0);
}

bool TouchInside(const TouchRecord& t, const Rect& video) noexcept {
    const long x = t.x / 100;
    const long y = t.y / 100;
    return video.left < x && x < video.right && video.top < y && y < video.bottom;
}

std::vector<TouchRecord> FilterTouchBatch(std::span<const TouchRecord> batch, const Rect& video) {
    std::vector<TouchRecord> copies(batch.begin(), batch.end());
    const bool any_inside =
        std::any_of(copies.begin(), copies.end(), [&](const TouchRecord& t) { return TouchInside(t, video); });
    if (!any_inside) {
        for (TouchRecord& t : copies) t.dwFlags = (t.dwFlags & ~(kTouchMove | kTouchDown)) | kTouchUp;
    }
    return copies;
}

Rect PlayViewVideoRect(const DisplayInfo& info, int dot_by_dot) noexcept {
    Rect r = info.video;
    const int rotation = info.screen.rotation;
    if (info.full_screen != 0 && (rotation == 0 || rotation == 180) && dot_by_dot == 1 &&
        r.Width() == ScaleToScreen(4096, info.screen) && r.Height() == ScaleToScreen(2160, info.screen)) {
        r.left = info.screen.work.left;
        r.right = info.screen.work.right;
    }
    return r;
}

CpwZoomRect ZoomSourceRect(const Rect& area, double center_x, double center_y, double zoom) noexcept {
    CpwZoomRect z{};
    if (zoom < 1.0) return z;
    const int aw = area.Width();
    const int ah = area.Height();
    if (aw <= 0 || ah <= 0) return z;
    const int px = area.left + static_cast<int>(aw * center_x + 0.5);
    const int py = area.top + static_cast<int>(ah * center_y + 0.5);
    const auto width = static_cast<std::uint16_t>(static_cast<int>(3840.0 / zoom));
    const auto height = static_cast<std::uint16_t>(static_cast<int>(2160.0 / zoom));
    int x = px * 3840 / aw - width / 2;
    int y = py * 2160 / ah - height / 2;
    if (x < 0) {
        x = 0;
    } else if (x + width > 3840) {
        x = 3840 - width;
    }
    if (y < 0) {
        y = 0;
    } else if (y + height > 2160) {
        y = 2160 - height;
    }
    z.x = x;
    z.y = y;
    z.width = width;
    z.height = height;
    return z;
}

}  // namespace vistrel
