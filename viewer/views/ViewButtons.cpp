#include "viewer/views/ViewButtons.h"

#include <algorithm>
#include <string>

#include "viewer/core/DisplayInfo.h"
#include "viewer/framework/Raii.h"

namespace vistrel {

void CDarkButton::DrawItem(const DRAWITEMSTRUCT& item) {
    const bool pressed = (item.itemState & ODS_SELECTED) != 0;
    RECT r = item.rcItem;
    const COLORREF face = pressed ? RGB(64, 64, 64) : static_cast<COLORREF>(kDarkBackground);
    fw::Brush fill(CreateSolidBrush(face));
    FillRect(item.hDC, &r, fill.Get());
    const int width = r.right - r.left;
    const int height = r.bottom - r.top;
    const int stroke = std::max(1, std::min(width, height) / 16);
    fw::Pen pen(CreatePen(PS_SOLID, stroke, RGB(255, 255, 255)));
    fw::SelectGuard pen_guard(item.hDC, pen.Get());
    if (look_ == Look::Close) {
        // A white cross inset by a quarter of the button.
        const int inset = std::min(width, height) / 4;
        MoveToEx(item.hDC, r.left + inset, r.top + inset, nullptr);
        LineTo(item.hDC, r.right - inset, r.bottom - inset);
        MoveToEx(item.hDC, r.right - inset - 1, r.top + inset, nullptr);
        LineTo(item.hDC, r.left + inset - 1, r.bottom - inset);
        return;
    }
    fw::SelectGuard brush_guard(item.hDC, GetStockObject(NULL_BRUSH));
    Rectangle(item.hDC, r.left + stroke / 2, r.top + stroke / 2, r.right - stroke / 2 + 1, r.bottom - stroke / 2 + 1);
    wchar_t text[128] = {};
    GetWindowTextW(Handle(), text, 128);
    fw::SelectGuard font_guard(item.hDC, reinterpret_cast<HGDIOBJ>(SendMessageW(Handle(), WM_GETFONT, 0, 0)));
    SetBkMode(item.hDC, TRANSPARENT);
    SetTextColor(item.hDC, RGB(255, 255, 255));
    DrawTextW(item.hDC, text, -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

}  // namespace vistrel
