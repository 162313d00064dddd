#include "viewer/controls/SliderCtrlEx.h"

namespace vistrel {

bool SliderCtrlEx::Create(HWND parent, UINT id, const RECT& rect, DWORD style) noexcept {
    return TrackBar::Create(parent, id, rect, style | TBS_FIXEDLENGTH);
}

bool SliderCtrlEx::Attach(HWND control) noexcept {
    if (!TrackBar::Attach(control)) return false;
    SetWindowLongPtrW(control, GWL_STYLE, GetWindowLongPtrW(control, GWL_STYLE) | TBS_FIXEDLENGTH);
    return true;
}

void SliderCtrlEx::SetLayoutState(const controls::LayoutState& layout) noexcept {
    if (layout == layout_) return;
    layout_ = layout;
    if (IsWindow()) SetThumbLength(controls::Scaled(120, layout_));
}

LRESULT SliderCtrlEx::OnCustomDraw(NMCUSTOMDRAW& draw) {
    if (draw.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
    if (draw.dwDrawStage != CDDS_ITEMPREPAINT) return CDRF_DODEFAULT;
    const controls::Rect rc{draw.rc.left, draw.rc.top, draw.rc.right, draw.rc.bottom};
    if (draw.dwItemSpec == TBCD_CHANNEL) {
        FillRect(draw.hdc, &draw.rc, white_.Get());
        const controls::Rect inner = controls::SliderChannelInner(rc, layout_);
        const RECT r{inner.left, inner.top, inner.right, inner.bottom};
        FillRect(draw.hdc, &r, black_.Get());
        return CDRF_SKIPDEFAULT;
    }
    if (draw.dwItemSpec == TBCD_THUMB) {
        const controls::Rect thumb = controls::SliderThumb(rc, layout_);
        const RECT r{thumb.left, thumb.top, thumb.right, thumb.bottom};
        FillRect(draw.hdc, &r, black_.Get());
        return CDRF_SKIPDEFAULT;
    }
    return CDRF_DODEFAULT;
}

}  // namespace vistrel
