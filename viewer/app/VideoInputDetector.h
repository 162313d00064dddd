// The video-input detector: once a second it has the picture area copied from
// the screen and examined, and tells the main frame when another window starts
// or stops covering the picture. One per process, made by the main frame on
// first use and released when the frame is destroyed. User-interface thread
// only (the examination itself runs on the examiner's worker).
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>

#include "viewer/app/Notificators.h"
#include "viewer/app/OverlapDetector.h"
#include "viewer/core/OverlapTick.h"
#include "viewer/core/Rect.h"

namespace Pelmora::Lib::Overlap {

struct DetectChangedEventArgs {
    std::int32_t covered = 0;  // 1 = the picture area is covered
};

class VideoInputDetector {
public:
    using Listener = std::function<void(DetectChangedEventArgs)>;
    static constexpr int kTickIntervalMs = 1000;

    // The process's detector, made on first use.
    [[nodiscard]] static VideoInputDetector& Get();
    [[nodiscard]] static bool Exists() noexcept;
    // Joins a running worker, destroys the examiner and the timer window and
    // drops the listener.
    static void Release() noexcept;

    ~VideoInputDetector();
    VideoInputDetector(const VideoInputDetector&) = delete;
    VideoInputDetector& operator=(const VideoInputDetector&) = delete;

    void SetListener(Listener listener) { listener_ = std::move(listener); }
    void SetDetectionOn(std::int32_t on) noexcept { detection_on_ = on != 0 ? 1 : 0; }
    // 0 while a gesture or a window move or resize is in progress.
    void SetEnabled(std::int32_t enabled) noexcept { enabled_ = enabled != 0 ? 1 : 0; }
    // The play code's `video` flag.
    void SetVideo(std::int32_t video) noexcept { tick_.SetVideo(video); }
    // Screen coordinates, as the display view reported them.
    void SetArea(const vistrel::Rect& capture, const vistrel::Rect& excluded, std::uint32_t background) noexcept;

    // Starts the tick timer when detection is on and it is not running;
    // answers whether it runs.
    bool StartTimer();
    void StopTimer();
    [[nodiscard]] bool TimerRunning() const noexcept { return timer_.Running(); }

    // One tick: starts an examination in the background and reports, when the
    // rules say so, the result of the one before.
    void OnTick();
    // The transition check: one examination waited for; answers the value for
    // `DetectState` (0 when detection is off).
    [[nodiscard]] std::int32_t CheckNow();

    [[nodiscard]] std::int32_t Enabled() const noexcept { return enabled_; }
    [[nodiscard]] std::int32_t DetectionOn() const noexcept { return detection_on_; }
    [[nodiscard]] const vistrel::Rect& CaptureRect() const noexcept { return capture_; }
    [[nodiscard]] COverlapDetector& Examiner() noexcept { return *examiner_; }

private:
    VideoInputDetector();
    [[nodiscard]] bool StartExamination(bool synchronous, std::int32_t* previous);

    Listener listener_;
    OverlapTick tick_;
    vistrel::Rect capture_;
    vistrel::Rect excluded_;
    std::uint32_t background_ = 0;
    std::int32_t enabled_ = 1;
    std::int32_t detection_on_ = 1;
    std::unique_ptr<COverlapDetector> examiner_;
    vistrel::UIThreadTimer timer_{kTickIntervalMs};
};

}  // namespace Pelmora::Lib::Overlap
