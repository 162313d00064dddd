// The display view of live video. The capture library draws the picture; the
// view takes the touch and double-tap input over it, turns them into pan and
// zoom requests to the frame, and reports the watched picture rectangle.
#pragma once

#include <windows.h>

#include <span>

#include "viewer/core/GestureRecognizer.h"
#include "viewer/core/PlayViewModel.h"
#include "viewer/views/BaseView.h"

namespace vistrel {

class CVideoPlayView final : public CBaseDisplayView {
public:
    CVideoPlayView();

    void Initialize(const ViewInitArgs& args) override;
    void ApplyParameters(const ViewParameters& parameters) override;
    void OnDisplayInfoChanged(const DisplayInfo& info) override;
    Rect GetVideoRect() const override;

    // One WM_TOUCH batch (screen coordinates in hundredths of a pixel).
    void OnTouchInputs(std::span<const TOUCHINPUT> inputs);
    const PlayGestureModel& Model() const noexcept { return model_; }
    int DotByDot() const noexcept { return dot_by_dot_; }

protected:
    LRESULT HandleMessage(UINT msg, WPARAM w, LPARAM l) override;

private:
    void Request(const std::optional<ZoomRequest>& request);
    void GestureStarted();
    void GestureEnded();
    LRESULT OnDoubleClick(WPARAM w, LPARAM l);

    IVideoPlayListner* play_ = nullptr;
    PlayGestureModel model_;
    SlideRecognizer slide_;
    PinchRecognizer pinch_;
    int dot_by_dot_ = 0;
};

}  // namespace vistrel
