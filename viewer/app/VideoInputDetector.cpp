#include "viewer/app/VideoInputDetector.h"

namespace Pelmora::Lib::Overlap {
namespace {

// The process's detector; constant-initialised, so no guard is involved.
std::unique_ptr<VideoInputDetector> g_detector;

RECT ToRect(const vistrel::Rect& r) noexcept { return RECT{r.left, r.top, r.right, r.bottom}; }

}  // namespace

VideoInputDetector& VideoInputDetector::Get() {
    if (!g_detector) g_detector.reset(new VideoInputDetector());
    return *g_detector;
}

bool VideoInputDetector::Exists() noexcept { return g_detector != nullptr; }

void VideoInputDetector::Release() noexcept { g_detector.reset(); }

VideoInputDetector::VideoInputDetector() : examiner_(std::make_unique<COverlapDetector>()) {
    timer_.SetListener([this](vistrel::UIThreadTimer::TickEventArgs) { OnTick(); });
}

VideoInputDetector::~VideoInputDetector() {
    timer_.Stop();
    timer_.SetListener(nullptr);
    examiner_.reset();  // joins a running worker
    listener_ = nullptr;
}

void VideoInputDetector::SetArea(const vistrel::Rect& capture, const vistrel::Rect& excluded,
                                 std::uint32_t background) noexcept {
    capture_ = capture;
    excluded_ = excluded;
    background_ = background;
}

bool VideoInputDetector::StartTimer() {
    if (detection_on_ == 0) return false;
    return timer_.Start();
}

void VideoInputDetector::StopTimer() { timer_.Stop(); }

bool VideoInputDetector::StartExamination(bool synchronous, std::int32_t* previous) {
    if (detection_on_ == 0 || enabled_ == 0 || !examiner_) return false;
    return examiner_->Start(ToRect(capture_), ToRect(excluded_), background_, synchronous, previous);
}

void VideoInputDetector::OnTick() {
    std::int32_t current = 0;
    if (!StartExamination(false, &current)) return;
    if (const auto value = tick_.Tick(current); value && listener_) {
        const Listener listener = listener_;  // the batch may replace it
        listener(DetectChangedEventArgs{*value});
    }
}

std::int32_t VideoInputDetector::CheckNow() {
    if (detection_on_ == 0) return 0;
    const bool ran = StartExamination(true, nullptr);
    return tick_.Transition(ran, examiner_->Result()) != 0 ? 1 : 0;
}

}  // namespace Pelmora::Lib::Overlap
