// The waveform display's data block, palette and render. The render writes the
// 640 x 161 image straight into a 32-bit bottom-up pixel buffer (the DIB's own
// memory on Windows), one palette entry per pixel.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace vistrel::controls {

inline constexpr int kWaveColumns = 1280;  // picture columns the block can carry
inline constexpr int kWaveLevels = 119;
inline constexpr std::size_t kWaveBinsOffset = 4;
inline constexpr std::size_t kWaveBlockBytes = kWaveBinsOffset + 2u * kWaveColumns * kWaveLevels;  // 304,644
inline constexpr int kWaveImageWidth = 640;
inline constexpr int kWaveImageHeight = 161;
inline constexpr int kGraticuleWidth = 690;
inline constexpr int kGraticuleLeft = 50;  // the waveform image's place in the graticule
inline constexpr int kWaveFirstRow = 32;   // image row (from the bottom) of level 0

// Ten COLORREF values (0x00BBGGRR): entry 0 the background (and transparent
// key), 1 to 9 a ramp up to the kind's colour (0 red, 1 green, 2 blue, else white).
using WavePalette = std::array<std::uint32_t, 10>;
WavePalette MakeWavePalette(int kind) noexcept;

// Renders `block` (kWaveBlockBytes) into `pixels` (640 x 161 DIB pixels,
// 0x00RRGGBB, bottom row first).
void RenderWaveform(const std::uint8_t* block, const WavePalette& palette, std::uint32_t* pixels) noexcept;

// Block access for owners and tests.
inline void SetWaveColumnCount(std::uint8_t* block, std::uint16_t n) noexcept {
    block[0] = static_cast<std::uint8_t>(n & 0xFF);
    block[1] = static_cast<std::uint8_t>(n >> 8);
}
inline void SetWaveBin(std::uint8_t* block, int column, int level, std::uint16_t v) noexcept {
    std::uint8_t* p = block + kWaveBinsOffset + 238u * static_cast<unsigned>(column) + 2u * static_cast<unsigned>(level);
    p[0] = static_cast<std::uint8_t>(v & 0xFF);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

// A COLORREF as a 32-bit DIB pixel.
inline constexpr std::uint32_t DibPixel(std::uint32_t colorref) noexcept {
    return ((colorref & 0xFF) << 16) | (colorref & 0xFF00) | ((colorref >> 16) & 0xFF);
}

}  // namespace vistrel::controls
