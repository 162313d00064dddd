#include "viewer/controls/KitCommon.h"

#include "viewer/framework/Resources.h"
#include "viewer/framework/Window.h"

namespace vistrel::controls {

bool EnsureWindowClass(const wchar_t* name) noexcept {
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof existing;
    if (GetClassInfoExW(GetModuleHandleW(nullptr), name, &existing)) return true;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(HOLLOW_BRUSH));
    wc.lpszClassName = name;
    // Kept until the process ends: windows of the class may live as long.
    return RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

HWND CreateChild(const wchar_t* class_name, HWND parent, UINT id, const RECT& rect, DWORD style) noexcept {
    if (!EnsureWindowClass(class_name)) return nullptr;
    return CreateWindowExW(0, class_name, L"", style, rect.left, rect.top, rect.right - rect.left,
                           rect.bottom - rect.top, parent, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)),
                           GetModuleHandleW(nullptr), nullptr);
}

fw::Bitmap LoadBitmapOrNone(UINT id) noexcept {
    if (id == 0) return {};
    return fw::LoadResBitmap(id);
}

fw::Font MakeMeiryo(int height) noexcept {
    LOGFONTW lf{};
    lf.lfHeight = height;
    lf.lfWeight = FW_NORMAL;
    lf.lfCharSet = SHIFTJIS_CHARSET;
    lf.lfQuality = CLEARTYPE_QUALITY;
    lstrcpynW(lf.lfFaceName, L"Meiryo", LF_FACESIZE);
    return fw::Font(CreateFontIndirectW(&lf));
}

std::wstring WindowText(HWND hwnd) {
    const int length = GetWindowTextLengthW(hwnd);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(hwnd, text.data(), length + 1)));
    return text;
}

void StretchImage(HDC dc, HBITMAP image, const RECT& target) noexcept {
    BITMAP info{};
    if (image == nullptr || GetObjectW(image, sizeof info, &info) == 0) return;
    fw::MemoryDc source(CreateCompatibleDC(dc));
    if (!source) return;
    fw::SelectGuard select(source.Get(), image);
    const int old_mode = SetStretchBltMode(dc, HALFTONE);
    POINT old_origin{};
    SetBrushOrgEx(dc, 0, 0, &old_origin);
    StretchBlt(dc, target.left, target.top, target.right - target.left, target.bottom - target.top, source.Get(), 0,
               0, info.bmWidth, info.bmHeight, SRCCOPY);
    SetBrushOrgEx(dc, old_origin.x, old_origin.y, nullptr);
    SetStretchBltMode(dc, old_mode);
}

HPEN PenCache::Get(COLORREF colour, int width) noexcept {
    if (!pen_ || colour != colour_ || width != width_) {
        // Inside the frame, so a wide border stays within the item.
        pen_.Reset(CreatePen(PS_INSIDEFRAME, width, colour));
        colour_ = colour;
        width_ = width;
    }
    return pen_.Get();
}

HBRUSH BrushCache::Get(COLORREF colour) noexcept {
    if (!brush_ || colour != colour_) {
        brush_.Reset(CreateSolidBrush(colour));
        colour_ = colour;
    }
    return brush_.Get();
}

}  // namespace vistrel::controls
