// Shows the layout's screens one after another for tools/shots/views.sh.
//
//   ViewsShotHost.exe SYNC_DIR STATE...
//
// A state is KEY,CONTROLS,MODE[,TAB[,EXTRA]]: the target key the state
// machine would send, the controls flag, f (full screen) or w (window), the
// setting panel's tab (1 Balance, 2 Level, 3 Etc; 11 to 13 the same with the
// view's confirmation row open; 0 or missing: the panel closed), and EXTRA
// letters: t the tablet flag, v the waveform display (play code 6) filled
// from the simulated controller's test picture. For state N the host shows
// the screen, writes SYNC_DIR\ready-N and waits for SYNC_DIR\done-N, which
// the script writes once it has taken the picture.
#include <windows.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "simulator/model/Pattern.h"
#include "viewer/app/FrameListeners.h"
#include "viewer/tests/QuietListeners.h"
#include "viewer/app/Notificators.h"
#include "viewer/core/ColorPresets.h"
#include "viewer/core/Messages.h"
#include "viewer/framework/Frame.h"
#include "viewer/framework/Raii.h"
#include "viewer/framework/Resources.h"
#include "viewer/res/resource.h"
#include "viewer/views/SettingViews.h"
#include "viewer/views/Splitters.h"

namespace {

using namespace vistrel;

constexpr int kScreenWidth = 1920;
constexpr int kScreenHeight = 1280;

// The capture library's lending for the waveform display: the simulated
// controller's test picture as its movie frames come (1280 x 720, B, G, R).
struct Lender {
    static inline std::vector<std::uint8_t> pixels;
    static inline CpwCaptureFrame frame{};

    static void Make() {
        pixels.assign(1280u * 720u * 3u, 0);
        mrcsim::PatternRenderer().Render(240, 1280, 720, 1, pixels.data(), 1280 * 3);
        frame.width = 1280;
        frame.height = 720;
        frame.data = pixels.data();
        frame.size = static_cast<std::uint32_t>(pixels.size());
    }
    static CpwResult CPWAPI Get(CpwCaptureFrame** out) {
        *out = &frame;
        return CPW_OK;
    }
    static CpwResult CPWAPI Release() { return CPW_OK; }
};

class ShotHost final : public fw::FrameWindow,
                       public QuietPlayListener,
                       public QuietScreenModeListener,
                       public DetectInfoChangeListener {
public:
    DisplayInfo info;
    ViewParameters parameters;
    std::unique_ptr<CVideoSplitterWnd> layout = std::make_unique<CVideoSplitterWnd>();
    // A grey desktop behind the window mode, so the window's edges show.
    fw::Brush desktop_brush{CreateSolidBrush(RGB(58, 110, 165))};
    fw::Window desktop;

    ~ShotHost() override {
        if (layout->IsWindow()) {
            layout->DestroyPanes();
            layout->Destroy();
        }
    }
    bool Build() {
        LPCWSTR desktop_class = RegisterClassOnce(L"ViewsShotDesktop", 0, desktop_brush.Get());
        if (!desktop.CreateEx(WS_EX_NOACTIVATE, desktop_class, L"", WS_POPUP,
                              RECT{0, 0, kScreenWidth, kScreenHeight}, nullptr, 0)) {
            return false;
        }
        const std::wstring title = fw::LoadResString(IDS_APP_TITLE);
        // Owned by the desktop, so always above it.
        if (!Create(DefaultClass(), title.c_str(), WS_POPUP | WS_VISIBLE, 0, RECT{0, 0, kScreenWidth, kScreenHeight},
                    desktop.Handle(), 0)) {
            return false;
        }
        info.screen.width = kScreenWidth;
        info.screen.height = kScreenHeight;
        info.screen.monitor = {0, 0, kScreenWidth, kScreenHeight};
        info.screen.work = {0, 0, kScreenWidth, kScreenHeight};
        info.center_x = info.center_y = 0.5;
        info.full_screen = 1;
        ViewInitArgs args;
        args.parameters = &parameters;
        args.screen_mode = this;
        args.play = this;
        args.detect = this;
        args.get_capture_data = &Lender::Get;
        args.release_capture_data = &Lender::Release;
        if (!layout->CreatePanes(*this, info.screen) || !layout->CreateViews(args)) return false;
        layout->UpdateRowSizes();
        layout->UpdateColumnSizes();
        layout->RecalcLayout();
        layout->OnDisplayInfoChanged(info);
        return true;
    }
    void SetMode(bool full_screen) {
        if (full_screen) {
            SetWindowLongPtrW(Handle(), GWL_STYLE, WS_POPUP | WS_VISIBLE);
            SetWindowPos(Handle(), HWND_TOP, 0, 0, kScreenWidth, kScreenHeight, SWP_FRAMECHANGED);
        } else {
            SetWindowLongPtrW(Handle(), GWL_STYLE, WS_OVERLAPPEDWINDOW | WS_VISIBLE);
            SetWindowPos(Handle(), HWND_TOP, 160, 120, 1440, 900, SWP_FRAMECHANGED);
        }
        ShowWindow(desktop.Handle(), full_screen ? SW_HIDE : SW_SHOWNA);
        info.full_screen = full_screen ? 1 : 0;
        layout->OnDisplayInfoChanged(info);
        info.video = layout->GetDisplayRect();
        layout->OnDisplayInfoChanged(info);
    }
    void Show(int key, int controls, bool tablet, bool waveform) {
        // The caption's input: a 1080p picture, protected except under the
        // waveform display (which protected input leaves).
        CpwHdmiInfo hdmi{};
        hdmi.width = 1920;
        hdmi.height = 1080;
        hdmi.fps = 59.94;
        hdmi.scan = 2;
        hdmi.format = 3;
        hdmi.detect_hdcp = waveform ? 0 : 1;
        HdmiInfoChangedNotificator::Broadcast(&hdmi);
        SendMessageW(layout->Handle(), msg::kDisplayKind, static_cast<WPARAM>(key), controls);
        SendMessageW(layout->Handle(), msg::kPlayCode, waveform ? 6 : 0, 0);
        info.tablet = tablet ? 1 : 0;
        info.video = layout->GetDisplayRect();
        layout->OnDisplayInfoChanged(info);
        RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
    }

    // Opens the setting panel at a tab (0 closes it), optionally with the
    // view's confirmation row open.
    void ShowSettings(int tab) {
        SendMessageW(layout->Handle(), msg::kSettingViewVisible, tab != 0 ? 1 : 0, 0);
        SettingSplitterWnd* settings = layout->Display()->Settings();
        for (int cancel : {IDC_BAL_CONFIRM_CANCEL, IDC_LEV_CONFIRM_CANCEL, IDC_ETC_CONFIRM_CANCEL}) {
            for (int key = 1; key <= 3; ++key) {
                if (HWND c = settings->SettingView(key)->Item(cancel); c != nullptr) SendMessageW(c, BM_CLICK, 0, 0);
            }
        }
        if (tab == 0) return;
        const int key = tab % 10;
        const int tab_ids[3] = {IDC_SET_TAB_BALANCE, IDC_SET_TAB_LEVEL, IDC_SET_TAB_ETC};
        if (HWND t = FindDescendant(tab_ids[key - 1]); t != nullptr) SendMessageW(t, BM_CLICK, 0, 0);
        if (tab > 10) {
            const int openers[3] = {IDC_BAL_SAVE, IDC_LEV_SAVE, IDC_ETC_HIDE};
            if (HWND o = settings->SettingView(key)->Item(openers[key - 1]); o != nullptr) {
                SendMessageW(o, BM_CLICK, 0, 0);
            }
        }
    }
    HWND FindDescendant(int id) const {
        struct Search {
            int id;
            HWND found;
        } search{id, nullptr};
        EnumChildWindows(
            Handle(),
            [](HWND w, LPARAM l) -> BOOL {
                auto* s = reinterpret_cast<Search*>(l);
                if (GetDlgCtrlID(w) != s->id) return TRUE;
                s->found = w;
                return FALSE;
            },
            reinterpret_cast<LPARAM>(&search));
        return search.found;
    }

    void OnDisplayAreaChanged(const DisplayArea&) override {}

protected:
    LRESULT HandleMessage(UINT msg, WPARAM w, LPARAM l) override {
        // The message buttons' requests are not this host's to carry out.
        if (msg == WM_CLOSE || msg == msg::kContinue || msg == msg::kSaveErrorClosed) return 0;
        return fw::FrameWindow::HandleMessage(msg, w, l);
    }
};

void Pump(DWORD ms) {
    const ULONGLONG end = GetTickCount64() + ms;
    MSG m;
    while (GetTickCount64() < end) {
        while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&m);
            DispatchMessageW(&m);
        }
        Sleep(10);
    }
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        std::fputs("usage: ViewsShotHost SYNC_DIR KEY,CONTROLS,f|w ...\n", stderr);
        return 2;
    }
    const std::wstring sync = argv[1];
    Lender::Make();
    ShotHost host;
    if (!host.Build()) {
        std::fputs("ViewsShotHost: the layout could not be built\n", stderr);
        return 1;
    }
    // The colour in effect: the 2.4 curve, hue and saturation moved, a warm
    // gain, the green channel hidden.
    ColorRecord color;
    color.curve_type = 2;
    color.twelve_axes = {150, 100, 128, 15, 15, 15, 15, 15, 15, 15, 15, 15};
    color.drive_gain = {560, 512, 470};
    color.cutoff_offset = {2048, 2100, 1990};
    color.color_mute = {0, 1, 0};
    const PresetSelection selection{0, 0};
    ColorSettingChangedNotificator::Broadcast(&color, &selection);

    for (int i = 2; i < argc; ++i) {
        int key = 0;
        int controls = 1;
        wchar_t mode = L'f';
        int tab = 0;
        wchar_t extra[8] = {};
        if (swscanf(argv[i], L"%d,%d,%lc,%d,%7ls", &key, &controls, &mode, &tab, extra) < 3) continue;
        const std::wstring letters = extra;
        host.SetMode(mode == L'f');
        host.Show(key, controls, letters.find(L't') != std::wstring::npos, letters.find(L'v') != std::wstring::npos);
        host.ShowSettings(tab);
        Pump(700);
        const std::wstring n = std::to_wstring(i - 1);
        if (HANDLE f = CreateFileW((sync + L"\\ready-" + n).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0,
                                   nullptr);
            f != INVALID_HANDLE_VALUE) {
            CloseHandle(f);
        }
        const ULONGLONG give_up = GetTickCount64() + 60000;
        while (!Exists(sync + L"\\done-" + n) && GetTickCount64() < give_up) Pump(50);
    }
    return 0;
}
