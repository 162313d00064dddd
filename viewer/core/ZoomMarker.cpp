#include "viewer/core/ZoomMarker.h"

#include <algorithm>
#include <cmath>

namespace vistrel::controls {
namespace {

constexpr int kRefWidth = 3840;
constexpr int kRefHeight = 2160;

int Round(double v) noexcept { return static_cast<int>(std::trunc(v + 0.5)); }

}  // namespace

Rect NavigatorInner(const Rect& client, int inset) noexcept {
    return {client.left + inset, client.top + inset, client.right - inset, client.bottom - inset};
}

Point MarkerCentre(const ZoomState& z, const Rect& inner) noexcept {
    const int w = z.x1 - z.x0;
    const int h = z.y1 - z.y0;
    // A frame without extent (all zeros, or an empty or inverted side) has no
    // place to map to; dividing by its size would not be a number.
    if (w <= 0 || h <= 0) return {0, 0};
    const int cx = z.x0 + Round(w * z.fx);
    const int cy = z.y0 + Round(h * z.fy);
    const double px = std::trunc(static_cast<double>(inner.Width()) / w * (cx - z.x0));
    const double py = std::trunc(static_cast<double>(inner.Height()) / h * (cy - z.y0));
    return {inner.left + static_cast<int>(px), inner.top + static_cast<int>(py)};
}

bool PlaceMarker(Point centre, double zoom, const Rect& inner, int inset, Marker& marker) noexcept {
    const long long iw = inner.Width();
    const long long ih = inner.Height();
    if (iw <= 0 || ih <= 0 || !(zoom >= 1.0)) return false;
    const long long px = centre.x - inset;
    const long long py = centre.y - inset;
    const long long a = static_cast<long long>(std::trunc(kRefWidth / zoom));
    const long long b = static_cast<long long>(std::trunc(kRefHeight / zoom));
    const long long x = std::clamp(px * kRefWidth / iw - a / 2, 0LL, kRefWidth - a);
    const long long y = std::clamp(py * kRefHeight / ih - b / 2, 0LL, kRefHeight - b);
    marker.left = inner.left + static_cast<int>(iw * x / kRefWidth);
    marker.top = inner.top + static_cast<int>(ih * y / kRefHeight);
    marker.width = static_cast<std::uint16_t>(iw * a / kRefWidth);
    marker.height = static_cast<std::uint16_t>(ih * b / kRefHeight);
    return true;
}

int ZoomIconSide(const Marker& marker, int icon_width, const LayoutState& layout) noexcept {
    return Scaled(std::min({static_cast<int>(marker.width), static_cast<int>(marker.height), icon_width}), layout);
}

}  // namespace vistrel::controls
