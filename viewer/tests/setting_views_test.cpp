// The setting panel in the real layout under Wine. The host frame hands the
// views' calls to the colour presets on Capwell and the controller simulator,
// so what a view sends is checked on the words the simulated controller
// received; the Etc view's platform is a stand-in mixer (Wine has no sound card).
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>
#include <mmsystem.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "CapwellHarness.h"
#include "CwProcess.h"
#include "viewer/app/ColorPresetsWin.h"
#include "viewer/app/EtcProbes.h"
#include "viewer/app/Notificators.h"
#include "viewer/core/Messages.h"
#include "viewer/core/ProbeRules.h"
#include "viewer/core/SettingPanel.h"
#include "viewer/core/ViewTargets.h"
#include "viewer/framework/Resources.h"
#include "viewer/res/resource.h"
#include "viewer/tests/QuietListeners.h"
#include "viewer/views/SettingViews.h"
#include "viewer/views/Splitters.h"

namespace vistrel {
namespace {

constexpr uint32_t kCmdAxes = 0x80003, kCmdDriveCutoff = 0x80004, kCmdLut = 0x80005, kCmdMute = 0x80006;
constexpr uint32_t kArea = 0x0E100700;

bool Shown(HWND w) { return w != nullptr && IsWindowVisible(w) != FALSE; }
bool Enabled(HWND w) { return w != nullptr && IsWindowEnabled(w) != FALSE; }
std::wstring TextOf(HWND w) {
    wchar_t buffer[128] = {};
    GetWindowTextW(w, buffer, 128);
    return buffer;
}

// The speakers' mixer as a stand-in: a change made elsewhere notifies the
// view's window as the system mixer does.
class StandInProbes final : public IEtcProbes {
public:
    static constexpr std::uint32_t kMaximum = 65535;
    HWND notify = nullptr;
    std::uint32_t value = 13107;  // 20 %
    std::uint32_t brightness = 70;
    bool startup = false;
    std::vector<std::uint32_t> volumes_set;
    std::vector<std::uint32_t> brightness_set;

    bool OpenVolume(HWND window) override {
        notify = window;
        return true;
    }
    std::optional<std::uint32_t> ReadVolume() override { return VolumePercent(0, kMaximum, value); }
    bool SetVolume(std::uint32_t percent) override {
        volumes_set.push_back(percent);
        ChangeElsewhere(*VolumeValue(0, kMaximum, percent));
        return true;
    }
    std::optional<std::uint32_t> ReadBrightness() override { return brightness; }
    bool SetBrightness(std::uint32_t v) override {
        brightness_set.push_back(v);
        return true;
    }
    bool StartupRegistered() override { return startup; }
    bool RegisterStartup() override { return startup = true; }
    bool UnregisterStartup() override {
        startup = false;
        return true;
    }
    void ChangeElsewhere(std::uint32_t v) {
        value = v;
        PostMessageW(notify, MM_MIXM_CONTROL_CHANGE, 0, 1);
    }
};

class Host final : public fw::FrameWindow, public QuietScreenModeListener, public QuietPlayListener {
public:
    explicit Host(const std::wstring& user) : presets(user, kFactoryPresetFolder) {}
    ~Host() override {
        if (layout->IsWindow()) {
            layout->DestroyPanes();
            layout->Destroy();
        }
    }

    bool Build() {
        if (!Create(DefaultClass(), L"host", WS_POPUP | WS_VISIBLE, 0, RECT{0, 0, 1920, 1280}, nullptr, 0)) {
            return false;
        }
        info.screen.width = 1920;
        info.screen.height = 1280;
        info.screen.monitor = {0, 0, 1920, 1280};
        info.screen.work = {0, 0, 1920, 1240};
        info.full_screen = 1;
        info.center_x = info.center_y = 0.5;
        layout->SetSettingFactory(SettingViewsFactory([this] {
            auto p = std::make_unique<StandInProbes>();
            probes = p.get();
            return p;
        }));
        ViewInitArgs args;
        args.parameters = &parameters;
        args.screen_mode = this;
        args.play = this;
        if (!layout->CreatePanes(*this, info.screen) || !layout->CreateViews(args)) return false;
        layout->UpdateRowSizes();
        layout->RecalcLayout();
        layout->OnDisplayInfoChanged(info);
        SendMessageW(layout->Handle(), msg::kDisplayKind, kDisplayPlay, 1);
        SendMessageW(layout->Handle(), msg::kSettingViewVisible, 1, 0);
        presets.Start();
        return true;
    }
    void Record(const std::string& call) { calls.push_back(call); }

    // What the views ask of the frame goes on to the presets, as in the frame.
    std::int32_t SaveBalancePreset(std::int32_t n) override {
        Record("SaveBalancePreset(" + std::to_string(n) + ")");
        return presets.Presets().SaveBalancePreset(n);
    }
    std::int32_t SaveLevelPreset(std::int32_t n) override {
        Record("SaveLevelPreset(" + std::to_string(n) + ")");
        return presets.Presets().SaveLevelPreset(n);
    }
    void SetTwelveAxes(std::int32_t a, std::int32_t b, std::int32_t c) override {
        Record("SetTwelveAxes(" + std::to_string(a) + "," + std::to_string(b) + "," + std::to_string(c) + ")");
        presets.Presets().SetTwelveAxes(a, b, c);
    }
    void SetGammaCurve(std::int32_t t) override {
        Record("SetGammaCurve(" + std::to_string(t) + ")");
        presets.Presets().SetGammaCurve(t);
    }
    void SetColorMute(std::int32_t r, std::int32_t g, std::int32_t b) override {
        Record("SetColorMute(" + std::to_string(r) + "," + std::to_string(g) + "," + std::to_string(b) + ")");
        presets.Presets().SetColorMute(r, g, b);
    }
    void SetDriveGain(std::int32_t r, std::int32_t g, std::int32_t b) override {
        Record("SetDriveGain(" + std::to_string(r) + "," + std::to_string(g) + "," + std::to_string(b) + ")");
        presets.Presets().SetDriveGain(r, g, b);
    }
    void SetCutoffOffset(std::int32_t r, std::int32_t g, std::int32_t b) override {
        Record("SetCutoffOffset(" + std::to_string(r) + "," + std::to_string(g) + "," + std::to_string(b) + ")");
        presets.Presets().SetCutoffOffset(r, g, b);
    }
    void ChangeControlsVisible(std::int32_t f) override { Record("ChangeControlsVisible(" + std::to_string(f) + ")"); }

    DisplayInfo info;
    ViewParameters parameters;
    FramePresets presets;
    std::unique_ptr<CVideoSplitterWnd> layout = std::make_unique<CVideoSplitterWnd>();
    StandInProbes* probes = nullptr;
    std::vector<std::string> calls;
};

// One initialisation of Capwell per process: the whole suite shares it.
class Settings : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        sim_ = std::make_unique<cwtest::SimApi>();
        ASSERT_TRUE(sim_->Load());
        ASSERT_EQ(sim_->Reset("{\"firmware\": {\"version\": 285213184}, \"watchdog\": {\"state\": 1, "
                              "\"interval\": 2000, \"err_count\": 5, \"kdr_count\": 0, \"kdr_err\": 0}}"),
                  0)
            << sim_->LastError();
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        reports_ = std::make_unique<cwtest::ScopedEnv>(L"CAPWELL_REPORT_FILE",
                                                       (std::wstring(temp) + L"settings_reports.txt").c_str());
        CpwInitParams p{};
        const wchar_t name[] = L"SettingsTest";
        std::memcpy(p.name, name, sizeof name);
        p.interval = 16;
        p.audio_delay = 20;
        p.wdt_interval = 2000;
        p.wdt_err_count = 5;
        ASSERT_EQ(Cpw_Initialize(&p), CPW_OK);
    }
    static void TearDownTestSuite() {
        (void)Cpw_Finalize();
        reports_.reset();
    }
    void SetUp() override {
        SetThreadUILanguage(fw::kLangEnglish);
        host_ = std::make_unique<Host>(dir_.path() + L"\\");
        ASSERT_TRUE(host_->Build());
        Settle();
        host_->calls.clear();
    }
    void TearDown() override { host_.reset(); }

    static void Settle() {
        MSG m;
        for (int i = 0; i < 15; ++i) {
            while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&m);
            Sleep(10);
        }
        sim_->WaitIdle(2000);
    }
    // The last words of a set command; 0xFFFFFFFF when it was not sent.
    static uint32_t Sent(uint32_t code, uint32_t offset) {
        const auto cmds = cwtest::SimCommands(*sim_);
        const cwtest::SimCommand* c = cwtest::LastCode(cmds, code);
        return c == nullptr ? 0xFFFFFFFFu : c->Word(kArea + offset);
    }
    static uint32_t Pair(uint32_t lo, uint32_t hi) { return lo | hi << 16; }

    BaseSettingView& View(int key) {
        return *static_cast<BaseSettingView*>(host_->layout->Display()->Settings()->SettingView(key));
    }
    HWND Item(int key, int id) { return View(key).Item(id); }
    static void Click(HWND w) { SendMessageW(w, BM_CLICK, 0, 0); }
    template <class T>
    static T& Control(HWND w) {
        return *static_cast<T*>(fw::Window::FromHandle(w));
    }
    static int Pos(HWND slider) { return static_cast<int>(SendMessageW(slider, TBM_GETPOS, 0, 0)); }
    // The tab bar's button `tab_id` (the ids are the layout's only ones).
    HWND FindTab(int tab_id) {
        struct Search {
            int id;
            HWND found;
        } search{tab_id, nullptr};
        EnumChildWindows(
            host_->Handle(),
            [](HWND w, LPARAM l) -> BOOL {
                auto* s = reinterpret_cast<Search*>(l);
                if (GetDlgCtrlID(w) != s->id) return TRUE;
                s->found = w;
                return FALSE;
            },
            reinterpret_cast<LPARAM>(&search));
        return search.found;
    }

    static inline std::unique_ptr<cwtest::SimApi> sim_;
    static inline std::unique_ptr<cwtest::ScopedEnv> reports_;
    cwtest::TempDir dir_;
    std::unique_ptr<Host> host_;
};

TEST_F(Settings, TwelveAxisDragSendsEveryPosition) {
    HWND hue = Item(kSettingTabBalance, IDC_BAL_HUE);
    ASSERT_TRUE(Shown(hue));
    ASSERT_EQ(Pos(hue), 128);  // the controller's default, shown from the broadcast
    RECT thumb{};
    SendMessageW(hue, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&thumb));
    const int y = (thumb.top + thumb.bottom) / 2;
    int x = (thumb.left + thumb.right) / 2;
    sim_->RecordClear();
    SendMessageW(hue, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    std::vector<int> positions;
    for (int step = 0; step < 6; ++step) {
        x -= 9;
        SendMessageW(hue, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x, y));
        const int pos = Pos(hue);
        positions.push_back(pos);
        Settle();
        // Each intermediate position reached the controller: the hue offsets of axes 0 to 3.
        EXPECT_EQ(Sent(kCmdAxes, 0x94), static_cast<uint32_t>(pos) * 0x01010101u) << "step " << step;
        // The number box follows the broadcast.
        EXPECT_EQ(Control<NumericUpDown>(Item(kSettingTabBalance, IDC_BAL_HUE_NUMBER)).Value(), pos);
    }
    SendMessageW(hue, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
    EXPECT_LT(positions.back(), 128);
    EXPECT_TRUE(std::adjacent_find(positions.begin(), positions.end()) == positions.end()) << "each move moved";
    // One call per thumb-track position and one for the thumb position; the end of the scroll sends nothing.
    std::vector<std::string> expected;
    for (int p : positions) expected.push_back("SetTwelveAxes(" + std::to_string(p) + ",128,128)");
    expected.push_back(expected.back());
    EXPECT_EQ(host_->calls, expected);
}

TEST_F(Settings, ToneCurveButtonsInScreenOrder) {
    std::vector<std::pair<LONG, HWND>> buttons;
    for (int id : {IDC_BAL_CURVE_LOG, IDC_BAL_CURVE_26, IDC_BAL_CURVE_22, IDC_BAL_CURVE_24, IDC_BAL_CURVE_19}) {
        HWND b = Item(kSettingTabBalance, id);
        ASSERT_TRUE(Shown(b)) << id;
        RECT r{};
        GetWindowRect(b, &r);
        buttons.emplace_back(r.left, b);
    }
    std::sort(buttons.begin(), buttons.end());
    const wchar_t* texts[5] = {L"1.9", L"2.2", L"2.4", L"2.6", L"LOG"};
    for (int curve = 0; curve < 5; ++curve) {
        SCOPED_TRACE(curve);
        HWND b = buttons[static_cast<std::size_t>(curve)].second;
        EXPECT_EQ(TextOf(b), texts[curve]);
        Click(b);
        Settle();
        EXPECT_TRUE(Control<ToggleButton>(b).IsOn());
        const ToneCurve& points = BuiltInCurve(curve);
        EXPECT_EQ(Sent(kCmdLut, 0x10 + 0x40), Pair(points[1], points[2])) << "G points 1 and 2";
    }
    EXPECT_EQ(host_->calls, (std::vector<std::string>{"SetGammaCurve(0)", "SetGammaCurve(1)", "SetGammaCurve(2)",
                                                      "SetGammaCurve(3)", "SetGammaCurve(4)"}));
}

TEST_F(Settings, LastChannelToggleIsPressedAgain) {
    Click(FindTab(IDC_SET_TAB_ETC));
    HWND r = Item(kSettingTabEtc, IDC_ETC_CHANNEL_R);
    HWND g = Item(kSettingTabEtc, IDC_ETC_CHANNEL_G);
    HWND b = Item(kSettingTabEtc, IDC_ETC_CHANNEL_B);
    ASSERT_TRUE(Shown(r));
    EXPECT_FALSE(Shown(Item(kSettingTabBalance, IDC_BAL_HUE)));
    EXPECT_TRUE(Control<ToggleButton>(r).IsOn() && Control<ToggleButton>(g).IsOn() && Control<ToggleButton>(b).IsOn());
    Click(r);
    Click(g);
    Settle();
    EXPECT_EQ(Sent(kCmdMute, 0), 1u);
    EXPECT_EQ(Sent(kCmdMute, 4), 1u);
    EXPECT_EQ(Sent(kCmdMute, 8), 0u);
    sim_->RecordClear();
    Click(b);  // the last one shown
    Settle();
    EXPECT_TRUE(Control<ToggleButton>(b).IsOn());
    EXPECT_EQ(Sent(kCmdMute, 8), 0xFFFFFFFFu) << "no mute sent";
    EXPECT_EQ(host_->calls, (std::vector<std::string>{"SetColorMute(1,0,0)", "SetColorMute(1,1,0)"}));
    Click(r);
    Settle();
    EXPECT_EQ(Sent(kCmdMute, 0), 0u);
    EXPECT_EQ(host_->calls.back(), "SetColorMute(0,1,0)");
}

TEST_F(Settings, RepeatedBroadcastTouchesNoControl) {
    // The controls moved by hand (without a message to the view) stay as they
    // are when the record in effect is broadcast again.
    HWND hue = Item(kSettingTabBalance, IDC_BAL_HUE);
    HWND gain = Item(kSettingTabLevel, IDC_LEV_GAIN_G);
    HWND red = Item(kSettingTabEtc, IDC_ETC_CHANNEL_R);
    SendMessageW(hue, TBM_SETPOS, TRUE, 7);
    SendMessageW(gain, TBM_SETPOS, TRUE, 9);
    (void)Control<ToggleButton>(red).SetState(false, false);
    const ColorRecord record = host_->presets.Presets().Record();
    const PresetSelection selection = host_->presets.Presets().Selection();
    EXPECT_GE(ColorSettingChangedNotificator::Broadcast(&record, &selection), 3);
    EXPECT_EQ(Pos(hue), 7);
    EXPECT_EQ(Pos(gain), 9);
    EXPECT_FALSE(Control<ToggleButton>(red).IsOn());

    // A different record sets every view, and the views send nothing back.
    ColorRecord changed = record;
    changed.drive_gain[1] = 700;
    EXPECT_GE(ColorSettingChangedNotificator::Broadcast(&changed, &selection), 3);
    EXPECT_EQ(Pos(hue), 128);
    EXPECT_EQ(Pos(gain), 700);
    EXPECT_EQ(Control<NumericUpDown>(Item(kSettingTabLevel, IDC_LEV_GAIN_G_NUMBER)).Value(), 700);
    EXPECT_TRUE(Control<ToggleButton>(red).IsOn());
    EXPECT_TRUE(host_->calls.empty());
}

TEST_F(Settings, VolumeChangedElsewhereMovesTheTrackBar) {
    StandInProbes& probes = *host_->probes;
    HWND volume = Item(kSettingTabEtc, IDC_ETC_VOLUME);
    auto& box = Control<NumericUpDown>(Item(kSettingTabEtc, IDC_ETC_VOLUME_NUMBER));
    EXPECT_EQ(Pos(volume), 20);  // read at the start
    EXPECT_EQ(Pos(Item(kSettingTabEtc, IDC_ETC_BRIGHTNESS)), 70);
    probes.ChangeElsewhere(45875);  // 70 %
    Settle();
    EXPECT_EQ(Pos(volume), 70);
    EXPECT_EQ(box.Value(), 70);

    // The number box moves the track bar and the volume; the brightness likewise.
    box.SetValue(35, true);
    EXPECT_EQ(Pos(volume), 35);
    EXPECT_EQ(probes.volumes_set, std::vector<std::uint32_t>{35});
    Control<NumericUpDown>(Item(kSettingTabEtc, IDC_ETC_BRIGHTNESS_NUMBER)).SetValue(90, true);
    EXPECT_EQ(Pos(Item(kSettingTabEtc, IDC_ETC_BRIGHTNESS)), 90);
    EXPECT_EQ(probes.brightness_set, std::vector<std::uint32_t>{90});
    // A track-bar line step sets the volume and the number box.
    SendMessageW(volume, TBM_SETPOS, TRUE, 36);
    SendMessageW(GetParent(volume), WM_HSCROLL, MAKEWPARAM(TB_LINEDOWN, 0), reinterpret_cast<LPARAM>(volume));
    EXPECT_EQ(probes.volumes_set.back(), 36u);
    EXPECT_EQ(box.Value(), 36);
}

TEST_F(Settings, ConfirmationRowsStartupAndLevelBoxes) {
    // Balance: Save opens the row; OK saves the custom preset and closes it.
    HWND save = Item(kSettingTabBalance, IDC_BAL_SAVE);
    EXPECT_FALSE(Shown(Item(kSettingTabBalance, IDC_BAL_CONFIRM_OK)));
    Click(save);
    EXPECT_FALSE(Enabled(save));
    EXPECT_TRUE(Shown(Item(kSettingTabBalance, IDC_BAL_CONFIRM_TEXT)));
    EXPECT_EQ(TextOf(Item(kSettingTabBalance, IDC_BAL_CONFIRM_TEXT)), L"Do you want to register?");
    Click(Item(kSettingTabBalance, IDC_BAL_CONFIRM_OK));
    EXPECT_TRUE(Enabled(save));
    EXPECT_FALSE(Shown(Item(kSettingTabBalance, IDC_BAL_CONFIRM_CANCEL)));
    EXPECT_NE(GetFileAttributesW((dir_.path() + L"\\custom_balance.csv").c_str()), INVALID_FILE_ATTRIBUTES);

    // Level: a number box moves its track bar and the gain reaches the controller; Cancel saves nothing.
    Click(FindTab(IDC_SET_TAB_LEVEL));
    ASSERT_TRUE(Shown(Item(kSettingTabLevel, IDC_LEV_GAIN_R)));
    Control<NumericUpDown>(Item(kSettingTabLevel, IDC_LEV_GAIN_R_NUMBER)).SetValue(600, true);
    Control<NumericUpDown>(Item(kSettingTabLevel, IDC_LEV_SHIFT_B_NUMBER)).SetValue(5000, true);  // limited to 4095
    Settle();
    EXPECT_EQ(Pos(Item(kSettingTabLevel, IDC_LEV_GAIN_R)), 600);
    EXPECT_EQ(Sent(kCmdDriveCutoff, 0x0C), Pair(600, 2048));
    EXPECT_EQ(Sent(kCmdDriveCutoff, 0x14), Pair(512, 4095));
    Click(Item(kSettingTabLevel, IDC_LEV_SAVE));
    Click(Item(kSettingTabLevel, IDC_LEV_CONFIRM_CANCEL));
    EXPECT_TRUE(Enabled(Item(kSettingTabLevel, IDC_LEV_SAVE)));
    EXPECT_EQ(GetFileAttributesW((dir_.path() + L"\\custom_level.csv").c_str()), INVALID_FILE_ATTRIBUTES);

    // Etc: the check box and its text toggle the start-up shortcut; Hide asks first.
    Click(FindTab(IDC_SET_TAB_ETC));
    auto& check = Control<ToggleButton>(Item(kSettingTabEtc, IDC_ETC_STARTUP_CHECK));
    EXPECT_FALSE(check.IsOn());
    Click(check.Handle());
    EXPECT_TRUE(host_->probes->startup);
    EXPECT_TRUE(check.IsOn());
    HWND text = Item(kSettingTabEtc, IDC_ETC_STARTUP_TEXT);
    SendMessageW(text, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageW(text, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_FALSE(host_->probes->startup);
    EXPECT_FALSE(check.IsOn());
    Click(Item(kSettingTabEtc, IDC_ETC_HIDE));
    EXPECT_TRUE(Shown(Item(kSettingTabEtc, IDC_ETC_CONFIRM_TEXT)));
    Click(Item(kSettingTabEtc, IDC_ETC_CONFIRM_OK));
    EXPECT_FALSE(Shown(Item(kSettingTabEtc, IDC_ETC_CONFIRM_TEXT)));
    EXPECT_EQ(host_->calls, (std::vector<std::string>{"SaveBalancePreset(4)", "SetDriveGain(600,512,512)",
                                                      "SetCutoffOffset(2048,2048,4095)", "ChangeControlsVisible(0)"}));
}

}  // namespace
}  // namespace vistrel
