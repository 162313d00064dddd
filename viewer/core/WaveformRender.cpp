#include "viewer/core/WaveformRender.h"

#include <algorithm>

namespace vistrel::controls {

WavePalette MakeWavePalette(int kind) noexcept {
    std::uint32_t base = 0xFFFFFF;
    switch (kind) {
        case 0: base = 0x0000FF; break;
        case 1: base = 0x00FF00; break;
        case 2: base = 0xFF0000; break;
        default: break;
    }
    WavePalette p{};
    p[0] = 0x030303;
    for (int n = 1; n <= 9; ++n) {
        std::uint32_t colour = 0;
        for (int shift = 0; shift <= 16; shift += 8) {
            const int component = static_cast<int>((base >> shift) & 0xFF);
            const int value = 3 + n * (component - 3) / 9;  // C++ division truncates toward zero
            colour |= static_cast<std::uint32_t>(value) << shift;
        }
        p[static_cast<std::size_t>(n)] = colour;
    }
    return p;
}

void RenderWaveform(const std::uint8_t* block, const WavePalette& palette, std::uint32_t* pixels) noexcept {
    std::uint32_t dib[10];
    for (std::size_t i = 0; i < 10; ++i) dib[i] = DibPixel(palette[i]);
    std::fill(pixels, pixels + kWaveImageWidth * kWaveImageHeight, dib[0]);

    const int n_columns = block[0] | (block[1] << 8);
    const int offset = (kWaveImageWidth - n_columns / 2) / 2;
    // Only output columns that land inside the image are read.
    const int first = std::max(0, -offset);
    const int last = std::min(kWaveImageWidth, kWaveImageWidth - offset);
    const std::uint8_t* bins = block + kWaveBinsOffset;
    for (int n = first; n < last; ++n) {
        const std::uint8_t* a = bins + 238 * (2 * n);
        const std::uint8_t* b = a + 238;
        std::uint32_t* out = pixels + kWaveFirstRow * kWaveImageWidth + (offset + n);
        for (int k = 0; k < kWaveLevels; ++k) {
            const unsigned sum = static_cast<unsigned>(a[2 * k] | (a[2 * k + 1] << 8)) +
                                 static_cast<unsigned>(b[2 * k] | (b[2 * k + 1] << 8));
            const unsigned value = std::min(sum / 20u, 9u);
            out[k * kWaveImageWidth] = dib[value];
        }
    }
}

}  // namespace vistrel::controls
