// Vistrel.exe as a person meets it: started as a program of its own on the
// simulated controller, whose input changes on a timeline, watched from
// outside (its windows, and the controller's journal of what reached it) and
// driven with the messages a user's clicks make.
#include <gtest/gtest.h>

#include "outside_support.h"

namespace {

// At 12 s a 4:3 input, at 17 s no signal, at 21 s the cable out, at 25 s the
// cable in with a 1080p signal (seconds from the controller's start).
constexpr char kScenario[] = R"({
  "firmware": {"version": "0x11000200"},
  "panel": {"width": 1280, "height": 720}, "output": {"width": 1280, "height": 720, "event": 0},
  "hdmi": {"state": "signal", "width": 1920, "height": 1080, "fps_code": 8, "scan": "progressive",
           "format": "RGB", "bit_depth": 8, "hdcp": false},
  "timeline": [
    {"at_ms": 12000, "hdmi": {"width": 640, "height": 480}},
    {"at_ms": 17000, "hdmi": {"state": "no_signal"}},
    {"at_ms": 21000, "hdmi": {"state": "no_cable"}},
    {"at_ms": 25000, "hdmi": {"state": "signal", "width": 1920, "height": 1080}}
  ],
  "clock": "real"})";

TEST(Outside, ViewerOnTheSimulatedControllerThroughItsInputAndScreenModes) {
    const cwtest::TempDir dir;
    const std::wstring scenario = dir.path() + L"\\timeline.json";
    {
        HANDLE f = CreateFileW(scenario.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(f, INVALID_HANDLE_VALUE);
        DWORD written = 0;
        WriteFile(f, kScenario, sizeof kScenario - 1, &written, nullptr);
        CloseHandle(f);
    }
    const Journal journal(dir.path() + L"\\journal.txt");
    const cwtest::ScopedEnv env_scenario(L"MERROWCOM_SCENARIO", scenario.c_str());
    const cwtest::ScopedEnv env_journal(L"MERROWCOM_JOURNAL", journal.Path().c_str());
    const cwtest::ScopedEnv env_panel(L"MERROWCOM_PANEL", nullptr);
    const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);

    Viewer viewer;
    ASSERT_TRUE(viewer.Started());
    // The timeline runs from the controller's start, when its journal appears.
    ASSERT_TRUE(WaitFor([&] { return GetFileAttributesW(journal.Path().c_str()) != INVALID_FILE_ATTRIBUTES; }, 60000))
        << "the viewer did not start the controller";
    const ULONGLONG started = GetTickCount64();
    ASSERT_TRUE(viewer.FindFrame(15000)) << "no frame window of class \"Harlowe Vistrel MainWndClass\"";

    // Live video in full screen: a top-most pop-up over the whole monitor,
    // the plane live at the picture's rectangle in panel pixels.
    ASSERT_TRUE(WaitFor([&] { return viewer.ShownKind() == 2; }, 15000)) << "screen " << viewer.ShownKind();
    EXPECT_TRUE(WaitFor([&] { return journal.LastWord(kPlaneVideoEnb) == 1u; }, 3000)) << "the video plane is live";
    EXPECT_NE(viewer.Style() & WS_POPUP, 0);
    EXPECT_EQ(viewer.Style() & WS_CAPTION, 0);
    EXPECT_NE(GetWindowLongPtrW(viewer.Frame(), GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
    const RECT full = WindowRect(viewer.Frame());
    EXPECT_EQ(full.right - full.left, sw);
    EXPECT_EQ(full.bottom - full.top, sh);
    Box want = viewer.ExpectedPlane(1920, 1080);
    EXPECT_TRUE(WaitFor([&] { return Near(journal.LastBox(kPlaneDst), want); }, 3000))
        << "plane " << Text(journal.LastBox(kPlaneDst)) << ", picture " << Text(want);
    EXPECT_LT(GetTickCount64() - started, 11000u) << "live too late for the timeline's first change";

    // A 4:3 input: the caption says so and the plane narrows to 4:3.
    EXPECT_TRUE(WaitFor([&] { return viewer.CaptionSignal().rfind("640x480", 0) == 0; }, 20000))
        << "caption \"" << viewer.CaptionSignal() << "\"";
    want = viewer.ExpectedPlane(640, 480);
    EXPECT_TRUE(WaitFor([&] { return Near(journal.LastBox(kPlaneDst), want); }, 3000))
        << "plane " << Text(journal.LastBox(kPlaneDst)) << ", picture " << Text(want);

    // No signal, then the cable out: the no-signal screen, the video off.
    EXPECT_TRUE(WaitFor([&] { return viewer.ShownKind() == 5; }, 10000)) << "screen " << viewer.ShownKind();
    EXPECT_TRUE(WaitFor([&] { return journal.LastWord(kPlaneVideoEnb) == 0u; }, 3000)) << "the video plane is off";
    EXPECT_TRUE(WaitFor([&] { return GetTickCount64() - started > 23000; }, 30000));
    EXPECT_EQ(viewer.ShownKind(), 5) << "without a cable";

    // The cable in with a signal: the live video again, with its caption and
    // controls, though nobody touched the viewer for more than ten seconds.
    ASSERT_TRUE(WaitFor([&] { return viewer.ShownKind() == 2; }, 10000)) << "screen " << viewer.ShownKind();
    EXPECT_TRUE(WaitFor([&] { return journal.LastWord(kPlaneVideoEnb) == 1u; }, 3000));
    EXPECT_NE(viewer.Visible(IDC_BAR_FULL_SCREEN), nullptr) << "the controller bar is blank";
    EXPECT_NE(viewer.Visible(IDC_CAPTION_SIGNAL), nullptr) << "the caption is empty";
    EXPECT_EQ(viewer.CaptionSignal().rfind("1920x1080", 0), 0u) << "caption \"" << viewer.CaptionSignal() << "\"";
    want = viewer.ExpectedPlane(1920, 1080);
    EXPECT_TRUE(WaitFor([&] { return Near(journal.LastBox(kPlaneDst), want); }, 3000))
        << "plane " << Text(journal.LastBox(kPlaneDst)) << ", picture " << Text(want);

    // Ten seconds without input hide the controls; moving the mouse shows them.
    EXPECT_TRUE(WaitFor([&] { return viewer.Visible(IDC_BAR_FULL_SCREEN) == nullptr; }, 15000));
    PostMessageW(viewer.ShownView(), WM_MOUSEMOVE, 0, MAKELPARAM(100, 100));
    EXPECT_TRUE(WaitFor([&] { return viewer.Visible(IDC_BAR_FULL_SCREEN) != nullptr; }, 3000));

    // A double click on the picture zooms into its middle (the source in input
    // pixels), a second one shows the whole picture again.
    viewer.DoubleClickPicture();
    EXPECT_TRUE(WaitFor([&] { return Near(journal.LastBox(kPlaneSrc), Box{480, 270, 960, 540}); }, 3000))
        << "source " << Text(journal.LastBox(kPlaneSrc));
    viewer.DoubleClickPicture();
    EXPECT_TRUE(WaitFor([&] { return Near(journal.LastBox(kPlaneSrc), Box{0, 0, 1920, 1080}); }, 3000))
        << "source " << Text(journal.LastBox(kPlaneSrc));

    // The bar's button: a framed window within the work area, centred on it,
    // the plane following the picture; the button again: full screen.
    ASSERT_NE(viewer.Visible(IDC_BAR_FULL_SCREEN), nullptr);
    Viewer::Click(viewer.Visible(IDC_BAR_FULL_SCREEN));
    ASSERT_TRUE(WaitFor([&] { return (viewer.Style() & WS_POPUP) == 0; }, 5000));
    EXPECT_EQ(viewer.Style() & WS_OVERLAPPEDWINDOW, WS_OVERLAPPEDWINDOW);
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_TRUE(WaitFor([&] {
        const RECT r = WindowRect(viewer.Frame());
        return r.left >= work.left && r.right <= work.right && r.bottom <= work.bottom && r.right - r.left < sw &&
               std::abs((r.left + r.right) - (work.left + work.right)) <= 2;
    }, 3000));
    want = viewer.ExpectedPlane(1920, 1080);
    EXPECT_TRUE(WaitFor([&] { return Near(journal.LastBox(kPlaneDst), want); }, 3000))
        << "plane " << Text(journal.LastBox(kPlaneDst)) << ", picture " << Text(want);
    EXPECT_EQ(viewer.Visible(IDC_BAR_CAPTURE), nullptr) << "a window's bar has only the screen-mode button";
    ASSERT_TRUE(WaitFor([&] { return viewer.Visible(IDC_BAR_FULL_SCREEN) != nullptr; }, 3000));
    Viewer::Click(viewer.Visible(IDC_BAR_FULL_SCREEN));
    ASSERT_TRUE(WaitFor([&] { return (viewer.Style() & WS_POPUP) != 0; }, 5000));
    EXPECT_TRUE(WaitFor([&] {
        const RECT r = WindowRect(viewer.Frame());
        return r.right - r.left == sw && r.bottom - r.top == sh;
    }, 3000));
    want = viewer.ExpectedPlane(1920, 1080);
    EXPECT_TRUE(WaitFor([&] { return Near(journal.LastBox(kPlaneDst), want); }, 3000))
        << "plane " << Text(journal.LastBox(kPlaneDst)) << ", picture " << Text(want);

    // Closed by its user: the controller saw the video off, the close and the
    // release, and the program ended with 0, leaving no window behind.
    PostMessageW(viewer.Frame(), WM_CLOSE, 0, 0);
    ASSERT_EQ(WaitForSingleObject(viewer.Process(), 20000), WAIT_OBJECT_0) << "the viewer did not end";
    DWORD code = 1;
    GetExitCodeProcess(viewer.Process(), &code);
    EXPECT_EQ(code, 0u);
    EXPECT_TRUE(journal.SawFinalisation());
    EXPECT_EQ(FindWindowW(kFrameClass, nullptr), nullptr);
}

}  // namespace
