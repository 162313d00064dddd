// Capwell driven as the viewer drives it, under Wine with the real bridge
// (Tolvane.dll) and the controller simulator (Merrowcom.dll): a client window
// registered for "Capwell_NotifyMessage" records the notifications in order,
// the simulator's HDMI timeline and its record of received commands and
// register writes are the other end.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "capture/tests/wine/CapwellHarness.h"
#include "tests/support/CwProcess.h"

#include "capture/video/tests/wine/ClientWindow.h"

namespace {

using cwtest::CapwellApi;
using cwtest::SimApi;

// Register words of the video plane that the bridge writes before each draw.
constexpr uint32_t kPlaneVideoEnb = 0x0E100104u;
constexpr uint32_t kPlaneDst = 0x0E100110u;  // x, y, w, h
constexpr uint32_t kPlaneSrc = 0x0E100120u;  // x, y, w, h
constexpr uint32_t kPlaneAngle = 0x0E100130u;

// Command codes on the command channel.
constexpr uint32_t kCmdWdtSet = 0x00001u, kCmdTime = 0x50001u, kCmdOutput = 0x70001u;
constexpr uint32_t kCmdSetMatrix = 0x80002u, kCmdSetAxes = 0x80003u, kCmdSetDrive = 0x80004u,
                   kCmdSetLut = 0x80005u, kCmdSetMute = 0x80006u;
constexpr uint32_t kCmdPause = 0xB0010u, kCmdResume = 0xB0011u, kCmdMovieStart = 0xC0001u,
                   kCmdMovieStop = 0xC0002u, kCmdStill = 0xB0001u;
constexpr uint32_t kChDraw = 16;

// ---- The simulator's record -----------------------------------------------------

// The words of a plane box as last written (x, y, w, h); -1 where never written.
struct Box {
    int32_t x = -1, y = -1, w = -1, h = -1;
    bool operator==(const Box& o) const { return x == o.x && y == o.y && w == o.w && h == o.h; }
};
std::ostream& operator<<(std::ostream& os, const Box& b) {
    return os << "(" << b.x << ", " << b.y << ", " << b.w << ", " << b.h << ")";
}

struct Record {
    std::vector<MrcSimRecord> entries;
    explicit Record(SimApi& sim) {
        sim.WaitIdle(2000);
        const uint32_t n = sim.RecordCount();
        for (uint32_t i = 0; i < n; ++i) {
            MrcSimRecord r{};
            if (sim.RecordGet(i, &r) == 0) entries.push_back(r);
        }
    }
    int Commands(uint32_t code) const {
        int c = 0;
        for (const auto& r : entries) c += r.kind == 1 && r.channel == 34 && r.words[0] == code;
        return c;
    }
    int Draws() const {
        int c = 0;
        for (const auto& r : entries) c += r.kind == 1 && r.channel == kChDraw;
        return c;
    }
    int Writes(uint32_t address) const {
        int c = 0;
        for (const auto& r : entries) c += r.kind == 2 && r.address == address;
        return c;
    }
    bool Wrote(uint32_t address, uint32_t value) const {
        for (const auto& r : entries)
            if (r.kind == 2 && r.address == address && r.words[0] == value) return true;
        return false;
    }
    uint32_t LastWord(uint32_t address, uint32_t otherwise = 0xFFFFFFFFu) const {
        for (auto it = entries.rbegin(); it != entries.rend(); ++it)
            if (it->kind == 2 && it->address == address) return it->words[0];
        return otherwise;
    }
    Box LastBox(uint32_t address) const {
        return {static_cast<int32_t>(LastWord(address)), static_cast<int32_t>(LastWord(address + 4)),
                static_cast<int32_t>(LastWord(address + 8)), static_cast<int32_t>(LastWord(address + 12))};
    }
};

constexpr char kScenario[] = R"({
  "firmware": {"version": "0x11000200"},
  "watchdog": {"state": 1, "interval": 2000, "err_count": 5, "kdr_count": 0, "kdr_err": 0},
  "output": {"width": 1920, "height": 1080, "event": 0},
  "hdmi": {"state": "signal", "width": 1920, "height": 1080, "fps_code": 8,
           "scan": "progressive", "format": "RGB", "bit_depth": 8, "hdcp": false},
  "movie": {"buffers": 4, "fps": 0},
  "clock": "real"
})";

constexpr uint16_t kInterval = 16;

class VideoFlow : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(sim.Load());
        ASSERT_EQ(sim.Reset(kScenario), 0) << sim.LastError();
        dir = std::make_unique<cwtest::TempDir>();
        const std::wstring reports = dir->path() + L"\\reports.txt";
        SetEnvironmentVariableW(L"CAPWELL_REPORT_FILE", reports.c_str());
        ASSERT_TRUE(cpw.Load());
    }
    // Initialise and register the client, as the viewer does at start.
    void Start(uint32_t api_log = 0) {
        CpwInitParams p{};
        wcscpy(reinterpret_cast<wchar_t*>(p.name), L"CwVideoFlow");
        p.interval = kInterval;
        p.audio_delay = 20;
        p.wdt_interval = 2000;
        p.wdt_err_count = 5;
        p.api_log = api_log;
        ASSERT_EQ(cpw.Cpw_Initialize(&p), CPW_OK);
        initialised = true;
        client = MakeClient();
        ASSERT_NE(client, nullptr);
        uint32_t code = 0;
        ASSERT_EQ(cpw.Cpw_GetNotifyWindowMessageCode(&code), CPW_OK);
        ASSERT_EQ(code, RegisterWindowMessageW(L"Capwell_NotifyMessage"));
        g_code = code;
        g_notes.clear();
        ASSERT_EQ(cpw.Cpw_RegisterNotifyWindowMessage(client), CPW_OK);
        hidden = FindWindowW(L"Capwell_VideoInput", nullptr);
        ASSERT_NE(hidden, nullptr);
    }
    void TearDown() override {
        if (initialised) {
            EXPECT_EQ(cpw.Cpw_Finalize(), CPW_OK);
        }
        cpw.Unload();
        if (client != nullptr) DestroyWindow(client);
        g_code = 0;
        g_react = nullptr;
        sim.ClearFaults();
    }
    CpwVideoState State() {
        CpwVideoState s{};
        EXPECT_EQ(cpw.Cpw_GetState(&s), CPW_OK);
        return s;
    }
    CpwHdmiInfo Hdmi() {
        CpwHdmiInfo h{};
        EXPECT_EQ(cpw.Cpw_GetHdmiInfo(&h), CPW_OK);
        return h;
    }
    // Until the worker has nothing left to send: the controller's record
    // stays the same for five worker periods (2 s at most).
    void Settle() {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
        uint32_t seen = 0xFFFFFFFFu;
        while (std::chrono::steady_clock::now() < end) {
            sim.WaitIdle(2000);
            const uint32_t now = sim.RecordCount();
            if (now == seen) return;
            seen = now;
            Pump(kInterval * 5);
        }
    }
    // Pumps until the controller's record satisfies `done` (the worker runs
    // on its own time, later under load); returns the last record read.
    Record Await(const std::function<bool(const Record&)>& done, int timeout_ms = 3000) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
        for (;;) {
            Record rec(sim);
            if (done(rec) || std::chrono::steady_clock::now() >= end) return rec;
            Pump(10);
        }
    }
    // Waits for the n-th notification of `code` (counted since the last clear).
    bool WaitFor(WPARAM code, int n = 1, int timeout_ms = 3000) {
        return PumpUntil([&] { return Count(code) >= n; }, timeout_ms);
    }
    std::string ApiLogTail(size_t from) {
        const std::string text = cwtest::ReadFileText(cwtest::ApiLogPath());
        return from < text.size() ? text.substr(from) : std::string();
    }

    SimApi sim;
    CapwellApi cpw;
    bool initialised = false;
    HWND client = nullptr;
    HWND hidden = nullptr;
    std::unique_ptr<cwtest::TempDir> dir;
};

}  // namespace

// ---- HDMI timeline ----------------------------------------------------------------

// Cable unplug and plug, signal loss, a format change and HDCP, run by the
// simulator's own timeline 1.5 s apart (timer 1 reads once a second). After
// each change the client gets the state change (when the words change) and
// then the HDMI notification, and the records match the input.
TEST_F(VideoFlow, HdmiTimelineReachesTheClientInOrder) {
    Start();
    ASSERT_EQ(cpw.Cpw_SetState(0, 1, 1), CPW_OK);
    Settle();
    g_notes.clear();
    ASSERT_EQ(sim.Update(R"({"timeline": [
        {"at_ms": 300, "hdmi": {"state": "no_cable"}},
        {"at_ms": 1800, "hdmi": {"state": "signal"}},
        {"at_ms": 3300, "hdmi": {"state": "no_signal"}},
        {"at_ms": 4800, "hdmi": {"state": "signal", "width": 1280, "height": 720, "fps_code": 6,
                                 "scan": "interlaced", "format": "YUV422"}},
        {"at_ms": 6300, "hdmi": {"hdcp": true}}]})"),
              0)
        << sim.LastError();

    // Cable unplugged.
    ASSERT_TRUE(WaitFor(CPW_NOTIFY_HDMI, 1));
    EXPECT_EQ(g_notes, (std::vector<WPARAM>{CPW_NOTIFY_STATE, CPW_NOTIFY_HDMI}));
    CpwHdmiInfo h = Hdmi();
    EXPECT_EQ(h.status, 2u);
    EXPECT_EQ(h.fps, 0.0);
    CpwVideoState s = State();
    EXPECT_EQ(s.available, 0u);
    EXPECT_EQ(s.video, 0u);
    EXPECT_EQ(s.audio, 0u);

    // Plugged in again with the signal: available, the client asks for play.
    ASSERT_TRUE(WaitFor(CPW_NOTIFY_HDMI, 2));
    EXPECT_EQ(g_notes.size(), 4u);
    EXPECT_EQ(g_notes[2], CPW_NOTIFY_STATE);
    h = Hdmi();
    EXPECT_EQ(h.status, 0u);
    EXPECT_EQ(h.width, 1920);
    EXPECT_EQ(h.fps, 60.0);
    EXPECT_EQ(State().available, 1u);
    ASSERT_EQ(cpw.Cpw_SetState(0, 1, 1), CPW_OK);
    EXPECT_EQ(State().video, 1u);

    // Signal lost with the cable in.
    ASSERT_TRUE(WaitFor(CPW_NOTIFY_HDMI, 3));
    h = Hdmi();
    EXPECT_EQ(h.status, 1u);
    EXPECT_EQ(State().available, 0u);

    // Back with another format.
    ASSERT_TRUE(WaitFor(CPW_NOTIFY_HDMI, 4));
    h = Hdmi();
    EXPECT_EQ(h.status, 0u);
    EXPECT_EQ(h.width, 1280);
    EXPECT_EQ(h.height, 720);
    EXPECT_EQ(h.fps, 50.0);
    EXPECT_EQ(h.scan, 1u);
    EXPECT_EQ(h.format, 3u);
    EXPECT_EQ(h.detect_hdcp, 0u);
    EXPECT_EQ(State().available, 1u);
    const size_t before_hdcp = g_notes.size();

    // HDCP on the running signal: only the HDMI notification.
    ASSERT_TRUE(WaitFor(CPW_NOTIFY_HDMI, 5));
    EXPECT_EQ(std::vector<WPARAM>(g_notes.begin() + static_cast<ptrdiff_t>(before_hdcp), g_notes.end()),
              (std::vector<WPARAM>{CPW_NOTIFY_HDMI}));
    EXPECT_EQ(Hdmi().detect_hdcp, 1u);
    EXPECT_EQ(State().available, 1u);

    // Every notification was one of the two kinds, never the watchdog or power.
    EXPECT_EQ(Count(CPW_NOTIFY_HDMI) + Count(CPW_NOTIFY_STATE), static_cast<int>(g_notes.size()));
}

TEST_F(VideoFlow, FiredWatchdogNotifiesEverySecondUntilItRecovers) {
    Start();
    Pump(1300);
    EXPECT_EQ(Count(CPW_NOTIFY_WATCHDOG), 0);
    ASSERT_EQ(sim.Update(R"({"watchdog": {"kdr_err": 5}})"), 0) << sim.LastError();
    ASSERT_TRUE(WaitFor(CPW_NOTIFY_WATCHDOG, 2, 3500));
    ASSERT_EQ(sim.Update(R"({"watchdog": {"kdr_err": 0}})"), 0);
    Pump(1100);
    const int after = Count(CPW_NOTIFY_WATCHDOG);
    Pump(1300);
    EXPECT_EQ(Count(CPW_NOTIFY_WATCHDOG), after);
    EXPECT_EQ(Count(CPW_NOTIFY_STATE), 0);  // the watchdog does not touch the state
}

// An HDMI read that fails makes a device error: the client hears of it, play
// requests are ignored from then on, while the input can still make the
// video available again.
TEST_F(VideoFlow, FailedHdmiReadIsADeviceErrorForGood) {
    Start();
    ASSERT_EQ(cpw.Cpw_SetState(0, 1, 0), CPW_OK);
    Settle();
    g_notes.clear();
    ASSERT_EQ(sim.Update(R"({"hdmi": {"state": "no_signal"}})"), 0);
    Pump(100);
    ASSERT_EQ(sim.FailCommand(34, 0x30001u, MRCSIM_FAULT_FAIL, 1, 0, 0, 1), 0);
    ASSERT_TRUE(WaitFor(CPW_NOTIFY_HDMI));
    EXPECT_EQ(g_notes, (std::vector<WPARAM>{CPW_NOTIFY_STATE, CPW_NOTIFY_HDMI}));
    CpwVideoState s = State();
    EXPECT_EQ(s.available, 0u);
    EXPECT_EQ(s.video, 0u);

    // Through no-signal and back to signal: available again, but blocked.
    ASSERT_EQ(sim.Update(R"({"hdmi": {"state": "signal"}})"), 0);
    ASSERT_TRUE(WaitFor(CPW_NOTIFY_HDMI, 2));
    ASSERT_EQ(sim.Update(R"({"hdmi": {"state": "no_signal"}})"), 0);
    ASSERT_TRUE(WaitFor(CPW_NOTIFY_HDMI, 3));
    ASSERT_EQ(sim.Update(R"({"hdmi": {"state": "signal"}})"), 0);
    ASSERT_TRUE(PumpUntil([&] { return State().available == 1; }, 3000));
    const size_t notes = g_notes.size();
    EXPECT_EQ(cpw.Cpw_SetState(1, 1, 1), CPW_OK);
    s = State();
    EXPECT_EQ(s.mode, 0u);
    EXPECT_EQ(s.video, 0u);
    EXPECT_EQ(s.audio, 0u);
    EXPECT_EQ(g_notes.size(), notes);
    MrcSimStatus st{};
    sim.GetStatus(&st);
    EXPECT_EQ(st.playback_state, 1u);
}

// ---- Suspend and resume -------------------------------------------------------------

// Suspend through WM_POWERBROADCAST: one state notification; the callbacks
// are unregistered (an HDMI change while suspended reaches neither the log's
// callback line nor the client); the resume configures the device again and
// the next pass sends every group; HDMI changes within the settle second
// after the resume are not reported, the ones after it are.
TEST_F(VideoFlow, SuspendUnregistersCallbacksAndResumeResendsEverything) {
    Start(1);
    ASSERT_EQ(cpw.Cpw_SetState(0, 1, 1), CPW_OK);
    Settle();
    g_notes.clear();

    const auto t0 = std::chrono::steady_clock::now();
    SendMessageW(hidden, WM_POWERBROADCAST, PBT_APMSUSPEND, 0);
    const auto answered = std::chrono::steady_clock::now() - t0;
    EXPECT_GE(answered, std::chrono::milliseconds(950));  // the device's time before the system sleeps
    EXPECT_EQ(g_notes, (std::vector<WPARAM>{CPW_NOTIFY_STATE}));
    CpwVideoState s = State();
    EXPECT_EQ(s.available, 0u);
    EXPECT_EQ(s.video, 0u);

    size_t log_mark = cwtest::ReadFileText(cwtest::ApiLogPath()).size();
    ASSERT_EQ(sim.Update(R"({"hdmi": {"state": "no_signal"}})"), 0);
    Pump(2300);
    EXPECT_EQ(g_notes.size(), 1u);
    EXPECT_EQ(ApiLogTail(log_mark).find("HDMI Callback arrived."), std::string::npos);
    EXPECT_EQ(cpw.Cpw_SetState(0, 1, 1), CPW_OK);  // ignored while suspended
    EXPECT_EQ(g_notes.size(), 1u);
    EXPECT_EQ(State().video, 0u);

    sim.WaitIdle(2000);
    ASSERT_EQ(sim.RecordClear(), 0);
    SendMessageW(hidden, WM_POWERBROADCAST, PBT_APMRESUMESUSPEND, 0);
    EXPECT_EQ(g_notes.size(), 1u);  // no signal at the resume: no word changes, no notification
    {
        const Record rec = Await([](const Record& r) {
            return r.Commands(kCmdSetLut) + r.Commands(kCmdSetMatrix) + r.Commands(kCmdSetDrive) +
                           r.Commands(kCmdSetMute) + r.Commands(kCmdSetAxes) >= 5 && r.Draws() >= 1;
        });
        // The device configured again: output read, time, watchdog.
        EXPECT_GE(rec.Commands(kCmdOutput), 1);
        EXPECT_EQ(rec.Commands(kCmdTime), 1);
        EXPECT_EQ(rec.Commands(kCmdWdtSet), 1);
        // The forced pass: every colour group although none changed, and a
        // draw carrying the plane's enable, destination, source and angle.
        for (uint32_t code : {kCmdSetLut, kCmdSetMatrix, kCmdSetDrive, kCmdSetMute, kCmdSetAxes})
            EXPECT_EQ(rec.Commands(code), 1) << std::hex << code;
        EXPECT_GE(rec.Draws(), 1);
        EXPECT_GE(rec.Writes(kPlaneVideoEnb), 1);
        EXPECT_GE(rec.Writes(kPlaneDst), 1);
        EXPECT_GE(rec.Writes(kPlaneSrc), 1);
        EXPECT_GE(rec.Writes(kPlaneAngle), 1);
    }

    // Settle window: the signal returning within the first second is not reported.
    log_mark = cwtest::ReadFileText(cwtest::ApiLogPath()).size();
    ASSERT_EQ(sim.Update(R"({"hdmi": {"state": "signal"}})"), 0);
    Pump(1500);
    EXPECT_NE(ApiLogTail(log_mark).find("HDMI Callback arrived."), std::string::npos);  // registered again
    EXPECT_EQ(Count(CPW_NOTIFY_HDMI), 0);
    EXPECT_EQ(State().available, 0u);
    // After the settle tick: no signal, then signal, and the video is available.
    ASSERT_EQ(sim.Update(R"({"hdmi": {"state": "no_signal"}})"), 0);
    ASSERT_TRUE(WaitFor(CPW_NOTIFY_HDMI, 1));
    ASSERT_EQ(sim.Update(R"({"hdmi": {"state": "signal"}})"), 0);
    ASSERT_TRUE(PumpUntil([&] { return State().available == 1; }, 3000));
    EXPECT_EQ(Count(CPW_NOTIFY_POWER), 0);
}

// A suspend whose device reads fail tells the client with CPW_NOTIFY_POWER.
TEST_F(VideoFlow, FailedSuspendNotifiesPower) {
    Start();
    ASSERT_EQ(sim.FailCommand(34, 0x10001u, MRCSIM_FAULT_FAIL, 1, 0, 0, 1), 0);  // watchdog read
    SendMessageW(hidden, WM_WTSSESSION_CHANGE, WTS_SESSION_LOCK, 0);
    EXPECT_EQ(g_notes, (std::vector<WPARAM>{CPW_NOTIFY_STATE, CPW_NOTIFY_POWER}));
    sim.ClearFaults();
}

// ---- Position and zoom --------------------------------------------------------------

// Wine's display is 1920 x 1080, unrotated; on an output of half that size
// the picture's rectangle is halved. The controller gets the mapped
// rectangle as the plane's destination, and the angle 0.
TEST_F(VideoFlow, PositionIsMappedOntoTheOutput) {
    ASSERT_EQ(sim.Update(R"({"output": {"width": 960, "height": 540}})"), 0);
    Start();
    ASSERT_EQ(cpw.Cpw_SetState(0, 1, 0), CPW_OK);
    Settle();
    sim.RecordClear();
    RECT r{100, 60, 740, 420};
    ASSERT_EQ(cpw.Cpw_SetVideoPosition(&r), CPW_OK);
    const Record rec = Await([](const Record& x) { return x.LastBox(kPlaneDst) == Box{50, 30, 320, 180}; });
    ASSERT_GE(rec.Draws(), 1);
    EXPECT_EQ(rec.LastBox(kPlaneDst), (Box{50, 30, 320, 180}));
    EXPECT_EQ(rec.LastWord(kPlaneAngle), 0u);
    EXPECT_EQ(rec.LastWord(kPlaneVideoEnb), 1u);
    EXPECT_EQ(cpw.Cpw_SetVideoPosition(nullptr), CPW_E_NULL);
}

// Zoom rectangles reach the controller through the worker: three within a
// period give one draw with the last; the reset gives the whole picture.
TEST_F(VideoFlow, ZoomRectanglesReachThePlaneThroughTheWorker) {
    Start();
    ASSERT_EQ(cpw.Cpw_SetState(0, 1, 0), CPW_OK);
    Settle();
    sim.RecordClear();
    // The input is 1920 x 1080, the zoom frame 3840 x 2160: half the numbers.
    const CpwZoomRect a{0, 0, 3840, 2160}, b{200, 100, 1920, 1080}, c{400, 200, 1600, 900};
    ASSERT_EQ(cpw.Cpw_ZoomVideo(&a), CPW_OK);
    ASSERT_EQ(cpw.Cpw_ZoomVideo(&b), CPW_OK);
    ASSERT_EQ(cpw.Cpw_ZoomVideo(&c), CPW_OK);
    Await([](const Record& x) { return x.Draws() >= 1; });
    Settle();
    {
        const Record rec(sim);
        EXPECT_EQ(rec.Draws(), 1);
        EXPECT_EQ(rec.Writes(kPlaneSrc), 1);
        EXPECT_EQ(rec.LastBox(kPlaneSrc), (Box{200, 100, 800, 450}));
    }
    sim.RecordClear();
    ASSERT_EQ(cpw.Cpw_ResetZoomVideo(), CPW_OK);
    Await([](const Record& x) { return x.Draws() >= 1; });
    Settle();
    {
        const Record rec(sim);
        EXPECT_EQ(rec.Draws(), 1);
        EXPECT_EQ(rec.LastBox(kPlaneSrc), (Box{0, 0, 1920, 1080}));
    }
    EXPECT_EQ(cpw.Cpw_ZoomVideo(nullptr), CPW_E_NULL);
}

// ---- Audio state ----------------------------------------------------------------------

// Wine has no line-level capture endpoint, so the pass-through cannot run;
// the state still says what the client asked for.
TEST_F(VideoFlow, AudioStateFollowsTheRequestWithoutACaptureEndpoint) {
    Start();
    ASSERT_EQ(cpw.Cpw_SetState(0, 1, 1), CPW_OK);
    Pump(kInterval * 2);
    CpwVideoState s = State();
    EXPECT_EQ(s.audio, 1u);
    EXPECT_EQ(s.video, 1u);
    Pump(300);
    EXPECT_EQ(State().audio, 1u);
    ASSERT_EQ(cpw.Cpw_SetState(0, 1, 0), CPW_OK);
    Pump(kInterval * 2);
    EXPECT_EQ(State().audio, 0u);
}

// ---- End to end ------------------------------------------------------------------------

// One session as the viewer drives it, with the controller's record checked
// after every step.
TEST_F(VideoFlow, ViewerSessionEndToEnd) {
    ASSERT_EQ(sim.Update(R"({"hdmi": {"state": "no_cable"}})"), 0);
    sim.RecordClear();

    // Initialise and register: session open, plane live, nothing available.
    Start();
    MrcSimStatus st{};
    sim.GetStatus(&st);
    EXPECT_EQ(st.session_open, 1u);
    EXPECT_EQ(st.playback_state, 1u);
    EXPECT_EQ(State().available, 0u);
    EXPECT_EQ(Hdmi().status, 2u);

    // The source is plugged in: the client hears of it and asks for play.
    ASSERT_EQ(sim.Update(R"({"hdmi": {"state": "signal"}})"), 0);
    ASSERT_TRUE(WaitFor(CPW_NOTIFY_HDMI));
    EXPECT_EQ(g_notes, (std::vector<WPARAM>{CPW_NOTIFY_STATE, CPW_NOTIFY_HDMI}));
    ASSERT_EQ(State().available, 1u);
    sim.RecordClear();
    ASSERT_EQ(cpw.Cpw_SetState(0, 1, 1), CPW_OK);
    CpwVideoState s = State();
    EXPECT_EQ(s.mode, 0u);
    EXPECT_EQ(s.video, 1u);
    EXPECT_EQ(s.audio, 1u);
    {
        // The plane words are written before the draw request goes out: wait for both.
        const Record rec = Await([](const Record& x) { return x.Wrote(kPlaneVideoEnb, 1u) && x.Draws() >= 1; });
        EXPECT_GE(rec.Draws(), 1);
        // The plane's enable reaches the controller; the bridge still hides
        // it while the position is the initial 1 x 1 placeholder.
        EXPECT_TRUE(rec.Wrote(kPlaneVideoEnb, 1u));
    }

    // Position and zoom of the play view.
    sim.RecordClear();
    RECT r{0, 0, 1920, 1080};
    ASSERT_EQ(cpw.Cpw_SetVideoPosition(&r), CPW_OK);
    const CpwZoomRect z{960, 540, 1920, 1080};
    ASSERT_EQ(cpw.Cpw_ZoomVideo(&z), CPW_OK);
    {
        const Record rec = Await([](const Record& x) {
            return x.LastBox(kPlaneDst) == Box{0, 0, 1920, 1080} && x.LastBox(kPlaneSrc) == Box{480, 270, 960, 540};
        });
        EXPECT_EQ(rec.LastBox(kPlaneDst), (Box{0, 0, 1920, 1080}));
        EXPECT_EQ(rec.LastBox(kPlaneSrc), (Box{480, 270, 960, 540}));
        EXPECT_EQ(rec.LastWord(kPlaneVideoEnb), 1u);
    }

    // The waveform opens: movie at 1280 x 720, frames reach the client.
    sim.RecordClear();
    ASSERT_EQ(cpw.Cpw_SetState(2, 1, 1), CPW_OK);
    EXPECT_EQ(State().mode, 2u);
    sim.GetStatus(&st);
    EXPECT_EQ(st.playback_state, 3u);
    {
        const Record rec(sim);
        ASSERT_EQ(rec.Commands(kCmdMovieStart), 1);
        EXPECT_EQ(rec.LastWord(0x0E100340u), 1280u);
        EXPECT_EQ(rec.LastWord(0x0E100344u), 720u);
        EXPECT_EQ(rec.LastWord(0x0E100348u), 0u);  // format 1
        EXPECT_EQ(rec.LastWord(0x0E10034Cu), 10u);
    }
    uint64_t last_id = 0;
    int frames = 0;
    ASSERT_TRUE(PumpUntil(
        [&] {
            CpwCaptureFrame* f = nullptr;
            if (cpw.Cpw_GetCaptureData(&f) != CPW_OK || f == nullptr) return false;
            EXPECT_EQ(f->width, 1280);
            EXPECT_EQ(f->height, 720);
            EXPECT_EQ(f->size, 1280u * 720u * 3u);
            // The same frame comes again until a newer one is complete.
            if (frames > 0) {
                EXPECT_GE(f->frame_id, last_id);
            }
            const bool fresh = frames == 0 || f->frame_id > last_id;
            last_id = f->frame_id;
            frames += fresh;
            cpw.Cpw_ReleaseCaptureData();
            return frames >= 3;
        },
        3000));
    ASSERT_EQ(cpw.Cpw_SetState(0, 1, 1), CPW_OK);
    sim.GetStatus(&st);
    EXPECT_EQ(st.playback_state, 1u);
    Settle();
    sim.GetStatus(&st);
    EXPECT_EQ(st.frames_out, 0u);  // every frame given back

    // A still: paused, captured, live again; the file is the controller's bitmap.
    sim.RecordClear();
    const std::wstring path = dir->path() + L"\\e2e.bmp";
    ASSERT_EQ(cpw.Cpw_SaveBitmapImage(path.c_str()), CPW_OK);
    sim.GetStatus(&st);
    EXPECT_EQ(st.playback_state, 1u);
    EXPECT_EQ(State().mode, 0u);
    {
        const Record rec(sim);
        EXPECT_EQ(rec.Commands(kCmdPause), 1);
        EXPECT_EQ(rec.Commands(kCmdStill), 1);
        EXPECT_EQ(rec.Commands(kCmdResume), 1);
        const std::string bmp = cwtest::ReadFileText(path);
        ASSERT_GE(bmp.size(), 54u);
        EXPECT_EQ(bmp.substr(0, 2), "BM");
        EXPECT_EQ(bmp.size(), 54u + 1920u * 3u * 1080u);
    }

    // Suspend and resume with the signal present: unavailable until the input
    // goes through no-signal; the forced pass resends the picture's groups.
    g_notes.clear();
    SendMessageW(hidden, WM_POWERBROADCAST, PBT_APMSUSPEND, 0);
    EXPECT_EQ(g_notes, (std::vector<WPARAM>{CPW_NOTIFY_STATE}));
    {
        const Record rec = Await([](const Record& x) { return x.LastWord(kPlaneVideoEnb) == 0u; });
        EXPECT_EQ(rec.LastWord(kPlaneVideoEnb), 0u);  // video switched off by the reset
    }
    sim.RecordClear();
    SendMessageW(hidden, WM_POWERBROADCAST, PBT_APMRESUMESUSPEND, 0);
    {
        const Record rec = Await([](const Record& r) {
            return r.Commands(kCmdSetLut) + r.Commands(kCmdSetMatrix) + r.Commands(kCmdSetDrive) +
                           r.Commands(kCmdSetMute) + r.Commands(kCmdSetAxes) >= 5 && r.Draws() >= 1;
        });
        for (uint32_t code : {kCmdSetLut, kCmdSetMatrix, kCmdSetDrive, kCmdSetMute, kCmdSetAxes})
            EXPECT_EQ(rec.Commands(code), 1) << std::hex << code;
        // Position and zoom as last asked, video still off.
        EXPECT_EQ(rec.LastBox(kPlaneDst), (Box{0, 0, 1920, 1080}));
        EXPECT_EQ(rec.LastBox(kPlaneSrc), (Box{480, 270, 960, 540}));
        EXPECT_EQ(rec.LastWord(kPlaneVideoEnb), 0u);
    }
    EXPECT_EQ(State().available, 0u);
    EXPECT_EQ(g_notes.size(), 1u);

    // The cable is pulled (after the settle second).
    Pump(1100);
    g_notes.clear();
    ASSERT_EQ(sim.Update(R"({"hdmi": {"state": "no_cable"}})"), 0);
    ASSERT_TRUE(WaitFor(CPW_NOTIFY_HDMI));
    EXPECT_EQ(Hdmi().status, 2u);
    EXPECT_EQ(State().available, 0u);
    EXPECT_EQ(Count(CPW_NOTIFY_POWER) + Count(CPW_NOTIFY_WATCHDOG), 0);

    // Finalize: the queue drained, the plane off, the session closed.
    sim.RecordClear();
    ASSERT_EQ(cpw.Cpw_Finalize(), CPW_OK);
    initialised = false;
    const Record rec(sim);
    EXPECT_EQ(rec.Commands(0x80000002u), 1);
    EXPECT_EQ(rec.LastWord(kPlaneVideoEnb, 0u), 0u);  // off since the suspend
    sim.GetStatus(&st);
    EXPECT_EQ(st.session_open, 0u);
    EXPECT_EQ(st.frames_out, 0u);
    CpwVideoState after{};
    EXPECT_EQ(cpw.Cpw_GetState(&after), CPW_E_NOT_READY);
}

// ---- A controller gone silent --------------------------------------------------

// The controller stops answering during a movie while the client reacts as the
// viewer does on its window thread (state and HDMI reads, the picture stopped
// on a watchdog or power notice). Each command keeps its 5 s limit, but once
// the controller is silent no later step of a supervision tick or of the
// finalisation waits that long again: the window thread's longest message
// and the whole Cpw_Finalize stay near one limit.
TEST_F(VideoFlow, SilentControllerHoldsTheWindowThreadForOneLimit) {
    Start();
    g_react = [this](WPARAM w) {
        if (w == CPW_NOTIFY_STATE) {
            CpwVideoState s{};
            (void)cpw.Cpw_GetState(&s);
        } else if (w == CPW_NOTIFY_HDMI) {
            CpwHdmiInfo h{};
            (void)cpw.Cpw_GetHdmiInfo(&h);
        } else {
            (void)cpw.Cpw_SetState(CPW_MODE_LIVE, 0, 0);
        }
    };
    ASSERT_EQ(cpw.Cpw_SetState(CPW_MODE_MOVIE, 1, 0), CPW_OK);
    ASSERT_TRUE(PumpUntil(
        [&] {
            CpwCaptureFrame* f = nullptr;
            const bool got = cpw.Cpw_GetCaptureData(&f) == CPW_OK && f != nullptr;
            cpw.Cpw_ReleaseCaptureData();
            return got;
        },
        3000));
    ASSERT_EQ(sim.FailCommand(MRCSIM_ANY_CHANNEL, MRCSIM_ANY_CODE, MRCSIM_FAULT_NO_REPLY, 0, 0, 0, -1), 0);

    using Clock = std::chrono::steady_clock;
    auto ms = [](Clock::duration d) { return std::chrono::duration_cast<std::chrono::milliseconds>(d).count(); };
    long long longest = 0;
    const auto end = Clock::now() + std::chrono::seconds(12);
    while (Clock::now() < end) {
        MSG msg;
        while (Clock::now() < end && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            const auto t0 = Clock::now();
            DispatchMessageW(&msg);
            const long long took = ms(Clock::now() - t0);
            if (took >= 1000) std::printf("window-thread message of %lld ms\n", took);
            longest = std::max(longest, took);
        }
        Sleep(5);
    }
    const auto t0 = Clock::now();
    EXPECT_EQ(cpw.Cpw_Finalize(), CPW_OK);
    const long long finalize = ms(Clock::now() - t0);
    initialised = false;
    std::printf("silent controller: longest window-thread message %lld ms, Cpw_Finalize %lld ms\n", longest,
                finalize);
    RecordProperty("longest_message_ms", std::to_string(longest));
    RecordProperty("finalize_ms", std::to_string(finalize));
    EXPECT_GE(Count(CPW_NOTIFY_WATCHDOG), 1) << "the silence was seen";
    EXPECT_LT(longest, 8000) << "one 5 s limit and a little";
    EXPECT_LT(finalize, 15000);
}
