#include "viewer/app/MainFrame.h"

#include <string>

#include "viewer/framework/Resources.h"
#include "viewer/res/resource.h"

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

}  // namespace vistrel
