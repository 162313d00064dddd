// Owners for the platform objects the viewer creates. Handles, GDI objects,
// device contexts and COM pointers are the toolkit's (winkit); the framework adds
// the two owners that belong to a window: a timer and a registered class.
#pragma once

#include <windows.h>

#include <utility>

#include "winkit/Com.h"
#include "winkit/Gdi.h"
#include "winkit/Handle.h"

namespace fw {

using winkit::Bitmap;
using winkit::Brush;
using winkit::ClientDc;
using winkit::Font;
using winkit::GdiObject;
using winkit::MemoryDc;
using winkit::PaintDc;
using winkit::Pen;
using winkit::Region;
using winkit::SelectGuard;
using winkit::UniqueHandle;
using winkit::UniqueIcon;

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

}  // namespace fw
