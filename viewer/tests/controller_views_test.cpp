// The controller bars in the real layout under Wine, in a host frame that
// records what the bars ask of the frame.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "FakeLevelEndpoints.h"
#include "viewer/app/FrameListeners.h"
#include "viewer/tests/QuietListeners.h"
#include "viewer/app/Notificators.h"
#include "viewer/core/ColorPresets.h"
#include "viewer/core/Messages.h"
#include "viewer/core/ViewTargets.h"
#include "viewer/core/WaveformRender.h"
#include "viewer/framework/Resources.h"
#include "viewer/res/resource.h"
#include "viewer/views/ControllerViews.h"
#include "viewer/views/Splitters.h"

namespace vistrel {
namespace {

void Pump(const std::function<bool()>& done, DWORD ms) {
    const ULONGLONG end = GetTickCount64() + ms;
    MSG msg;
    while (!done() && GetTickCount64() < end) {
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        Sleep(5);
    }
}

bool Shown(HWND w) { return w != nullptr && IsWindowVisible(w) != FALSE; }
bool Enabled(HWND w) { return w != nullptr && IsWindowEnabled(w) != FALSE; }

std::wstring TextOf(HWND w) {
    wchar_t buffer[128] = {};
    GetWindowTextW(w, buffer, 128);
    return buffer;
}

class Host final : public fw::FrameWindow, public QuietPlayListener, public QuietScreenModeListener {
public:
    DisplayInfo info;
    ViewParameters parameters;
    std::unique_ptr<CVideoSplitterWnd> layout = std::make_unique<CVideoSplitterWnd>();
    std::vector<std::string> calls;  // "name(argument)" in the order made
    HWND capture_button = nullptr;
    bool capture_enabled_during_call = true;

    ~Host() override {
        if (layout->IsWindow()) {
            layout->DestroyPanes();
            layout->Destroy();
        }
    }
    GetCaptureDataFn get_capture_data = nullptr;
    ReleaseCaptureDataFn release_capture_data = nullptr;

    bool Build(bool full_screen) {
        if (!Create(DefaultClass(), L"host", WS_POPUP | WS_VISIBLE, 0, RECT{0, 0, 1920, 1280}, nullptr, 0)) {
            return false;
        }
        info.screen.width = 1920;
        info.screen.height = 1280;
        info.screen.monitor = {0, 0, 1920, 1280};
        info.screen.work = {0, 0, 1920, 1240};
        info.full_screen = full_screen ? 1 : 0;
        info.center_x = info.center_y = 0.5;
        ViewInitArgs args;
        args.parameters = &parameters;
        args.screen_mode = this;
        args.play = this;
        args.get_capture_data = get_capture_data;
        args.release_capture_data = release_capture_data;
        if (!layout->CreatePanes(*this, info.screen) || !layout->CreateViews(args)) return false;
        layout->UpdateRowSizes();
        layout->RecalcLayout();
        Push();
        SendMessageW(layout->Handle(), msg::kDisplayKind, kDisplayPlay, 1);
        SendMessageW(layout->Handle(), msg::kPlayCode, 0, 0);
        return true;
    }
    void Push() { layout->OnDisplayInfoChanged(info); }
    void Record(const char* name, int value) { calls.push_back(std::string(name) + "(" + std::to_string(value) + ")"); }

    void OnZoomChanged(const Rect&, const double* centre, double factor) override {
        Record("OnZoomChanged", centre == nullptr && factor == 1.0 ? 1 : 0);
    }
    void SelectBalancePreset(std::int32_t p) override { Record("SelectBalancePreset", p); }
    void SelectLevelPreset(std::int32_t p) override { Record("SelectLevelPreset", p); }
    void SetFirstPlayMode(std::int32_t f) override { Record("SetFirstPlayMode", f); }
    // A capture that fails: the frame reports it through the state machine and returns.
    void CaptureStill() override {
        capture_enabled_during_call = Enabled(capture_button);
        Record("CaptureStill", 0);
    }
    void OpenCaptureFolder() override { Record("OpenCaptureFolder", 0); }
    void ChangeScreenMode(std::int32_t m) override { Record("ChangeScreenMode", m); }
    void ChangeSettingViewVisible(std::int32_t f) override { Record("ChangeSettingViewVisible", f); }
    void SetSecondPlayMode(std::int32_t f) override { Record("SetSecondPlayMode", f); }
};

class Bar : public ::testing::Test {
protected:
    void SetUp() override { SetThreadUILanguage(fw::kLangEnglish); }
    void Build(bool full_screen) { ASSERT_TRUE(host.Build(full_screen)); }
    CVideoPlayControllerView& PlayBar() {
        return *static_cast<CVideoPlayControllerView*>(host.layout->ControllerView(kControllerPlay));
    }
    HWND Item(int id) { return PlayBar().Item(id); }
    void PlayCode(int code) { SendMessageW(host.layout->Handle(), msg::kPlayCode, static_cast<WPARAM>(code), 0); }
    void Click(int id) { SendMessageW(Item(id), BM_CLICK, 0, 0); }
    std::vector<int> ShownControls() {
        std::vector<int> ids;
        for (HWND c = GetWindow(PlayBar().Handle(), GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) {
            if (Shown(c)) ids.push_back(GetDlgCtrlID(c));
        }
        return ids;
    }

    Host host;
};

TEST_F(Bar, WindowShowsOnlyTheFullScreenButtonOrTheWaveforms) {
    Build(false);
    ASSERT_TRUE(Shown(PlayBar().Handle()));
    EXPECT_EQ(ShownControls(), std::vector<int>{IDC_BAR_FULL_SCREEN});
    EXPECT_EQ(TextOf(Item(IDC_BAR_FULL_SCREEN)), L"Full screen");

    PlayCode(6);
    EXPECT_TRUE(PlayBar().WaveformTimerRunning());
    EXPECT_EQ(ShownControls(),
              (std::vector<int>{IDC_BAR_WAVE_0, IDC_BAR_WAVE_1, IDC_BAR_WAVE_2, IDC_BAR_WAVE_3, IDC_BAR_BACK}));
    Click(IDC_BAR_BACK);
    EXPECT_EQ(host.calls, std::vector<std::string>{"SetSecondPlayMode(0)"});

    // Full screen: every control, the zoom navigator, "Normal screen".
    PlayCode(0);
    EXPECT_FALSE(PlayBar().WaveformTimerRunning());
    host.info.full_screen = 1;
    host.Push();
    const std::vector<int> shown = ShownControls();
    EXPECT_EQ(shown.size(), 25u);  // 31 items less the four waveforms, the back button and the notice
    for (int id : {IDC_BAR_ZOOM, IDC_BAR_ZOOM_TEXT, IDC_BAR_SETTING, IDC_BAR_BALANCE_4, IDC_BAR_LEVEL_1, IDC_BAR_PAUSE,
                   IDC_BAR_METER_1, IDC_BAR_LINE_3}) {
        EXPECT_NE(std::find(shown.begin(), shown.end(), id), shown.end()) << id;
    }
    EXPECT_EQ(TextOf(Item(IDC_BAR_FULL_SCREEN)), L"Normal screen");
}

TEST_F(Bar, TabletModeDisablesFullScreenAndShowsTheNoticeForFiveSeconds) {
    Build(true);
    EXPECT_TRUE(Enabled(Item(IDC_BAR_FULL_SCREEN)));
    EXPECT_FALSE(Shown(Item(IDC_BAR_TABLET_NOTICE)));

    host.info.tablet = 1;
    const ULONGLONG start = GetTickCount64();
    host.Push();
    EXPECT_FALSE(Enabled(Item(IDC_BAR_FULL_SCREEN)));
    EXPECT_TRUE(Shown(Item(IDC_BAR_TABLET_NOTICE)));
    EXPECT_EQ(TextOf(Item(IDC_BAR_TABLET_NOTICE)), L"Extended functions are unavailable in tablet mode.");
    Pump([&] { return !Shown(Item(IDC_BAR_TABLET_NOTICE)); }, 10000);
    EXPECT_FALSE(Shown(Item(IDC_BAR_TABLET_NOTICE)));
    EXPECT_GE(GetTickCount64() - start, 4900u);  // a timer never fires early
    EXPECT_FALSE(PlayBar().NoticeTimerRunning());
    EXPECT_FALSE(Enabled(Item(IDC_BAR_FULL_SCREEN)));

    // The next record in tablet mode shows it again; leaving tablet mode hides it at once.
    host.Push();
    EXPECT_TRUE(Shown(Item(IDC_BAR_TABLET_NOTICE)));
    host.info.tablet = 0;
    host.Push();
    EXPECT_FALSE(Shown(Item(IDC_BAR_TABLET_NOTICE)));
    EXPECT_FALSE(PlayBar().NoticeTimerRunning());
    EXPECT_TRUE(Enabled(Item(IDC_BAR_FULL_SCREEN)));
}

TEST_F(Bar, ZoomTextPauseAndCapture) {
    Build(true);
    for (auto [zoom, text] : {std::pair{1.0, L"x1.0"}, {7.96, L"x8.0"}, {1.04, L"x1.0"}}) {
        host.info.zoom = zoom;
        host.Push();
        EXPECT_EQ(TextOf(Item(IDC_BAR_ZOOM_TEXT)), text) << zoom;
    }

    PlayCode(4);
    EXPECT_FALSE(Enabled(Item(IDC_BAR_PAUSE)));
    PlayCode(2);
    EXPECT_TRUE(Enabled(Item(IDC_BAR_PAUSE)));
    EXPECT_TRUE(static_cast<ToggleButton*>(fw::Window::FromHandle(Item(IDC_BAR_PAUSE)))->IsOn());
    PlayCode(0);
    EXPECT_FALSE(static_cast<ToggleButton*>(fw::Window::FromHandle(Item(IDC_BAR_PAUSE)))->IsOn());

    // The capture is held back while it runs and offered again after it failed.
    host.capture_button = Item(IDC_BAR_CAPTURE);
    Click(IDC_BAR_CAPTURE);
    EXPECT_FALSE(host.capture_enabled_during_call);
    EXPECT_TRUE(Enabled(Item(IDC_BAR_CAPTURE)));
    EXPECT_EQ(host.calls, std::vector<std::string>{"CaptureStill(0)"});

    // Protected input: no capture, no waveform.
    CpwHdmiInfo hdmi{};
    hdmi.detect_hdcp = 1;
    EXPECT_GE(HdmiInfoChangedNotificator::Broadcast(&hdmi), 1);
    EXPECT_FALSE(Enabled(Item(IDC_BAR_CAPTURE)));
    EXPECT_FALSE(Enabled(Item(IDC_BAR_WAVEFORM)));
}

TEST_F(Bar, CommandsReachTheFrameAndPresetsFollowTheBroadcast) {
    Build(true);
    Click(IDC_BAR_FULL_SCREEN);
    Click(IDC_BAR_BALANCE_3);
    Click(IDC_BAR_LEVEL_4);
    Click(IDC_BAR_SETTING);
    Click(IDC_BAR_PAUSE);
    Click(IDC_BAR_FOLDER);
    Click(IDC_BAR_WAVEFORM);
    EXPECT_EQ(host.calls, (std::vector<std::string>{"ChangeScreenMode(1)", "OnZoomChanged(1)", "SelectBalancePreset(3)",
                                                    "SelectLevelPreset(4)", "ChangeSettingViewVisible(1)",
                                                    "SetFirstPlayMode(1)", "OpenCaptureFolder(0)", "OnZoomChanged(1)",
                                                    "SetSecondPlayMode(1)"}));

    // The broadcast's selection decides the checks: 2 checks "2.4", 0 clears the level group.
    const ColorRecord color;
    PresetSelection selection{2, 0};
    EXPECT_GE(ColorSettingChangedNotificator::Broadcast(&color, &selection), 1);
    const auto on = [&](int id) { return static_cast<ToggleButton*>(fw::Window::FromHandle(Item(id)))->IsOn(); };
    EXPECT_TRUE(on(IDC_BAR_BALANCE_2));
    EXPECT_FALSE(on(IDC_BAR_BALANCE_3));
    for (int id : {IDC_BAR_LEVEL_1, IDC_BAR_LEVEL_2, IDC_BAR_LEVEL_3, IDC_BAR_LEVEL_4}) EXPECT_FALSE(on(id)) << id;

    // The setting panel closed elsewhere releases the toggle without a call back.
    host.calls.clear();
    SendMessageW(host.layout->Handle(), msg::kSettingViewVisible, 0, 0);
    EXPECT_FALSE(on(IDC_BAR_SETTING));
    EXPECT_TRUE(host.calls.empty());
}

// The capture library's lending as the waveform refresh sees it: one frame
// of vertical stripes, lent and given back.
struct Lender {
    static inline std::vector<std::uint8_t> pixels;
    static inline CpwCaptureFrame frame{};
    static inline int lent = 0;
    static inline int returned = 0;
    static inline bool has_frame = true;

    static void Stripes(std::uint16_t width, std::uint16_t height) {
        pixels.assign(static_cast<std::size_t>(width) * height * 3, 0);
        for (std::size_t i = 0; i < pixels.size(); ++i) {
            // Red full in the left half, off in the right; green and blue off.
            const std::size_t x = i / 3 % width;
            pixels[i] = static_cast<std::uint8_t>(i % 3 == 2 && x < width / 2u ? 255 : 0);
        }
        frame = CpwCaptureFrame{};
        frame.width = width;
        frame.height = height;
        frame.data = pixels.data();
    }
    static CpwResult CPWAPI Get(CpwCaptureFrame** out) {
        if (!has_frame) return 10;
        ++lent;
        *out = &frame;
        return CPW_OK;
    }
    static CpwResult CPWAPI Release() {
        ++returned;
        return CPW_OK;
    }
};

int BinOf(const std::uint8_t* block, int column, int level) {
    const std::uint8_t* p = block + controls::kWaveBinsOffset + 238 * column + 2 * level;
    return p[0] | (p[1] << 8);
}

TEST_F(Bar, WaveformRefreshFillsTheDisplaysFromTheLentFrame) {
    Lender::Stripes(1280, 20);
    host.get_capture_data = &Lender::Get;
    host.release_capture_data = &Lender::Release;
    Build(true);
    auto* red = static_cast<WaveFormControl*>(fw::Window::FromHandle(Item(IDC_BAR_WAVE_0)));
    PlayCode(6);
    Pump([] { return Lender::lent >= 2; }, 3000);
    ASSERT_GE(Lender::lent, 2);
    EXPECT_EQ(Lender::returned, Lender::lent);
    EXPECT_EQ(red->Data()[0] | (red->Data()[1] << 8), 1280);
    EXPECT_EQ(BinOf(red->Data(), 0, 108), 20);  // full red: the 100 % line
    EXPECT_EQ(BinOf(red->Data(), 1279, 8), 20);
    EXPECT_EQ(BinOf(red->Data(), 1279, 108), 0);

    // A narrower frame after it: the wider frame's columns do not stay.
    Lender::Stripes(640, 20);
    const int before = Lender::lent;
    Pump([&] { return Lender::lent > before + 1; }, 3000);
    EXPECT_EQ(red->Data()[0] | (red->Data()[1] << 8), 640);
    EXPECT_EQ(BinOf(red->Data(), 639, 8), 20);
    EXPECT_EQ(BinOf(red->Data(), 640, 8), 0);
    EXPECT_EQ(BinOf(red->Data(), 1279, 8), 0);

    // No frame to lend: nothing is given back and the displays keep theirs.
    Lender::has_frame = false;
    const int returned = Lender::returned;
    Pump([] { return false; }, 300);
    EXPECT_EQ(Lender::returned, returned);
    EXPECT_EQ(BinOf(red->Data(), 0, 108), 20);

    // Out of waveform mode the lending stops.
    PlayCode(0);
    Lender::has_frame = true;
    const int lent = Lender::lent;
    Pump([] { return false; }, 300);
    EXPECT_EQ(Lender::lent, lent);
}

TEST_F(Bar, MetersRunWhileThePlayCodeCarriesAudio) {
    fakelevel::SetEndpoints({{2, {0.5f, 0.5f}}});
    AudioLevelSource::SetEnumeratorFactory(fakelevel::MakeEnumerator);
    struct Restore {
        ~Restore() { AudioLevelSource::SetEnumeratorFactory(nullptr); }
    } restore;
    Build(true);
    const auto meter = [&](int id) { return static_cast<AudioLevelMeterControl*>(fw::Window::FromHandle(Item(id))); };
    PlayCode(0);
    EXPECT_TRUE(meter(IDC_BAR_METER_0)->Running());
    EXPECT_TRUE(meter(IDC_BAR_METER_1)->Running());
    EXPECT_EQ(meter(IDC_BAR_METER_0)->Level(), 0.5f);
    PlayCode(2);  // paused: no audio
    for (int id : {IDC_BAR_METER_0, IDC_BAR_METER_1}) {
        EXPECT_FALSE(meter(id)->Running()) << id;
        EXPECT_EQ(meter(id)->Level(), 0.0f) << id;
    }
    PlayCode(6);  // waveform mode has audio
    EXPECT_TRUE(meter(IDC_BAR_METER_1)->Running());
}

TEST_F(Bar, MessageBarShowsOnlyFullScreenEnabled) {
    Build(false);
    SendMessageW(host.layout->Handle(), msg::kDisplayKind, 5, 1);  // no signal
    auto& bar = *static_cast<CVideoErrorControllerView*>(host.layout->ControllerView(ControllerKeyOfMessageKind(5)));
    ASSERT_TRUE(Shown(bar.Handle()));
    EXPECT_EQ(bar.Kind(), 5);
    int shown = 0;
    for (HWND c = GetWindow(bar.Handle(), GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) shown += Shown(c);
    EXPECT_EQ(shown, 1);
    EXPECT_TRUE(Enabled(bar.Item(IDC_EBAR_FULL_SCREEN)));

    host.info.full_screen = 1;
    host.Push();
    EXPECT_TRUE(Shown(bar.Item(IDC_EBAR_PAUSE)));
    EXPECT_FALSE(Enabled(bar.Item(IDC_EBAR_PAUSE)));
    EXPECT_FALSE(Enabled(bar.Item(IDC_EBAR_BALANCE_1)));
    EXPECT_FALSE(Enabled(bar.Item(IDC_EBAR_SETTING)));
    EXPECT_EQ(TextOf(bar.Item(IDC_EBAR_FULL_SCREEN)), L"Normal screen");
    SendMessageW(bar.Item(IDC_EBAR_FULL_SCREEN), BM_CLICK, 0, 0);
    EXPECT_EQ(host.calls, (std::vector<std::string>{"ChangeScreenMode(1)", "OnZoomChanged(1)"}));
}

}  // namespace
}  // namespace vistrel
