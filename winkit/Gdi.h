// Device contexts tied to a window for a scope, the selected-object guard and the
// off-screen paint buffer. Fonts, pens and brushes are the owners of Handle.h.
#pragma once

#include "winkit/Handle.h"

namespace winkit {

// BeginPaint / EndPaint for the scope of a WM_PAINT handler.
class PaintDc {
public:
    explicit PaintDc(HWND hwnd) noexcept : hwnd_(hwnd), dc_(BeginPaint(hwnd, &ps_)) {}
    PaintDc(const PaintDc&) = delete;
    PaintDc& operator=(const PaintDc&) = delete;
    ~PaintDc() { EndPaint(hwnd_, &ps_); }
    [[nodiscard]] HDC Get() const noexcept { return dc_; }
    [[nodiscard]] const RECT& Dirty() const noexcept { return ps_.rcPaint; }

private:
    HWND hwnd_;
    PAINTSTRUCT ps_{};
    HDC dc_;
};

// GetDC / ReleaseDC: a window's client area (or, with a null window, the screen).
class ClientDc {
public:
    explicit ClientDc(HWND hwnd) noexcept : hwnd_(hwnd), dc_(GetDC(hwnd)) {}
    ClientDc(const ClientDc&) = delete;
    ClientDc& operator=(const ClientDc&) = delete;
    ~ClientDc() {
        if (dc_ != nullptr) ReleaseDC(hwnd_, dc_);
    }
    [[nodiscard]] HDC Get() const noexcept { return dc_; }

private:
    HWND hwnd_;
    HDC dc_;
};

// Selects an object into a device context for a scope and puts the old one back.
class SelectGuard {
public:
    SelectGuard(HDC dc, HGDIOBJ obj) noexcept : dc_(dc), old_(SelectObject(dc, obj)) {}
    SelectGuard(const SelectGuard&) = delete;
    SelectGuard& operator=(const SelectGuard&) = delete;
    ~SelectGuard() {
        if (old_ != nullptr && old_ != HGDI_ERROR) SelectObject(dc_, old_);
    }

private:
    HDC dc_;
    HGDIOBJ old_;
};

// Paint off screen, then show it with one BitBlt: a memory DC and bitmap compatible
// with the target, covering `rect`, copied to the target when the buffer goes.
class BufferedPaint {
public:
    BufferedPaint(HDC target, const RECT& rect) noexcept
        : target_(target), rect_(rect), dc_(CreateCompatibleDC(target)),
          bitmap_(CreateCompatibleBitmap(target, rect.right - rect.left, rect.bottom - rect.top)),
          select_(dc_.Get(), bitmap_.Get()) {
        SetWindowOrgEx(dc_.Get(), rect.left, rect.top, nullptr);
    }
    BufferedPaint(const BufferedPaint&) = delete;
    BufferedPaint& operator=(const BufferedPaint&) = delete;
    ~BufferedPaint() {
        if (dc_ && bitmap_)
            BitBlt(target_, rect_.left, rect_.top, rect_.right - rect_.left, rect_.bottom - rect_.top, dc_.Get(),
                   rect_.left, rect_.top, SRCCOPY);
    }
    // Drawing goes here; on failure (no memory DC) it is the target itself.
    [[nodiscard]] HDC Get() const noexcept { return (dc_ && bitmap_) ? dc_.Get() : target_; }

private:
    HDC target_;
    RECT rect_;
    MemoryDc dc_;
    Bitmap bitmap_;
    SelectGuard select_;
};

}  // namespace winkit
