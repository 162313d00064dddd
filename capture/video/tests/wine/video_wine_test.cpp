// Capwell's video side under Wine with the real bridge (Tolvane.dll) and the
// controller simulator (Merrowcom.dll): the state machine through a real client
// window, stills, movie frames, suspend and resume through window messages.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "Capwell.h"
#include "capture/video/win/StillFileWin.h"
#include "capture/video/VideoControl.h"
#include "tests/support/CwProcess.h"
#include "simulator/include/MrcSimClient.h"
#include "simulator/model/Pattern.h"

#include "capture/video/tests/wine/ClientWindow.h"

namespace {

// ---- Bound exports -----------------------------------------------------------

template <typename T>
T Bind(HMODULE m, const char* name) {
    return reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(m, name)));
}

struct Sim : mrcsim::Client {
    Sim() : mrcsim::Client(mrcsim::BindClient()) {}
    MrcSimStatus Status() {
        MrcSimStatus s{};
        GetStatus(&s);
        return s;
    }
};

struct Cpw {
    HMODULE m = LoadLibraryW(L"Capwell.dll");
#define CPW_FN(name) decltype(&::name) name = Bind<decltype(&::name)>(m, #name)
    CPW_FN(Cpw_Initialize);
    CPW_FN(Cpw_Finalize);
    CPW_FN(Cpw_RegisterNotifyWindowMessage);
    CPW_FN(Cpw_GetNotifyWindowMessageCode);
    CPW_FN(Cpw_SetState);
    CPW_FN(Cpw_GetState);
    CPW_FN(Cpw_GetHdmiInfo);
    CPW_FN(Cpw_GetCaptureData);
    CPW_FN(Cpw_ReleaseCaptureData);
    CPW_FN(Cpw_SaveBitmapImage);
    CPW_FN(Cpw_SetVideoPosition);
#undef CPW_FN
    ~Cpw() {
        if (m != nullptr) FreeLibrary(m);
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

// Initialised library with a registered client, fresh per test (a process
// initialises the library once per load).
class VideoWine : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(sim.complete);
        ASSERT_EQ(sim.Reset(kScenario), 0) << sim.LastError();
        dir = std::make_unique<cwtest::TempDir>();
        const std::wstring reports = dir->path() + L"\\reports.txt";
        SetEnvironmentVariableW(L"CAPWELL_REPORT_FILE", reports.c_str());
        cpw = std::make_unique<Cpw>();
        ASSERT_NE(cpw->m, nullptr);
        CpwInitParams p{};
        wcscpy(reinterpret_cast<wchar_t*>(p.name), L"CwVideoTest");
        p.interval = 16;
        p.audio_delay = 20;
        p.wdt_interval = 2000;
        p.wdt_err_count = 5;
        ASSERT_EQ(cpw->Cpw_Initialize(&p), CPW_OK);
        client = MakeClient();
        ASSERT_NE(client, nullptr);
        uint32_t code = 0;
        ASSERT_EQ(cpw->Cpw_GetNotifyWindowMessageCode(&code), CPW_OK);
        g_code = code;
        g_notes.clear();
        ASSERT_EQ(cpw->Cpw_RegisterNotifyWindowMessage(client), CPW_OK);
        hidden = FindWindowW(L"Capwell_VideoInput", nullptr);
        ASSERT_NE(hidden, nullptr);
    }
    void TearDown() override {
        if (cpw) {
            EXPECT_EQ(cpw->Cpw_Finalize(), CPW_OK);
        }
        cpw.reset();
        if (client != nullptr) DestroyWindow(client);
        g_code = 0;
    }
    CpwVideoState State() {
        CpwVideoState s{};
        EXPECT_EQ(cpw->Cpw_GetState(&s), CPW_OK);
        return s;
    }
    std::wstring PathIn(const wchar_t* name) { return dir->path() + L"\\" + name; }
    // What the library reported (bridge failures), for a failed expectation.
    std::string Reports() {
        std::ifstream f((dir->path() + L"\\reports.txt").c_str());
        std::string text = "reports:\n" + std::string((std::istreambuf_iterator<char>(f)), {});
        // The controller's last commands, to tell who moved the plane.
        const uint32_t n = sim.RecordCount();
        text += "last commands:";
        for (uint32_t i = n > 120 ? n - 120 : 0; i < n; ++i) {
            MrcSimRecord r{};
            if (sim.RecordGet(i, &r) != 0) continue;
            char line[64];
            if (r.kind == 1)
                std::snprintf(line, sizeof line, "\n %llu ch%u:0x%X", (unsigned long long)r.seq, r.channel, r.words[0]);
            else
                std::snprintf(line, sizeof line, " [%X=%u]", r.address & 0xFFFF, r.words[0]);
            text += line;
        }
        return text;
    }

    Sim sim;
    std::unique_ptr<Cpw> cpw;
    HWND client = nullptr;
    HWND hidden = nullptr;
    std::unique_ptr<cwtest::TempDir> dir;
};

std::vector<uint8_t> ReadAll(const std::wstring& path) {
    std::ifstream f(path.c_str(), std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), {});
}
uint32_t U32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24; }
uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

}  // namespace

// ---- State machine ----------------------------------------------------------

TEST_F(VideoWine, PlayRequestsDriveThePlaneAndNotifyOnce) {
    EXPECT_EQ(State().available, 1u);
    EXPECT_EQ(cpw->Cpw_SetState(0, 1, 1), CPW_OK);
    EXPECT_EQ(g_notes, (std::vector<WPARAM>{CPW_NOTIFY_STATE}));
    EXPECT_EQ(cpw->Cpw_SetState(0, 1, 1), CPW_OK);  // nothing changes: no notification
    EXPECT_EQ(g_notes.size(), 1u);
    EXPECT_EQ(cpw->Cpw_SetState(1, 1, 1), CPW_OK);
    EXPECT_EQ(sim.Status().playback_state, 2u);
    EXPECT_EQ(cpw->Cpw_SetState(0, 1, 1), CPW_OK);
    EXPECT_EQ(sim.Status().playback_state, 1u);
    EXPECT_EQ(Count(CPW_NOTIFY_STATE), 3);
}

TEST_F(VideoWine, SuspendAndResumeThroughWindowMessages) {
    cpw->Cpw_SetState(0, 1, 1);
    g_notes.clear();
    SendMessageW(hidden, WM_POWERBROADCAST, PBT_APMSUSPEND, 0);
    EXPECT_EQ(g_notes, (std::vector<WPARAM>{CPW_NOTIFY_STATE}));
    EXPECT_EQ(State().available, 0u);
    cpw->Cpw_SetState(0, 1, 1);  // ignored while suspended
    EXPECT_EQ(g_notes.size(), 1u);
    SendMessageW(hidden, WM_POWERBROADCAST, PBT_APMRESUMESUSPEND, 0);
    EXPECT_EQ(g_notes.size(), 1u);  // no notification at the resume
    EXPECT_EQ(State().available, 0u);

    // After the settle tick the input goes through no-signal and back.
    Pump(1300);
    sim.Update(R"({"hdmi": {"state": "no_signal"}})");
    ASSERT_TRUE(PumpUntil([] { return Count(CPW_NOTIFY_HDMI) >= 1; }, 4000));
    sim.Update(R"({"hdmi": {"state": "signal"}})");
    ASSERT_TRUE(PumpUntil([&] { return State().available == 1; }, 4000));
    EXPECT_EQ(Count(CPW_NOTIFY_POWER), 0);
}

TEST_F(VideoWine, DisplayChangeWhileSignalPresentMakesVideoUnavailable) {
    cpw->Cpw_SetState(0, 1, 0);
    g_notes.clear();
    SendMessageW(hidden, WM_DISPLAYCHANGE, 32, MAKELPARAM(1920, 1080));
    EXPECT_EQ(g_notes, (std::vector<WPARAM>{CPW_NOTIFY_STATE}));
    EXPECT_EQ(State().available, 0u);
}

TEST_F(VideoWine, LockedSessionSuspendsAndUnlockResumes) {
    cpw->Cpw_SetState(0, 1, 0);
    g_notes.clear();
    SendMessageW(hidden, WM_WTSSESSION_CHANGE, WTS_SESSION_LOCK, 0);
    SendMessageW(hidden, WM_WTSSESSION_CHANGE, WTS_CONSOLE_DISCONNECT, 0);
    EXPECT_EQ(g_notes, (std::vector<WPARAM>{CPW_NOTIFY_STATE}));
    SendMessageW(hidden, WM_WTSSESSION_CHANGE, WTS_SESSION_UNLOCK, 0);
    EXPECT_EQ(Count(CPW_NOTIFY_POWER), 0);
    cpw->Cpw_SetState(1, 1, 0);  // accepted again
    EXPECT_EQ(State().mode, 1u);
}

// ---- Stills -------------------------------------------------------------------

TEST_F(VideoWine, StillIsAValid24BitBitmapOfTheSimulatorsPicture) {
    cpw->Cpw_SetState(0, 1, 0);
    const std::wstring path = PathIn(L"still.bmp");
    ASSERT_EQ(cpw->Cpw_SaveBitmapImage(path.c_str()), CPW_OK) << Reports();
    EXPECT_EQ(sim.Status().playback_state, 1u);  // live again
    EXPECT_EQ(State().mode, 0u);

    const std::vector<uint8_t> bmp = ReadAll(path);
    ASSERT_GE(bmp.size(), 54u);
    EXPECT_EQ(bmp[0], 'B');
    EXPECT_EQ(bmp[1], 'M');
    EXPECT_EQ(U32(&bmp[2]), bmp.size());
    EXPECT_EQ(U32(&bmp[10]), 54u);
    EXPECT_EQ(U32(&bmp[14]), 40u);
    const uint32_t w = U32(&bmp[18]), h = U32(&bmp[22]);
    EXPECT_EQ(w, 1920u);
    EXPECT_EQ(h, 1080u);
    EXPECT_EQ(U16(&bmp[26]), 1);
    EXPECT_EQ(U16(&bmp[28]), 24);
    const uint32_t row = (w * 3 + 3) / 4 * 4;
    ASSERT_EQ(bmp.size(), 54u + static_cast<size_t>(row) * h);

    // Bottom-up rows: the picture's top row is the file's last.
    const uint8_t* top = bmp.data() + 54 + static_cast<size_t>(row) * (h - 1);
    const int64_t frame = mrcsim::PatternRenderer::ReadCounter(top, w, h, -static_cast<ptrdiff_t>(row));
    ASSERT_GE(frame, 0);
    std::vector<uint8_t> expected(static_cast<size_t>(row) * h);
    mrcsim::PatternRenderer r;
    r.Render(static_cast<uint64_t>(frame), w, h, 1, expected.data() + static_cast<size_t>(row) * (h - 1),
             -static_cast<ptrdiff_t>(row));
    EXPECT_TRUE(std::memcmp(expected.data(), bmp.data() + 54, expected.size()) == 0);
}

TEST_F(VideoWine, StillFailuresLeaveThePlaneLive) {
    cpw->Cpw_SetState(0, 1, 0);
    const std::wstring missing = PathIn(L"no-such-folder\\x.bmp");
    EXPECT_EQ(cpw->Cpw_SaveBitmapImage(missing.c_str()), CPW_E_OPEN) << Reports();
    EXPECT_EQ(sim.Status().playback_state, 1u);

    sim.Update(R"({"hdmi": {"hdcp": true}})");
    Pump(100);
    const std::wstring path = PathIn(L"hdcp.bmp");
    EXPECT_EQ(cpw->Cpw_SaveBitmapImage(path.c_str()), CPW_E_QUERY);
    EXPECT_EQ(sim.Status().playback_state, 1u);
    EXPECT_EQ(GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(cpw->Cpw_SaveBitmapImage(nullptr), CPW_E_NULL);
}

TEST_F(VideoWine, StillsBesidePositionChangesSucceed) {
    // Each position change makes the worker's next pass redraw the plane, and a
    // redraw drops the still the controller prepared. The pass lands at a
    // different moment of each capture.
    cpw->Cpw_SetState(0, 1, 0);
    const std::wstring path = PathIn(L"moved.bmp");
    for (int i = 0; i < 8; ++i) {
        RECT r{i, 0, 1280 + i, 720};
        ASSERT_EQ(cpw->Cpw_SetVideoPosition(&r), CPW_OK);
        Sleep(static_cast<DWORD>(2 * i));
        ASSERT_EQ(cpw->Cpw_SaveBitmapImage(path.c_str()), CPW_OK) << "capture " << i << "\n" << Reports();
        EXPECT_EQ(sim.Status().playback_state, 1u);
    }
}

namespace {
// The real Win32 file with a device that fails after the first megabyte.
class FailingFile : public Capwell::Lib::StillFileWin {
protected:
    bool WriteChunk(const uint8_t* data, DWORD size, DWORD& written) override {
        if (calls_++ > 0) return false;
        return StillFileWin::WriteChunk(data, size, written);
    }

private:
    int calls_ = 0;
};
}  // namespace

TEST(StillFile, WriteFaultRemovesThePartialFile) {
    cwtest::TempDir dir;
    const std::wstring path = dir.path() + L"\\partial.bmp";
    std::vector<uint8_t> data(3u << 20, 0x5A);
    FailingFile f;
    EXPECT_EQ(Capwell::Lib::WriteStillFile(f, path.c_str(), data.data(), data.size()), CPW_E_WRITE);
    EXPECT_EQ(GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES);
    Capwell::Lib::StillFileWin ok;
    EXPECT_EQ(Capwell::Lib::WriteStillFile(ok, path.c_str(), data.data(), data.size()), CPW_OK);
    EXPECT_EQ(ReadAll(path), data);
}

// ---- Movie frames -------------------------------------------------------------

TEST_F(VideoWine, MovieFramesReachTheClientWhole) {
    CpwCaptureFrame* f = nullptr;
    EXPECT_EQ(cpw->Cpw_GetCaptureData(nullptr), CPW_E_NULL);
    ASSERT_EQ(cpw->Cpw_SetState(2, 1, 0), CPW_OK);
    EXPECT_EQ(sim.Status().playback_state, 3u);
    ASSERT_TRUE(PumpUntil([&] { return cpw->Cpw_GetCaptureData(&f) == CPW_OK && f != nullptr; }, 5000));
    EXPECT_EQ(f->width, 1280);
    EXPECT_EQ(f->height, 720);
    EXPECT_EQ(f->format, 0u);
    EXPECT_EQ(f->usage, CPW_FRAME_HELD);
    CpwCaptureFrame* again = reinterpret_cast<CpwCaptureFrame*>(1);
    EXPECT_EQ(cpw->Cpw_GetCaptureData(&again), CPW_OK);
    EXPECT_EQ(again, nullptr);  // one frame at a time
    const uint64_t held_id = f->frame_id;
    Pump(300);
    EXPECT_EQ(f->frame_id, held_id);  // the held frame is never overwritten
    EXPECT_EQ(cpw->Cpw_ReleaseCaptureData(), CPW_OK);

    // A reader thread takes and releases frames while the callback fills them.
    const char* soak = std::getenv("CW_SOAK_SECONDS");
    const int seconds = soak != nullptr ? std::atoi(soak) : 10;
    std::atomic<bool> stop{false};
    std::atomic<int> torn{0}, seen{0}, backwards{0};
    std::thread reader([&] {
        mrcsim::PatternRenderer r;
        std::vector<uint8_t> expected;
        uint64_t last = 0;
        while (!stop.load()) {
            CpwCaptureFrame* fr = nullptr;
            if (cpw->Cpw_GetCaptureData(&fr) != CPW_OK || fr == nullptr) {
                Sleep(2);
                continue;
            }
            if (fr->frame_id != last) {
                if (fr->frame_id < last) ++backwards;
                last = fr->frame_id;
                const uint32_t row = (fr->width * 3u + 3u) / 4u * 4u;
                const int64_t counter = mrcsim::PatternRenderer::ReadCounter(fr->data, fr->width, fr->height, row);
                expected.assign(static_cast<size_t>(row) * fr->height, 0);
                if (counter >= 0)
                    r.Render(static_cast<uint64_t>(counter), fr->width, fr->height, 1, expected.data(), row);
                if (counter < 0 || fr->size != expected.size() ||
                    std::memcmp(expected.data(), fr->data, expected.size()) != 0)
                    ++torn;
                ++seen;
            }
            cpw->Cpw_ReleaseCaptureData();
        }
    });
    Pump(seconds * 1000);
    stop = true;
    reader.join();
    EXPECT_EQ(torn.load(), 0);
    EXPECT_EQ(backwards.load(), 0);
    EXPECT_GT(seen.load(), seconds * 5);  // 10 per second asked of the controller
    cpw->Cpw_SetState(0, 1, 0);
    EXPECT_EQ(sim.Status().playback_state, 1u);
}
