#include "okumo/WaveForm.h"

#include <array>
#include <cstring>
#include <thread>

namespace okumo {

namespace {

// Columns counted together: their bins of all four blocks (64 x 238 x 4
// bytes) stay in the second-level cache while the rows are walked, and each
// row gives three whole cache lines of the picture.
constexpr int kStrip = 64;
constexpr int kColumnBytes = OKM_LEVELS * 2;

constexpr std::array<std::uint16_t, 256> MakeLevels() {
    std::array<std::uint16_t, 256> t{};
    for (int v = 0; v < 256; ++v) t[v] = static_cast<std::uint16_t>(LevelOf(v));
    return t;
}

constexpr std::array<std::uint16_t, 256> kLevel = MakeLevels();
static_assert(LevelOf(0) == kLevelOfZero && LevelOf(255) == kLevelOfFull);
static_assert(LumaOf(255, 255, 255) == 255 && LumaOf(0, 0, 0) == 0);

std::uint16_t* Bins(std::uint8_t* block, int column) noexcept {
    return reinterpret_cast<std::uint16_t*>(block + 4 + column * kColumnBytes);
}

void WriteHeader(std::uint8_t* block, std::uint16_t columns) noexcept {
    const std::uint16_t header[2] = {columns, static_cast<std::uint16_t>(OKM_LEVELS)};
    std::memcpy(block, header, sizeof header);
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
    const std::size_t stride = static_cast<std::size_t>(picture.width) * 3;
    for (int strip = first; strip < last; strip += kStrip) {
        const int end = strip + kStrip < last ? strip + kStrip : last;
        const int n = end - strip;
        std::uint16_t* r = Bins(blocks.red, strip);
        std::uint16_t* g = Bins(blocks.green, strip);
        std::uint16_t* b = Bins(blocks.blue, strip);
        std::uint16_t* y = Bins(blocks.luma, strip);
        const std::size_t bytes = static_cast<std::size_t>(n) * kColumnBytes;
        std::memset(r, 0, bytes);
        std::memset(g, 0, bytes);
        std::memset(b, 0, bytes);
        std::memset(y, 0, bytes);
        const std::uint8_t* row = picture.data + static_cast<std::size_t>(strip) * 3;
        for (int line = 0; line < picture.height; ++line, row += stride) {
            const std::uint8_t* p = row;
            for (int c = 0, at = 0; c < n; ++c, p += 3, at += OKM_LEVELS) {
                const unsigned bv = p[0];
                const unsigned gv = p[1];
                const unsigned rv = p[2];
                ++r[at + kLevel[rv]];
                ++g[at + kLevel[gv]];
                ++b[at + kLevel[bv]];
                const unsigned yv = static_cast<unsigned>(LumaOf(static_cast<int>(rv), static_cast<int>(gv), static_cast<int>(bv)));
                ++y[at + kLevel[yv]];
            }
        }
    }
}

void Convert(const OkmPicture& picture, const Blocks& blocks, int threads) {
    const int width = picture.width;
    if (threads < 2 || width < 2 * kStrip) {
        ConvertColumns(picture, blocks, 0, width);
        return;
    }
    // The split falls on a strip boundary so the halves share no bins.
    const int half = (width / 2 + kStrip - 1) / kStrip * kStrip;
    std::thread right([&] { ConvertColumns(picture, blocks, half, width); });
    ConvertColumns(picture, blocks, 0, half);
    right.join();
}

}  // namespace okumo
