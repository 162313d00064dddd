// Owners for the platform objects the viewer creates: each releases its object
// exactly once, in its destruction, and can be moved but not copied.
#pragma once

#include <windows.h>

#include <utility>

namespace fw {

// A GDI object (bitmap, brush, font, pen, region) released with DeleteObject.
template <class T>
class GdiObject {
public:
    GdiObject() noexcept = default;
    explicit GdiObject(T h) noexcept : h_(h) {}
    GdiObject(GdiObject&& o) noexcept : h_(std::exchange(o.h_, nullptr)) {}
    GdiObject& operator=(GdiObject&& o) noexcept {
        if (this != &o) Reset(std::exchange(o.h_, nullptr));
        return *this;
    }
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;
    ~GdiObject() { Reset(); }

    T Get() const noexcept { return h_; }
    explicit operator bool() const noexcept { return h_ != nullptr; }
    void Reset(T h = nullptr) noexcept {
        if (h_ != nullptr) DeleteObject(h_);
        h_ = h;
    }
    T Release() noexcept { return std::exchange(h_, nullptr); }

private:
    T h_ = nullptr;
};

using Bitmap = GdiObject<HBITMAP>;
using Brush = GdiObject<HBRUSH>;
using Font = GdiObject<HFONT>;
using Pen = GdiObject<HPEN>;

// A kernel handle released with CloseHandle; null and INVALID_HANDLE_VALUE are both empty.
class UniqueHandle {
public:
    UniqueHandle() noexcept = default;
    explicit UniqueHandle(HANDLE h) noexcept : h_(h) {}
    UniqueHandle(UniqueHandle&& o) noexcept : h_(std::exchange(o.h_, nullptr)) {}
    UniqueHandle& operator=(UniqueHandle&& o) noexcept {
        if (this != &o) Reset(std::exchange(o.h_, nullptr));
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() { Reset(); }

    HANDLE Get() const noexcept { return h_; }
    bool Valid() const noexcept { return h_ != nullptr && h_ != INVALID_HANDLE_VALUE; }
    explicit operator bool() const noexcept { return Valid(); }
    void Reset(HANDLE h = nullptr) noexcept {
        if (Valid()) CloseHandle(h_);
        h_ = h;
    }

private:
    HANDLE h_ = nullptr;
};

// An icon made with LoadImageW (not shared), released with DestroyIcon.
class UniqueIcon {
public:
    UniqueIcon() noexcept = default;
    explicit UniqueIcon(HICON h) noexcept : h_(h) {}
    UniqueIcon(UniqueIcon&& o) noexcept : h_(std::exchange(o.h_, nullptr)) {}
    UniqueIcon& operator=(UniqueIcon&& o) noexcept {
        if (this != &o) Reset(std::exchange(o.h_, nullptr));
        return *this;
    }
    UniqueIcon(const UniqueIcon&) = delete;
    UniqueIcon& operator=(const UniqueIcon&) = delete;
    ~UniqueIcon() { Reset(); }
    HICON Get() const noexcept { return h_; }
    void Reset(HICON h = nullptr) noexcept {
        if (h_ != nullptr) DestroyIcon(h_);
        h_ = h;
    }

private:
    HICON h_ = nullptr;
};

// A window timer: started on a window with an identifier, killed when stopped
// or destroyed.
class WindowTimer {
public:
    WindowTimer() noexcept = default;
    WindowTimer(const WindowTimer&) = delete;
    WindowTimer& operator=(const WindowTimer&) = delete;
    ~WindowTimer() { Stop(); }

    // Starts (or restarts) the timer; false when the platform refused it.
    bool Start(HWND hwnd, UINT_PTR id, UINT milliseconds) noexcept {
        Stop();
        if (hwnd == nullptr || SetTimer(hwnd, id, milliseconds, nullptr) == 0) return false;
        hwnd_ = hwnd;
        id_ = id;
        return true;
    }
    void Stop() noexcept {
        if (hwnd_ != nullptr) {
            KillTimer(hwnd_, id_);
            hwnd_ = nullptr;
        }
    }
    bool Running() const noexcept { return hwnd_ != nullptr; }
    UINT_PTR Id() const noexcept { return id_; }

private:
    HWND hwnd_ = nullptr;
    UINT_PTR id_ = 0;
};

// A window class registered by this object and unregistered with it.
class RegisteredClass {
public:
    RegisteredClass() noexcept = default;
    explicit RegisteredClass(const WNDCLASSEXW& wc) noexcept { Register(wc); }
    RegisteredClass(const RegisteredClass&) = delete;
    RegisteredClass& operator=(const RegisteredClass&) = delete;
    ~RegisteredClass() { Unregister(); }

    // True when this object registered the class now or before.
    bool Register(const WNDCLASSEXW& wc) noexcept {
        if (atom_ != 0) return true;
        atom_ = RegisterClassExW(&wc);
        if (atom_ != 0) instance_ = wc.hInstance;
        return atom_ != 0;
    }
    void Unregister() noexcept {
        if (atom_ != 0) {
            UnregisterClassW(MAKEINTATOM(atom_), instance_);
            atom_ = 0;
        }
    }
    ATOM Atom() const noexcept { return atom_; }

private:
    ATOM atom_ = 0;
    HINSTANCE instance_ = nullptr;
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

}  // namespace fw
