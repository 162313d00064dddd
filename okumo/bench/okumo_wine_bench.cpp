// Under Wine: the conversion as the viewer runs it (Okumo.dll's export, two
// threads), the counting on one thread, and a plain pass over the same
// 1280 x 720 frame, with the process's CPU time per call beside the wall time.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <numeric>
#include <vector>

#include "bench/BenchUtil.h"
#include "okumo/Okumo.h"
#include "okumo/WaveForm.h"

namespace {

double ProcessCpuNs() {
    FILETIME create, exit, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &create, &exit, &kernel, &user);
    const auto ticks = [](const FILETIME& f) {
        return static_cast<double>((static_cast<std::uint64_t>(f.dwHighDateTime) << 32) | f.dwLowDateTime);
    };
    return (ticks(kernel) + ticks(user)) * 100.0;
}

// The wall-time median and the mean process CPU time of one call.
void Run(const char* name, const std::function<void()>& body, cwbench::Result& out) {
    const double cpu0 = ProcessCpuNs();
    out = cwbench::Measure(name, body, 100, 1, 10);
    const double cpu = (ProcessCpuNs() - cpu0) / 110.0;
    cwbench::Print(out);
    std::printf("%-48s cpu    %12.1f ns per call (process, all threads)\n", name, cpu);
}

}  // namespace

int main() {
    std::vector<std::uint8_t> bgr(1280u * 720u * 3u);
    std::uint32_t s = 12345;
    for (auto& v : bgr) {
        s = s * 1664525u + 1013904223u;
        v = static_cast<std::uint8_t>(s >> 24);
    }
    std::vector<std::uint8_t> r(OKM_BLOCK_BYTES), g = r, b = r, y = r;
    const OkmPicture pic{OKM_PIXEL_BGR24, 1280, 720, bgr.data()};
    const okumo::Blocks blocks{r.data(), g.data(), b.data(), y.data()};

    cwbench::Result plain, one, two, dll;
    Run("plain pass over the frame", [&] {
        volatile std::uint64_t sum = std::accumulate(bgr.begin(), bgr.end(), std::uint64_t{0});
        (void)sum;
    }, plain);
    Run("conversion, one thread", [&] { okumo::Convert(pic, blocks, 1); }, one);
    Run("conversion, two threads", [&] { okumo::Convert(pic, blocks, 2); }, two);
    Run("Okm_ConvertToWaveFormData (Okumo.dll)", [&] {
        (void)Okm_ConvertToWaveFormData(&pic, r.data(), g.data(), b.data(), y.data());
    }, dll);
    cwbench::PrintRatio("one thread against the plain pass", one, plain);
    cwbench::PrintRatio("two threads against the plain pass", two, plain);
    cwbench::PrintRatio("the export against the plain pass", dll, plain);
    return 0;
}
