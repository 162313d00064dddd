// The main frame on the simulated controller, in this process: what reached
// the controller (plane on, position and zoom words), the screens the state
// machine chose, the window's class, styles and size through the screen
// modes, power and still-capture handling, and Cpw_Finalize on close.
#include <gtest/gtest.h>

#include <windows.h>

#include <shlobj.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "CwProcess.h"
#include "simulator/include/MrcSimClient.h"
#include "viewer/app/MainFrame.h"
#include "viewer/app/StillSaver.h"
#include "viewer/core/PlayCode.h"
#include "viewer/core/StateResolver.h"
#include "viewer/core/ViewGeometry.h"
#include "viewer/res/resource.h"
#include "viewer/views/Splitters.h"

namespace vistrel {
namespace {

constexpr std::uint32_t kPlaneVideoEnb = 0x0E100104u;
constexpr std::uint32_t kPlaneDst = 0x0E100110u;  // x, y, w, h
constexpr std::uint32_t kPlaneSrc = 0x0E100120u;  // x, y, w, h

const mrcsim::Client& sim() { return mrcsim::Sim(); }

std::string Scenario(const char* firmware = "0x11000200") {
    const int w = GetSystemMetrics(SM_CXSCREEN);
    const int h = GetSystemMetrics(SM_CYSCREEN);
    // The controller's output has the screen's size, so the plane's words are
    // the viewer's screen rectangle as it is.
    return std::string(R"({"firmware": {"version": ")") + firmware + R"("},
      "watchdog": {"state": 1, "interval": 2000, "err_count": 5, "kdr_count": 0, "kdr_err": 0},
      "output": {"width": )" + std::to_string(w) + R"(, "height": )" + std::to_string(h) + R"(, "event": 0},
      "hdmi": {"state": "signal", "width": 1920, "height": 1080, "fps_code": 8, "scan": "progressive",
               "format": "RGB", "bit_depth": 8, "hdcp": false},
      "movie": {"buffers": 4, "fps": 0}, "clock": "real"})";
}

struct Box {
    std::int32_t x = -1, y = -1, w = -1, h = -1;
    friend bool operator==(const Box&, const Box&) = default;
};

std::uint32_t LastWord(std::uint32_t address) {
    (void)sim().WaitIdle(2000);
    const std::uint32_t n = sim().RecordCount();
    std::uint32_t value = 0xFFFFFFFFu;
    for (std::uint32_t i = 0; i < n; ++i) {
        MrcSimRecord r{};
        if (sim().RecordGet(i, &r) == 0 && r.kind == 2 && r.address == address) value = r.words[0];
    }
    return value;
}
// The bridge fits the picture into the box it is given, so a side may come
// out one pixel shorter than the frame's rectangle.
bool Near(const Box& a, const Box& b) {
    return std::abs(a.x - b.x) <= 1 && std::abs(a.y - b.y) <= 1 && std::abs(a.w - b.w) <= 1 && std::abs(a.h - b.h) <= 1;
}
Box LastBox(std::uint32_t address) {
    return Box{static_cast<std::int32_t>(LastWord(address)), static_cast<std::int32_t>(LastWord(address + 4)),
               static_cast<std::int32_t>(LastWord(address + 8)), static_cast<std::int32_t>(LastWord(address + 12))};
}

// Runs the message loop until `done` or the time is up.
bool PumpUntil(const std::function<bool()>& done, DWORD ms) {
    const ULONGLONG end = GetTickCount64() + ms;
    for (;;) {
        MSG m;
        while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&m);
            DispatchMessageW(&m);
        }
        if (done()) return true;
        if (GetTickCount64() > end) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
}
void Pump(DWORD ms) { (void)PumpUntil([] { return false; }, ms); }

bool WindowExists(const wchar_t* cls) {
    struct Find {
        const wchar_t* cls;
        bool found = false;
    } find{cls};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND w, LPARAM p) -> BOOL {
            auto* f = reinterpret_cast<Find*>(p);
            wchar_t name[64] = {};
            GetClassNameW(w, name, 64);
            if (lstrcmpW(name, f->cls) == 0) f->found = true;
            return !f->found;
        },
        reinterpret_cast<LPARAM>(&find));
    if (find.found) return true;
    return FindWindowExW(HWND_MESSAGE, nullptr, cls, nullptr) != nullptr;
}

// A machine-wide value of the viewer's settings or the simulated set-up, put
// back as it was.
class ScopedMachineValue {
public:
    ScopedMachineValue(const wchar_t* key, const wchar_t* name, DWORD value) : key_(key), name_(name) {
        DWORD size = sizeof old_;
        had_ = RegGetValueW(HKEY_LOCAL_MACHINE, key, name, RRF_RT_REG_DWORD, nullptr, &old_, &size) == ERROR_SUCCESS;
        RegSetKeyValueW(HKEY_LOCAL_MACHINE, key, name, REG_DWORD, &value, sizeof value);
    }
    ~ScopedMachineValue() {
        if (had_) RegSetKeyValueW(HKEY_LOCAL_MACHINE, key_, name_, REG_DWORD, &old_, sizeof old_);
        else RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, key_, name_);
    }
    ScopedMachineValue(const ScopedMachineValue&) = delete;
    ScopedMachineValue& operator=(const ScopedMachineValue&) = delete;

private:
    const wchar_t* key_;
    const wchar_t* name_;
    DWORD old_ = 0;
    bool had_ = false;
};

class FrameCase : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(sim().complete);
        ASSERT_EQ(sim().Reset(Scenario().c_str()), 0) << sim().LastError();
    }
    void TearDown() override { Close(); }

    // Creates and shows the frame as the application does.
    void Open(CVideoInputFrame::DisplayFinder finder = &FindInternalDisplayName) {
        auto* f = new CVideoInputFrame(0, display_);
        f->SetDisplayFinder(finder);
        if (!f->LoadFrame(kFrameStyle)) {
            delete f;
            FAIL() << "the frame did not load";
        }
        frame_ = f;
        hwnd_ = f->Handle();
        ShowWindow(hwnd_, SW_SHOW);
        UpdateWindow(hwnd_);
    }
    void Close() {
        if (hwnd_ != nullptr && IsWindow(hwnd_)) DestroyWindow(hwnd_);
        hwnd_ = nullptr;
        frame_ = nullptr;
        Pump(50);
    }
    int Kind() const { return frame_->Resolver().Status().displayKind; }
    bool ReachKind(int kind, DWORD ms = 8000) {
        return PumpUntil([&] { return Kind() == kind; }, ms);
    }
    LONG_PTR Style() const { return GetWindowLongPtrW(hwnd_, GWL_STYLE); }
    // The picture's rectangle relative to the monitor, as the plane's words.
    Box Expected() const {
        const DisplayInfo& d = frame_->CurrentDisplayInfo();
        const Rect& m = d.screen.monitor;
        return Box{d.video.left - m.left, d.video.top - m.top, d.video.Width(), d.video.Height()};
    }

    std::wstring display_;
    CVideoInputFrame* frame_ = nullptr;
    HWND hwnd_ = nullptr;
};

// The capture library starts once per process (after Cpw_Finalize it answers
// every call with 1), so each case runs in a child process of this program;
// the cases themselves are the disabled suite the child is told to run.
class DISABLED_FrameCase : public FrameCase {};

void RunInChild(const char* name) {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::wstring filter = L"--gtest_filter=DISABLED_FrameCase." + std::wstring(name, name + strlen(name));
    const cwtest::ProcessResult r =
        cwtest::RunProcess(self, {L"--gtest_also_run_disabled_tests", filter}, 120000);
    ASSERT_TRUE(r.started);
    EXPECT_FALSE(r.timed_out);
    EXPECT_EQ(r.exit_code, 0u) << "the case failed in its process (its output is above)";
}

#define FRAME_CASE(name)                     \
    TEST(Frame, name) { RunInChild(#name); } \
    TEST_F(DISABLED_FrameCase, name)

FRAME_CASE(StartsLiveAndFollowsTheScreenModes) {
    Open();
    ASSERT_TRUE(ReachKind(KindVideo)) << "kind " << Kind();
    wchar_t cls[64] = {};
    GetClassNameW(hwnd_, cls, 64);
    EXPECT_STREQ(cls, kMainWindowClass);
    EXPECT_TRUE(WindowExists(L"Capwell_VideoInput")) << "the library runs";

    // Full screen on a desktop: a pop-up over the whole monitor.
    EXPECT_TRUE(frame_->FullScreen());
    EXPECT_NE(Style() & WS_POPUP, 0);
    EXPECT_EQ(Style() & WS_CAPTION, 0);
    EXPECT_NE(GetWindowLongPtrW(hwnd_, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
    RECT wr{};
    GetWindowRect(hwnd_, &wr);
    EXPECT_EQ(wr.right - wr.left, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(wr.bottom - wr.top, GetSystemMetrics(SM_CYSCREEN));
    EXPECT_TRUE(PumpUntil([] { return LastWord(kPlaneVideoEnb) == 1u; }, 3000)) << "the video plane is on";
    const Box full = Expected();
    EXPECT_GT(full.w, 0);
    ASSERT_TRUE(PumpUntil([&] { return Near(LastBox(kPlaneDst), full); }, 3000))
        << "plane at the picture " << full.x << "," << full.y << " " << full.w << "x" << full.h << " but "
        << LastBox(kPlaneDst).x << "," << LastBox(kPlaneDst).y << " " << LastBox(kPlaneDst).w << "x"
        << LastBox(kPlaneDst).h;
    // 16:9 kept.
    EXPECT_NEAR(static_cast<double>(full.w) / full.h, 16.0 / 9.0, 0.01);

    // The normal window: framed, smaller, the plane follows.
    frame_->ChangeScreenMode(1);
    ASSERT_TRUE(PumpUntil([&] { return !frame_->FullScreen(); }, 3000));
    EXPECT_EQ(Style() & WS_POPUP, 0);
    EXPECT_EQ(Style() & kFrameStyle, static_cast<LONG_PTR>(kFrameStyle));
    const Box windowed = Expected();
    ASSERT_TRUE(PumpUntil([&] { return Near(LastBox(kPlaneDst), windowed); }, 3000));
    // Refitted to the video within the work area, and centred on it.
    RECT framed{};
    GetWindowRect(hwnd_, &framed);
    const Rect& work = frame_->CurrentDisplayInfo().screen.work;
    EXPECT_GE(framed.left, work.left);
    EXPECT_LE(framed.right, work.right);
    EXPECT_LE(framed.bottom, work.bottom);
    EXPECT_LE(std::abs((framed.left + framed.right) - (work.left + work.right)), 2);

    // Zoom: the centre of the left half at 2x asks for the left half of the
    // 3840 x 2160 frame, which the controller gets in input pixels.
    const double centre[2] = {0.25, 0.5};
    frame_->OnZoomChanged(Rect{0, 0, 1920, 1080}, centre, 2.0);
    EXPECT_TRUE(PumpUntil([&] { return LastBox(kPlaneSrc) == (Box{0, 270, 960, 540}); }, 3000));
    frame_->OnZoomChanged(Rect{}, nullptr, 1.0);
    EXPECT_TRUE(PumpUntil([&] { return LastBox(kPlaneSrc) == (Box{0, 0, 1920, 1080}); }, 3000));

    frame_->ChangeScreenMode(0);
    ASSERT_TRUE(PumpUntil([&] { return frame_->FullScreen(); }, 3000));
    EXPECT_NE(Style() & WS_POPUP, 0);
    EXPECT_TRUE(PumpUntil([&] { return Near(LastBox(kPlaneDst), full); }, 3000));

    // Closing finalises the library: its window goes.
    Close();
    EXPECT_FALSE(WindowExists(L"Capwell_VideoInput"));
    EXPECT_FALSE(WindowExists(kMainWindowClass));
}

FRAME_CASE(CableOutAndInAndAFormatChange) {
    Open();
    ASSERT_TRUE(ReachKind(KindVideo));
    MrcSimHdmi hdmi{0, 0, 0, 0, 0, 0, 0, 0};
    ASSERT_EQ(sim().SetHdmi(&hdmi), 0);
    EXPECT_TRUE(ReachKind(KindNoSignal)) << "kind " << Kind();
    hdmi = MrcSimHdmi{2, 1280, 720, 7, 2, 1, 8, 0};
    ASSERT_EQ(sim().SetHdmi(&hdmi), 0);
    ASSERT_TRUE(ReachKind(KindVideo)) << "kind " << Kind();
    const Box box = Expected();
    EXPECT_TRUE(PumpUntil([&] { return Near(LastBox(kPlaneDst), box); }, 3000));
    EXPECT_NEAR(static_cast<double>(box.w) / box.h, 16.0 / 9.0, 0.01);
    // 4:3 input: the picture narrows.
    hdmi = MrcSimHdmi{2, 640, 480, 8, 2, 1, 8, 0};
    ASSERT_EQ(sim().SetHdmi(&hdmi), 0);
    ASSERT_TRUE(PumpUntil([&] { return Kind() == KindVideo && std::abs(Expected().w * 3 - Expected().h * 4) <= 4; }, 8000))
        << "kind " << Kind() << " picture " << Expected().w << "x" << Expected().h;
}

FRAME_CASE(FirmwareOutOfRangeShowsTheUpdateScreen) {
    ASSERT_EQ(sim().Reset(Scenario("0x10FFFF00").c_str()), 0);
    Open();
    EXPECT_TRUE(ReachKind(KindUpdateRequired)) << "kind " << Kind();
    EXPECT_EQ(Cpw_SetState(0, 1, 1), 1u) << "the library did not start";
}

FRAME_CASE(DriverOutOfRangeShowsTheUpdateScreen) {
    {
        HKEY key = nullptr;
        ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE,
                                L"System\\CurrentControlSet\\Control\\Class\\{4d36e96c-e325-11ce-bfc1-08002be10318}\\0050",
                                0, KEY_ALL_ACCESS, &key),
                  ERROR_SUCCESS);
        wchar_t old[64] = {};
        DWORD size = sizeof old;
        ASSERT_EQ(RegGetValueW(key, nullptr, L"DriverVersion", RRF_RT_REG_SZ, nullptr, old, &size), ERROR_SUCCESS);
        const wchar_t kOld[] = L"0.9.0.0";
        RegSetValueExW(key, L"DriverVersion", 0, REG_SZ, reinterpret_cast<const BYTE*>(kOld), sizeof kOld);
        ASSERT_EQ(sim().Reset(Scenario().c_str()), 0);
        Open();
        EXPECT_TRUE(ReachKind(KindUpdateRequired)) << "kind " << Kind();
        Close();
        RegSetValueExW(key, L"DriverVersion", 0, REG_SZ, reinterpret_cast<const BYTE*>(old),
                       static_cast<DWORD>((lstrlenW(old) + 1) * sizeof(wchar_t)));
        RegCloseKey(key);
    }
}

FRAME_CASE(ControllerThatDoesNotStartShowsTheFatalScreen) {
    ASSERT_EQ(sim().Reset(Scenario().c_str()), 0);
    ASSERT_EQ(sim().FailStartup(2, 1), 0);
    Open();
    EXPECT_TRUE(ReachKind(KindFatal)) << "kind " << Kind();
    Close();
    (void)sim().FailStartup(2, 0);
}

FRAME_CASE(InitialisationParameterOutOfRangeShowsTheFatalScreen) {
    // The interval goes to the library unlimited; 0 is out of its range (7),
    // refused before the controller is opened.
    ScopedMachineValue interval(L"Software\\Harlowe\\Vistrel", L"ExecutionInterval", 0);
    ASSERT_EQ(sim().RecordClear(), 0);
    Open();
    EXPECT_TRUE(ReachKind(KindFatal)) << "kind " << Kind();
    EXPECT_EQ(sim().RecordCount(), 0u) << "the controller was reached";
    EXPECT_EQ(Cpw_SetState(0, 1, 1), 1u) << "the library started";
    Close();
}

FRAME_CASE(UnreadableScreenFallsBackAndShowsTheFatalScreen) {
    // A platform that names no internal display.
    Open([] { return std::wstring(); });
    EXPECT_TRUE(ReachKind(KindFatal)) << "kind " << Kind();
    const ScreenInfo& s = frame_->CurrentDisplayInfo().screen;
    EXPECT_EQ(s.width, 1280);
    EXPECT_EQ(s.height, 1024);
    EXPECT_EQ(s.monitor, (Rect{0, 0, 1280, 1024}));
    EXPECT_EQ(s.work, (Rect{0, 0, 1280, 1024}));
}

FRAME_CASE(ResumeWithDetectionOffPutsTheFrameOnTop) {
    ScopedMachineValue detect(L"Software\\Harlowe\\Vistrel", L"Detect", 0);
    Open();
    ASSERT_TRUE(ReachKind(KindVideo));
    ASSERT_TRUE(frame_->FullScreen());
    SetWindowPos(hwnd_, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ASSERT_EQ(GetWindowLongPtrW(hwnd_, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
    SendMessageW(hwnd_, WM_POWERBROADCAST, PBT_APMRESUMESUSPEND, 0);
    EXPECT_NE(GetWindowLongPtrW(hwnd_, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
    Close();
}

FRAME_CASE(ResumeWithDetectionOnAndSuspend) {
    // Detection on (the default): the resume leaves the z-order alone.
    Open();
    ASSERT_TRUE(ReachKind(KindVideo));
    SetWindowPos(hwnd_, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SendMessageW(hwnd_, WM_POWERBROADCAST, PBT_APMRESUMESUSPEND, 0);
    EXPECT_EQ(GetWindowLongPtrW(hwnd_, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);

    // A suspend stops the video and is answered only after a second.
    const ULONGLONG before = GetTickCount64();
    SendMessageW(hwnd_, WM_POWERBROADCAST, PBT_APMSUSPEND, 0);
    EXPECT_GE(GetTickCount64() - before, 990u);
    EXPECT_EQ(Kind(), KindSuspended);
    // Continue brings the video back.
    SendMessageW(hwnd_, msg::kContinue, 0, 0);
    EXPECT_TRUE(ReachKind(KindVideo)) << "kind " << Kind();
}

FRAME_CASE(StillCaptures) {
    Open();
    ASSERT_TRUE(ReachKind(KindVideo));
    const std::wstring folder = CaptureFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.substr(folder.find_last_of(L'\\') + 1), L"Vistrel");
    SYSTEMTIME now{};
    GetLocalTime(&now);
    frame_->CaptureStill();
    Pump(200);
    EXPECT_EQ(Kind(), KindVideo);
    // A file named from the local time (this day) lands in the folder.
    wchar_t day[16];
    swprintf(day, 16, L"%04d%02d%02d_", now.wYear, now.wMonth, now.wDay);
    WIN32_FIND_DATAW found{};
    const std::wstring pattern = folder + L"\\" + day + L"*.bmp";
    HANDLE find = FindFirstFileW(pattern.c_str(), &found);
    ASSERT_NE(find, INVALID_HANDLE_VALUE) << "no still in the Pictures folder";
    FindClose(find);
    EXPECT_EQ(lstrlenW(found.cFileName), 22);
    EXPECT_GT(found.nFileSizeLow, 54u) << "a bitmap, not an empty file";

    // A folder that cannot be made: the save-location screen; closing it
    // brings the video back.
    const std::wstring blocked = folder + L".saved";
    ASSERT_TRUE(MoveFileW(folder.c_str(), blocked.c_str()));
    HANDLE file = CreateFileW(folder.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);
    frame_->CaptureStill();
    EXPECT_TRUE(ReachKind(KindSaveFailedLocation, 3000)) << "kind " << Kind();
    SendMessageW(hwnd_, msg::kSaveErrorClosed, 0, 0);
    EXPECT_TRUE(ReachKind(KindVideo)) << "kind " << Kind();
    DeleteFileW(folder.c_str());
    MoveFileW(blocked.c_str(), folder.c_str());

    // Without a Pictures folder and with a failing write the outcome is the
    // location and the space screen.
    EXPECT_EQ(SaveStillCapture(L"").save_error, 2);
    EXPECT_EQ(SaveStillCapture(folder, [](const wchar_t*) -> CpwResult { return 8; }).save_error, 1);
}

// A top-level window of another process (Wine's notepad), above the top-most
// frame, placed in screen coordinates.
class OtherWindow {
public:
    OtherWindow() {
        wchar_t cmd[] = L"notepad.exe";
        STARTUPINFOW si{sizeof si};
        if (!CreateProcessW(nullptr, cmd, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi_)) return;
        WaitForInputIdle(pi_.hProcess, 10000);
        (void)PumpUntil([&] { return (hwnd_ = Find(pi_.dwProcessId)) != nullptr; }, 10000);
    }
    ~OtherWindow() {
        if (pi_.hProcess == nullptr) return;
        TerminateProcess(pi_.hProcess, 0);
        WaitForSingleObject(pi_.hProcess, 5000);
        CloseHandle(pi_.hProcess);
        CloseHandle(pi_.hThread);
    }
    OtherWindow(const OtherWindow&) = delete;
    OtherWindow& operator=(const OtherWindow&) = delete;

    HWND Handle() const { return hwnd_; }
    void Place(const Rect& r) {
        SetWindowPos(hwnd_, HWND_TOPMOST, r.left, r.top, r.Width(), r.Height(), SWP_SHOWWINDOW | SWP_NOACTIVATE);
    }

private:
    static HWND Find(DWORD pid) {
        struct Search {
            DWORD pid;
            HWND found = nullptr;
        } search{pid};
        EnumWindows(
            [](HWND w, LPARAM p) -> BOOL {
                auto* s = reinterpret_cast<Search*>(p);
                DWORD owner = 0;
                GetWindowThreadProcessId(w, &owner);
                if (owner == s->pid && IsWindowVisible(w) && GetWindow(w, GW_OWNER) == nullptr) s->found = w;
                return s->found == nullptr;
            },
            reinterpret_cast<LPARAM>(&search));
        return search.found;
    }

    PROCESS_INFORMATION pi_{};
    HWND hwnd_ = nullptr;
};

// Another program's window over the picture stops the video at the controller
// and shows the blocked screen; moved off it, the video comes back; over the
// bars it changes nothing; during a gesture or a window drag nothing is looked at.
FRAME_CASE(AnotherWindowOverThePictureBlocksTheVideo) {
    Open();
    ASSERT_TRUE(ReachKind(KindVideo)) << "kind " << Kind();
    ASSERT_TRUE(PumpUntil([] { return LastWord(kPlaneVideoEnb) == 1u; }, 3000));
    POINT origin{0, 0};
    ClientToScreen(hwnd_, &origin);
    const Rect& v = frame_->CurrentDisplayInfo().video;
    const Rect picture{v.left + origin.x, v.top + origin.y, v.right + origin.x, v.bottom + origin.y};
    const int cx = (picture.left + picture.right) / 2;
    const int cy = (picture.top + picture.bottom) / 2;
    const Rect over{cx - 400, cy - 200, cx + 400, cy + 200};
    RECT client{};
    GetClientRect(hwnd_, &client);
    const Rect bars{cx - 400, picture.bottom + 4, cx + 400, client.bottom + origin.y};
    ASSERT_GT(bars.Height(), 30) << "the controller bar lies below the picture";

    // The simulated panel shows the live picture meanwhile, its mirror below the
    // picture: what it composes must never look like a covering window.
    MrcSimPanel panel{};
    panel.tablet_right = GetSystemMetrics(SM_CXSCREEN);
    panel.tablet_bottom = GetSystemMetrics(SM_CYSCREEN);
    panel.mirror_left = bars.left;
    panel.mirror_top = bars.top;
    panel.mirror_right = bars.right;
    panel.mirror_bottom = bars.bottom;
    ASSERT_EQ(sim().PanelStart(&panel), 0);
    struct PanelOff {
        ~PanelOff() { (void)sim().PanelStop(); }
    } panel_off;
    Pump(3500);
    EXPECT_EQ(Kind(), KindVideo) << "the panel was taken for a covering window";

    OtherWindow other;
    ASSERT_NE(other.Handle(), nullptr) << "notepad did not start";

    // Over the bars only: nothing changes.
    other.Place(bars);
    Pump(3500);
    EXPECT_EQ(Kind(), KindVideo);

    // During a gesture, then during a window drag, nothing is examined.
    frame_->OnGestureStarted();
    other.Place(over);
    Pump(3500);
    EXPECT_EQ(Kind(), KindVideo) << "examined during a gesture";
    frame_->OnGestureEnded();
    SendMessageW(hwnd_, WM_ENTERSIZEMOVE, 0, 0);
    Pump(3500);
    EXPECT_EQ(Kind(), KindVideo) << "examined during a drag";
    SendMessageW(hwnd_, WM_EXITSIZEMOVE, 0, 0);

    // Then the covering window is seen: video off at the controller.
    EXPECT_TRUE(ReachKind(KindBlocked, 8000)) << "kind " << Kind();
    EXPECT_TRUE(PumpUntil([] { return LastWord(kPlaneVideoEnb) == 0u; }, 3000)) << "the video plane is off";
    EXPECT_EQ(DecodePlayCode(frame_->Resolver().Status().playCode).video, 0);

    // Moved away: the video comes back.
    other.Place(bars);
    EXPECT_TRUE(ReachKind(KindVideo, 8000)) << "kind " << Kind();
    EXPECT_TRUE(PumpUntil([] { return LastWord(kPlaneVideoEnb) == 1u; }, 3000));
}


// One of our dialog boxes on the thread that runs `frame`, if one is up.
HWND ThreadDialog(HWND frame) {
    HWND found = nullptr;
    EnumThreadWindows(
        GetWindowThreadProcessId(frame, nullptr),
        [](HWND w, LPARAM l) -> BOOL {
            wchar_t cls[32] = {};
            GetClassNameW(w, cls, 32);
            if (wcscmp(cls, L"VistrelDialog") != 0 || !IsWindowVisible(w)) return TRUE;
            *reinterpret_cast<HWND*>(l) = w;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

FRAME_CASE(VersionCommandShowsTheControllerVersions) {
    Open();
    ASSERT_TRUE(ReachKind(KindVideo));
    // The dialog is modal: the frame's thread sits in its loop, so another thread reads it and closes it.
    std::wstring firmware;
    std::wstring api;
    bool seen = false;
    std::thread reader([&] {
        const ULONGLONG end = GetTickCount64() + 10000;
        HWND dialog = nullptr;
        while (dialog == nullptr && GetTickCount64() < end) {
            Sleep(50);
            dialog = ThreadDialog(hwnd_);
        }
        if (dialog == nullptr) return;
        seen = true;
        wchar_t text[64] = {};
        GetDlgItemTextW(dialog, IDC_VERSION_FIRMWARE, text, 64);
        firmware = text;
        GetDlgItemTextW(dialog, IDC_VERSION_API, text, 64);
        api = text;
        PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    SendMessageW(hwnd_, WM_SYSCOMMAND, 0xE140, 0);
    reader.join();
    ASSERT_TRUE(seen) << "no dialog came up";
    EXPECT_EQ(firmware, L"1.1.2.0") << "the scenario's firmware word 0x11000200";
    EXPECT_FALSE(api.empty());
    EXPECT_EQ(ThreadDialog(hwnd_), nullptr);
    EXPECT_EQ(Kind(), KindVideo);
}

}  // namespace
}  // namespace vistrel
