#include "okumo/WaveForm.h"

#include <array>
#include <cstring>
#include <thread>

namespace okumo {

namespace {

// Columns counted together. Their counters (below) fit the first-level cache
// while the rows are walked, and a strip's part of a row is three whole cache
// lines of the picture.
constexpr int kStrip = 64;
constexpr int kColumnBytes = OKM_LEVELS * 2;

// A strip counts into 8-bit counters, one row of 128 per block and column,
// 32 KB in all, and adds them into the 16-bit bins before they can wrap.
// Sixteen-bit counters for the same strip would not fit the cache.
constexpr int kPad = 128;
constexpr int kRowsPerFlush = 255;
using Counters = std::array<std::uint8_t, kStrip * 4 * kPad>;

constexpr std::array<std::uint8_t, 256> MakeLevels() {
    std::array<std::uint8_t, 256> t{};
    for (int v = 0; v < 256; ++v) t[static_cast<std::size_t>(v)] = static_cast<std::uint8_t>(LevelOf(v));
    return t;
}

constexpr std::array<std::uint8_t, 256> kLevel = MakeLevels();
static_assert(LevelOf(0) == kLevelOfZero && LevelOf(255) == kLevelOfFull && kLevelOfFull < kPad);
static_assert(LumaOf(255, 255, 255) == 255 && LumaOf(0, 0, 0) == 0);

std::uint16_t* Bins(std::uint8_t* block, int column) noexcept {
    return reinterpret_cast<std::uint16_t*>(block + 4 + column * kColumnBytes);
}

void WriteHeader(std::uint8_t* block, std::uint16_t columns) noexcept {
    const std::uint16_t header[2] = {columns, static_cast<std::uint16_t>(OKM_LEVELS)};
    std::memcpy(block, header, sizeof header);
}

// Counts `rows` rows of an n-column strip into the counters; every counter
// gains at most `rows` (<= 255).
void CountRows(const std::uint8_t* row, std::size_t stride, int rows, int n, std::uint8_t* counters) noexcept {
    for (int line = 0; line < rows; ++line, row += stride) {
        const std::uint8_t* p = row;
        std::uint8_t* c = counters;
        for (int col = 0; col < n; ++col, p += 3, c += 4 * kPad) {
            const unsigned bv = p[0];
            const unsigned gv = p[1];
            const unsigned rv = p[2];
            ++c[kLevel[rv]];
            ++c[kPad + kLevel[gv]];
            ++c[2 * kPad + kLevel[bv]];
            ++c[3 * kPad + kLevel[(54 * rv + 183 * gv + 19 * bv + 128) >> 8]];
        }
    }
}

// Adds (or, for the first flush of a strip, stores) the counters into the
// bins of the strip's columns and clears them.
void Flush(std::uint8_t* counters, std::uint8_t* const out[4], int strip, int n, bool first) noexcept {
    for (int col = 0; col < n; ++col) {
        for (int block = 0; block < 4; ++block) {
            const std::uint8_t* src = counters + (col * 4 + block) * kPad;
            std::uint16_t* dst = Bins(out[block], strip + col);
            if (first) {
                for (int k = 0; k < OKM_LEVELS; ++k) dst[k] = src[k];
            } else {
                for (int k = 0; k < OKM_LEVELS; ++k) dst[k] = static_cast<std::uint16_t>(dst[k] + src[k]);
            }
        }
    }
    std::memset(counters, 0, static_cast<std::size_t>(n) * 4 * kPad);
}

}  // namespace

bool Valid(const OkmPicture* picture, const Blocks& blocks) noexcept {
    if (picture == nullptr || picture->data == nullptr) return false;
    if (blocks.red == nullptr || blocks.green == nullptr || blocks.blue == nullptr || blocks.luma == nullptr)
        return false;
    return picture->pixel_format == OKM_PIXEL_BGR24 && picture->width >= 1 && picture->width <= OKM_MAX_COLUMNS &&
           picture->height >= 1;
}

void ConvertColumns(const OkmPicture& picture, const Blocks& blocks, int first, int last) noexcept {
    // The blocks are byte buffers of the caller's; the bins are 16-bit and
    // 2-byte aligned at offset 4 of any buffer the allocator gives.
    if (first == 0) {
        for (std::uint8_t* b : {blocks.red, blocks.green, blocks.blue, blocks.luma}) WriteHeader(b, picture.width);
    }
    std::uint8_t* const out[4] = {blocks.red, blocks.green, blocks.blue, blocks.luma};
    const std::size_t stride = static_cast<std::size_t>(picture.width) * 3;
    alignas(64) Counters counters{};
    for (int strip = first; strip < last; strip += kStrip) {
        const int n = (strip + kStrip < last ? strip + kStrip : last) - strip;
        const std::uint8_t* row = picture.data + static_cast<std::size_t>(strip) * 3;
        for (int line = 0; line < picture.height; line += kRowsPerFlush) {
            const int rows = picture.height - line < kRowsPerFlush ? picture.height - line : kRowsPerFlush;
            CountRows(row, stride, rows, n, counters.data());
            row += stride * static_cast<std::size_t>(rows);
            Flush(counters.data(), out, strip, n, line == 0);
        }
    }
}

int SplitColumn(int width) noexcept {
    if (width < 2 * kStrip) return 0;
    return (width / 2 + kStrip - 1) / kStrip * kStrip;
}

void Convert(const OkmPicture& picture, const Blocks& blocks, int threads) {
    const int width = picture.width;
    const int half = threads < 2 ? 0 : SplitColumn(width);
    if (half == 0) {
        ConvertColumns(picture, blocks, 0, width);
        return;
    }
    std::thread right([&] { ConvertColumns(picture, blocks, half, width); });
    ConvertColumns(picture, blocks, 0, half);
    right.join();
}

}  // namespace okumo
