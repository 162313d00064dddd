// Double-line separators: two grey lines on a transparent ground, across the
// width (LineControlHorizontal) or the height (LineControlVertical).
#pragma once

#include <windows.h>

#include "viewer/core/ControlLook.h"
#include "viewer/framework/Controls.h"

namespace vistrel {

class LineControlHorizontal : public fw::StaticControl {
public:
    LineControlHorizontal() noexcept;
    bool Create(HWND parent, UINT id, const RECT& rect, DWORD style = WS_CHILD | WS_VISIBLE) noexcept;
    bool Attach(HWND control) noexcept { return Subclass(control); }
    void SetLayoutState(const controls::LayoutState& layout) noexcept;

protected:
    virtual bool Vertical() const noexcept { return false; }
    virtual const wchar_t* ClassName() const noexcept { return L"LineControlHorizontal"; }
    LRESULT HandleMessage(UINT msg, WPARAM w, LPARAM l) override;

private:
    void OnPaint() noexcept;
    controls::LayoutState layout_;
};

class LineControlVertical : public LineControlHorizontal {
public:
    LineControlVertical() noexcept;

protected:
    bool Vertical() const noexcept override { return true; }
    const wchar_t* ClassName() const noexcept override { return L"LineControlVertical"; }
};

}  // namespace vistrel
