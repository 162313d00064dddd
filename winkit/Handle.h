// One owner for every handle-like platform object: a value, the function that
// releases it and the values that mean "none". Each kind of handle is a one-line
// alias below; the owner releases its object exactly once, moves, never copies.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <utility>

namespace winkit {

// Traits: `Type`, `Invalid()` (the value an empty owner holds), `IsValid(v)` and
// `Close(v)`. A handle kind with two "none" values (null and INVALID_HANDLE_VALUE)
// says so in IsValid.
template <class Traits>
class Unique {
public:
    using Type = typename Traits::Type;

    Unique() noexcept = default;
    explicit Unique(Type v) noexcept : v_(v) {}
    Unique(Unique&& o) noexcept : v_(std::exchange(o.v_, Traits::Invalid())) {}
    Unique& operator=(Unique&& o) noexcept {
        if (this != &o) Reset(std::exchange(o.v_, Traits::Invalid()));
        return *this;
    }
    Unique(const Unique&) = delete;
    Unique& operator=(const Unique&) = delete;
    ~Unique() { Reset(); }

    [[nodiscard]] Type Get() const noexcept { return v_; }
    [[nodiscard]] bool Valid() const noexcept { return Traits::IsValid(v_); }
    explicit operator bool() const noexcept { return Valid(); }
    void Reset(Type v = Traits::Invalid()) noexcept {
        if (Traits::IsValid(v_)) Traits::Close(v_);
        v_ = v;
    }
    [[nodiscard]] Type Release() noexcept { return std::exchange(v_, Traits::Invalid()); }
    // For functions that return a handle through a pointer: releases what is held first.
    [[nodiscard]] Type* Put() noexcept {
        Reset();
        return &v_;
    }

private:
    Type v_ = Traits::Invalid();
};

namespace traits {

template <class T, auto CloseFn>
struct NullIsEmpty {
    using Type = T;
    static constexpr T Invalid() noexcept { return nullptr; }
    static bool IsValid(T v) noexcept { return v != nullptr; }
    static void Close(T v) noexcept { CloseFn(v); }
};

struct KernelHandle {
    using Type = HANDLE;
    static constexpr HANDLE Invalid() noexcept { return nullptr; }
    static bool IsValid(HANDLE v) noexcept { return v != nullptr && v != INVALID_HANDLE_VALUE; }
    static void Close(HANDLE v) noexcept { CloseHandle(v); }
};

inline void DeleteGdi(HGDIOBJ o) noexcept { DeleteObject(o); }
inline void CloseRegKey(HKEY k) noexcept { RegCloseKey(k); }
inline void ReleaseModule(HMODULE m) noexcept { FreeLibrary(m); }
inline void DestroyIconFn(HICON i) noexcept { DestroyIcon(i); }
inline void DestroyCursorFn(HCURSOR c) noexcept { DestroyCursor(c); }
inline void DeleteMemoryDc(HDC dc) noexcept { DeleteDC(dc); }
inline void DestroyWindowFn(HWND w) noexcept { DestroyWindow(w); }
inline void DestroyMenuFn(HMENU m) noexcept { DestroyMenu(m); }
inline void LocalFreeFn(HLOCAL p) noexcept { LocalFree(p); }
inline void DeregisterEventSourceFn(HANDLE h) noexcept { DeregisterEventSource(h); }

struct FindHandle {
    using Type = HANDLE;
    static HANDLE Invalid() noexcept { return INVALID_HANDLE_VALUE; }  // not a constant expression
    static bool IsValid(HANDLE v) noexcept { return v != nullptr && v != INVALID_HANDLE_VALUE; }
    static void Close(HANDLE v) noexcept { FindClose(v); }
};

}  // namespace traits

// Kernel objects: events, mutexes, threads, processes, files, mappings.
using UniqueHandle = Unique<traits::KernelHandle>;
using UniqueFindHandle = Unique<traits::FindHandle>;
using UniqueRegKey = Unique<traits::NullIsEmpty<HKEY, traits::CloseRegKey>>;
using UniqueModule = Unique<traits::NullIsEmpty<HMODULE, traits::ReleaseModule>>;
using UniqueLocal = Unique<traits::NullIsEmpty<HLOCAL, traits::LocalFreeFn>>;
// An event-log source from RegisterEventSourceW.
using UniqueEventSource = Unique<traits::NullIsEmpty<HANDLE, traits::DeregisterEventSourceFn>>;
// A window this code created and destroys (not one it borrows).
using UniqueWindow = Unique<traits::NullIsEmpty<HWND, traits::DestroyWindowFn>>;
using UniqueMenu = Unique<traits::NullIsEmpty<HMENU, traits::DestroyMenuFn>>;

// GDI objects, released with DeleteObject.
template <class T>
using GdiObject = Unique<traits::NullIsEmpty<T, traits::DeleteGdi>>;
using Bitmap = GdiObject<HBITMAP>;
using Brush = GdiObject<HBRUSH>;
using Font = GdiObject<HFONT>;
using Pen = GdiObject<HPEN>;
using Region = GdiObject<HRGN>;

// Icons and cursors made with LoadImageW without LR_SHARED, or CreateIconIndirect.
using UniqueIcon = Unique<traits::NullIsEmpty<HICON, traits::DestroyIconFn>>;
using UniqueCursor = Unique<traits::NullIsEmpty<HCURSOR, traits::DestroyCursorFn>>;
// A memory DC made with CreateCompatibleDC, released with DeleteDC.
using MemoryDc = Unique<traits::NullIsEmpty<HDC, traits::DeleteMemoryDc>>;
// A power-setting registration from RegisterPowerSettingNotification.
inline void UnregisterPowerNotifyFn(HPOWERNOTIFY h) noexcept { UnregisterPowerSettingNotification(h); }
using UniquePowerNotify = Unique<traits::NullIsEmpty<HPOWERNOTIFY, UnregisterPowerNotifyFn>>;

}  // namespace winkit
