// Shows the layout's screens one after another for tools/shots/views.sh.
//
//   ViewsShotHost.exe SYNC_DIR STATE...
//
// A state is KEY,CONTROLS,MODE: the target key the state machine would send,
// the controls flag and f (full screen) or w (window). For state N the host
// shows the screen, writes SYNC_DIR\ready-N and waits for SYNC_DIR\done-N,
// which the script writes once it has taken the picture.
#include <windows.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "viewer/app/FrameListeners.h"
#include "viewer/tests/QuietListeners.h"
#include "viewer/app/Notificators.h"
#include "viewer/core/Messages.h"
#include "viewer/framework/Frame.h"
#include "viewer/framework/Raii.h"
#include "viewer/framework/Resources.h"
#include "viewer/res/resource.h"
#include "viewer/views/Splitters.h"

namespace {

using namespace vistrel;

constexpr int kScreenWidth = 1920;
constexpr int kScreenHeight = 1280;

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
    void Show(int key, int controls) {
        SendMessageW(layout->Handle(), msg::kDisplayKind, static_cast<WPARAM>(key), controls);
        info.video = layout->GetDisplayRect();
        layout->OnDisplayInfoChanged(info);
        RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
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
    ShotHost host;
    if (!host.Build()) {
        std::fputs("ViewsShotHost: the layout could not be built\n", stderr);
        return 1;
    }
    // The caption's input: a protected 1080p picture.
    CpwHdmiInfo hdmi{};
    hdmi.width = 1920;
    hdmi.height = 1080;
    hdmi.fps = 59.94;
    hdmi.scan = 2;
    hdmi.format = 3;
    hdmi.detect_hdcp = 1;
    HdmiInfoChangedNotificator::Broadcast(&hdmi);

    for (int i = 2; i < argc; ++i) {
        int key = 0;
        int controls = 1;
        wchar_t mode = L'f';
        if (swscanf(argv[i], L"%d,%d,%lc", &key, &controls, &mode) != 3) continue;
        host.SetMode(mode == L'f');
        host.Show(key, controls);
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
