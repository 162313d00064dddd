// The zoom navigator's marker: where the part of the frame on screen lies in the
// navigator's picture of the whole frame.
#pragma once

#include <cstdint>

#include "viewer/core/ControlLook.h"

namespace vistrel::controls {

struct ZoomState {
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;  // the frame's extent in video pixels
    double fx = 0.5, fy = 0.5;           // centre, as fractions across the extent
    double zoom = 1.0;
};

struct Point {
    int x = 0;
    int y = 0;
    bool operator==(const Point&) const = default;
};

struct Marker {
    int left = 0;
    int top = 0;
    std::uint16_t width = 0;
    std::uint16_t height = 0;
    bool operator==(const Marker&) const = default;
};

// The navigator's inner area: the client shrunk by the inset on every side.
Rect NavigatorInner(const Rect& client, int inset) noexcept;
// The marker centre in client pixels for a zoom state; (0, 0) for a frame
// without extent.
Point MarkerCentre(const ZoomState& z, const Rect& inner) noexcept;
// The marker for a centre and zoom; false (and `marker` untouched) when the
// inner area is empty or the zoom is below 1.
bool PlaceMarker(Point centre, double zoom, const Rect& inner, int inset, Marker& marker) noexcept;
// Side of the zoom icon's square centred in the marker.
int ZoomIconSide(const Marker& marker, int icon_width, const LayoutState& layout) noexcept;

}  // namespace vistrel::controls
