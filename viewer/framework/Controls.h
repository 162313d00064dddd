// Thin owners for the common controls the viewer draws itself: owner-drawn
// buttons and statics, and track bars with custom drawing. Each can create its
// control or take over one from a dialog template; the parent's notifications
// come back to the control's object (reflection).
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <optional>

#include "viewer/framework/Window.h"

namespace fw {

class OwnerDrawButton : public Window {
public:
    bool Create(HWND parent, UINT id, LPCWSTR text, const RECT& rect,
                DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP) noexcept;
    // Takes over a button of a template and makes it owner-drawn.
    bool Attach(HWND button) noexcept;

protected:
    // Paints the button; the default fills it with the button face and writes its text.
    virtual void DrawItem(const DRAWITEMSTRUCT& item);
    std::optional<LRESULT> OnReflected(UINT msg, WPARAM w, LPARAM l) override;
};

class StaticControl : public Window {
public:
    // `className` may name a class registered by the program (drawn by the
    // object's own WM_PAINT handling) instead of the system static.
    bool Create(HWND parent, UINT id, LPCWSTR text, const RECT& rect, DWORD style = WS_CHILD | WS_VISIBLE,
                LPCWSTR className = WC_STATICW) noexcept;
    bool Attach(HWND control) noexcept { return Subclass(control); }

protected:
    // SS_OWNERDRAW statics are painted here.
    virtual void DrawItem(const DRAWITEMSTRUCT& item) { (void)item; }
    // WM_CTLCOLORSTATIC: a brush answers the parent's request; null leaves it to the parent.
    virtual HBRUSH CtlColor(HDC dc) {
        (void)dc;
        return nullptr;
    }
    std::optional<LRESULT> OnReflected(UINT msg, WPARAM w, LPARAM l) override;
};

class TrackBar : public Window {
public:
    bool Create(HWND parent, UINT id, const RECT& rect,
                DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | TBS_HORZ) noexcept;
    bool Attach(HWND control) noexcept { return Subclass(control); }

    void SetRange(int minimum, int maximum, bool redraw = true) const noexcept;
    void SetPos(int pos, bool redraw = true) const noexcept;
    int GetPos() const noexcept;
    void SetThumbLength(int length) const noexcept;

protected:
    // NM_CUSTOMDRAW from the track bar; the answer is the custom-draw result.
    virtual LRESULT OnCustomDraw(NMCUSTOMDRAW& draw) {
        (void)draw;
        return CDRF_DODEFAULT;
    }
    std::optional<LRESULT> OnReflected(UINT msg, WPARAM w, LPARAM l) override;
};

}  // namespace fw
