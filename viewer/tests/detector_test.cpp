// The detector on a real screen: windows painted on Xvfb, copied with BitBlt
// and examined; the tick, the transition check and the release.
#include "viewer/app/VideoInputDetector.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <thread>
#include <vector>

#include "CwProcess.h"
#include "winkit/Handle.h"

namespace ov = Pelmora::Lib::Overlap;
using vistrel::Rect;

namespace {

constexpr COLORREF kKey = 0x000300;
const RECT kPicture{100, 100, 1300, 800};  // 1200 x 700, in screen coordinates

void Pump(int ms) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    do {
        MSG m;
        while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&m);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    } while (std::chrono::steady_clock::now() < until);
}

// A top-most pop-up filled with one colour.
class Painted {
public:
    Painted(const RECT& r, COLORREF colour) : brush_(CreateSolidBrush(colour)) {
        WNDCLASSW wc{};
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"DetectorTestPainted";
        RegisterClassW(&wc);  // fails harmlessly when already registered
        window_.Reset(CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, wc.lpszClassName, L"", WS_POPUP, r.left,
                                      r.top, r.right - r.left, r.bottom - r.top, nullptr, nullptr, wc.hInstance,
                                      nullptr));
        SetClassLongPtrW(window_.Get(), GCLP_HBRBACKGROUND, reinterpret_cast<LONG_PTR>(brush_.Get()));
        ShowWindow(window_.Get(), SW_SHOWNOACTIVATE);
        UpdateWindow(window_.Get());
        Pump(150);
    }
    void MoveTo(const RECT& r) {
        SetWindowPos(window_.Get(), HWND_TOPMOST, r.left, r.top, r.right - r.left, r.bottom - r.top,
                     SWP_NOACTIVATE);
        UpdateWindow(window_.Get());
        Pump(150);
    }

private:
    winkit::Brush brush_;
    winkit::UniqueWindow window_;
};

class DetectorTest : public ::testing::Test {
protected:
    void TearDown() override { ov::VideoInputDetector::Release(); }
    static ov::VideoInputDetector& Detector() {
        auto& d = ov::VideoInputDetector::Get();
        d.SetArea(Rect{kPicture.left, kPicture.top, kPicture.right, kPicture.bottom}, Rect{}, kKey);
        return d;
    }
    static void WaitIdle(ov::COverlapDetector& e) {
        while (e.Busy()) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    Painted picture_{kPicture, kKey};
};

}  // namespace

TEST_F(DetectorTest, ScreenCopyFindsWhatCoversThePicture) {
    ov::COverlapDetector examiner;
    EXPECT_EQ(examiner.SideMargin(), 20);  // Xvfb reports 96 DPI
    const RECT none{};
    ASSERT_TRUE(examiner.Start(kPicture, none, kKey, true));
    EXPECT_EQ(examiner.Result(), 0);
    EXPECT_EQ(examiner.LastUnion(), Rect{});

    Painted cover(RECT{400, 300, 1000, 500}, RGB(240, 240, 240));
    ASSERT_TRUE(examiner.Start(kPicture, none, kKey, true));
    EXPECT_EQ(examiner.Result(), 1);
    EXPECT_EQ(examiner.LastUnion(), (Rect{300, 200, 899, 399}));

    // The text block of a message view is skipped.
    ASSERT_TRUE(examiner.Start(kPicture, RECT{350, 250, 1050, 550}, kKey, true));
    EXPECT_EQ(examiner.Result(), 0);

    cover.MoveTo(RECT{600, 400, 1100, 520});  // 500 x 120
    ASSERT_TRUE(examiner.Start(kPicture, none, kKey, true));
    EXPECT_EQ(examiner.Result(), 0);

    cover.MoveTo(RECT{kPicture.left, 200, kPicture.left + 20, 700});  // the left margin only
    ASSERT_TRUE(examiner.Start(kPicture, none, kKey, true));
    EXPECT_EQ(examiner.LastUnion(), Rect{});

    // Nothing to copy: no result, and the previous one stays.
    cover.MoveTo(RECT{400, 300, 1000, 500});
    ASSERT_TRUE(examiner.Start(kPicture, none, kKey, true));
    EXPECT_FALSE(examiner.Start(RECT{0, 0, 0, 0}, none, kKey, true));
    EXPECT_EQ(examiner.Result(), 1);
}

TEST_F(DetectorTest, TicksReportTheCoveringWindowAndSkipWhileDisabled) {
    auto& d = Detector();
    std::vector<int> reports;
    d.SetListener([&](ov::DetectChangedEventArgs e) { reports.push_back(e.covered); });
    Painted cover(RECT{400, 300, 1000, 500}, RGB(240, 240, 240));

    const auto started = d.Examiner().Started();
    d.SetEnabled(0);  // a gesture or a window drag
    d.OnTick();
    EXPECT_EQ(d.Examiner().Started(), started);
    d.SetEnabled(1);

    d.OnTick();  // starts the first examination; reports what was there before it
    WaitIdle(d.Examiner());
    EXPECT_TRUE(reports.empty());
    d.OnTick();
    WaitIdle(d.Examiner());
    EXPECT_EQ(reports, std::vector<int>{1});

    // The transition check waits for a fresh look.
    cover.MoveTo(RECT{1400, 300, 1900, 500});
    EXPECT_EQ(d.CheckNow(), 0);
    d.SetDetectionOn(0);
    EXPECT_EQ(d.CheckNow(), 0);
    EXPECT_FALSE(d.StartTimer());
}

TEST_F(DetectorTest, TheTimerTicksOnTheUserInterfaceThread) {
    auto& d = Detector();
    std::vector<int> reports;
    d.SetListener([&](ov::DetectChangedEventArgs e) { reports.push_back(e.covered); });
    Painted cover(RECT{400, 300, 1000, 500}, RGB(240, 240, 240));
    ASSERT_TRUE(d.StartTimer());
    Pump(2600);
    d.StopTimer();
    EXPECT_EQ(reports, std::vector<int>{1});
}

TEST_F(DetectorTest, ReleaseLeavesNothingBehind) {
    auto cycle = [] {
        auto& d = Detector();
        for (int i = 0; i < 3; ++i) (void)d.CheckNow();
        d.OnTick();  // left running: release joins it
        ov::VideoInputDetector::Release();
    };
    cycle();
    const cwtest::ResourceCounts before = cwtest::CurrentResourceCounts();
    for (int i = 0; i < 4; ++i) cycle();
    const cwtest::ResourceCounts after = cwtest::CurrentResourceCounts();
    EXPECT_FALSE(ov::VideoInputDetector::Exists());
    EXPECT_EQ(after.threads, before.threads);
    EXPECT_EQ(after.handles, before.handles);
    EXPECT_EQ(after.gdi, before.gdi);
    EXPECT_EQ(after.user, before.user);
}
