// Cost of handing a 1280 x 720 x 3 movie frame to the client through the pool,
// against a floor with the same memory traffic in the same run: a copy of the
// frame into the next of three buffers in rotation, as the pool's fills go
// (nothing held, so each fill takes the buffer completed longest ago). A copy
// between two buffers that stay in cache is shown too; it is no floor.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "capture/video/FramePool.h"

using Capwell::Lib::FramePool;

namespace {
constexpr uint32_t kBytes = CPW_CAPTURE_FRAME_BYTES;

void BM_Memcpy(benchmark::State& state) {
    std::vector<uint8_t> src(kBytes, 1), dst(kBytes);
    for (auto _ : state) {
        std::memcpy(dst.data(), src.data(), kBytes);
        benchmark::DoNotOptimize(dst.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kBytes);
}
BENCHMARK(BM_Memcpy);

void BM_CopyIntoRotation(benchmark::State& state) {
    std::vector<uint8_t> src(kBytes, 1), slots(static_cast<size_t>(FramePool::kFrames) * kBytes);
    int next = 0;
    for (auto _ : state) {
        std::memcpy(slots.data() + static_cast<size_t>(next) * kBytes, src.data(), kBytes);
        next = (next + 1) % FramePool::kFrames;
        benchmark::DoNotOptimize(slots.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kBytes);
}
BENCHMARK(BM_CopyIntoRotation);

// One frame in, taken and released by the client: the library's whole share.
void BM_PoolFillTakeRelease(benchmark::State& state) {
    FramePool pool;
    std::vector<uint8_t> src(kBytes, 1);
    KdrMovieFrame f{};
    f.size = KdrXY{1280, 720};
    f.format = 1;
    f.data.buffer = src.data();
    f.data.size = kBytes;
    for (auto _ : state) {
        ++f.frame_id;
        pool.Fill(f);
        benchmark::DoNotOptimize(pool.Take());
        pool.Release();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kBytes);
}
BENCHMARK(BM_PoolFillTakeRelease);
}  // namespace

BENCHMARK_MAIN();
