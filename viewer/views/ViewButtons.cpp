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
    // The frame is drawn inside the button, all four sides within its client area.
    fw::Pen frame_pen(CreatePen(PS_INSIDEFRAME, stroke, RGB(255, 255, 255)));
    fw::SelectGuard frame_guard(item.hDC, frame_pen.Get());
    fw::SelectGuard brush_guard(item.hDC, GetStockObject(NULL_BRUSH));
    Rectangle(item.hDC, r.left, r.top, r.right, r.bottom);
    wchar_t text[128] = {};
    GetWindowTextW(Handle(), text, 128);
    auto font = reinterpret_cast<HFONT>(SendMessageW(Handle(), WM_GETFONT, 0, 0));
    fw::SelectGuard font_guard(item.hDC, FittingFont(item.hDC, text, font, width - 4 * stroke));
    SetBkMode(item.hDC, TRANSPARENT);
    SetTextColor(item.hDC, RGB(255, 255, 255));
    DrawTextW(item.hDC, text, -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

HFONT CDarkButton::FittingFont(HDC dc, const std::wstring& text, HFONT font, int width) {
    if (font == nullptr || width <= 0) return font;
    if (font == fitted_from_ && text == fitted_text_ && width == fitted_width_) {
        return fitted_.Get() != nullptr ? fitted_.Get() : font;
    }
    fitted_from_ = font;
    fitted_text_ = text;
    fitted_width_ = width;
    fitted_.Reset();
    SIZE extent{};
    {
        fw::SelectGuard measure(dc, font);
        if (!GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent)) return font;
    }
    LOGFONTW lf{};
    if (extent.cx <= width || GetObjectW(font, sizeof lf, &lf) == 0) return font;
    lf.lfHeight = static_cast<LONG>(static_cast<long long>(lf.lfHeight) * width / extent.cx);
    lf.lfWidth = 0;
    fitted_.Reset(CreateFontIndirectW(&lf));
    return fitted_.Get() != nullptr ? fitted_.Get() : font;
}

}  // namespace vistrel
