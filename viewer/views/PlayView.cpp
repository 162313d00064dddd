#include "viewer/views/PlayView.h"

#include <vector>

#include "viewer/res/resource.h"

namespace vistrel {

CVideoPlayView::CVideoPlayView() : CBaseDisplayView(IDD_VIDEO_PLAY_VIEW) {
    slide_.SetBeganListener([this](SlideEventArgs e) {
        Request(model_.SlideBegan(GetDisplayInfo(), e));
        GestureStarted();
    });
    slide_.SetMovedListener([this](SlideEventArgs e) { Request(model_.SlideMoved(GetDisplayInfo(), e)); });
    slide_.SetEndedListener([this](SlideEventArgs e) {
        Request(model_.SlideEnded(GetDisplayInfo(), e));
        GestureEnded();
    });
    pinch_.SetBeganListener([this](PinchEventArgs e) {
        Request(model_.PinchBegan(GetDisplayInfo(), e));
        GestureStarted();
    });
    pinch_.SetMovedListener([this](PinchEventArgs e) { Request(model_.PinchMoved(GetDisplayInfo(), e)); });
    pinch_.SetEndedListener([this](PinchEventArgs e) {
        Request(model_.PinchEnded(GetDisplayInfo(), e));
        GestureEnded();
    });
}

void CVideoPlayView::Initialize(const ViewInitArgs& args) {
    CBaseDisplayView::Initialize(args);
    play_ = args.play;
}

void CVideoPlayView::ApplyParameters(const ViewParameters& parameters) {
    model_.SetDoubleTapZoom(parameters.Double(kParamDoubleClickZoom));
    model_.SetMaxZoom(parameters.Double(kParamMaxZoom));
    dot_by_dot_ = parameters.Int(kParamCinemaResolDotByDot);
}

void CVideoPlayView::OnDisplayInfoChanged(const DisplayInfo& info) {
    const bool own_copy = &info == &GetDisplayInfo();
    CBaseDisplayView::OnDisplayInfoChanged(info);
    // Reported from the record just stored, so the detector never watches
    // the rectangle of the previous push.
    if (!own_copy) ReportDisplayArea();
}

Rect CVideoPlayView::GetVideoRect() const { return PlayViewVideoRect(GetDisplayInfo(), dot_by_dot_); }

void CVideoPlayView::Request(const std::optional<ZoomRequest>& request) {
    if (!request || play_ == nullptr) return;
    const double centre[2] = {request->center_x, request->center_y};
    play_->OnZoomChanged(request->area, request->has_center ? centre : nullptr, request->zoom);
}

void CVideoPlayView::GestureStarted() {
    if (play_ != nullptr) play_->OnGestureStarted();
}

void CVideoPlayView::GestureEnded() {
    if (play_ != nullptr) play_->OnGestureEnded();
}

void CVideoPlayView::OnTouchInputs(std::span<const TOUCHINPUT> inputs) {
    const std::vector<TouchRecord> batch = FilterTouchBatch(inputs, GetDisplayInfo().video);
    slide_.OnTouch(batch);
    pinch_.OnTouch(batch);
}

LRESULT CVideoPlayView::OnDoubleClick(WPARAM w, LPARAM l) {
    POINT p{static_cast<short>(LOWORD(l)), static_cast<short>(HIWORD(l))};
    ClientToScreen(Handle(), &p);
    const auto request = model_.DoubleTap(GetDisplayInfo(), p.x, p.y);
    if (!request) return 0;  // outside the picture: dropped
    Request(request);
    return CBaseDisplayView::HandleMessage(WM_LBUTTONDBLCLK, w, l);
}

LRESULT CVideoPlayView::HandleMessage(UINT msg, WPARAM w, LPARAM l) {
    switch (msg) {
        case WM_CREATE: {
            if (CBaseDisplayView::HandleMessage(msg, w, l) == -1) return -1;
            RegisterTouchWindow(Handle(), TWF_WANTPALM);
            return 0;
        }
        case WM_DESTROY: {
            const LRESULT r = CBaseDisplayView::HandleMessage(msg, w, l);
            UnregisterTouchWindow(Handle());
            return r;
        }
        case WM_SIZE: {
            const LRESULT r = CBaseDisplayView::HandleMessage(msg, w, l);
            if (play_ != nullptr) play_->OnDisplayResized();
            return r;
        }
        case WM_LBUTTONDBLCLK: return OnDoubleClick(w, l);
        case WM_TOUCH: {
            const UINT count = LOWORD(w);
            auto touch = reinterpret_cast<HTOUCHINPUT>(l);
            std::vector<TOUCHINPUT> inputs(count);
            if (count != 0 && GetTouchInputInfo(touch, count, inputs.data(), sizeof(TOUCHINPUT))) {
                OnTouchInputs(inputs);
                CloseTouchInputHandle(touch);
                return 0;
            }
            break;
        }
        default: break;
    }
    return CBaseDisplayView::HandleMessage(msg, w, l);
}

}  // namespace vistrel
