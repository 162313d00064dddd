// The play view's pan and pinch-zoom model: gesture events in screen pixels
// and the DisplayInfo the frame last pushed in, zoom requests for the frame
// out. The frame pushes the new centre and zoom back before the next event,
// so the formulas are incremental. Free of platform headers.
#pragma once

#include <optional>
#include <span>
#include <vector>

#include "Capwell.h"
#include "viewer/core/DisplayInfo.h"
#include "viewer/core/GestureRecognizer.h"
#include "viewer/core/TouchRecord.h"

namespace vistrel {

// Arguments of IVideoPlayListner::OnZoomChanged.
struct ZoomRequest {
    Rect area;
    bool has_center = true;
    double center_x = 0.0;
    double center_y = 0.0;
    double zoom = 1.0;
};

struct ZoomState {
    double last_x = 0.0;  // normalised to the video rectangle
    double last_y = 0.0;
    int previous_distance = 0;
    double anchor_x = 0.0;  // picture point under the pinch centre at its start
    double anchor_y = 0.0;
    double offset_x = 0.0;  // keep the anchor under the fingers, clamps included
    double offset_y = 0.0;
    double max_zoom = 1.0;
    double zoom = 1.0;
    int active = 0;
};

struct SlideState {
    double last_x = 0.0;
    double last_y = 0.0;
    double center_x = 0.0;
    double center_y = 0.0;
    int active = 0;
};

class PlayGestureModel {
public:
    void SetMaxZoom(double max_zoom) noexcept { zoom_.max_zoom = max_zoom; }
    void SetDoubleTapZoom(double zoom) noexcept { double_tap_zoom_ = zoom; }
    double DoubleTapZoom() const noexcept { return double_tap_zoom_; }
    const ZoomState& Zoom() const noexcept { return zoom_; }
    const SlideState& Slide() const noexcept { return slide_; }

    // Each answers the zoom request to make, if any. The gesture start and
    // end calls to the frame are the caller's (they happen in every case).
    std::optional<ZoomRequest> SlideBegan(const DisplayInfo& info, const SlideEventArgs& e) noexcept;
    std::optional<ZoomRequest> SlideMoved(const DisplayInfo& info, const SlideEventArgs& e) noexcept;
    std::optional<ZoomRequest> SlideEnded(const DisplayInfo& info, const SlideEventArgs& e) noexcept;
    std::optional<ZoomRequest> PinchBegan(const DisplayInfo& info, const PinchEventArgs& e) noexcept;
    std::optional<ZoomRequest> PinchMoved(const DisplayInfo& info, const PinchEventArgs& e) noexcept;
    std::optional<ZoomRequest> PinchEnded(const DisplayInfo& info, const PinchEventArgs& e) noexcept;
    // A double tap at screen point (x, y): nothing when it is not strictly
    // inside the video rectangle; otherwise zoom to the double-tap factor
    // around the point, or back to the whole picture when zoomed.
    std::optional<ZoomRequest> DoubleTap(const DisplayInfo& info, int x, int y) const noexcept;

private:
    std::optional<ZoomRequest> SlideStep(const DisplayInfo& info, const SlideEventArgs& e, bool ending) noexcept;
    std::optional<ZoomRequest> PinchStep(const DisplayInfo& info, const PinchEventArgs& e) noexcept;

    ZoomState zoom_;
    SlideState slide_;
    double double_tap_zoom_ = 1.0;
};

// Strictly inside: left < x/100 < right and top < y/100 < bottom (x and y in
// hundredths of a pixel, integer division).
bool TouchInside(const TouchRecord& t, const Rect& video) noexcept;
// The batch for the recognisers: unchanged when any contact is over the
// picture, otherwise every contact turned into a contact-up, so a gesture in
// progress ends when the fingers leave the picture.
std::vector<TouchRecord> FilterTouchBatch(std::span<const TouchRecord> batch, const Rect& video);

// The rectangle the play view reports for overlap checks: the video
// rectangle, except in full-screen dot-by-dot display of a 4096 x 2160 input,
// where only the part inside the work area is watched.
Rect PlayViewVideoRect(const DisplayInfo& info, int dot_by_dot) noexcept;

// The source rectangle of a zoom request in the fixed 3840 x 2160 space of
// Cpw_ZoomVideo; all 0 for a zoom below 1 or an empty area.
CpwZoomRect ZoomSourceRect(const Rect& area, double center_x, double center_y, double zoom) noexcept;

}  // namespace vistrel
