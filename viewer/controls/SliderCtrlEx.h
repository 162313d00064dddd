// The kit's track bar: a white-edged black channel and a black thumb, drawn
// through custom draw; the thumb length follows the layout state.
#pragma once

#include <windows.h>

#include "viewer/controls/KitCommon.h"
#include "viewer/core/ControlLook.h"
#include "viewer/framework/Controls.h"

namespace vistrel {

class SliderCtrlEx : public fw::TrackBar {
public:
    bool Create(HWND parent, UINT id, const RECT& rect,
                DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | TBS_HORZ | TBS_FIXEDLENGTH) noexcept;
    // Takes over a template's track bar; the fixed-length style is added.
    bool Attach(HWND control) noexcept;
    // A new layout state sets the thumb length to 120 design units.
    void SetLayoutState(const controls::LayoutState& layout) noexcept;

protected:
    LRESULT OnCustomDraw(NMCUSTOMDRAW& draw) override;

private:
    controls::LayoutState layout_;
    fw::Brush white_{CreateSolidBrush(controls::kWhite)};
    fw::Brush black_{CreateSolidBrush(controls::kBlack)};
};

}  // namespace vistrel
