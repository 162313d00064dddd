// The examiner of the video-input detector: copies the picture area from the
// screen and looks for a covering window on a worker thread, one examination
// at a time. The copy is made on the worker too, and the worker is kept for
// the examiner's life and woken for each examination, so that a tick on the
// user-interface thread neither waits for the screen nor starts a thread
// (under Wine a screen copy takes tens of milliseconds and a thread start
// most of one).
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>

#include "viewer/core/OverlapScan.h"
#include "winkit/Handle.h"
#include "winkit/Sync.h"

namespace Pelmora::Lib::Overlap {

// A copy of a screen area in a 24-bit bottom-up device-independent bitmap.
class ScreenImage {
public:
    // Makes the bitmap the rectangle's size and copies the screen into it with
    // BitBlt (SRCCOPY | CAPTUREBLT, so layered windows are included). Answers
    // false when the bitmap cannot be made, has no pixels, or the copy fails.
    [[nodiscard]] bool CopyFromScreen(const RECT& area) noexcept;
    [[nodiscard]] ScreenCopy View() const noexcept;
    void Release() noexcept;

private:
    winkit::Bitmap bitmap_;
    const std::uint8_t* bits_ = nullptr;
    std::int32_t width_ = 0;
    std::int32_t height_ = 0;
};

class COverlapDetector {
public:
    COverlapDetector();
    // Lets a running examination finish and joins the worker.
    ~COverlapDetector();
    COverlapDetector(const COverlapDetector&) = delete;
    COverlapDetector& operator=(const COverlapDetector&) = delete;

    // Starts an examination of `capture` (screen coordinates) unless one is
    // running. `excluded` is in screen coordinates too. `previous` receives the
    // result of the examination before this one. Asynchronous: answers whether
    // it started. Synchronous: waits, and answers whether it reached a result.
    [[nodiscard]] bool Start(const RECT& capture, const RECT& excluded, COLORREF background, bool synchronous,
                             std::int32_t* previous = nullptr);

    // 1 = covered; written by the worker at the end of each examination.
    [[nodiscard]] std::int32_t Result() const noexcept { return result_.load(std::memory_order_acquire); }
    [[nodiscard]] bool Busy() noexcept;
    [[nodiscard]] std::int32_t SideMargin() const noexcept { return side_margin_; }
    // The union of the differing pixels' boxes found last, relative to the
    // capture rectangle, and how many examinations have started.
    [[nodiscard]] vistrel::Rect LastUnion() noexcept;
    [[nodiscard]] std::uint64_t Started() noexcept;

private:
    struct Job {
        RECT capture{};
        vistrel::Rect excluded;  // relative to the capture rectangle
        COLORREF background = 0;
    };
    void WorkerLoop() noexcept;
    // The copy and the examination; answers whether a result was stored.
    [[nodiscard]] bool Examine(const Job& job, vistrel::Rect* united) noexcept;

    std::atomic<std::int32_t> result_{0};
    winkit::Mutex lock_;  // guards everything below up to the worker
    winkit::CondVar wake_;
    winkit::CondVar idle_;
    std::int32_t busy_ = 0;
    bool stop_ = false;
    Job job_;
    bool ran_ = false;
    vistrel::Rect last_union_;
    std::uint64_t started_ = 0;
    ScreenImage image_;  // the worker's while busy
    std::int32_t side_margin_;
    StripPool pool_;
    winkit::Thread worker_;  // last: started when everything else exists
};

}  // namespace Pelmora::Lib::Overlap
