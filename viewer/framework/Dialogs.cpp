#include "viewer/framework/Dialogs.h"

#include <mutex>

#include "viewer/framework/Raii.h"

namespace fw {

namespace {

// The dialog manager sends WM_INITDIALOG only to dialogs that have a dialog
// procedure; this one leaves everything to the window procedure and the
// dialog manager's defaults.
INT_PTR CALLBACK PassThroughDialogProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

// The framework's dialog class, registered once for the program's life.
std::once_flag g_dialogClassOnce;
RegisteredClass g_dialogClass;

}  // namespace

bool RegisterDialogClass() noexcept {
    std::call_once(g_dialogClassOnce, [] {
        // The system dialog class's attributes, with the framework's procedure.
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        if (!GetClassInfoExW(nullptr, MAKEINTATOM(0x8002), &wc)) {
            wc.cbWndExtra = DLGWINDOWEXTRA;
            wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        }
        wc.cbSize = sizeof wc;
        wc.style = CS_DBLCLKS | CS_GLOBALCLASS;
        wc.lpfnWndProc = &Window::StaticWndProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = kDialogClassName;
        if (wc.cbWndExtra < DLGWINDOWEXTRA) wc.cbWndExtra = DLGWINDOWEXTRA;
        g_dialogClass.Register(wc);
    });
    return g_dialogClass.Atom() != 0;
}

bool FormView::Create(HWND parent, UINT id) noexcept {
    if (Handle() != nullptr || !RegisterDialogClass()) return false;
    UseDialogDefault();
    HWND hwnd;
    {
        CreationScope scope(this);
        hwnd = CreateDialogParamW(ResourceInstance(), MAKEINTRESOURCEW(templateId_), parent, &PassThroughDialogProc, 0);
    }
    if (hwnd == nullptr) return false;
    if (Handle() != hwnd) {
        // The template does not name the framework's class.
        DestroyWindow(hwnd);
        return false;
    }
    MarkCreated();
    SetId(static_cast<int>(id));
    return true;
}

LRESULT FormView::HandleMessage(UINT msg, WPARAM w, LPARAM l) {
    if (msg == WM_INITDIALOG) {
        DefaultProc(msg, w, l);
        return OnInitDialog() ? TRUE : FALSE;
    }
    return View::HandleMessage(msg, w, l);
}

INT_PTR Dialog::DoModal(HWND parent) noexcept {
    if (Handle() != nullptr || !RegisterDialogClass()) return -1;
    UseDialogDefault();
    CreationScope scope(this);
    return DialogBoxParamW(ResourceInstance(), MAKEINTRESOURCEW(templateId_), parent, &PassThroughDialogProc, 0);
}

LRESULT Dialog::HandleMessage(UINT msg, WPARAM w, LPARAM l) {
    switch (msg) {
        case WM_INITDIALOG:
            DefaultProc(msg, w, l);
            return OnInitDialog() ? TRUE : FALSE;
        case WM_COMMAND:
            if (l == 0 || HIWORD(w) == BN_CLICKED) {
                if (LOWORD(w) == IDOK) {
                    OnOK();
                    return 0;
                }
                if (LOWORD(w) == IDCANCEL) {
                    OnCancel();
                    return 0;
                }
            }
            break;
        default: break;
    }
    return Window::HandleMessage(msg, w, l);
}

}  // namespace fw
