// Small pieces the kit's windows share: window classes registered once per
// process, bitmap and font loading, halftone stretching, and pen and brush
// caches so painting does not create GDI objects every time.
#pragma once

#include <windows.h>

#include <string>

#include "viewer/framework/Raii.h"

namespace vistrel::controls {

// Registers `name` (CS_HREDRAW | CS_VREDRAW, DefWindowProcW, arrow cursor, hollow
// brush) unless a class of that name exists. The windows run DefWindowProcW
// until their object attaches (subclasses) them, so a dialog template can name
// the class. False when the class can neither be found nor registered.
bool EnsureWindowClass(const wchar_t* name) noexcept;
// Creates a window of such a class as a child; null on failure.
HWND CreateChild(const wchar_t* class_name, HWND parent, UINT id, const RECT& rect, DWORD style) noexcept;

// The bitmap resource `id`; empty for 0 or a missing resource.
fw::Bitmap LoadBitmapOrNone(UINT id) noexcept;
// "Meiryo" of `height`, weight 400, character set 128, ClearType quality.
fw::Font MakeMeiryo(int height) noexcept;
std::wstring WindowText(HWND hwnd);
// Draws `image` stretched (halftone) into `target`.
void StretchImage(HDC dc, HBITMAP image, const RECT& target) noexcept;

// The last pen of one colour and width, remade only when either changes.
class PenCache {
public:
    HPEN Get(COLORREF colour, int width) noexcept;

private:
    fw::Pen pen_;
    COLORREF colour_ = 0;
    int width_ = -1;
};

class BrushCache {
public:
    HBRUSH Get(COLORREF colour) noexcept;

private:
    fw::Brush brush_;
    COLORREF colour_ = 0;
};

}  // namespace vistrel::controls
