// Under Wine on Xvfb: the detector's screen copy (bitmap and BitBlt), the
// examination of that copy, and what one tick costs the user-interface thread
// (which only starts the worker; the copy and the examination run there).
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

#include "bench/BenchUtil.h"
#include "viewer/app/VideoInputDetector.h"
#include "winkit/Handle.h"

namespace ov = Pelmora::Lib::Overlap;

namespace {

constexpr COLORREF kKey = 0x000300;

winkit::UniqueWindow KeyWindow(const RECT& r, HBRUSH brush) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"DetectorBenchKey";
    wc.hbrBackground = brush;
    RegisterClassW(&wc);
    winkit::UniqueWindow w(CreateWindowExW(WS_EX_TOPMOST, wc.lpszClassName, L"", WS_POPUP, r.left, r.top,
                                           r.right - r.left, r.bottom - r.top, nullptr, nullptr, wc.hInstance,
                                           nullptr));
    ShowWindow(w.Get(), SW_SHOWNOACTIVATE);
    UpdateWindow(w.Get());
    for (int i = 0; i < 30; ++i) {
        MSG m;
        while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&m);
        Sleep(5);
    }
    return w;
}

void WaitIdle(ov::COverlapDetector& e) {
    while (e.Busy()) std::this_thread::sleep_for(std::chrono::microseconds(200));
}

}  // namespace

int main() {
    const winkit::Brush brush(CreateSolidBrush(kKey));
    const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    const RECT screen{0, 0, sw, sh};
    const winkit::UniqueWindow key = KeyWindow(screen, brush.Get());
    std::printf("screen %d x %d\n", sw, sh);

    for (const RECT area : {RECT{0, 0, 1280, 720}, RECT{0, 0, std::min(sw, 1920), std::min(sh, 1080)}}) {
        char name[96];
        ov::ScreenImage image;
        std::snprintf(name, sizeof name, "screen copy %ldx%ld (bitmap + BitBlt)", area.right, area.bottom);
        const cwbench::Result copy = cwbench::Measure(name, [&] { (void)image.CopyFromScreen(area); }, 40, 1, 3);
        cwbench::Print(copy);

        ov::StripPool pool(ov::StripPool::DefaultHelpers());
        if (!image.CopyFromScreen(area)) {
            std::printf("copy failed\n");
            return 1;
        }
        const ov::ScanParams params{{}, kKey, ov::SideMarginForDpi(96)};
        int covered = 0;
        std::snprintf(name, sizeof name, "examination %ldx%ld", area.right, area.bottom);
        const cwbench::Result scan = cwbench::Measure(
            name, [&] { covered += ov::Examine(image.View(), params, &pool).covered; }, 40, 1, 3);
        cwbench::Print(scan);
        cwbench::PrintRatio("  examination / copy", scan, copy);
        if (covered != 0) std::printf("  (unexpected: the key window was seen as covered)\n");
    }

    // The tick as the timer runs it; the wait for the worker is outside the time.
    auto& detector = ov::VideoInputDetector::Get();
    detector.SetArea(vistrel::Rect{0, 0, std::min(sw, 1920), std::min(sh, 1080)}, vistrel::Rect{}, kKey);
    std::vector<double> tick_us, whole_us;
    for (int i = 0; i < 60; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        detector.OnTick();
        const auto t1 = std::chrono::steady_clock::now();
        WaitIdle(detector.Examiner());
        const auto t2 = std::chrono::steady_clock::now();
        if (i < 5) continue;  // warm-up
        tick_us.push_back(std::chrono::duration<double, std::micro>(t1 - t0).count());
        whole_us.push_back(std::chrono::duration<double, std::micro>(t2 - t0).count());
    }
    std::sort(tick_us.begin(), tick_us.end());
    std::sort(whole_us.begin(), whole_us.end());
    std::printf("tick on the UI thread: median %.1f us, max %.1f us (%zu ticks)\n", tick_us[tick_us.size() / 2],
                tick_us.back(), tick_us.size());
    std::printf("worker, copy + examination: median %.1f us\n", whole_us[whole_us.size() / 2]);
    std::printf("started %llu examinations\n", static_cast<unsigned long long>(detector.Examiner().Started()));
    ov::VideoInputDetector::Release();
    return 0;
}
