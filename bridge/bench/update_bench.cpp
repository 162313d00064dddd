// Throughput of the firmware update through the simulated controller (native, Google Benchmark).
//
// In one run:
//   - BM_Command: one request/reply command (the shell reset), the floor of any exchange;
//   - BM_WriteFile / BM_ReadFile: a 16 MiB file to and from the controller's store through a
//     transfer window, 13,108 chunk round trips each (writer fills the data area and raises
//     the flag, the controller empties it and lowers the flag);
//   - BM_Update16MiB: Kdr_DevUpdate of a 16 MiB image, the preparing phase's pauses left out
//     (they are a fixed second): copy over, tool write, tool read, copy back, compare, swap.
// Counters: bytes/s of the file or image, and the time per chunk round trip ("per_round_trip",
// seconds, wall clock: the controller works on its own threads), so the ratio of a window round trip to a plain command comes out of one run.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "Tolvane.h"
#include "bridge/bench/UpdateImage.h"
#include "bridge/src/Connection.h"
#include "bridge/src/PlatformNative.h"
#include "bridge/src/ShellChannel.h"
#include "bridge/src/Update.h"
#include "contract/Merrowcom.h"
#include "simulator/include/MerrowcomSim.h"

extern "C" {
merrowcom::DeviceUtil* CreateDeviceUtilInstance();
merrowcom::GenericFunc* CreateGenericfuncInstance();
merrowcom::SystemCtrl* CreateSystemCtrlInstance();
}

namespace {

namespace shell = tolvane::shell;
using update_bench::kImageBytes;
using update_bench::kRoundTrips;
using update_bench::MakeImage;

// One open connection to a controller that keeps no record, for the whole program.
class Session {
public:
    Session() {
        tolvane::platform::SetNativeFactories(
            {&CreateDeviceUtilInstance, &CreateGenericfuncInstance, &CreateSystemCtrlInstance});
        MrcSim_Reset(R"({"record": false})");
        ok = Kdr_DevOpen(&dev, 0) == KDR_OK;
        tolvane::update::SetPreparingPause(std::chrono::milliseconds(0));
    }
    ~Session() {
        if (ok) Kdr_DevClose(&dev);
    }
    KdrHandle dev = nullptr;
    bool ok = false;
};

Session& S() {
    static Session s;
    return s;
}

const std::vector<std::uint8_t>& Image() {
    static const std::vector<std::uint8_t> image = MakeImage();
    return image;
}

void BM_Command(benchmark::State& state) {
    if (!S().ok) return state.SkipWithError("open failed");
    for (auto _ : state) {
        if (tolvane::CommandCall(shell::kCmdShellReset, true) != 0) return state.SkipWithError("command failed");
    }
    state.counters["per_round_trip"] = benchmark::Counter(1, benchmark::Counter::kIsIterationInvariantRate |
                                                              benchmark::Counter::kInvert);
}

void BM_WriteFile(benchmark::State& state) {
    if (!S().ok) return state.SkipWithError("open failed");
    const auto& image = Image();
    for (auto _ : state) {
        if (shell::WriteControllerFile("/dev/shm/bench.img", 1, image.data(), image.size(), nullptr) != 0) {
            return state.SkipWithError("write failed");
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * image.size()));
    state.counters["per_round_trip"] =
        benchmark::Counter(kRoundTrips, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_ReadFile(benchmark::State& state) {
    if (!S().ok) return state.SkipWithError("open failed");
    const auto& image = Image();
    if (shell::WriteControllerFile("/dev/shm/bench.img", 1, image.data(), image.size(), nullptr) != 0) {
        return state.SkipWithError("write failed");
    }
    std::vector<std::uint8_t> back;
    for (auto _ : state) {
        if (shell::ReadControllerFile("/dev/shm/bench.img", 3, back, nullptr) != 0 || back.size() != image.size()) {
            return state.SkipWithError("read failed");
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * image.size()));
    state.counters["per_round_trip"] =
        benchmark::Counter(kRoundTrips, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_Update16MiB(benchmark::State& state) {
    if (!S().ok) return state.SkipWithError("open failed");
    const auto path = (std::filesystem::temp_directory_path() / "tolvane_bench_image.bin").string();
    {
        std::FILE* f = std::fopen(path.c_str(), "wb");
        if (f == nullptr) return state.SkipWithError("cannot write the image file");
        std::fwrite(Image().data(), 1, Image().size(), f);
        std::fclose(f);
    }
    KdrUpdateProgress progress{};
    for (auto _ : state) {
        if (Kdr_DevUpdate(&S().dev, path.c_str(), &progress, nullptr) != KDR_OK || progress.retry_count != 0) {
            return state.SkipWithError("update failed");
        }
    }
    std::filesystem::remove(path);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kImageBytes));
    // Image chunks both ways; the shell lines' small files and commands are in the time too.
    state.counters["per_round_trip"] = benchmark::Counter(
        2 * kRoundTrips, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

}  // namespace

BENCHMARK(BM_Command)->Unit(benchmark::kMicrosecond)->Iterations(2000)->UseRealTime();
BENCHMARK(BM_WriteFile)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_ReadFile)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_Update16MiB)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();
BENCHMARK_MAIN();
