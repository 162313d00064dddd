// The waveform render and palette.
#include <gtest/gtest.h>

#include <vector>

#include "viewer/core/WaveformRender.h"

namespace vistrel::controls {
namespace {

struct Rendered {
    std::vector<std::uint8_t> block = std::vector<std::uint8_t>(kWaveBlockBytes, 0);
    std::vector<std::uint32_t> pixels = std::vector<std::uint32_t>(kWaveImageWidth * kWaveImageHeight, 0xDEADBEEF);
    void Render(int kind = 3) { RenderWaveform(block.data(), MakeWavePalette(kind), pixels.data()); }
    // Pixel at screen row y (top-down) and column x.
    std::uint32_t At(int x, int y) const { return pixels[(kWaveImageHeight - 1 - y) * kWaveImageWidth + x]; }
};

constexpr std::uint32_t kBack = 0x030303;

TEST(WaveformRender, BlockSizeAndPalette) {
    EXPECT_EQ(kWaveBlockBytes, 304644u);
    const WavePalette white = MakeWavePalette(3);
    EXPECT_EQ(white[0], 0x030303u);
    EXPECT_EQ(white[1], 0x1F1F1Fu);
    EXPECT_EQ(white[9], 0xFFFFFFu);
    const WavePalette red = MakeWavePalette(0);
    EXPECT_EQ(red[9], 0x0000FFu);
    EXPECT_EQ(red[6], 0x0101ABu);
    EXPECT_EQ(red[1], 0x03031Fu);  // the zero components start at 3 and fade to 0
    EXPECT_EQ(MakeWavePalette(2)[9], 0xFF0000u);
    EXPECT_EQ(MakeWavePalette(-7), white);
}

TEST(WaveformRender, FullWidthDrawsColumnNAtXN) {
    Rendered r;
    SetWaveColumnCount(r.block.data(), 1280);
    SetWaveBin(r.block.data(), 2 * 5, 0, 100);
    SetWaveBin(r.block.data(), 2 * 5 + 1, 0, 99);     // 199 -> entry 9
    SetWaveBin(r.block.data(), 2 * 639, 118, 10);
    SetWaveBin(r.block.data(), 2 * 639 + 1, 118, 9);  // 19 -> entry 0
    SetWaveBin(r.block.data(), 2 * 7, 50, 60);        // 60 -> entry 3
    r.Render(1);
    const WavePalette green = MakeWavePalette(1);
    EXPECT_EQ(r.At(5, 128), DibPixel(green[9]));
    EXPECT_EQ(r.At(4, 128), kBack);
    EXPECT_EQ(r.At(639, 128 - 118), kBack);
    EXPECT_EQ(r.At(7, 128 - 50), DibPixel(green[3]));
    EXPECT_EQ(r.At(5, 0), kBack);
    EXPECT_EQ(r.At(5, 160), kBack);
}

TEST(WaveformRender, HalfWidthIsCentredAndColumnsPastTheImageAreSkipped) {
    Rendered r;
    SetWaveColumnCount(r.block.data(), 640);
    SetWaveBin(r.block.data(), 0, 0, 199);      // output column 0
    SetWaveBin(r.block.data(), 2 * 479, 0, 199);  // output column 479: x = 639
    SetWaveBin(r.block.data(), 2 * 480, 0, 199);  // output column 480 would be x = 640
    r.Render();
    EXPECT_EQ(r.At(160, 128), 0xFFFFFFu);
    EXPECT_EQ(r.At(159, 128), kBack);
    EXPECT_EQ(r.At(639, 128), 0xFFFFFFu);
    // Nothing wrapped round to the next row's start.
    EXPECT_EQ(r.At(0, 127), kBack);
}

TEST(WaveformRender, ColumnCountBeyondTheBlockStaysInside) {
    Rendered r;
    SetWaveColumnCount(r.block.data(), 0xFFFF);
    SetWaveBin(r.block.data(), 1279, 118, 500);
    r.Render();  // ASan would catch a read past the block
    for (std::uint32_t p : r.pixels) ASSERT_EQ(p, kBack);
}

}  // namespace
}  // namespace vistrel::controls
