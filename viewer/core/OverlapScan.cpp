#include "viewer/core/OverlapScan.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <system_error>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define OVERLAP_SSE2 1
#endif

// Locks: StripPool::run_mutex_, then StripPool::mutex_.

namespace Pelmora::Lib::Overlap {
namespace {

// The background colour repeated over 16 pixels (48 bytes), so a block of 16
// pixels that starts on a pixel is compared with three wide loads.
struct Pattern {
    std::uint8_t blue, green, red;
    alignas(16) std::uint8_t bytes[48];
#if defined(OVERLAP_SSE2)
    __m128i v0, v1, v2;
#else
    std::uint64_t w[6];
#endif

    explicit Pattern(std::uint32_t colour) noexcept
        : blue(static_cast<std::uint8_t>(colour >> 16)), green(static_cast<std::uint8_t>(colour >> 8)),
          red(static_cast<std::uint8_t>(colour)) {
        for (int i = 0; i < 48; i += 3) {
            bytes[i] = blue;
            bytes[i + 1] = green;
            bytes[i + 2] = red;
        }
#if defined(OVERLAP_SSE2)
        v0 = _mm_load_si128(reinterpret_cast<const __m128i*>(bytes));
        v1 = _mm_load_si128(reinterpret_cast<const __m128i*>(bytes + 16));
        v2 = _mm_load_si128(reinterpret_cast<const __m128i*>(bytes + 32));
#else
        std::memcpy(w, bytes, sizeof w);
#endif
    }
};

constexpr int kBlock = 16;  // pixels compared at once
constexpr int kGroup = 64;  // pixels tested before one branch

#if defined(OVERLAP_SSE2)
inline __m128i BlockXor(const std::uint8_t* p, const Pattern& pat) noexcept {
    const __m128i a = _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), pat.v0);
    const __m128i b = _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16)), pat.v1);
    const __m128i c = _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 32)), pat.v2);
    return _mm_or_si128(a, _mm_or_si128(b, c));
}
inline bool NonZero(__m128i v) noexcept {
    return _mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_setzero_si128())) != 0xFFFF;
}
inline bool BlockDiffers(const std::uint8_t* p, const Pattern& pat) noexcept { return NonZero(BlockXor(p, pat)); }
inline bool GroupDiffers(const std::uint8_t* p, const Pattern& pat) noexcept {
    const __m128i acc = _mm_or_si128(_mm_or_si128(BlockXor(p, pat), BlockXor(p + 48, pat)),
                                     _mm_or_si128(BlockXor(p + 96, pat), BlockXor(p + 144, pat)));
    return NonZero(acc);
}
#else
inline std::uint64_t BlockXor(const std::uint8_t* p, const Pattern& pat) noexcept {
    std::uint64_t v[6];
    std::memcpy(v, p, sizeof v);
    return (v[0] ^ pat.w[0]) | (v[1] ^ pat.w[1]) | (v[2] ^ pat.w[2]) | (v[3] ^ pat.w[3]) | (v[4] ^ pat.w[4]) |
           (v[5] ^ pat.w[5]);
}
inline bool BlockDiffers(const std::uint8_t* p, const Pattern& pat) noexcept { return BlockXor(p, pat) != 0; }
inline bool GroupDiffers(const std::uint8_t* p, const Pattern& pat) noexcept {
    return (BlockXor(p, pat) | BlockXor(p + 48, pat) | BlockXor(p + 96, pat) | BlockXor(p + 144, pat)) != 0;
}
#endif

inline bool PixelDiffers(const std::uint8_t* p, const Pattern& pat) noexcept {
    return p[0] != pat.blue || p[1] != pat.green || p[2] != pat.red;
}

// First differing column in [x0, x1) of a row, or -1.
std::int32_t FirstDiff(const std::uint8_t* row, std::int32_t x0, std::int32_t x1, const Pattern& pat) noexcept {
    std::int32_t x = x0;
    while (x1 - x >= kGroup && !GroupDiffers(row + 3 * x, pat)) x += kGroup;
    while (x1 - x >= kBlock && !BlockDiffers(row + 3 * x, pat)) x += kBlock;
    for (; x < x1; ++x) {
        if (PixelDiffers(row + 3 * x, pat)) return x;
    }
    return -1;
}

// Last differing column in [x0, x1) of a row, or -1.
std::int32_t LastDiff(const std::uint8_t* row, std::int32_t x0, std::int32_t x1, const Pattern& pat) noexcept {
    std::int32_t x = x1;
    while (x - x0 >= kGroup && !GroupDiffers(row + 3 * (x - kGroup), pat)) x -= kGroup;
    while (x - x0 >= kBlock && !BlockDiffers(row + 3 * (x - kBlock), pat)) x -= kBlock;
    for (; x > x0; --x) {
        if (PixelDiffers(row + 3 * (x - 1), pat)) return x - 1;
    }
    return -1;
}

// The examined columns of a row: one span, or two around the excluded one.
struct Spans {
    std::int32_t begin[2];
    std::int32_t end[2];
    int count = 0;

    void Add(std::int32_t b, std::int32_t e) noexcept {
        if (b < e) {
            begin[count] = b;
            end[count] = e;
            ++count;
        }
    }
    std::int32_t First(const std::uint8_t* row, std::int32_t lo, std::int32_t hi, const Pattern& pat) const noexcept {
        for (int i = 0; i < count; ++i) {
            const std::int32_t b = std::max(begin[i], lo), e = std::min(end[i], hi);
            if (b < e) {
                const std::int32_t x = FirstDiff(row, b, e, pat);
                if (x >= 0) return x;
            }
        }
        return -1;
    }
    std::int32_t Last(const std::uint8_t* row, std::int32_t lo, std::int32_t hi, const Pattern& pat) const noexcept {
        for (int i = count - 1; i >= 0; --i) {
            const std::int32_t b = std::max(begin[i], lo), e = std::min(end[i], hi);
            if (b < e) {
                const std::int32_t x = LastDiff(row, b, e, pat);
                if (x >= 0) return x;
            }
        }
        return -1;
    }
};

constexpr bool HasArea(const vistrel::Rect& r) noexcept { return r.right > r.left && r.bottom > r.top; }

}  // namespace

std::int32_t SideMarginForDpi(std::int32_t dpi) noexcept {
    return static_cast<std::int32_t>(static_cast<double>(dpi) / 96.0 * 50.0 / 2.5 + 0.5);
}

void StripRows(std::int32_t height, int strip, std::int32_t* begin, std::int32_t* end) noexcept {
    const std::int32_t rows = height / kStripCount;
    *begin = rows * strip;
    *end = strip == kStripCount - 1 ? height : *begin + rows;
}

DiffBox ScanRows(const ScreenCopy& copy, const ScanParams& params, std::int32_t row_begin,
                 std::int32_t row_end) noexcept {
    DiffBox box;
    if (copy.top_row == nullptr || copy.width <= 0) return box;
    row_begin = std::max(row_begin, 0);
    row_end = std::min(row_end, copy.height);
    const std::int32_t lo = std::max(params.side_margin, 0);
    const std::int32_t hi = copy.width - lo;
    if (lo >= hi) return box;

    const Pattern pat(params.background);
    Spans whole;
    whole.Add(lo, hi);
    Spans banded = whole;
    std::int32_t band_top = 0, band_bottom = 0;
    if (HasArea(params.excluded)) {
        band_top = params.excluded.top;
        band_bottom = params.excluded.bottom;
        banded = Spans{};
        banded.Add(lo, std::min(hi, params.excluded.left));
        banded.Add(std::max(lo, params.excluded.right), hi);
    }

    for (std::int32_t r = row_begin; r < row_end; ++r) {
        const std::uint8_t* row = copy.top_row + static_cast<std::ptrdiff_t>(r) * copy.stride;
        const Spans& spans = (r >= band_top && r < band_bottom) ? banded : whole;
        if (box.min_x < 0) {
            const std::int32_t first = spans.First(row, lo, hi, pat);
            if (first < 0) continue;
            box.min_x = first;
            box.max_x = spans.Last(row, first, hi, pat);
            box.min_row = box.max_row = r;
            continue;
        }
        // Only what lies outside the columns seen so far needs a position;
        // inside them one differing pixel is enough to extend the rows.
        const std::int32_t left = spans.First(row, lo, box.min_x, pat);
        const std::int32_t right = spans.Last(row, box.max_x + 1, hi, pat);
        bool hit = left >= 0 || right >= 0;
        if (!hit) hit = spans.First(row, box.min_x, box.max_x + 1, pat) >= 0;
        if (left >= 0) box.min_x = left;
        if (right >= 0) box.max_x = right;
        if (hit) box.max_row = r;
    }
    return box;
}

vistrel::Rect UniteBoxes(std::span<const DiffBox> boxes) noexcept {
    vistrel::Rect united;
    bool any = false;
    for (const DiffBox& b : boxes) {
        const vistrel::Rect r{b.min_x, b.min_row, b.max_x, b.max_row};
        if (!HasArea(r)) continue;
        if (!any) {
            united = r;
            any = true;
            continue;
        }
        united.left = std::min(united.left, r.left);
        united.top = std::min(united.top, r.top);
        united.right = std::max(united.right, r.right);
        united.bottom = std::max(united.bottom, r.bottom);
    }
    return united;
}

StripPool::StripPool(int helpers) {
    threads_.reserve(static_cast<std::size_t>(std::max(helpers, 0)));
    for (int i = 0; i < helpers; ++i) {
        try {
            threads_.emplace_back([this] { HelperLoop(); });
        } catch (const std::system_error&) {
            break;  // the threads that started share the work
        }
    }
}

StripPool::~StripPool() {
    {
        const std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    for (auto& t : threads_) t.join();
}

int StripPool::DefaultHelpers() noexcept { return kStripCount - 1; }

void StripPool::Drain(const std::function<void(int)>& body, int count) {
    int done = 0;
    for (int i = next_.fetch_add(1, std::memory_order_relaxed); i < count;
         i = next_.fetch_add(1, std::memory_order_relaxed)) {
        body(i);
        ++done;
    }
    const std::lock_guard lock(mutex_);
    completed_ += done;
}

void StripPool::HelperLoop() {
    std::uint64_t seen = 0;
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [&] { return stop_ || generation_ != seen; });
        if (stop_) return;
        seen = generation_;
        // A helper that wakes after the run ended has nothing to join.
        if (body_ == nullptr) continue;
        const std::function<void(int)>* body = body_;
        const int count = count_;
        ++joined_;
        lock.unlock();
        Drain(*body, count);
        lock.lock();
        --joined_;
        done_.notify_all();
    }
}

void StripPool::Run(int count, const std::function<void(int)>& body) {
    if (count <= 0) return;
    const std::lock_guard run(run_mutex_);
    {
        const std::lock_guard lock(mutex_);
        body_ = &body;
        count_ = count;
        completed_ = 0;
        next_.store(0, std::memory_order_relaxed);
        ++generation_;
    }
    if (!threads_.empty()) wake_.notify_all();
    Drain(body, count);
    std::unique_lock lock(mutex_);
    done_.wait(lock, [&] { return completed_ == count_ && joined_ == 0; });
    body_ = nullptr;
}

namespace {

// Each strip is examined in parts, so that a thread that starts late leaves
// less behind; the parts' boxes combine by smallest and largest values into
// exactly the strip's box.
constexpr int kPartsPerStrip = 4;

DiffBox Combine(const DiffBox& a, const DiffBox& b) noexcept {
    if (a.min_x < 0) return b;
    if (b.min_x < 0) return a;
    return DiffBox{std::min(a.min_x, b.min_x), std::max(a.max_x, b.max_x), std::min(a.min_row, b.min_row),
                   std::max(a.max_row, b.max_row)};
}

}  // namespace

Examination Examine(const ScreenCopy& copy, const ScanParams& params, StripPool* pool) {
    DiffBox parts[kStripCount * kPartsPerStrip];
    const std::function<void(int)> part = [&](int i) {
        std::int32_t begin = 0, end = 0;
        StripRows(copy.height, i / kPartsPerStrip, &begin, &end);
        const std::int32_t rows = end - begin, k = i % kPartsPerStrip;
        parts[i] = ScanRows(copy, params, begin + rows * k / kPartsPerStrip, begin + rows * (k + 1) / kPartsPerStrip);
    };
    constexpr int kParts = kStripCount * kPartsPerStrip;
    if (pool != nullptr) {
        pool->Run(kParts, part);
    } else {
        for (int i = 0; i < kParts; ++i) part(i);
    }
    DiffBox strips[kStripCount];
    for (int i = 0; i < kParts; ++i) strips[i / kPartsPerStrip] = Combine(strips[i / kPartsPerStrip], parts[i]);
    Examination result;
    result.united = UniteBoxes(strips);
    result.covered = IsCovered(result.united) ? 1 : 0;
    return result;
}

}  // namespace Pelmora::Lib::Overlap
