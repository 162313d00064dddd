// The examination behind the video-input detector: a copy of the picture area
// is searched for pixels that are not the background colour, in four strips of
// rows examined in parallel; a covering window is reported when the differing
// pixels span more than 550 x 130 pixels. Free of platform headers: the copy
// arrives as a buffer, its stride and its size.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "viewer/core/Rect.h"
#include "winkit/Sync.h"

namespace Pelmora::Lib::Overlap {

// Differences up to this size in both directions are left alone (a caret, a
// thin border, a cursor); the figures do not scale with the DPI.
inline constexpr std::int32_t kCoveredWidth = 550;
inline constexpr std::int32_t kCoveredHeight = 130;
inline constexpr int kStripCount = 4;

// A 24-bit copy of a screen area: blue, green, red for each pixel. `top_row`
// is the first byte of the area's top row on screen and `stride` the signed
// distance to the row below it (negative for a bottom-up bitmap).
struct ScreenCopy {
    const std::uint8_t* top_row = nullptr;
    std::ptrdiff_t stride = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
};

struct ScanParams {
    // Skipped, relative to the copy's top-left; left and top inclusive, right
    // and bottom exclusive. A rectangle without area skips nothing.
    vistrel::Rect excluded;
    std::uint32_t background = 0;  // COLORREF: 0x00BBGGRR
    // Columns left out at both sides.
    std::int32_t side_margin = 0;
};

// Smallest and largest column and row of the differing pixels; all -1 while
// none was seen.
struct DiffBox {
    std::int32_t min_x = -1;
    std::int32_t max_x = -1;
    std::int32_t min_row = -1;
    std::int32_t max_row = -1;

    friend constexpr bool operator==(const DiffBox&, const DiffBox&) = default;
};

struct Examination {
    vistrel::Rect united;  // union of the strips' boxes
    std::int32_t covered = 0;
};

// The side margin for a horizontal screen DPI: 20 pixels at 96 DPI.
[[nodiscard]] std::int32_t SideMarginForDpi(std::int32_t dpi) noexcept;

// Rows [*begin, *end) of strip `strip` (0..3) of a copy `height` rows high:
// height / 4 rows each, the last strip also takes the remainder.
void StripRows(std::int32_t height, int strip, std::int32_t* begin, std::int32_t* end) noexcept;

// Examines rows [row_begin, row_end) of the copy.
[[nodiscard]] DiffBox ScanRows(const ScreenCopy& copy, const ScanParams& params, std::int32_t row_begin,
                               std::int32_t row_end) noexcept;

// The boxes as rectangles (left = smallest x, top = smallest row, right =
// largest x, bottom = largest row) united like the platform's UnionRect: a
// rectangle without area adds nothing, and none at all gives all 0.
[[nodiscard]] vistrel::Rect UniteBoxes(std::span<const DiffBox> boxes) noexcept;

[[nodiscard]] constexpr bool IsCovered(const vistrel::Rect& united) noexcept {
    return united.Width() > kCoveredWidth || united.Height() > kCoveredHeight;
}

// Threads kept for the strips, so an examination does not start threads of
// its own. Run() hands out the items to the helpers and the calling thread
// and returns when all are done. One Run() at a time (callers are serialised).
class StripPool {
public:
    // `helpers` threads besides the caller; a helper that cannot be started
    // leaves the work to the others.
    explicit StripPool(int helpers);
    ~StripPool();
    StripPool(const StripPool&) = delete;
    StripPool& operator=(const StripPool&) = delete;

    // One helper per strip beyond the caller's: the four strips run side by
    // side wherever the machine has the cores.
    [[nodiscard]] static int DefaultHelpers() noexcept;
    [[nodiscard]] int Helpers() const noexcept { return static_cast<int>(threads_.size()); }

    void Run(int count, const std::function<void(int)>& body);

private:
    void HelperLoop();
    // Takes items until none is left; the body must not throw.
    void Drain(const std::function<void(int)>& body, int count);

    winkit::Mutex run_mutex_;  // serialises Run()
    winkit::Mutex mutex_;      // after run_mutex_
    winkit::CondVar wake_;
    winkit::CondVar done_;
    const std::function<void(int)>* body_ = nullptr;
    int count_ = 0;
    std::uint64_t generation_ = 0;
    int joined_ = 0;     // helpers inside the current run
    int completed_ = 0;  // items finished in the current run
    bool stop_ = false;
    std::atomic<int> next_{0};
    std::vector<winkit::Thread> threads_;
};

// The whole examination: the four strips (on `pool` when given, otherwise one
// after another on the calling thread), their union and the thresholds.
[[nodiscard]] Examination Examine(const ScreenCopy& copy, const ScanParams& params, StripPool* pool);

}  // namespace Pelmora::Lib::Overlap
