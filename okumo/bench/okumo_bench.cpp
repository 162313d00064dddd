// The waveform conversion of a 1280 x 720 frame (four blocks), against one
// plain pass that reads every byte of the same frame.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <numeric>
#include <vector>

#include "okumo/WaveForm.h"

namespace {

struct Frame {
    std::vector<std::uint8_t> bgr = std::vector<std::uint8_t>(1280u * 720u * 3u);
    std::vector<std::uint8_t> r = std::vector<std::uint8_t>(OKM_BLOCK_BYTES);
    std::vector<std::uint8_t> g = r, b = r, y = r;
    // Noise, or (bars) eight 75 % colour bars: each column one value per
    // channel, the counting's hardest case for a counter hit row after row.
    explicit Frame(bool bars) {
        std::uint32_t s = 12345;
        for (std::size_t i = 0; i < bgr.size(); ++i) {
            s = s * 1664525u + 1013904223u;
            const std::size_t bar = i / 3 % 1280 / 160, channel = i % 3;
            bgr[i] = static_cast<std::uint8_t>(bars ? (((7 - bar) >> (2 - channel)) & 1) * 191 : s >> 24);
        }
    }
    OkmPicture Picture() const { return OkmPicture{OKM_PIXEL_BGR24, 1280, 720, bgr.data()}; }
    okumo::Blocks Blocks() { return okumo::Blocks{r.data(), g.data(), b.data(), y.data()}; }
};

void BM_PlainPass(benchmark::State& state) {
    Frame f(false);
    for (auto _ : state) {
        std::uint64_t sum = std::accumulate(f.bgr.begin(), f.bgr.end(), std::uint64_t{0});
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(BM_PlainPass)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_WaveForm(benchmark::State& state) {
    Frame f(state.range(1) != 0);
    const OkmPicture pic = f.Picture();
    const okumo::Blocks blocks = f.Blocks();
    const int threads = static_cast<int>(state.range(0));
    for (auto _ : state) {
        okumo::Convert(pic, blocks, threads);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_WaveForm)->ArgNames({"threads", "bars"})->ArgsProduct({{1, 2}, {0, 1}})->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
