#include "viewer/framework/Controls.h"

#include <string>

namespace fw {

bool OwnerDrawButton::Create(HWND parent, UINT id, LPCWSTR text, const RECT& rect, DWORD style) noexcept {
    HWND hwnd = CreateWindowExW(0, WC_BUTTONW, text, style | BS_OWNERDRAW, rect.left, rect.top,
                                rect.right - rect.left, rect.bottom - rect.top, parent,
                                reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), GetModuleHandleW(nullptr),
                                nullptr);
    if (hwnd == nullptr) return false;
    if (!Subclass(hwnd)) {
        DestroyWindow(hwnd);
        return false;
    }
    MarkCreated();
    return true;
}

bool OwnerDrawButton::Attach(HWND button) noexcept {
    if (!Subclass(button)) return false;
    const LONG_PTR style = GetWindowLongPtrW(button, GWL_STYLE);
    SetWindowLongPtrW(button, GWL_STYLE, (style & ~static_cast<LONG_PTR>(BS_TYPEMASK)) | BS_OWNERDRAW);
    InvalidateRect(button, nullptr, TRUE);
    return true;
}

void OwnerDrawButton::DrawItem(const DRAWITEMSTRUCT& item) {
    RECT r = item.rcItem;
    FillRect(item.hDC, &r, GetSysColorBrush(COLOR_BTNFACE));
    wchar_t text[256] = {};
    GetWindowTextW(Handle(), text, 256);
    SetBkMode(item.hDC, TRANSPARENT);
    DrawTextW(item.hDC, text, -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

std::optional<LRESULT> OwnerDrawButton::OnReflected(UINT msg, WPARAM, LPARAM l) {
    if (msg == WM_DRAWITEM) {
        DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(l));
        return TRUE;
    }
    return std::nullopt;
}

bool StaticControl::Create(HWND parent, UINT id, LPCWSTR text, const RECT& rect, DWORD style,
                           LPCWSTR className) noexcept {
    HWND hwnd = CreateWindowExW(0, className, text, style, rect.left, rect.top, rect.right - rect.left,
                                rect.bottom - rect.top, parent, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)),
                                GetModuleHandleW(nullptr), nullptr);
    if (hwnd == nullptr) return false;
    if (!Subclass(hwnd)) {
        DestroyWindow(hwnd);
        return false;
    }
    MarkCreated();
    return true;
}

std::optional<LRESULT> StaticControl::OnReflected(UINT msg, WPARAM w, LPARAM l) {
    if (msg == WM_DRAWITEM) {
        DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(l));
        return TRUE;
    }
    if (msg == WM_CTLCOLORSTATIC) {
        if (HBRUSH brush = CtlColor(reinterpret_cast<HDC>(w)); brush != nullptr) {
            return reinterpret_cast<LRESULT>(brush);
        }
    }
    return std::nullopt;
}

bool TrackBar::Create(HWND parent, UINT id, const RECT& rect, DWORD style) noexcept {
    HWND hwnd = CreateWindowExW(0, TRACKBAR_CLASSW, L"", style, rect.left, rect.top, rect.right - rect.left,
                                rect.bottom - rect.top, parent, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)),
                                GetModuleHandleW(nullptr), nullptr);
    if (hwnd == nullptr) return false;
    if (!Subclass(hwnd)) {
        DestroyWindow(hwnd);
        return false;
    }
    MarkCreated();
    return true;
}

void TrackBar::SetRange(int minimum, int maximum, bool redraw) const noexcept {
    Send(TBM_SETRANGEMIN, FALSE, minimum);
    Send(TBM_SETRANGEMAX, redraw ? TRUE : FALSE, maximum);
}

void TrackBar::SetPos(int pos, bool redraw) const noexcept { Send(TBM_SETPOS, redraw ? TRUE : FALSE, pos); }

int TrackBar::GetPos() const noexcept { return static_cast<int>(Send(TBM_GETPOS)); }

void TrackBar::SetThumbLength(int length) const noexcept { Send(TBM_SETTHUMBLENGTH, static_cast<WPARAM>(length)); }

std::optional<LRESULT> TrackBar::OnReflected(UINT msg, WPARAM, LPARAM l) {
    if (msg == WM_NOTIFY) {
        auto* header = reinterpret_cast<NMHDR*>(l);
        if (header->code == static_cast<UINT>(NM_CUSTOMDRAW)) {
            return OnCustomDraw(*reinterpret_cast<NMCUSTOMDRAW*>(l));
        }
    }
    return std::nullopt;
}

}  // namespace fw
