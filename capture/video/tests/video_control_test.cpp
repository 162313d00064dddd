// The handler, the supervision timers, suspend and resume, movie start and the
// still sequence, against a recording stand-in for the library and controller.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "capture/video/tests/FakeVideoHost.h"
#include "capture/video/VideoControl.h"

using namespace Capwell::Lib;
using cwtest::FakeVideoHost;
using Strings = std::vector<std::string>;

namespace {

struct Fixture {
    FakeVideoHost host;
    VideoControl* self = nullptr;
    VideoState state{[this](VideoStateChangedEventArgs a) { self->OnVideoStateChanged(a); }};
    VideoControl vc{host, state};
    Fixture() {
        self = &vc;
        vc.PostInitDone(kInputSignal);
        host.calls.clear();
        host.notes.clear();
    }
    void Playing() {
        vc.SetState(0, 1, 1);
        host.calls.clear();
        host.notes.clear();
    }
};

// In-memory files with an optional write or close fault.
struct MemFiles : StillFile {
    std::map<std::u16string, std::vector<uint8_t>> files;
    std::u16string open_path;
    bool fail_create = false, fail_write = false, fail_close = false;

    static std::u16string Key(const CpwWChar* p) {
        std::u16string s;
        while (*p) s.push_back(static_cast<char16_t>(*p++));
        return s;
    }
    bool Create(const CpwWChar* path) override {
        if (fail_create) return false;
        open_path = Key(path);
        files[open_path].clear();
        return true;
    }
    bool Write(const uint8_t* d, std::size_t n) override {
        auto& f = files[open_path];
        if (fail_write) {
            f.insert(f.end(), d, d + n / 2);  // a partial write, then the error
            return false;
        }
        f.insert(f.end(), d, d + n);
        return true;
    }
    bool Close() override { return !fail_close; }
    bool Exists(const CpwWChar* path) override { return files.count(Key(path)) != 0; }
    void Remove(const CpwWChar* path) override { files.erase(Key(path)); }
};

const CpwWChar kPath[] = {'a', '.', 'b', 'm', 'p', 0};

}  // namespace

// ---- Handler ---------------------------------------------------------------

TEST(VideoHandler, PlaneSwitchComesFirstThenAudioVideoThenOneNotification) {
    Fixture f;
    f.vc.SetState(1, 1, 1);
    EXPECT_EQ(f.host.calls,
              (Strings{"state", "pause", "audio=1", "video=1", "notify=2"}));
    EXPECT_EQ(f.host.plane, KDR_STATE_PAUSED);
    f.host.calls.clear();
    f.vc.SetState(0, 1, 1);
    EXPECT_EQ(f.host.calls, (Strings{"state", "play", "notify=2"}));
    EXPECT_EQ(f.host.plane, KDR_STATE_LIVE);
}

TEST(VideoHandler, LiveOnALivePlaneAndPauseOnAPausedPlaneCallNothing) {
    Fixture f;
    f.vc.SetState(1, 0, 0);
    f.host.plane = KDR_STATE_LIVE;  // went live by itself meanwhile
    f.host.calls.clear();
    f.vc.State().Post({EV_LIVE});
    f.host.plane = KDR_STATE_PAUSED;
    f.vc.State().Post({EV_PAUSE});
    EXPECT_EQ(f.host.calls, (Strings{"state", "notify=2", "state", "notify=2"}));
}

TEST(VideoHandler, PauseDuringAMovieGoesThroughLive) {
    Fixture f;
    f.vc.SetState(2, 1, 0);
    ASSERT_EQ(f.host.plane, KDR_STATE_MOVIE);
    f.host.calls.clear();
    f.vc.SetState(1, 1, 0);
    EXPECT_EQ(f.host.calls, (Strings{"state", "play", "pause", "notify=2"}));
    EXPECT_EQ(f.host.plane, KDR_STATE_PAUSED);
}

TEST(VideoHandler, FailedPlaneReadKeepsTheNewWords) {
    Fixture f;
    f.host.plane_read_result = KDR_ERR_TIMEOUT;
    f.vc.SetState(1, 1, 0);
    EXPECT_EQ(f.vc.State().Words().mode, 1u);
    EXPECT_FALSE(f.host.Called("pause"));
    EXPECT_EQ(f.host.notes, (std::vector<uint32_t>{CPW_NOTIFY_STATE}));
}

TEST(VideoHandler, NoChangeNoNotification) {
    Fixture f;
    f.Playing();
    f.vc.SetState(0, 1, 1);
    EXPECT_TRUE(f.host.calls.empty());
}

// ---- Movie start -----------------------------------------------------------

TEST(MovieStart, FullHdInputFillsTheCaptureSize) {
    Fixture f;
    f.vc.SetState(2, 1, 0);
    EXPECT_EQ(f.host.calls, (Strings{"state", "query_hdmi", "setting", "movie", "video=1",
                                     "notify=2"}));
    const KdrMovieSetting& s = f.host.last_setting;
    EXPECT_EQ(s.size.x, 1280);
    EXPECT_EQ(s.size.y, 720);
    EXPECT_EQ(s.format, 1);
    EXPECT_EQ(s.fps, 10);
    EXPECT_EQ(s.buffer.buffer, f.host.movie_buffer);
    EXPECT_EQ(s.buffer.size, sizeof f.host.movie_buffer);
    EXPECT_EQ(f.vc.LastMovieFormat(), 1);
}

TEST(MovieStart, NotStartedWithoutSignalWithHdcpOrWithoutSession) {
    struct Case {
        const char* name;
        void (*setup)(FakeVideoHost&);
    } cases[] = {
        {"hdcp", [](FakeVideoHost& h) { h.hdmi.detect_hdcp = 1; }},
        {"no signal", [](FakeVideoHost& h) { h.input = kInputNoSignal; }},
        {"closed", [](FakeVideoHost& h) { h.open = false; }},
        {"zero size", [](FakeVideoHost& h) { h.hdmi.width = 0; }},
        {"already movie", [](FakeVideoHost& h) { h.plane = KDR_STATE_MOVIE; }},
    };
    for (const auto& c : cases) {
        Fixture f;
        c.setup(f.host);
        f.vc.SetState(2, 0, 0);
        EXPECT_FALSE(f.host.Called("setting")) << c.name;
        EXPECT_FALSE(f.host.Called("movie")) << c.name;
        EXPECT_EQ(f.vc.State().Words().mode, 2u) << c.name;
    }
}

TEST(MovieStart, FailedSettingStopsBeforeTheMovieCommand) {
    Fixture f;
    f.host.setting_result = KDR_ERR_PARAM;
    f.vc.SetState(2, 0, 0);
    EXPECT_FALSE(f.host.Called("movie"));
    EXPECT_EQ(f.vc.LastMovieFormat(), 0);
}

TEST(MovieStart, FromPauseGoesLiveFirst) {
    Fixture f;
    f.vc.SetState(1, 0, 0);
    f.host.calls.clear();
    f.vc.SetState(2, 0, 0);
    EXPECT_EQ(f.host.calls, (Strings{"state", "query_hdmi", "play", "setting", "movie",
                                     "notify=2"}));
    EXPECT_EQ(f.host.plane, KDR_STATE_MOVIE);
}

TEST(MovieStart, DoesNotSwallowAPendingHdmiChange) {
    Fixture f;
    f.host.hdmi_changed = true;
    f.vc.SetState(2, 0, 0);
    EXPECT_TRUE(f.host.hdmi_changed);
}

// ---- Timer 1 ---------------------------------------------------------------

TEST(Timer1, WatchdogFailureNotifies) {
    Fixture f;
    f.vc.OnSupervisionTimer();
    EXPECT_TRUE(f.host.notes.empty());
    f.host.watchdog_ok = false;
    f.vc.OnSupervisionTimer();
    EXPECT_EQ(f.host.notes, (std::vector<uint32_t>{CPW_NOTIFY_WATCHDOG}));
}

TEST(Timer1, PlaneStateReportsMoveTheMode) {
    Fixture f;
    f.Playing();
    f.host.state_changed = true;
    f.host.plane = KDR_STATE_PAUSED;
    f.vc.OnSupervisionTimer();
    EXPECT_EQ(f.vc.State().Words().mode, 1u);
    EXPECT_FALSE(f.host.state_changed);
    // A movie the library never set up counts as format 2.
    f.host.state_changed = true;
    f.host.plane = KDR_STATE_MOVIE;
    f.vc.OnSupervisionTimer();
    EXPECT_EQ(f.vc.State().Words().mode, 2u);
    EXPECT_EQ(f.vc.State().Words().movie_format, 1u);
    f.host.state_changed = true;
    f.host.plane = KDR_STATE_LIVE;
    f.vc.OnSupervisionTimer();
    EXPECT_EQ(f.vc.State().Words().mode, 0u);
}

TEST(Timer1, MovieReportAfterOwnStartUsesTheFormatSent) {
    Fixture f;
    f.vc.SetState(2, 0, 0);
    f.vc.SetState(0, 0, 0);
    f.host.plane = KDR_STATE_MOVIE;
    f.host.state_changed = true;
    f.vc.OnSupervisionTimer();
    EXPECT_EQ(f.vc.State().Words().mode, 2u);
    EXPECT_EQ(f.vc.State().Words().movie_format, 0u);
}

TEST(Timer1, FailedPlaneReadPostsNothingAndKeepsTheFlag) {
    Fixture f;
    f.Playing();
    f.host.state_changed = true;
    f.host.plane = KDR_STATE_PAUSED;
    f.host.plane_read_result = KDR_ERR_FAIL;
    f.vc.OnSupervisionTimer();
    EXPECT_TRUE(f.host.state_changed);
    EXPECT_EQ(f.vc.State().Words().mode, 0u);
    EXPECT_TRUE(f.host.notes.empty());
}

TEST(Timer1, HdmiChangeMapsStatusToInputEventsAndAlwaysNotifies) {
    Fixture f;
    f.Playing();
    f.host.hdmi_changed = true;
    f.host.hdmi.status = 1;
    f.host.input = kInputNoSignal;
    f.vc.OnSupervisionTimer();
    EXPECT_EQ(f.host.notes, (std::vector<uint32_t>{CPW_NOTIFY_STATE, CPW_NOTIFY_HDMI}));
    EXPECT_TRUE(f.vc.State().NoSignal());
    EXPECT_FALSE(f.host.hdmi_changed);

    f.host.notes.clear();
    f.host.hdmi_changed = true;
    f.host.hdmi.status = 0;
    f.host.input = kInputSignal;
    f.vc.OnSupervisionTimer();
    EXPECT_EQ(f.vc.State().Words().available, 1u);
    EXPECT_EQ(f.host.notes, (std::vector<uint32_t>{CPW_NOTIFY_STATE, CPW_NOTIFY_HDMI}));

    f.host.notes.clear();
    f.host.hdmi_changed = true;
    f.host.hdmi.status = 2;
    f.host.input = kInputCableLost;
    f.vc.OnSupervisionTimer();
    EXPECT_EQ(f.vc.State().Words().available, 0u);

    // Same input again: no state change, the HDMI notification still goes out.
    f.host.notes.clear();
    f.host.hdmi_changed = true;
    f.vc.OnSupervisionTimer();
    EXPECT_EQ(f.host.notes, (std::vector<uint32_t>{CPW_NOTIFY_HDMI}));
}

TEST(Timer1, HdmiReadErrorIsADeviceErrorForGood) {
    Fixture f;
    f.Playing();
    f.host.hdmi_changed = true;
    f.host.input = kInputError;
    f.vc.OnSupervisionTimer();
    EXPECT_TRUE(f.vc.State().Error());
    EXPECT_EQ(f.host.notes, (std::vector<uint32_t>{CPW_NOTIFY_STATE, CPW_NOTIFY_HDMI}));
    f.vc.SetState(0, 1, 1);
    EXPECT_EQ(f.vc.State().Words().video, 0u);
}

// ---- Suspend and resume ----------------------------------------------------

TEST(Power, SuspendResumeNotifiesOnlyAtTheSuspendAndKeepsVideoUnavailable) {
    Fixture f;
    f.Playing();
    f.vc.OnPowerAction(PowerAction::kSuspend, true, true);
    EXPECT_EQ(f.host.calls, (Strings{"audio=0", "video=0", "notify=2", "stop_timer1",
                                     "suspend_device", "sleep1000"}));
    EXPECT_FALSE(f.host.timer1);
    f.host.calls.clear();
    f.vc.SetState(0, 1, 1);  // ignored while suspended
    EXPECT_TRUE(f.host.calls.empty());

    f.vc.OnPowerAction(PowerAction::kResume, true, false);
    EXPECT_EQ(f.host.calls, (Strings{"settle_off", "resume_device", "start_timer1",
                                     "start_timer2", "read_hdmi"}));
    EXPECT_EQ(f.vc.State().Words().available, 0u);
    EXPECT_FALSE(f.host.settle);
    f.vc.OnSettleTimer();
    EXPECT_TRUE(f.host.settle);

    f.host.hdmi_changed = true;
    f.host.hdmi.status = 1;
    f.vc.OnSupervisionTimer();
    f.host.hdmi_changed = true;
    f.host.hdmi.status = 0;
    f.vc.OnSupervisionTimer();
    EXPECT_EQ(f.vc.State().Words().available, 1u);
}

TEST(Power, RepeatedSuspendAndResumeWithoutSuspendDoNothing) {
    Fixture f;
    f.vc.OnPowerAction(PowerAction::kResume, true, false);
    EXPECT_TRUE(f.host.calls.empty());
    f.vc.OnPowerAction(PowerAction::kSuspend, true, true);
    f.host.calls.clear();
    f.vc.OnPowerAction(PowerAction::kSuspend, true, true);  // lock after suspend
    EXPECT_TRUE(f.host.calls.empty());
    f.vc.OnPowerAction(PowerAction::kResume, true, false);
    EXPECT_TRUE(f.host.Called("resume_device"));
}

TEST(Power, NothingWhileNotInitialised) {
    Fixture f;
    f.vc.OnPowerAction(PowerAction::kSuspend, false, true);
    EXPECT_TRUE(f.host.calls.empty());
    EXPECT_FALSE(f.vc.State().Suspended());
}

TEST(Power, FailuresNotifyPower) {
    {
        Fixture f;
        f.host.suspend_ok = false;
        f.vc.Suspend();
        EXPECT_EQ(f.host.notes, (std::vector<uint32_t>{CPW_NOTIFY_STATE, CPW_NOTIFY_POWER}));
        f.host.notes.clear();
        f.host.resume_ok = false;
        f.vc.Resume();
        EXPECT_EQ(f.host.notes, (std::vector<uint32_t>{CPW_NOTIFY_POWER}));
        EXPECT_TRUE(f.host.timer1);
    }
    {
        Fixture f;
        f.vc.Suspend();
        f.host.notes.clear();
        f.host.input = kInputError;
        f.vc.Resume();
        EXPECT_TRUE(f.vc.State().Error());
        EXPECT_EQ(f.host.notes, (std::vector<uint32_t>{CPW_NOTIFY_POWER}));
    }
}

TEST(Power, ResumeWithInputLostReportsIt) {
    Fixture f;
    f.vc.Suspend();
    f.host.hdmi.status = 2;
    f.host.input = kInputCableLost;
    f.vc.Resume();
    EXPECT_TRUE(f.vc.State().NoSignal());
}

TEST(Power, MessageDecoding) {
    const uint8_t off = 0, on = 1, dim = 2;
    EXPECT_EQ(PowerBroadcastAction(4, false, nullptr, 0), PowerAction::kSuspend);
    EXPECT_EQ(PowerBroadcastAction(5, false, nullptr, 0), PowerAction::kSuspend);
    EXPECT_EQ(PowerBroadcastAction(6, false, nullptr, 0), PowerAction::kNone);
    EXPECT_EQ(PowerBroadcastAction(7, false, nullptr, 0), PowerAction::kResume);
    EXPECT_EQ(PowerBroadcastAction(8, false, nullptr, 0), PowerAction::kResume);
    EXPECT_EQ(PowerBroadcastAction(0x8013, true, &off, 1), PowerAction::kSuspend);
    EXPECT_EQ(PowerBroadcastAction(0x8013, true, &on, 1), PowerAction::kResume);
    EXPECT_EQ(PowerBroadcastAction(0x8013, true, &dim, 1), PowerAction::kNone);
    EXPECT_EQ(PowerBroadcastAction(0x8013, true, &off, 0), PowerAction::kNone);
    EXPECT_EQ(PowerBroadcastAction(0x8013, true, nullptr, 4), PowerAction::kNone);
    EXPECT_EQ(PowerBroadcastAction(0x8013, false, &off, 1), PowerAction::kNone);
    EXPECT_EQ(SessionChangeAction(1), PowerAction::kResume);
    EXPECT_EQ(SessionChangeAction(2), PowerAction::kSuspend);
    EXPECT_EQ(SessionChangeAction(7), PowerAction::kSuspend);
    EXPECT_EQ(SessionChangeAction(8), PowerAction::kResume);
    EXPECT_EQ(SessionChangeAction(3), PowerAction::kNone);
}

TEST(Display, ChangeRefreshesWhenInitialisedAndResets) {
    Fixture f;
    f.Playing();
    f.vc.OnDisplayChange(true);
    EXPECT_EQ(f.host.calls, (Strings{"display", "audio=0", "video=0", "notify=2"}));
    EXPECT_EQ(f.vc.State().Words().available, 0u);
    f.host.calls.clear();
    f.vc.OnDisplayChange(false);
    EXPECT_TRUE(f.host.calls.empty());
}

// ---- Position and zoom -----------------------------------------------------

TEST(Position, ProbesTheDisplayThenQueuesTheRectangle) {
    Fixture f;
    f.vc.SetVideoPosition(100, 50, 740, 410);
    EXPECT_EQ(f.host.calls, (Strings{"display", "position"}));
    EXPECT_EQ(f.host.last_position[2], 640);
    EXPECT_EQ(f.host.last_position[3], 360);
    // Extreme coordinates do not overflow the width.
    f.vc.SetVideoPosition(INT32_MIN, 0, INT32_MAX, -5);
    EXPECT_EQ(f.host.last_position[2], INT32_MAX);
    EXPECT_EQ(f.host.last_position[3], -5);
    f.host.calls.clear();
    f.vc.Zoom(CpwZoomRect{-10, 20, 1920, 1080});
    f.vc.ResetZoom();
    EXPECT_EQ(f.host.calls, (Strings{"zoom -10,20,1920,1080", "zoom_whole"}));
}

// ---- Stills ------------------------------------------------------------------

TEST(Still, PausesCapturesWritesAndGoesBackLive) {
    Fixture f;
    f.Playing();
    f.host.still.assign(70, 0xA5);
    MemFiles files;
    EXPECT_EQ(f.vc.SaveBitmapImage(kPath, files), CPW_OK);
    EXPECT_EQ(files.files[u"a.bmp"], f.host.still);
    EXPECT_EQ(f.host.plane, KDR_STATE_LIVE);
    EXPECT_EQ(f.vc.State().Words().mode, 0u);
    // The worker is held from the plane read to the bitmap: a pass in between
    // would redraw the plane and the bridge would refuse the bitmap.
    EXPECT_EQ(f.host.calls, (Strings{"state", "pause", "notify=2", "query_hdmi", "hold", "state",
                                     "still_info", "still_bitmap", "release", "state", "play",
                                     "notify=2"}));
}

TEST(Still, AlreadyPausedStaysPaused) {
    Fixture f;
    f.vc.SetState(1, 1, 0);
    f.host.still.assign(60, 1);
    MemFiles files;
    EXPECT_EQ(f.vc.SaveBitmapImage(kPath, files), CPW_OK);
    EXPECT_EQ(f.host.plane, KDR_STATE_PAUSED);
    EXPECT_EQ(f.vc.State().Words().mode, 1u);
}

TEST(Still, HdcpGivesQueryErrorAndThePlaneIsLiveAgain) {
    Fixture f;
    f.Playing();
    f.host.hdmi.detect_hdcp = 1;
    f.host.still.assign(60, 1);
    MemFiles files;
    EXPECT_EQ(f.vc.SaveBitmapImage(kPath, files), CPW_E_QUERY);
    EXPECT_EQ(f.host.plane, KDR_STATE_LIVE);
    EXPECT_TRUE(files.files.empty());
}

TEST(Still, QueryFailures) {
    struct Case {
        const char* name;
        void (*setup)(FakeVideoHost&);
        CpwResult expected;
    } cases[] = {
        {"no signal", [](FakeVideoHost& h) { h.input = kInputNoSignal; }, CPW_E_QUERY},
        {"plane not pausable", [](FakeVideoHost& h) { h.plane_read_result = KDR_ERR_FAIL; }, CPW_E_QUERY},
        {"still info", [](FakeVideoHost& h) { h.still_info_result = KDR_ERR_STATE; }, CPW_E_QUERY},
        {"bitmap", [](FakeVideoHost& h) { h.still_bitmap_result = KDR_ERR_FAIL; }, CPW_E_QUERY},
        {"shorter than a header", [](FakeVideoHost& h) { h.still.assign(20, 0); }, CPW_E_QUERY},
        {"session closed", [](FakeVideoHost& h) { h.open = false; }, CPW_E_NOT_READY},
    };
    for (const auto& c : cases) {
        Fixture f;
        f.Playing();
        f.host.still.assign(60, 1);
        c.setup(f.host);
        MemFiles files;
        EXPECT_EQ(f.vc.SaveBitmapImage(kPath, files), c.expected) << c.name;
        EXPECT_TRUE(files.files.empty()) << c.name;
        EXPECT_EQ(f.vc.State().Words().mode, 0u) << c.name;
        EXPECT_EQ(f.host.holds, 0) << c.name << ": the worker stays held";
    }
}

TEST(Still, StillDoesNotSwallowAPendingHdmiChange) {
    Fixture f;
    f.Playing();
    f.host.still.assign(60, 1);
    f.host.hdmi_changed = true;
    MemFiles files;
    f.vc.SaveBitmapImage(kPath, files);
    EXPECT_TRUE(f.host.hdmi_changed);
}

TEST(StillFileWrite, OpenFailureAndWriteOrCloseFailureLeaveNoFile) {
    const uint8_t data[100] = {1, 2, 3};
    {
        MemFiles m;
        m.fail_create = true;
        EXPECT_EQ(WriteStillFile(m, kPath, data, sizeof data), CPW_E_OPEN);
    }
    {
        MemFiles m;
        m.fail_write = true;
        EXPECT_EQ(WriteStillFile(m, kPath, data, sizeof data), CPW_E_WRITE);
        EXPECT_TRUE(m.files.empty());
    }
    {
        MemFiles m;
        m.fail_close = true;
        EXPECT_EQ(WriteStillFile(m, kPath, data, sizeof data), CPW_E_WRITE);
        EXPECT_TRUE(m.files.empty());
    }
    {
        MemFiles m;
        EXPECT_EQ(WriteStillFile(m, kPath, data, sizeof data), CPW_OK);
        EXPECT_EQ(m.files[u"a.bmp"].size(), sizeof data);
    }
}
