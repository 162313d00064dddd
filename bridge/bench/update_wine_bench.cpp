// Throughput of the firmware update under Wine: the bridge's code against the stand-in
// Merrowcom.dll, loaded as the bridge loads it. Same cases as update_bench.cpp, medians of a few
// runs; the ratios (window round trip / command round trip, update / copy there and back) are
// what carries over between machines.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "Tolvane.h"
#include "bench/BenchUtil.h"
#include "bridge/bench/UpdateImage.h"
#include "bridge/src/Connection.h"
#include "bridge/src/ShellChannel.h"
#include "bridge/src/Update.h"
#include "simulator/include/MrcSimClient.h"

namespace {

namespace shell = tolvane::shell;
using update_bench::kImageBytes;
using update_bench::kRoundTrips;
using update_bench::MakeImage;

void Report(const cwbench::Result& r, double bytes, double round_trips) {
    cwbench::Print(r);
    const double s = r.median_ns / 1e9;
    if (bytes > 0) std::printf("    %.1f MB/s", bytes / s / 1e6);
    std::printf("    %.2f us per round trip\n", r.median_ns / round_trips / 1e3);
}

}  // namespace

int main() {
    const mrcsim::Client& sim = mrcsim::Sim();
    if (sim.Reset == nullptr || sim.Reset(R"({"record": false})") != 0) {
        std::fprintf(stderr, "the simulator's Merrowcom.dll is not available\n");
        return 1;
    }
    KdrHandle dev = nullptr;
    if (Kdr_DevOpen(&dev, 0) != KDR_OK) {
        std::fprintf(stderr, "open failed\n");
        return 1;
    }
    tolvane::update::SetPreparingPause(std::chrono::milliseconds(0));
    const auto image = MakeImage();
    const auto path = (std::filesystem::temp_directory_path() / "tolvane_bench_image.bin").string();
    if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(image.data(), 1, image.size(), f);
        std::fclose(f);
    }

    bool ok = true;
    const auto command = cwbench::Measure("command round trip (shell reset)", [&] {
        ok &= tolvane::CommandCall(shell::kCmdShellReset, true) == 0;
    }, 200, 10, 20);
    const auto write = cwbench::Measure("WriteControllerFile 16 MiB", [&] {
        ok &= shell::WriteControllerFile("/dev/shm/bench.img", 1, image.data(), image.size(), nullptr) == 0;
    }, 3, 1, 1);
    std::vector<std::uint8_t> back;
    const auto read = cwbench::Measure("ReadControllerFile 16 MiB", [&] {
        ok &= shell::ReadControllerFile("/dev/shm/bench.img", 3, back, nullptr) == 0 && back.size() == image.size();
    }, 3, 1, 1);
    KdrUpdateProgress progress{};
    const auto update = cwbench::Measure("Kdr_DevUpdate 16 MiB (no preparing pauses)", [&] {
        ok &= Kdr_DevUpdate(&dev, path.c_str(), &progress, nullptr) == KDR_OK && progress.retry_count == 0;
    }, 3, 1, 0);
    std::filesystem::remove(path);
    Kdr_DevClose(&dev);
    if (!ok) {
        std::fprintf(stderr, "a measured operation failed\n");
        return 1;
    }

    Report(command, 0, 1);
    Report(write, kImageBytes, kRoundTrips);
    Report(read, kImageBytes, kRoundTrips);
    Report(update, kImageBytes, 2 * kRoundTrips);
    std::printf("%-48s %8.2fx\n", "window round trip (write) / command round trip",
                write.median_ns / kRoundTrips / command.median_ns);
    std::printf("%-48s %8.2fx\n", "update / (write + read)", update.median_ns / (write.median_ns + read.median_ns));
    return 0;
}
