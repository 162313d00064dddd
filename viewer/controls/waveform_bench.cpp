// The waveform render of one full data block (1280 columns, every bin set) on one core.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "viewer/core/WaveformRender.h"

namespace {

using namespace vistrel::controls;

void BM_RenderFullBlock(benchmark::State& state) {
    std::vector<std::uint8_t> block(kWaveBlockBytes);
    SetWaveColumnCount(block.data(), kWaveColumns);
    std::uint32_t seed = 12345;
    for (int c = 0; c < kWaveColumns; ++c) {
        for (int k = 0; k < kWaveLevels; ++k) {
            seed = seed * 1103515245u + 12345u;
            SetWaveBin(block.data(), c, k, static_cast<std::uint16_t>((seed >> 16) % 240));
        }
    }
    const WavePalette palette = MakeWavePalette(1);
    std::vector<std::uint32_t> pixels(kWaveImageWidth * kWaveImageHeight);
    for (auto _ : state) {
        RenderWaveform(block.data(), palette, pixels.data());
        benchmark::DoNotOptimize(pixels.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_RenderFullBlock)->Unit(benchmark::kMicrosecond);

// The least any render does: every pixel of the image written once. The
// render's cost over this is the reading and summing of the bins.
void BM_FillImageOnly(benchmark::State& state) {
    std::vector<std::uint32_t> pixels(kWaveImageWidth * kWaveImageHeight);
    std::uint32_t v = 0;
    for (auto _ : state) {
        std::fill(pixels.begin(), pixels.end(), ++v);
        benchmark::DoNotOptimize(pixels.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_FillImageOnly)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
