// The window framework under Wine with real windows.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <functional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "viewer/framework/Application.h"
#include "viewer/framework/Controls.h"
#include "viewer/framework/Dialogs.h"
#include "viewer/framework/Frame.h"
#include "viewer/framework/Raii.h"
#include "viewer/framework/Resources.h"
#include "viewer/framework/Window.h"
#include "viewer/res/resource.h"

namespace {

constexpr UINT IDD_TEST_FORM = 9001;
constexpr UINT IDD_TEST_MODAL = 9002;
constexpr UINT IDD_TEST_NO_CLASS = 9003;
constexpr UINT IDB_TEST = 9010;
constexpr UINT kPing = WM_APP + 100;
constexpr UINT kThrow = WM_APP + 101;

std::set<const void*> g_alive;

// Runs the message loop until `done` holds or the time is up.
bool PumpUntil(const std::function<bool()>& done, DWORD ms = 3000) {
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

void Pump() {
    PumpUntil([] { return false; }, 50);
}

LPCWSTR ProbeClass() { return fw::Window::RegisterClassOnce(L"FwTestProbe"); }

// Records every message it handles, and checks that it is alive when it does.
class Probe : public fw::Window {
public:
    Probe() { g_alive.insert(this); }
    ~Probe() override { g_alive.erase(this); }

    bool Make(HWND parent = nullptr, DWORD style = WS_OVERLAPPEDWINDOW) {
        return CreateEx(0, ProbeClass(), L"probe", style, RECT{0, 0, 300, 200}, parent, 0);
    }

    std::vector<UINT> messages;
    std::function<LRESULT(UINT, WPARAM, LPARAM)> on;
    static int deadCalls;

protected:
    LRESULT HandleMessage(UINT msg, WPARAM w, LPARAM l) override {
        if (g_alive.count(this) == 0) {
            ++deadCalls;
            return 0;
        }
        messages.push_back(msg);
        if (msg == kThrow) throw std::runtime_error("handler failure");
        if (on && msg >= WM_APP) return on(msg, w, l);
        return Window::HandleMessage(msg, w, l);
    }
    LRESULT OnHandlerException(UINT) noexcept override { return 77; }
};
int Probe::deadCalls = 0;

bool Has(const std::vector<UINT>& v, UINT m) { return std::find(v.begin(), v.end(), m) != v.end(); }

TEST(FrameworkWindow, BindsAtCreationAndUnbindsAtTheLastMessage) {
    Probe p;
    ASSERT_TRUE(p.Make());
    HWND hwnd = p.Handle();
    EXPECT_EQ(fw::Window::FromHandle(hwnd), &p);
    EXPECT_TRUE(Has(p.messages, WM_NCCREATE));
    EXPECT_TRUE(Has(p.messages, WM_CREATE));
    EXPECT_EQ(p.Send(kPing), 0);

    DestroyWindow(hwnd);
    EXPECT_EQ(p.Handle(), nullptr);
    EXPECT_EQ(p.messages.back(), static_cast<UINT>(WM_NCDESTROY));
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(fw::Window::FromHandle(hwnd), nullptr);
}

TEST(FrameworkWindow, NoHandlerRunsOnADestroyedObject) {
    Probe::deadCalls = 0;
    HWND hwnd = nullptr;
    HWND childHwnd = nullptr;
    {
        Probe parent;
        ASSERT_TRUE(parent.Make());
        Probe child;
        ASSERT_TRUE(child.Make(parent.Handle(), WS_CHILD | WS_VISIBLE));
        hwnd = parent.Handle();
        childHwnd = child.Handle();
        // The child object dies first while its window lives on; then the
        // parent object dies and destroys both windows.
    }
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_FALSE(IsWindow(childHwnd));
    EXPECT_EQ(Probe::deadCalls, 0);

    // A window destroyed by the system while its object lives: the object is
    // told nothing more after WM_NCDESTROY.
    Probe survivor;
    ASSERT_TRUE(survivor.Make());
    HWND s = survivor.Handle();
    DestroyWindow(s);
    const auto count = survivor.messages.size();
    SendMessageW(s, kPing, 0, 0);
    EXPECT_EQ(survivor.messages.size(), count);
}

TEST(FrameworkWindow, ObjectMayDeleteItselfAfterTheLastMessage) {
    struct SelfOwned : Probe {
        bool* deleted;
        explicit SelfOwned(bool* d) : deleted(d) {}
        void OnFinalMessage() override {
            *deleted = true;
            delete this;
        }
    };
    bool deleted = false;
    auto* w = new SelfOwned(&deleted);
    ASSERT_TRUE(w->Make());
    DestroyWindow(w->Handle());
    EXPECT_TRUE(deleted);
}

TEST(FrameworkWindow, ExceptionsStopAtTheBarrier) {
    Probe p;
    ASSERT_TRUE(p.Make());
    EXPECT_EQ(p.Send(kThrow), 77);
    p.on = [](UINT, WPARAM w, LPARAM) -> LRESULT { return static_cast<LRESULT>(w) + 1; };
    EXPECT_EQ(p.Send(kPing, 41), 42) << "the window keeps working";
}

TEST(FrameworkWindow, HandlerSendsArriveInOrderAndNested) {
    Probe a, b, c;
    ASSERT_TRUE(a.Make());
    ASSERT_TRUE(b.Make());
    ASSERT_TRUE(c.Make());
    std::vector<std::string> order;
    b.on = [&](UINT, WPARAM w, LPARAM) -> LRESULT {
        order.push_back("b" + std::to_string(w));
        if (w == 1) c.Send(kPing, 2);  // nested inside b's handling
        return 0;
    };
    c.on = [&](UINT, WPARAM w, LPARAM) -> LRESULT {
        order.push_back("c" + std::to_string(w));
        return 0;
    };
    a.on = [&](UINT, WPARAM, LPARAM) -> LRESULT {
        order.push_back("a-begin");
        b.Send(kPing, 1);
        c.Send(kPing, 3);
        b.Send(kPing, 4);
        order.push_back("a-end");
        return 0;
    };
    a.Send(kPing);
    EXPECT_EQ(order, (std::vector<std::string>{"a-begin", "b1", "c2", "c3", "b4", "a-end"}));
}

// An edit control taken over by an object that counts the texts set on it.
class CountingEdit : public fw::Window {
public:
    int texts = 0;

protected:
    LRESULT HandleMessage(UINT msg, WPARAM w, LPARAM l) override {
        if (msg == WM_SETTEXT) ++texts;
        return Window::HandleMessage(msg, w, l);
    }
};

TEST(FrameworkWindow, SubclassesAnExistingControlAndHandsItBack) {
    Probe parent;
    ASSERT_TRUE(parent.Make());
    HWND edit = CreateWindowExW(0, WC_EDITW, L"", WS_CHILD | WS_VISIBLE, 0, 0, 100, 20, parent.Handle(), nullptr,
                                GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(edit, nullptr);
    const LONG_PTR original = GetWindowLongPtrW(edit, GWLP_WNDPROC);
    {
        CountingEdit counting;
        ASSERT_TRUE(counting.Subclass(edit));
        EXPECT_FALSE(CountingEdit().Subclass(edit)) << "one object per window";
        SetWindowTextW(edit, L"hello");
        EXPECT_EQ(counting.texts, 1);
        wchar_t text[16] = {};
        GetWindowTextW(edit, text, 16);
        EXPECT_STREQ(text, L"hello") << "the control's own procedure still runs";
    }
    // The object is gone; the control lives on with its own procedure.
    EXPECT_TRUE(IsWindow(edit));
    EXPECT_EQ(GetWindowLongPtrW(edit, GWLP_WNDPROC), original);
    SetWindowTextW(edit, L"again");
    CountingEdit second;
    ASSERT_TRUE(second.Subclass(edit));
    EXPECT_EQ(second.Unsubclass(), edit);
    EXPECT_EQ(GetWindowLongPtrW(edit, GWLP_WNDPROC), original);
}

class PaintedButton : public fw::OwnerDrawButton {
public:
    int draws = 0;

protected:
    void DrawItem(const DRAWITEMSTRUCT& item) override {
        ++draws;
        OwnerDrawButton::DrawItem(item);
    }
};

TEST(FrameworkControls, OwnerDrawnButtonDrawsThroughReflection) {
    Probe parent;
    ASSERT_TRUE(parent.Make());
    ShowWindow(parent.Handle(), SW_SHOWNOACTIVATE);
    PaintedButton button;
    ASSERT_TRUE(button.Create(parent.Handle(), 10, L"Go", RECT{10, 10, 110, 40}));
    EXPECT_NE(GetWindowLongPtrW(button.Handle(), GWL_STYLE) & BS_OWNERDRAW, 0);
    RedrawWindow(button.Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    Pump();
    EXPECT_GE(button.draws, 1);
    EXPECT_TRUE(Has(parent.messages, WM_DRAWITEM));
}

class ObservedForm : public fw::FormView {
public:
    using FormView::FormView;
    int inits = 0;
    int activations = 0;
    int deactivations = 0;
    void OnActivateView(bool active) override { ++(active ? activations : deactivations); }

protected:
    bool OnInitDialog() override {
        ++inits;
        // The template's controls exist when the view initialises.
        EXPECT_NE(Item(2001), nullptr);
        return true;
    }
};

class Slider : public fw::TrackBar {
public:
    int customDraws = 0;

protected:
    LRESULT OnCustomDraw(NMCUSTOMDRAW& draw) override {
        ++customDraws;
        (void)draw;
        return CDRF_DODEFAULT;
    }
};

TEST(FrameworkForms, FormViewFromATemplateWithItsControls) {
    Probe parent;
    ASSERT_TRUE(parent.Make());
    ShowWindow(parent.Handle(), SW_SHOWNOACTIVATE);
    ObservedForm form(IDD_TEST_FORM);
    ASSERT_TRUE(form.Create(parent.Handle(), 0x1234));
    EXPECT_EQ(form.inits, 1);
    EXPECT_EQ(form.Id(), 0x1234);
    EXPECT_EQ(fw::Window::FromHandle(form.Handle()), &form);
    wchar_t text[32] = {};
    GetWindowTextW(form.Item(2001), text, 32);
    EXPECT_STREQ(text, L"Label");
    wchar_t cls[64] = {};
    GetClassNameW(form.Item(2003), cls, 64);
    EXPECT_EQ(_wcsicmp(cls, TRACKBAR_CLASSW), 0);

    Slider slider;
    ASSERT_TRUE(slider.Attach(form.Item(2003)));
    slider.SetRange(0, 10);
    slider.SetPos(7);
    EXPECT_EQ(slider.GetPos(), 7);
    ShowWindow(form.Handle(), SW_SHOW);
    RedrawWindow(slider.Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    Pump();
    EXPECT_GE(slider.customDraws, 1) << "custom draw reflected from the form to the slider";

    PaintedButton button;
    ASSERT_TRUE(button.Attach(form.Item(2002)));
    RedrawWindow(button.Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    Pump();
    EXPECT_GE(button.draws, 1);

    HWND hwnd = form.Handle();
    form.Destroy();
    EXPECT_FALSE(IsWindow(hwnd));
}

TEST(FrameworkForms, ProductTemplatesCreate) {
    Probe parent;
    ASSERT_TRUE(parent.Make());
    for (UINT id : {IDD_VIDEO_PLAY_VIEW, IDD_VIDEO_ERROR_VIEW, IDD_VIDEO_BLANK_CONTROLLER_VIEW, IDD_VIDEO_BLANK_VIEW}) {
        SCOPED_TRACE(id);
        fw::FormView view(id);
        EXPECT_TRUE(view.Create(parent.Handle()));
    }
    fw::FormView error(IDD_VIDEO_ERROR_VIEW);
    ASSERT_TRUE(error.Create(parent.Handle()));
    for (int item : {IDC_ERROR_LINE1, IDC_ERROR_LINE2, IDC_ERROR_LINE3, IDC_ERROR_LINE4, IDC_ERROR_BUTTON}) {
        EXPECT_NE(error.Item(item), nullptr) << item;
    }
}

TEST(FrameworkForms, TemplateWithoutTheFrameworkClassIsRefused) {
    Probe parent;
    ASSERT_TRUE(parent.Make());
    fw::FormView view(IDD_TEST_NO_CLASS);
    EXPECT_FALSE(view.Create(parent.Handle()));
    EXPECT_EQ(view.Handle(), nullptr);
    EXPECT_EQ(GetWindow(parent.Handle(), GW_CHILD), nullptr) << "nothing left behind";
}

class AutoCloseDialog : public fw::Dialog {
public:
    explicit AutoCloseDialog(INT_PTR code) : Dialog(IDD_TEST_MODAL), code_(code) {}
    bool initialised = false;

protected:
    bool OnInitDialog() override {
        initialised = Item(IDOK) != nullptr;
        SetTimer(Handle(), 1, 10, nullptr);
        return true;
    }
    LRESULT HandleMessage(UINT msg, WPARAM w, LPARAM l) override {
        if (msg == WM_TIMER) {
            KillTimer(Handle(), 1);
            if (code_ == IDOK) {
                SendMessageW(Handle(), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(Item(IDOK)));
            } else {
                EndDialog(code_);
            }
            return 0;
        }
        return Dialog::HandleMessage(msg, w, l);
    }

private:
    INT_PTR code_;
};

TEST(FrameworkForms, ModalDialogRunsUntilEnded) {
    AutoCloseDialog ok(IDOK);
    EXPECT_EQ(ok.DoModal(nullptr), IDOK);
    EXPECT_TRUE(ok.initialised);
    EXPECT_EQ(ok.Handle(), nullptr);
    AutoCloseDialog custom(42);
    EXPECT_EQ(custom.DoModal(nullptr), 42);
}

// A frame whose client is a 3-row splitter with pane frames holding several views.
class LayoutFrame : public fw::FrameWindow {
public:
    fw::StaticSplitter splitter;
    std::vector<std::unique_ptr<ObservedForm>> views[3];

protected:
    bool OnCreateClient(const CREATESTRUCTW&) override {
        if (!splitter.CreateStatic(Handle(), 3, 1)) return false;
        const RECT r = ClientRect();
        const int heights[3] = {35, r.bottom - 35 - 100, 100};
        for (int row = 0; row < 3; ++row) {
            fw::PaneFrame* pane = splitter.CreatePane(row, 0, SIZE{r.right, heights[row]});
            if (pane == nullptr) return false;
            for (int i = 0; i < row + 2; ++i) {
                auto view = std::make_unique<ObservedForm>(IDD_TEST_FORM);
                if (!view->Create(pane->Handle(), 0xE901 + i)) return false;
                views[row].push_back(std::move(view));
            }
        }
        splitter.RecalcLayout();
        return true;
    }
};

bool Visible(const fw::Window& w) { return (GetWindowLongPtrW(w.Handle(), GWL_STYLE) & WS_VISIBLE) != 0; }

TEST(FrameworkSplitter, ThreeRowsShowOneOfSeveralViewsPerPaneAndSwitch) {
    LayoutFrame frame;
    ASSERT_TRUE(frame.Create(nullptr, L"layout", WS_OVERLAPPEDWINDOW, 0, RECT{0, 0, 640, 480}, nullptr, 0));
    ShowWindow(frame.Handle(), SW_SHOWNOACTIVATE);
    const RECT client = frame.ClientRect();
    EXPECT_EQ(GetDlgItem(frame.Handle(), fw::kPaneFirst), frame.splitter.Handle());
    EXPECT_EQ(frame.splitter.RowSize(0), 35);
    EXPECT_EQ(frame.splitter.RowSize(2), 100);
    EXPECT_EQ(frame.splitter.RowSize(0) + frame.splitter.RowSize(1) + frame.splitter.RowSize(2), client.bottom);

    // Nothing is visible until the first switch.
    for (auto& row : frame.views) {
        for (auto& v : row) EXPECT_FALSE(Visible(*v));
    }
    for (int row = 0; row < 3; ++row) {
        frame.splitter.Pane(row, 0)->ShowView(*frame.views[row][0], 0xE901);
    }
    for (int row = 0; row < 3; ++row) {
        SCOPED_TRACE(row);
        fw::PaneFrame* pane = frame.splitter.Pane(row, 0);
        EXPECT_EQ(pane->GetActiveView(), frame.views[row][0].get());
        EXPECT_TRUE(Visible(*frame.views[row][0]));
        const RECT pr = pane->ClientRect();
        const RECT vr = frame.views[row][0]->RectInParent();
        EXPECT_EQ(vr.right - vr.left, pr.right);
        EXPECT_EQ(vr.bottom - vr.top, pr.bottom) << "the shown view fills its pane";
        EXPECT_EQ(frame.views[row][0]->Id(), static_cast<int>(fw::kPaneFirst));
    }

    // Switch the middle pane to its second view.
    fw::PaneFrame* middle = frame.splitter.Pane(1, 0);
    auto& mv = frame.views[1];
    middle->ShowView(*mv[1], 0xE901);
    EXPECT_TRUE(Visible(*mv[1]));
    EXPECT_FALSE(Visible(*mv[0]));
    EXPECT_EQ(mv[0]->Id(), 0xE901);
    EXPECT_EQ(mv[1]->Id(), static_cast<int>(fw::kPaneFirst));
    EXPECT_EQ(middle->GetActiveView(), mv[1].get());
    EXPECT_EQ(mv[0]->deactivations, 1);
    EXPECT_EQ(mv[1]->activations, 1);
    const int shown = static_cast<int>(std::count_if(mv.begin(), mv.end(), [](auto& v) { return Visible(*v); }));
    EXPECT_EQ(shown, 1);

    // Resizing the frame lays the rows out again; the last row takes the rest.
    SetWindowPos(frame.Handle(), nullptr, 0, 0, 800, 700, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
    const RECT bigger = frame.ClientRect();
    frame.splitter.SetRowInfo(1, bigger.bottom - 35 - 100);
    frame.splitter.RecalcLayout();
    EXPECT_EQ(frame.splitter.RowSize(2), 100);
    const RECT vr = mv[1]->RectInParent();
    EXPECT_EQ(vr.bottom - vr.top, bigger.bottom - 135);
    EXPECT_EQ(vr.right - vr.left, bigger.right);

    // A window lower than the wanted rows: the rows fill up in order, none negative.
    frame.splitter.SetRowInfo(1, 10000);
    frame.splitter.RecalcLayout();
    EXPECT_EQ(frame.splitter.RowSize(2), 0);

    frame.splitter.DestroyPanes();
    EXPECT_EQ(frame.splitter.Pane(1, 0), nullptr);
    for (auto& row : frame.views) {
        for (auto& v : row) EXPECT_EQ(v->Handle(), nullptr) << "views died with their panes";
    }
}

class CommandView : public fw::FormView {
public:
    CommandView() : FormView(IDD_TEST_FORM) {}
    std::vector<WORD> commands;
    bool OnCommand(WORD id, WORD) override {
        commands.push_back(id);
        return id == 500;  // the view takes 500 and leaves the rest to the frame
    }
};

class CommandFrame : public fw::FrameWindow {
public:
    std::vector<WORD> commands;

protected:
    LRESULT HandleMessage(UINT msg, WPARAM w, LPARAM l) override {
        const LRESULT r = FrameWindow::HandleMessage(msg, w, l);
        if (msg == WM_COMMAND && l == 0 && !(GetActiveView() && LOWORD(w) == 500)) commands.push_back(LOWORD(w));
        return r;
    }
};

TEST(FrameworkFrame, CommandsGoToTheActiveViewFirstAndFocusFollowsIt) {
    CommandFrame frame;
    ASSERT_TRUE(frame.Create(nullptr, L"frame", WS_OVERLAPPEDWINDOW, 0, RECT{0, 0, 300, 200}, nullptr, 0));
    CommandView view;
    ASSERT_TRUE(view.Create(frame.Handle(), fw::kPaneFirst));
    frame.SetActiveView(&view);
    frame.RecalcLayout();
    const RECT fr = frame.ClientRect();
    const RECT vr = view.RectInParent();
    EXPECT_EQ(vr.right - vr.left, fr.right);
    EXPECT_EQ(vr.bottom - vr.top, fr.bottom) << "the pane child fills the frame";

    frame.Send(WM_COMMAND, MAKEWPARAM(500, 0), 0);
    frame.Send(WM_COMMAND, MAKEWPARAM(501, 0), 0);
    EXPECT_EQ(view.commands, (std::vector<WORD>{500, 501}));
    EXPECT_EQ(frame.commands, (std::vector<WORD>{501}));

    ShowWindow(frame.Handle(), SW_SHOW);
    ShowWindow(view.Handle(), SW_SHOW);
    SetFocus(frame.Handle());
    EXPECT_TRUE(view.Handle() == GetFocus() || IsChild(view.Handle(), GetFocus()));

    // A view whose window goes is no longer the active view.
    view.Destroy();
    EXPECT_EQ(frame.GetActiveView(), nullptr);
}

TEST(FrameworkResources, StringsInEachLanguage) {
    EXPECT_EQ(fw::LoadResString(IDS_NO_SIGNAL_1, fw::kLangEnglish), L"The application is unable to detect");
    EXPECT_EQ(fw::LoadResString(IDS_NO_SIGNAL_1, fw::kLangJapanese), L"映像信号を検出できません。");
    EXPECT_EQ(fw::LoadResString(IDS_NO_SIGNAL_1, fw::kLangFrench), L"L'application ne détecte");
    // A regional French finds the neutral French table; an unknown language English.
    EXPECT_EQ(fw::LoadResString(IDS_CONTINUE, MAKELANGID(LANG_FRENCH, SUBLANG_FRENCH_CANADIAN)), L"Continuer");
    EXPECT_EQ(fw::LoadResString(IDS_CONTINUE, MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN)), L"Continue");
    EXPECT_EQ(fw::LoadResString(IDS_VERSION_MENU, fw::kLangEnglish), L"&Version");
    EXPECT_EQ(fw::LoadResString(IDS_TRANSITION_2, fw::kLangEnglish), L" ");
    EXPECT_EQ(fw::LoadResString(60000, fw::kLangEnglish), L"") << "absent";
}

TEST(FrameworkResources, StringsFollowTheThreadLanguage) {
    const LANGID before = GetThreadUILanguage();
    if (SetThreadUILanguage(fw::kLangJapanese) != fw::kLangJapanese || GetThreadUILanguage() != fw::kLangJapanese) {
        SetThreadUILanguage(before);
        GTEST_SKIP() << "this platform does not switch the thread's UI language";
    }
    EXPECT_EQ(fw::LoadResString(IDS_CONTINUE), L"続行");
    SetThreadUILanguage(MAKELANGID(LANG_FRENCH, SUBLANG_FRENCH));
    EXPECT_EQ(fw::LoadResString(IDS_CONTINUE), L"Continuer");
    SetThreadUILanguage(before);
}

TEST(FrameworkResources, BitmapResource) {
    fw::Bitmap bmp = fw::LoadResBitmap(IDB_TEST);
    ASSERT_TRUE(bmp);
    BITMAP info{};
    ASSERT_NE(GetObjectW(bmp.Get(), sizeof info, &info), 0);
    EXPECT_EQ(info.bmWidth, 8);
    EXPECT_EQ(info.bmHeight, 4);
    EXPECT_FALSE(fw::LoadResBitmap(60001));
}

TEST(FrameworkRaii, TimerTicksUntilStoppedAndClassesUnregister) {
    Probe p;
    ASSERT_TRUE(p.Make());
    int ticks = 0;
    {
        fw::WindowTimer timer;
        ASSERT_TRUE(timer.Start(p.Handle(), 7, 10));
        EXPECT_TRUE(timer.Running());
        EXPECT_TRUE(PumpUntil([&] {
            ticks = static_cast<int>(std::count(p.messages.begin(), p.messages.end(), static_cast<UINT>(WM_TIMER)));
            return ticks >= 2;
        }));
    }
    p.messages.clear();
    Pump();
    Sleep(40);
    Pump();
    EXPECT_FALSE(Has(p.messages, WM_TIMER)) << "the timer died with its owner";

    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"FwTestScopedClass";
    {
        fw::RegisteredClass registered(wc);
        ASSERT_NE(registered.Atom(), 0);
        WNDCLASSEXW found{sizeof found};
        EXPECT_TRUE(GetClassInfoExW(wc.hInstance, wc.lpszClassName, &found));
    }
    WNDCLASSEXW gone{sizeof gone};
    EXPECT_FALSE(GetClassInfoExW(wc.hInstance, wc.lpszClassName, &gone));

    fw::Brush brush(CreateSolidBrush(RGB(0, 3, 0)));
    fw::Brush moved(std::move(brush));
    EXPECT_FALSE(brush);
    EXPECT_TRUE(moved);
}

TEST(FrameworkApplication, MainWindowEndEndsTheLoop) {
    class App : public fw::Application {
    public:
        fw::FrameWindow* frame = nullptr;
        bool preTranslated = false;
        bool InitInstance() override {
            frame = new fw::FrameWindow();
            if (!frame->Create(nullptr, L"app", WS_OVERLAPPEDWINDOW, 0, RECT{0, 0, 200, 100}, nullptr, 0)) return false;
            SetMainWindow(frame);
            PostMessageW(frame->Handle(), WM_CLOSE, 0, 0);
            return true;
        }
        bool PreTranslateMessage(MSG& msg) override {
            if (msg.message == WM_CLOSE) preTranslated = true;
            return false;
        }
        int ExitInstance() override { return 5; }
    } app;
    EXPECT_EQ(app.Run(), 5);
    EXPECT_TRUE(app.preTranslated);
    EXPECT_EQ(app.MainWindow(), nullptr);
    delete app.frame;
}

TEST(FrameworkApplication, NamedMutexTellsCreatedFromExisting) {
    fw::NamedMutex first;
    fw::NamedMutex second;
    EXPECT_TRUE(first.Create(L"FwTestMutex"));
    EXPECT_FALSE(second.Create(L"FwTestMutex"));
    EXPECT_NE(second.Get(), nullptr) << "the existing mutex is opened";
    first.Close();
    second.Close();
    fw::NamedMutex third;
    EXPECT_TRUE(third.Create(L"FwTestMutex"));
}

}  // namespace
