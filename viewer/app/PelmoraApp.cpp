#include "PelmoraApp.h"

#include <commctrl.h>

#include <string>

#include "../framework/Resources.h"
#include "../res/resource.h"

namespace vistrel {

LPCWSTR CVideoInputFrame::RegisterMainClass() noexcept {
    // A plain class: no class style, cursor, background brush or icon.
    static fw::RegisteredClass registered;
    if (registered.Atom() == 0) {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = &fw::Window::StaticWndProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = kMainWindowClass;
        if (!registered.Register(wc)) return nullptr;
    }
    return kMainWindowClass;
}

bool CVideoInputFrame::LoadFrame(DWORD style) {
    LPCWSTR cls = RegisterMainClass();
    if (cls == nullptr) return false;
    const std::wstring title = fw::LoadResString(IDS_APP_TITLE);
    HWND hwnd = nullptr;
    {
        fw::CreationScope scope(this);
        hwnd = CreateWindowExW(0, cls, title.c_str(), style, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                               CW_USEDEFAULT, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    }
    if (hwnd == nullptr || Handle() != hwnd) return false;
    MarkCreated();
    selfOwned_ = true;
    return true;
}

LRESULT CVideoInputFrame::HandleMessage(UINT msg, WPARAM w, LPARAM l) {
    switch (msg) {
        case WM_CREATE: {
            const LRESULT r = FrameWindow::HandleMessage(msg, w, l);
            if (r == -1) return -1;
            icon_.Reset(static_cast<HICON>(
                LoadImageW(fw::ResourceInstance(), MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE)));
            if (icon_.Get() != nullptr) {
                SendMessageW(Handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_.Get()));
                SendMessageW(Handle(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_.Get()));
            }
            return 0;
        }
        case WM_SYSCOMMAND:
            // The keyboard menu stays closed.
            if ((w & 0xFFF0) == SC_KEYMENU) return 0;
            break;
        default: break;
    }
    return FrameWindow::HandleMessage(msg, w, l);
}

bool CPelmoraApp::InitInstance() {
    INITCOMMONCONTROLSEX icc{sizeof icc, 0xFF};
    InitCommonControlsEx(&icc);

    SetLastError(ERROR_SUCCESS);
    const bool globalCreated = globalMutex_.Create(kGlobalMutexName);
    const bool userCreated = userMutex_.Create(kUserMutexName);

    if (!globalCreated && !userCreated) {
        // Another instance runs in this session: bring it forward and end.
        if (HWND other = FindWindowW(kMainWindowClass, nullptr)) {
            if (IsIconic(other)) ShowWindow(other, SW_RESTORE);
            SetForegroundWindow(other);
        }
        return true;
    }

    auto* frame = new CVideoInputFrame(globalCreated ? 0 : 1);
    if (!frame->LoadFrame(kFrameStyle)) {
        delete frame;
        return false;
    }
    SetMainWindow(frame);
    ShowWindow(frame->Handle(), SW_SHOW);
    UpdateWindow(frame->Handle());
    return true;
}

int CPelmoraApp::ExitInstance() {
    globalMutex_.Close();
    userMutex_.Close();
    return Application::ExitInstance();
}

}  // namespace vistrel
