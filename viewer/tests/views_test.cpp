// The layout and its views as real windows under Wine, in a host frame that
// answers like the main frame: it keeps the DisplayInfo, turns zoom requests
// into the library's source rectangle and pushes the record back at once.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "viewer/app/FrameListeners.h"
#include "viewer/tests/QuietListeners.h"
#include "viewer/app/Notificators.h"
#include "viewer/core/Messages.h"
#include "viewer/core/PlayViewModel.h"
#include "viewer/core/ViewTargets.h"
#include "viewer/framework/Resources.h"
#include "viewer/res/resource.h"
#include "viewer/views/CaptionView.h"
#include "viewer/views/DisplayViews.h"
#include "viewer/views/PlayView.h"
#include "viewer/views/Splitters.h"

namespace vistrel {
namespace {

bool PumpUntil(const std::function<bool()>& done, DWORD ms) {
    const ULONGLONG end = GetTickCount64() + ms;
    MSG msg;
    while (!done()) {
        if (GetTickCount64() > end) return false;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(5);
    }
    return true;
}

RECT OnScreen(HWND w) {
    RECT r{};
    GetClientRect(w, &r);
    MapWindowPoints(w, HWND_DESKTOP, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

bool SameRect(const RECT& a, const Rect& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

bool HasStyleVisible(HWND w) { return (GetWindowLongPtrW(w, GWL_STYLE) & WS_VISIBLE) != 0; }

std::wstring TextOf(HWND w) {
    wchar_t buffer[256] = {};
    GetWindowTextW(w, buffer, 256);
    return buffer;
}

// The visible children of a pane frame.
std::vector<HWND> ShownIn(const fw::PaneFrame* pane) {
    std::vector<HWND> shown;
    for (HWND c = GetWindow(pane->Handle(), GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) {
        if (HasStyleVisible(c)) shown.push_back(c);
    }
    return shown;
}

ScreenInfo Screen(int width, int height, int rotation = 0) {
    ScreenInfo s;
    s.width = width;
    s.height = height;
    s.rotation = rotation;
    s.monitor = {0, 0, width, height};
    s.work = {0, 0, width, height - 40};
    return s;
}

class Host final : public fw::FrameWindow,
                   public QuietPlayListener,
                   public QuietScreenModeListener,
                   public DetectInfoChangeListener {
public:
    struct Sent {
        UINT msg;
        ULONGLONG at;
    };

    DisplayInfo info;
    ViewParameters parameters;
    std::unique_ptr<CVideoSplitterWnd> layout = std::make_unique<CVideoSplitterWnd>();
    std::vector<ZoomRequest> zooms;
    CpwZoomRect source{};  // what the library was last asked to show
    int resets = 0;
    int started = 0;
    int ended = 0;
    std::vector<DisplayArea> areas;
    std::vector<Sent> sent;

    Host() {
        parameters[kParamMaxZoom] = L"8";
        parameters[kParamDoubleClickZoom] = L"2";
        parameters[kParamCinemaResolDotByDot] = L"1";
    }
    ~Host() override {
        if (layout->IsWindow()) {
            layout->DestroyPanes();
            layout->Destroy();
        }
    }

    bool Make(int width, int height) {
        return Create(DefaultClass(), L"host", WS_POPUP | WS_VISIBLE, 0, RECT{0, 0, width, height}, nullptr, 0);
    }
    // Builds the layout as the frame does, for the screen and mode given.
    bool Build(const ScreenInfo& screen, bool full_screen) {
        info.screen = screen;
        info.full_screen = full_screen ? 1 : 0;
        info.center_x = info.center_y = 0.5;
        ViewInitArgs args;
        args.parameters = &parameters;
        args.screen_mode = this;
        args.play = this;
        args.detect = this;
        if (!layout->CreatePanes(*this, screen) || !layout->CreateViews(args)) return false;
        layout->UpdateRowSizes();
        layout->UpdateColumnSizes();
        layout->RecalcLayout();
        Push();
        return true;
    }
    void Push() { layout->OnDisplayInfoChanged(info); }
    void Switch(int key, int controls_visible) {
        SendMessageW(layout->Handle(), msg::kDisplayKind, static_cast<WPARAM>(key), controls_visible);
    }
    int Count(UINT msg) const {
        int n = 0;
        for (const Sent& s : sent) n += s.msg == msg ? 1 : 0;
        return n;
    }

    // IVideoPlayListner, answered as the frame answers.
    void OnZoomChanged(const Rect& area, const double* centre, double factor) override {
        ZoomRequest r{area, centre != nullptr, centre ? centre[0] : 0.0, centre ? centre[1] : 0.0, factor};
        zooms.push_back(r);
        if (factor == 1.0 || centre == nullptr) {
            ++resets;
            info.center_x = info.center_y = 0.5;
        } else {
            source = ZoomSourceRect(area, centre[0], centre[1], factor);
            info.center_x = centre[0];
            info.center_y = centre[1];
        }
        info.zoom = factor;
        Push();
    }
    void OnGestureStarted() override { ++started; }
    void OnGestureEnded() override { ++ended; }
    void OnDisplayAreaChanged(const DisplayArea& area) override { areas.push_back(area); }

protected:
    LRESULT HandleMessage(UINT msg, WPARAM w, LPARAM l) override {
        if (msg == msg::kContinue || msg == msg::kSaveErrorClosed || msg == WM_CLOSE) {
            sent.push_back({msg, GetTickCount64()});
            return 0;
        }
        return fw::FrameWindow::HandleMessage(msg, w, l);
    }
};

class Views : public ::testing::Test {
protected:
    void SetUp() override { SetThreadUILanguage(fw::kLangEnglish); }

    // A full-screen host on a 1920 x 1280 screen: caption 35, display 1145, bar 100.
    void BuildFullScreen() {
        ASSERT_TRUE(host.Make(1920, 1280));
        ASSERT_TRUE(host.Build(Screen(1920, 1280), true));
    }
    CVideoSplitterWnd& L() { return *host.layout; }
    fw::PaneFrame* DisplayPane() { return L().Display()->Pane(0, 0); }
    CVideoPlayView* Play() { return static_cast<CVideoPlayView*>(L().Display()->DisplayView(kDisplayPlay)); }
    CVideoErrorView* Message(int kind) { return static_cast<CVideoErrorView*>(L().Display()->DisplayView(kind)); }

    // Each pane shows exactly the view expected, as the pane, over the whole pane.
    void ExpectShown(const fw::PaneFrame* pane, const CBaseView* view) {
        const std::vector<HWND> shown = ShownIn(pane);
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0], view->Handle());
        EXPECT_EQ(GetDlgCtrlID(shown[0]), 0xE900);
        const RECT pane_rect = OnScreen(pane->Handle());
        const RECT view_rect = OnScreen(view->Handle());
        EXPECT_TRUE(EqualRect(&pane_rect, &view_rect));
    }
    void ExpectScreen(int key, int controller_key) {
        ExpectShown(L().Pane(0, 0), L().CaptionView());
        ExpectShown(DisplayPane(), L().Display()->CurrentView());
        EXPECT_EQ(L().Display()->CurrentView(), L().Display()->DisplayView(key != 0 ? key : kDefaultDisplayKey));
        ExpectShown(L().Pane(2, 0), L().ControllerView(controller_key));
    }
    int RowHeight(int row) {
        const RECT r = OnScreen(L().Pane(row, 0)->Handle());
        return r.bottom - r.top;
    }

    Host host;
};

TEST_F(Views, RowsFollowTheModeAndTheWindowHeight) {
    BuildFullScreen();
    // Nothing is shown before the first switch.
    EXPECT_TRUE(ShownIn(DisplayPane()).empty());
    EXPECT_TRUE(ShownIn(L().Pane(2, 0)).empty());

    host.Switch(kDisplayPlay, 1);
    EXPECT_EQ(RowHeight(0), 35);
    EXPECT_EQ(RowHeight(1), 1145);
    EXPECT_EQ(RowHeight(2), 100);
    ExpectScreen(kDisplayPlay, kControllerPlay);
    const Rect display = L().GetDisplayRect();
    EXPECT_TRUE(SameRect(RECT{0, 35, 1920, 1180}, display));

    // Window mode: no caption row.
    host.info.full_screen = 0;
    host.Push();
    EXPECT_EQ(RowHeight(0), 0);
    EXPECT_EQ(RowHeight(1), 1180);
    EXPECT_EQ(RowHeight(2), 100);

    // A window lower than both bars shows only the display row.
    host.info.full_screen = 1;
    host.Push();
    SetWindowPos(host.Handle(), nullptr, 0, 0, 1920, 120, SWP_NOZORDER | SWP_NOMOVE);
    EXPECT_EQ(RowHeight(0), 0);
    EXPECT_EQ(RowHeight(1), 120);
    EXPECT_EQ(RowHeight(2), 0);
    SetWindowPos(host.Handle(), nullptr, 0, 0, 1920, 1280, SWP_NOZORDER | SWP_NOMOVE);
    EXPECT_EQ(RowHeight(0), 35);
    EXPECT_EQ(RowHeight(1), 1145);
    ExpectScreen(kDisplayPlay, kControllerPlay);
}

TEST_F(Views, SwitchesShowTheTargetsViews) {
    BuildFullScreen();
    // Key 0: the fatal-error message and its bar.
    host.Switch(0, 1);
    ExpectScreen(0, ControllerKeyOfMessageKind(7));

    host.Switch(kDisplayPlay, 1);
    ExpectScreen(kDisplayPlay, kControllerPlay);
    EXPECT_EQ(Message(7)->Id(), 0xE901 + 7);
    EXPECT_EQ(L().ControllerView(3)->Id(), 0xE901 + 3);

    // Controls hidden: the blank bar under the target's display view.
    host.Switch(5, 0);
    ExpectScreen(5, kControllerBlank);
    EXPECT_EQ(Play()->Id(), 0xE901 + kDisplayPlay);
    EXPECT_FALSE(HasStyleVisible(L().ControllerView(kControllerPlay)->Handle()));
    // The next switch with controls takes the blank bar away.
    host.Switch(6, 1);
    ExpectScreen(6, ControllerKeyOfMessageKind(6));

    // An unknown key changes nothing that is shown; the next switch works.
    host.Switch(42, 1);
    EXPECT_EQ(L().TargetKey(), 42);
    ExpectScreen(6, ControllerKeyOfMessageKind(6));
    host.Switch(kDisplayPlay, 1);
    ExpectScreen(kDisplayPlay, kControllerPlay);

    // The blank screen: the blank view and bar.
    host.Switch(kDisplayBlank, 1);
    ExpectScreen(kDisplayBlank, kControllerBlank);
}

TEST_F(Views, ZoomReachesTheShownViewsAndRotationReachesAll) {
    BuildFullScreen();
    host.Switch(kDisplayPlay, 1);
    host.info.zoom = 2.0;
    host.Push();
    EXPECT_EQ(Play()->GetDisplayInfo().zoom, 2.0);
    EXPECT_EQ(L().CaptionView()->GetDisplayInfo().zoom, 2.0);
    EXPECT_EQ(L().ControllerView(kControllerPlay)->GetDisplayInfo().zoom, 2.0);
    EXPECT_EQ(Message(5)->GetDisplayInfo().zoom, 1.0);
    EXPECT_EQ(L().ControllerView(1)->GetDisplayInfo().zoom, 1.0);

    // Rotated to portrait 1080 x 1920: every view takes it and lays out again;
    // a hidden message view's lines are now 600 design units on the rotated
    // screen (253 pixels) instead of 300.
    const HWND hidden_line = GetDlgItem(Message(5)->Handle(), IDC_ERROR_LINE1);
    EXPECT_EQ(Message(5)->ControlRectInView(hidden_line).Width(), 300);
    host.info.screen = Screen(1080, 1920, 90);
    host.Push();
    for (int key = kDisplayBlank; key <= kLastMessageKind; ++key) {
        EXPECT_EQ(L().Display()->DisplayView(key)->GetDisplayInfo().screen.rotation, 90) << key;
        EXPECT_EQ(L().Display()->DisplayView(key)->GetDisplayInfo().zoom, 2.0) << key;
    }
    EXPECT_EQ(L().ControllerView(1)->GetDisplayInfo().screen.rotation, 90);
    EXPECT_EQ(L().CaptionView()->GetDisplayInfo().screen.rotation, 90);
    EXPECT_EQ(Message(5)->ControlRectInView(hidden_line).Width(), 253);
}

// ---- Play view -------------------------------------------------------------

TOUCHINPUT Touch(int x, int y, DWORD id, DWORD flags) {
    TOUCHINPUT t{};
    t.x = x * 100;
    t.y = y * 100;
    t.dwID = id;
    t.dwFlags = flags;
    return t;
}

class PlayViews : public Views {
protected:
    void SetUp() override {
        Views::SetUp();
        BuildFullScreen();
        host.Switch(kDisplayPlay, 1);
        // A 16:9 picture fitted into the display row (0, 35)-(1920, 1180).
        host.info.video = {0, 67, 1920, 1147};
        host.Push();
    }
    void Feed(std::initializer_list<TOUCHINPUT> batch) { Play()->OnTouchInputs(std::span(batch.begin(), batch.size())); }
    void Pinch(int centre_x, int y, std::initializer_list<int> distances) {
        auto it = distances.begin();
        Feed({Touch(centre_x - *it / 2, y, 1, TOUCHEVENTF_DOWN), Touch(centre_x + *it / 2, y, 2, TOUCHEVENTF_DOWN)});
        for (++it; it != distances.end(); ++it) {
            Feed({Touch(centre_x - *it / 2, y, 1, TOUCHEVENTF_MOVE), Touch(centre_x + *it / 2, y, 2, TOUCHEVENTF_MOVE)});
        }
    }
    void Lift(int centre_x, int y, int distance) {
        Feed({Touch(centre_x - distance / 2, y, 1, TOUCHEVENTF_UP), Touch(centre_x + distance / 2, y, 2, TOUCHEVENTF_UP)});
    }
    void Slide(POINT from, POINT to) {
        Feed({Touch(from.x, from.y, 1, TOUCHEVENTF_DOWN)});
        Feed({Touch(to.x, to.y, 1, TOUCHEVENTF_MOVE)});
        Feed({Touch(to.x, to.y, 1, TOUCHEVENTF_UP)});
    }
    void DoubleTap(int client_x, int client_y) {
        SendMessageW(Play()->Handle(), WM_LBUTTONDBLCLK, 0, MAKELPARAM(client_x, client_y));
    }
    // The centre after many full-width swipes one way, then the other.
    std::pair<double, double> CentreLimits() {
        for (int i = 0; i < 10; ++i) Slide({1900, 1100}, {20, 80});
        const double high = host.info.center_x;
        EXPECT_EQ(host.info.center_y, high);
        for (int i = 0; i < 10; ++i) Slide({20, 80}, {1900, 1100});
        const double low = host.info.center_x;
        EXPECT_EQ(host.info.center_y, low);
        return {low, high};
    }
};

TEST_F(PlayViews, SlideAndPinchZoom) {
    // At zoom 1.0 a slide is a gesture without any zoom request.
    Slide({500, 500}, {900, 700});
    EXPECT_EQ(host.started, 1);
    EXPECT_EQ(host.ended, 1);
    EXPECT_TRUE(host.zooms.empty());

    // Spread to three times the distance, then beyond MaxZoom 8, then pinch in below 1.
    Pinch(960, 607, {100, 300});
    EXPECT_EQ(host.started, 2);
    ASSERT_EQ(host.zooms.size(), 1u);
    EXPECT_DOUBLE_EQ(host.info.zoom, 3.0);
    EXPECT_EQ(host.source.width, 1280);
    EXPECT_EQ(host.source.height, 720);
    EXPECT_EQ(Play()->GetDisplayInfo().zoom, 3.0);  // pushed back before the next event
    Feed({Touch(210, 607, 1, TOUCHEVENTF_MOVE), Touch(1710, 607, 2, TOUCHEVENTF_MOVE)});
    EXPECT_DOUBLE_EQ(host.info.zoom, 8.0);
    EXPECT_EQ(host.source.width, 480);
    EXPECT_EQ(host.resets, 0);
    Feed({Touch(955, 607, 1, TOUCHEVENTF_MOVE), Touch(965, 607, 2, TOUCHEVENTF_MOVE)});
    EXPECT_DOUBLE_EQ(host.info.zoom, 1.0);
    EXPECT_EQ(host.resets, 1);
    Lift(960, 607, 10);
    EXPECT_EQ(host.ended, 2);
    EXPECT_EQ(Play()->Model().Zoom().active, 0);
}

TEST_F(PlayViews, CentreLimitsAtTwoAndEight) {
    DoubleTap(960, 607 - 35);
    ASSERT_DOUBLE_EQ(host.info.zoom, 2.0);
    EXPECT_DOUBLE_EQ(host.info.center_x, 0.5);
    auto [low2, high2] = CentreLimits();
    EXPECT_DOUBLE_EQ(low2, 0.25);
    EXPECT_DOUBLE_EQ(high2, 0.75);

    DoubleTap(960, 607 - 35);  // zoomed: back to the whole picture
    EXPECT_DOUBLE_EQ(host.info.zoom, 1.0);
    Pinch(960, 607, {100, 800});
    Lift(960, 607, 800);
    ASSERT_DOUBLE_EQ(host.info.zoom, 8.0);
    auto [low8, high8] = CentreLimits();
    EXPECT_DOUBLE_EQ(low8, 0.0625);
    EXPECT_DOUBLE_EQ(high8, 0.9375);
}

TEST_F(PlayViews, DoubleTapAtTheLeftEdgeAndContactsOnTheBars) {
    // On the picture's very edge the tap is not inside: dropped.
    DoubleTap(0, 500);
    EXPECT_TRUE(host.zooms.empty());
    DoubleTap(1, 500);
    ASSERT_EQ(host.zooms.size(), 1u);
    EXPECT_DOUBLE_EQ(host.info.zoom, 2.0);
    EXPECT_EQ(host.source.x, 0);
    EXPECT_EQ(host.source.width, 1920);
    EXPECT_EQ(host.source.height, 1080);
    DoubleTap(960, 500);
    EXPECT_EQ(host.resets, 1);

    // A pinch whose fingers move onto the caption bar ends there.
    Pinch(960, 607, {200, 400});
    EXPECT_EQ(Play()->Model().Zoom().active, 1);
    const int ended = host.ended;
    Feed({Touch(700, 10, 1, TOUCHEVENTF_MOVE), Touch(1200, 20, 2, TOUCHEVENTF_MOVE)});
    EXPECT_EQ(Play()->Model().Zoom().active, 0);
    EXPECT_EQ(host.ended, ended + 1);
    // One finger on the picture keeps the batch as it is: a new pinch can begin.
    Feed({Touch(700, 10, 1, TOUCHEVENTF_DOWN), Touch(1200, 600, 2, TOUCHEVENTF_DOWN)});
    EXPECT_EQ(Play()->Model().Zoom().active, 1);
}

TEST_F(PlayViews, DotByDotAreaIsClippedToTheWorkArea) {
    // A 4096 x 2160 input shown dot by dot is 2048 pixels wide on this screen.
    host.areas.clear();
    host.info.video = {-64, 67, 1984, 1147};
    host.Push();
    ASSERT_FALSE(host.areas.empty());
    EXPECT_EQ(host.areas.back().video_rect, (Rect{0, 67, 1920, 1147}));
    EXPECT_EQ(host.areas.back().extra_rect, Rect{});
    EXPECT_EQ(host.areas.back().background, 0x000300u);
    // In a window the whole rectangle is watched.
    host.info.full_screen = 0;
    host.Push();
    EXPECT_EQ(host.areas.back().video_rect, (Rect{-64, 67, 1984, 1147}));
}

// ---- Caption -----------------------------------------------------------------

TEST_F(Views, CaptionTextsMarkAndVisibility) {
    BuildFullScreen();
    host.Switch(kDisplayPlay, 1);
    CVideoCaptionView* caption = L().CaptionView();
    const HWND signal = GetDlgItem(caption->Handle(), IDC_CAPTION_SIGNAL);
    const HWND mark = GetDlgItem(caption->Handle(), IDC_CAPTION_HDCP);
    const HWND power = GetDlgItem(caption->Handle(), IDC_CAPTION_POWER);
    const HWND name = GetDlgItem(caption->Handle(), IDC_CAPTION_APP_NAME);
    const HWND close = GetDlgItem(caption->Handle(), IDC_CAPTION_CLOSE);

    CpwHdmiInfo info{};
    info.width = 1280;
    info.height = 1024;
    info.fps = 60.0;
    info.format = 1;
    info.scan = 0;
    HdmiInfoChangedNotificator::Broadcast(&info);
    EXPECT_EQ(TextOf(signal), L"1280x1024 60.00 RGB");
    EXPECT_FALSE(HasStyleVisible(mark));
    EXPECT_EQ(TextOf(name), L"Vistrel");
    const std::wstring power_text = TextOf(power);
    EXPECT_TRUE(power_text == L"External Power" || power_text.rfind(L"Internal Battery", 0) == 0) << power_text;

    // No signal: no text, but the mark still follows the input's HDCP.
    info.status = 1;
    info.detect_hdcp = 1;
    HdmiInfoChangedNotificator::Broadcast(&info);
    EXPECT_EQ(TextOf(signal), L"");
    EXPECT_TRUE(HasStyleVisible(mark));

    // An identical record touches nothing.
    SetWindowTextW(signal, L"kept");
    HdmiInfoChangedNotificator::Broadcast(&info);
    EXPECT_EQ(TextOf(signal), L"kept");

    // The blank screen hides everything; other screens show the close button,
    // and the texts only with the controls; the mark comes back with the texts
    // for a protected input only.
    host.Switch(kDisplayBlank, 1);
    for (HWND c : {signal, mark, power, name, close}) EXPECT_FALSE(HasStyleVisible(c));
    host.Switch(5, 0);
    EXPECT_TRUE(HasStyleVisible(close));
    for (HWND c : {signal, mark, power, name}) EXPECT_FALSE(HasStyleVisible(c));
    host.Switch(kDisplayPlay, 1);
    for (HWND c : {signal, power, name, close, mark}) EXPECT_TRUE(HasStyleVisible(c));
    info.detect_hdcp = 0;
    HdmiInfoChangedNotificator::Broadcast(&info);
    EXPECT_FALSE(HasStyleVisible(mark));
    host.Switch(5, 1);
    EXPECT_FALSE(HasStyleVisible(mark));

    // The close button closes the main window; the bar reads left to right.
    SendMessageW(close, BM_CLICK, 0, 0);
    EXPECT_EQ(host.Count(WM_CLOSE), 1);
    const Rect s = caption->ControlRectInView(signal);
    const Rect p = caption->ControlRectInView(power);
    const Rect n = caption->ControlRectInView(name);
    const Rect x = caption->ControlRectInView(close);
    EXPECT_EQ(s.left, 10);
    EXPECT_EQ(p.left, s.right + 10);
    EXPECT_EQ(x.right, 1920 - 10);
    EXPECT_EQ(n.right, x.left - 10);
}

// ---- Message views -----------------------------------------------------------

TEST_F(Views, MessageScreensTextsButtonsAndExtraRectangle) {
    BuildFullScreen();
    // Kind 4 shows four blank lines, kind 5 the no-signal text; neither has a button.
    for (int kind : {4, 5}) {
        host.Switch(kind, 1);
        EXPECT_FALSE(HasStyleVisible(GetDlgItem(Message(kind)->Handle(), IDC_ERROR_BUTTON))) << kind;
    }
    EXPECT_EQ(TextOf(GetDlgItem(Message(4)->Handle(), IDC_ERROR_LINE1)), L" ");
    EXPECT_EQ(TextOf(GetDlgItem(Message(5)->Handle(), IDC_ERROR_LINE1)), L"The application is unable to detect");
    // The detector skips the text block: four lines of 300 x 30 in the middle
    // of the display row at (0, 35), 2 pixels apart.
    EXPECT_EQ(host.areas.back().video_rect, (Rect{0, 35, 1920, 1180}));
    EXPECT_EQ(host.areas.back().extra_rect, (Rect{810, 35 + 493, 1110, 35 + 619}));

    // With a button the block reaches down to it: 80 x 30, 20 below line 4.
    host.Switch(3, 1);
    const HWND button = GetDlgItem(Message(3)->Handle(), IDC_ERROR_BUTTON);
    EXPECT_TRUE(HasStyleVisible(button));
    EXPECT_EQ(TextOf(button), L"Continue");
    EXPECT_EQ(host.areas.back().extra_rect, (Rect{810, 35 + 493, 1110, 35 + 669}));
    host.Switch(kDisplayBlank, 1);
    EXPECT_EQ(host.areas.back().extra_rect, Rect{});

    // OK on the fatal error closes the viewer; Continue on a save error closes the screen.
    host.Switch(7, 1);
    SendMessageW(GetDlgItem(Message(7)->Handle(), IDC_ERROR_BUTTON), BM_CLICK, 0, 0);
    EXPECT_EQ(host.Count(WM_CLOSE), 1);
    host.Switch(10, 1);
    SendMessageW(GetDlgItem(Message(10)->Handle(), IDC_ERROR_BUTTON), BM_CLICK, 0, 0);
    EXPECT_EQ(host.Count(msg::kSaveErrorClosed), 1);
}

// The suspend screen with a short resume delay, in its own pane of the host.
class ResumeDelay : public Views {
protected:
    static constexpr int kDelay = 400;

    void SetUp() override {
        Views::SetUp();
        ASSERT_TRUE(host.Make(800, 600));
        ASSERT_TRUE(pane.Create(fw::FrameWindow::DefaultClass(), L"", WS_CHILD | WS_VISIBLE, 0, RECT{0, 0, 800, 600},
                                host.Handle(), 0xE900));
        ASSERT_TRUE(view.Create(pane.Handle(), 0xE900));
        DisplayInfo info;
        info.screen = Screen(1920, 1280);
        view.OnDisplayInfoChanged(info);
        view.Activate();
        button = GetDlgItem(view.Handle(), IDC_ERROR_BUTTON);
        ASSERT_TRUE(HasStyleVisible(button));
    }
    void Tap() { SendMessageW(button, BM_CLICK, 0, 0); }
    // Waits until the delay has surely passed (the timer fires only while the loop runs).
    void WaitPastDelay() { PumpUntil([] { return false; }, kDelay * 3); }
    ULONGLONG ContinueAt() const {
        for (const auto& s : host.sent) {
            if (s.msg == msg::kContinue) return s.at;
        }
        return 0;
    }

    fw::FrameWindow pane;
    CVideoErrorView view{3, kDelay};
    HWND button = nullptr;
};

TEST_F(ResumeDelay, TapsDuringTheDelayGiveOneContinueAtItsEnd) {
    // Without a recent resume a tap continues at once.
    Tap();
    EXPECT_EQ(host.Count(msg::kContinue), 1);
    host.sent.clear();

    PowerChangedNotificator::Broadcast(2);  // suspending: no delay
    EXPECT_FALSE(view.ResumeTimerRunning());
    const ULONGLONG resumed = GetTickCount64();
    PowerChangedNotificator::Broadcast(1);
    Tap();
    Tap();
    EXPECT_EQ(host.Count(msg::kContinue), 0);
    WaitPastDelay();
    EXPECT_EQ(host.Count(msg::kContinue), 1);
    EXPECT_GE(ContinueAt() - resumed, static_cast<ULONGLONG>(kDelay - 20));
    EXPECT_FALSE(view.ResumeTimerRunning());
}

TEST_F(ResumeDelay, ASecondResumeRestartsTheDelay) {
    PowerChangedNotificator::Broadcast(1);
    Tap();
    // The first delay runs out while no message is handled; the second resume
    // comes before its tick could be seen, and starts the delay again.
    Sleep(kDelay + 100);
    const ULONGLONG resumed_again = GetTickCount64();
    PowerChangedNotificator::Broadcast(1);
    WaitPastDelay();
    EXPECT_EQ(host.Count(msg::kContinue), 1);
    EXPECT_GE(ContinueAt() - resumed_again, static_cast<ULONGLONG>(kDelay - 20));
}

}  // namespace
}  // namespace vistrel
