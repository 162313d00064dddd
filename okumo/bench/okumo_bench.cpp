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
    Frame() {
        std::uint32_t s = 12345;
        for (auto& v : bgr) {
            s = s * 1664525u + 1013904223u;
            v = static_cast<std::uint8_t>(s >> 24);
        }
    }
    OkmPicture Picture() const { return OkmPicture{OKM_PIXEL_BGR24, 1280, 720, bgr.data()}; }
    okumo::Blocks Blocks() { return okumo::Blocks{r.data(), g.data(), b.data(), y.data()}; }
};

void BM_PlainPass(benchmark::State& state) {
    Frame f;
    for (auto _ : state) {
        std::uint64_t sum = std::accumulate(f.bgr.begin(), f.bgr.end(), std::uint64_t{0});
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(BM_PlainPass)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_WaveForm(benchmark::State& state) {
    Frame f;
    const OkmPicture pic = f.Picture();
    const okumo::Blocks blocks = f.Blocks();
    const int threads = static_cast<int>(state.range(0));
    for (auto _ : state) {
        okumo::Convert(pic, blocks, threads);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_WaveForm)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
