// The examination of a 3840 x 2160 screen copy against one streaming read of
// the same buffer, in one run: the read is the floor any examination pays, the
// ratio is the figure that carries across machines. Also: the strips on one
// thread, threads started for every scan instead of the kept pool, and the
// plain byte-by-byte comparison.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "viewer/core/OverlapScan.h"

namespace ov = Pelmora::Lib::Overlap;

namespace {

constexpr int kWidth = 3840;
constexpr int kHeight = 2160;
constexpr int kStride = kWidth * 3;  // already a multiple of 4
constexpr std::uint32_t kKey = 0x000300;

// One buffer for every benchmark, laid out bottom-up like the screen copy.
struct Buffer {
    std::vector<std::uint8_t> bits;
    Buffer() : bits(static_cast<std::size_t>(kStride) * kHeight) {
        for (std::size_t i = 0; i < bits.size(); i += 3) {
            bits[i] = 0x00;
            bits[i + 1] = 0x03;
            bits[i + 2] = 0x00;
        }
    }
    ov::ScreenCopy View() const {
        return ov::ScreenCopy{bits.data() + static_cast<std::size_t>(kStride) * (kHeight - 1), -kStride, kWidth,
                              kHeight};
    }
    // A window of another colour over part of the picture, or the key colour back.
    void Paint(int left, int top, int right, int bottom, bool cover) {
        for (int y = top; y < bottom; ++y) {
            std::uint8_t* p = bits.data() + static_cast<std::size_t>(kHeight - 1 - y) * kStride + 3 * left;
            for (int x = left; x < right; ++x, p += 3) {
                p[0] = cover ? 0xF0 : 0x00;
                p[1] = cover ? 0xF0 : 0x03;
                p[2] = cover ? 0xF0 : 0x00;
            }
        }
    }
};

Buffer g_buffer;
const Buffer& Clean() { return g_buffer; }

const ov::ScanParams kParams{{}, kKey, ov::SideMarginForDpi(96)};

void SetBytes(benchmark::State& state) {
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kStride * kHeight);
}

void BM_StreamingRead(benchmark::State& state) {
    const Buffer& b = Clean();
    const auto* words = reinterpret_cast<const std::uint64_t*>(b.bits.data());
    const std::size_t n = b.bits.size() / sizeof(std::uint64_t);
    for (auto _ : state) {
        std::uint64_t acc0 = 0, acc1 = 0, acc2 = 0, acc3 = 0;
        for (std::size_t i = 0; i + 4 <= n; i += 4) {
            acc0 |= words[i];
            acc1 |= words[i + 1];
            acc2 |= words[i + 2];
            acc3 |= words[i + 3];
        }
        benchmark::DoNotOptimize(acc0 | acc1 | acc2 | acc3);
    }
    SetBytes(state);
}

void BM_Examine_Pool(benchmark::State& state) {
    ov::StripPool pool(ov::StripPool::DefaultHelpers());
    const ov::ScreenCopy copy = Clean().View();
    for (auto _ : state) benchmark::DoNotOptimize(ov::Examine(copy, kParams, &pool));
    SetBytes(state);
    state.counters["helpers"] = pool.Helpers();
}

void BM_Examine_ThreadsPerScan(benchmark::State& state) {
    const ov::ScreenCopy copy = Clean().View();
    for (auto _ : state) {
        ov::StripPool pool(ov::StripPool::DefaultHelpers());  // the same threads, started every time
        benchmark::DoNotOptimize(ov::Examine(copy, kParams, &pool));
    }
    SetBytes(state);
}

void BM_Examine_OneThread(benchmark::State& state) {
    const ov::ScreenCopy copy = Clean().View();
    for (auto _ : state) benchmark::DoNotOptimize(ov::Examine(copy, kParams, nullptr));
    SetBytes(state);
}

void BM_Examine_Covered(benchmark::State& state) {
    // The same buffer, so both run from the same cache state.
    g_buffer.Paint(1200, 700, 2600, 1500, true);
    ov::StripPool pool(ov::StripPool::DefaultHelpers());
    const ov::ScreenCopy copy = g_buffer.View();
    for (auto _ : state) benchmark::DoNotOptimize(ov::Examine(copy, kParams, &pool));
    g_buffer.Paint(1200, 700, 2600, 1500, false);
    SetBytes(state);
}

// The plain loop: every pixel's three bytes compared one by one, one thread.
void BM_ByteByByte(benchmark::State& state) {
    const ov::ScreenCopy copy = Clean().View();
    for (auto _ : state) {
        int min_x = -1, max_x = -1;
        for (int y = 0; y < copy.height; ++y) {
            const std::uint8_t* row = copy.top_row + static_cast<std::ptrdiff_t>(y) * copy.stride;
            for (int x = kParams.side_margin; x < copy.width - kParams.side_margin; ++x) {
                const std::uint8_t* p = row + 3 * x;
                if (p[0] != 0x00 || p[1] != 0x03 || p[2] != 0x00) {
                    if (min_x < 0) min_x = x;
                    max_x = x;
                }
            }
        }
        benchmark::DoNotOptimize(min_x + max_x);
    }
    SetBytes(state);
}

BENCHMARK(BM_StreamingRead)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(7);
BENCHMARK(BM_Examine_Pool)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(7);
BENCHMARK(BM_Examine_ThreadsPerScan)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(7);
BENCHMARK(BM_Examine_OneThread)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(7);
BENCHMARK(BM_Examine_Covered)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(7);
BENCHMARK(BM_ByteByByte)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(3);

// Keeps the medians so the ratios of this run can be printed at the end.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs) {
            if (r.run_type == Run::RT_Aggregate && r.aggregate_name == "median")
                medians_[r.run_name.function_name] = r.GetAdjustedRealTime();
        }
        ConsoleReporter::ReportRuns(runs);
    }
    void PrintRatios() const {
        const double read = Get("BM_StreamingRead");
        if (read <= 0) return;
        const double bytes = static_cast<double>(kStride) * kHeight;
        std::printf("\nStreaming read of %.1f MB: %.3f ms, %.2f GB/s (median)\n", bytes / 1e6, read,
                    bytes / (read * 1e-3) / 1e9);
        for (const char* name : {"BM_Examine_Pool", "BM_Examine_ThreadsPerScan", "BM_Examine_OneThread",
                                 "BM_Examine_Covered", "BM_ByteByByte"}) {
            const double t = Get(name);
            if (t > 0) std::printf("%-28s %8.3f ms  %5.2fx the read\n", name, t, t / read);
        }
    }

private:
    double Get(const std::string& name) const {
        const auto it = medians_.find(name);
        return it == medians_.end() ? 0.0 : it->second;
    }
    std::map<std::string, double> medians_;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios();
    benchmark::Shutdown();
    return 0;
}
