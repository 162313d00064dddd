#include "viewer/controls/WaveformControl.h"

#include <cstring>
#include <cwchar>
#include <new>

#include "viewer/controls/KitCommon.h"
#include "viewer/core/ControlLook.h"

namespace vistrel {

namespace {
constexpr wchar_t kClassName[] = L"WaveFormControl";
constexpr COLORREF kGraticuleLine = 0x5A5A5A;
constexpr COLORREF kGraticuleText = 0xDCDCDC;
constexpr int kLabelHeight = 30;
// Graticule levels: a line at y = 120 - v for each; 100 and 0 are labelled.
constexpr int kLineLevels[] = {120, 100, 0, -40};
constexpr int kLabelLevels[] = {100, 0};
}  // namespace

bool WaveFormControl::Image::Make(int width, int height) noexcept {
    Release();
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;  // positive: bottom row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    dc.Reset(CreateCompatibleDC(nullptr));
    bitmap.Reset(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!dc || !bitmap || bits == nullptr) {
        Release();
        return false;
    }
    pixels = static_cast<std::uint32_t*>(bits);
    old = SelectObject(dc.Get(), bitmap.Get());
    return true;
}

void WaveFormControl::Image::Release() noexcept {
    if (dc && old != nullptr) SelectObject(dc.Get(), old);
    old = nullptr;
    pixels = nullptr;
    dc.Reset();
    bitmap.Reset();
}

WaveFormControl::WaveFormControl() noexcept { (void)controls::EnsureWindowClass(kClassName); }

bool WaveFormControl::Create(HWND parent, UINT id, const RECT& rect, DWORD style) noexcept {
    return StaticControl::Create(parent, id, L"", rect, style, kClassName) && Init();
}

bool WaveFormControl::Attach(HWND control) noexcept { return StaticControl::Attach(control) && Init(); }

bool WaveFormControl::Init() noexcept {
    block_.reset(new (std::nothrow) std::uint8_t[controls::kWaveBlockBytes]());
    label_font_ = controls::MakeMeiryo(kLabelHeight);
    if (!block_ || !wave_.Make(controls::kWaveImageWidth, controls::kWaveImageHeight) ||
        !graticule_.Make(controls::kGraticuleWidth, controls::kWaveImageHeight) ||
        !compose_.Make(controls::kGraticuleWidth, controls::kWaveImageHeight)) {
        OnDestroy();
        return false;
    }
    DrawGraticule();
    Render();
    return true;
}

void WaveFormControl::DrawGraticule() noexcept {
    HDC dc = graticule_.dc.Get();
    const RECT all{0, 0, controls::kGraticuleWidth, controls::kWaveImageHeight};
    fw::Brush back(CreateSolidBrush(controls::kTransparentKey));
    FillRect(dc, &all, back.Get());
    fw::Pen pen(CreatePen(PS_SOLID, 1, kGraticuleLine));
    {
        fw::SelectGuard p(dc, pen.Get());
        for (int v : kLineLevels) {
            MoveToEx(dc, controls::kGraticuleLeft, 120 - v, nullptr);
            LineTo(dc, controls::kGraticuleWidth, 120 - v);
        }
    }
    fw::SelectGuard f(dc, label_font_.Get());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, kGraticuleText);
    for (int v : kLabelLevels) {
        wchar_t label[8];
        const int n = std::swprintf(label, 8, L"%3d", v);
        if (n > 0) TextOutW(dc, 0, 120 - v - kLabelHeight / 2, label, n);
    }
    GdiFlush();
}

void WaveFormControl::SetKind(int kind) noexcept {
    kind_ = kind;
    palette_ = controls::MakeWavePalette(kind);
}

void WaveFormControl::Render() noexcept {
    if (!block_ || wave_.pixels == nullptr) return;
    GdiFlush();  // GDI may still be writing the section
    controls::RenderWaveform(block_.get(), palette_, wave_.pixels);
}

void WaveFormControl::PaintTo(HDC target) noexcept {
    const RECT client = ClientRect();
    if (client.right <= 0 || client.bottom <= 0) return;
    if (!compose_.dc) {
        FillRect(target, &client, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        return;
    }
    HDC dc = compose_.dc.Get();
    const int w = controls::kGraticuleWidth, h = controls::kWaveImageHeight;
    BitBlt(dc, 0, 0, w, h, graticule_.dc.Get(), 0, 0, SRCCOPY);
    TransparentBlt(dc, controls::kGraticuleLeft, 0, controls::kWaveImageWidth, h, wave_.dc.Get(), 0, 0,
                   controls::kWaveImageWidth, h, controls::kTransparentKey);
    const int old_mode = SetStretchBltMode(target, HALFTONE);
    POINT old_origin{};
    SetBrushOrgEx(target, 0, 0, &old_origin);
    StretchBlt(target, 0, 0, client.right, client.bottom, dc, 0, 0, w, h, SRCCOPY);
    SetBrushOrgEx(target, old_origin.x, old_origin.y, nullptr);
    SetStretchBltMode(target, old_mode);
}

void WaveFormControl::OnPaint() noexcept {
    fw::PaintDc paint(Handle());
    PaintTo(paint.Get());
}

void WaveFormControl::OnShow(bool shown) noexcept {
    if (!shown || !block_) return;
    // A shown display starts empty; the column count stays for the next fill.
    std::memset(block_.get() + controls::kWaveBinsOffset, 0, controls::kWaveBlockBytes - controls::kWaveBinsOffset);
    Render();
    InvalidateRect(Handle(), nullptr, FALSE);
}

void WaveFormControl::OnDestroy() noexcept {
    compose_.Release();
    graticule_.Release();
    wave_.Release();
    block_.reset();
}

LRESULT WaveFormControl::HandleMessage(UINT msg, WPARAM w, LPARAM l) {
    switch (msg) {
        case WM_PAINT: OnPaint(); return 0;
        case WM_PRINTCLIENT: PaintTo(reinterpret_cast<HDC>(w)); return 0;
        case WM_ERASEBKGND: return 1;
        case WM_SHOWWINDOW: OnShow(w != FALSE); break;
        case WM_DESTROY: OnDestroy(); break;
        default: break;
    }
    return StaticControl::HandleMessage(msg, w, l);
}

}  // namespace vistrel
