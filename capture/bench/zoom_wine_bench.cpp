// Cpw_ZoomVideo on the client thread under Wine, against a bare copy of a
// PropertySet in the same run, and a burst of 10,000 zooms against the
// worker: how many bridge calls it costs. Real bridge, simulated controller.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "capture/tests/wine/CapwellHarness.h"
#include "capture/core/PropertySet.h"
#include "bench/BenchUtil.h"

using namespace cwtest;

int main() {
    SimApi sim;
    CapwellApi cpw;
    if (!sim.Load() || !cpw.Load()) {
        std::printf("cannot load Merrowcom.dll or Capwell.dll\n");
        return 1;
    }
    sim.Reset(
        "{\"firmware\": {\"version\": 285213184}, \"watchdog\": {\"err_count\": 5}, "
        "\"output\": {\"width\": 1920, \"height\": 1080}}");
    CpwInitParams p{};
    const wchar_t name[] = L"CapwellBench";
    std::memcpy(p.name, name, sizeof name);
    p.interval = 16;
    p.audio_delay = 20;
    p.wdt_interval = 2000;
    p.wdt_err_count = 5;
    if (cpw.Cpw_Initialize(&p) != CPW_OK) {
        std::printf("Cpw_Initialize failed\n");
        return 1;
    }
    Sleep(300);

    int32_t i = 0;
    const auto zoom = cwbench::Measure("Cpw_ZoomVideo", [&] {
        CpwZoomRect z{i % 3000, i % 1000, 640, 360};
        ++i;
        cpw.Cpw_ZoomVideo(&z);
    }, 200, 100);
    Capwell::Lib::PropertySet a = Capwell::Lib::FreshPropertySet(), b{};
    const auto copy = cwbench::Measure("memcpy(PropertySet)", [&] {
        std::memcpy(&b, &a, sizeof b);
        a.position.x += b.position.y & 1;
    }, 200, 100);
    cwbench::Print(zoom);
    cwbench::Print(copy);
    cwbench::PrintRatio("queued zoom / PropertySet copy", zoom, copy);

    // A burst of 10,000 zooms: bridge calls per worker period.
    Sleep(100);
    sim.WaitIdle(2000);
    sim.RecordClear();
    LARGE_INTEGER f, t0, t1;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&t0);
    for (int32_t k = 0; k < 10000; ++k) {
        CpwZoomRect z{k % 3000, k % 1000, 640, 360};
        cpw.Cpw_ZoomVideo(&z);
    }
    QueryPerformanceCounter(&t1);
    Sleep(200);
    sim.WaitIdle(2000);
    const double burst_ms = 1000.0 * static_cast<double>(t1.QuadPart - t0.QuadPart) / static_cast<double>(f.QuadPart);
    uint32_t draws = 0;
    const uint32_t n = sim.RecordCount();
    for (uint32_t r = 0; r < n; ++r) {
        MrcSimRecord rec{};
        sim.RecordGet(r, &rec);
        draws += rec.kind == 1 && rec.channel == 16;
    }
    std::printf("burst of 10000 Cpw_ZoomVideo: %.3f ms on the client thread (%.1f ns a call); "
                "%u draw requests reached the controller (one per pass that sent)\n",
                burst_ms, burst_ms * 1e6 / 10000.0, draws);
    cpw.Cpw_Finalize();
    cpw.Unload();
    return 0;
}
