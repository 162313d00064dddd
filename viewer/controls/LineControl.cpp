#include "viewer/controls/LineControl.h"

#include "viewer/controls/KitCommon.h"

namespace vistrel {

LineControlHorizontal::LineControlHorizontal() noexcept {
    (void)controls::EnsureWindowClass(L"LineControlHorizontal");
}

LineControlVertical::LineControlVertical() noexcept { (void)controls::EnsureWindowClass(L"LineControlVertical"); }

bool LineControlHorizontal::Create(HWND parent, UINT id, const RECT& rect, DWORD style) noexcept {
    return StaticControl::Create(parent, id, L"", rect, style, ClassName());
}

void LineControlHorizontal::SetLayoutState(const controls::LayoutState& layout) noexcept {
    if (layout == layout_) return;
    layout_ = layout;
    if (IsWindow()) InvalidateRect(Handle(), nullptr, TRUE);
}

void LineControlHorizontal::OnPaint() noexcept {
    fw::PaintDc paint(Handle());
    const RECT client = ClientRect();
    const int w = client.right, h = client.bottom;
    if (w <= 0 || h <= 0) return;
    fw::MemoryDc dc(CreateCompatibleDC(paint.Get()));
    fw::Bitmap bitmap(CreateCompatibleBitmap(paint.Get(), w, h));
    if (!dc || !bitmap) return;
    fw::SelectGuard select(dc.Get(), bitmap.Get());
    fw::Brush key(CreateSolidBrush(controls::kTransparentKey));
    FillRect(dc.Get(), &client, key.Get());
    const controls::SeparatorLines lines = controls::SeparatorGeometry(layout_);
    fw::Pen pen(CreatePen(PS_SOLID, lines.pen_width, controls::kSeparatorGrey));
    {
        fw::SelectGuard p(dc.Get(), pen.Get());
        for (int offset : {lines.first, lines.second}) {
            if (Vertical()) {
                MoveToEx(dc.Get(), offset, 0, nullptr);
                LineTo(dc.Get(), offset, h);
            } else {
                MoveToEx(dc.Get(), 0, offset, nullptr);
                LineTo(dc.Get(), w, offset);
            }
        }
    }
    TransparentBlt(paint.Get(), 0, 0, w, h, dc.Get(), 0, 0, w, h, controls::kTransparentKey);
}

LRESULT LineControlHorizontal::HandleMessage(UINT msg, WPARAM w, LPARAM l) {
    switch (msg) {
        case WM_PAINT: OnPaint(); return 0;
        case WM_ERASEBKGND: return 1;
        default: break;
    }
    return StaticControl::HandleMessage(msg, w, l);
}

}  // namespace vistrel
