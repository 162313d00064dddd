// A COM interface pointer that releases its reference when it goes, and the
// CoTaskMemFree owner for memory COM hands out.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <objbase.h>

#include <utility>

namespace winkit {

template <class T>
class ComPtr {
public:
    ComPtr() noexcept = default;
    // Takes over a reference the caller already holds.
    explicit ComPtr(T* p) noexcept : p_(p) {}
    ComPtr(const ComPtr& o) noexcept : p_(o.p_) {
        if (p_) p_->AddRef();
    }
    ComPtr& operator=(const ComPtr& o) noexcept {
        if (this != &o) {
            if (o.p_) o.p_->AddRef();
            Reset(o.p_);
        }
        return *this;
    }
    ComPtr(ComPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    ComPtr& operator=(ComPtr&& o) noexcept {
        if (this != &o) Reset(std::exchange(o.p_, nullptr));
        return *this;
    }
    ~ComPtr() { Reset(); }

    [[nodiscard]] T* Get() const noexcept { return p_; }
    T* operator->() const noexcept { return p_; }
    explicit operator bool() const noexcept { return p_ != nullptr; }
    void Reset(T* p = nullptr) noexcept {
        if (p_) p_->Release();
        p_ = p;
    }
    // For functions that return an interface through T** (or void** with PutVoid).
    [[nodiscard]] T** Put() noexcept {
        Reset();
        return &p_;
    }
    [[nodiscard]] void** PutVoid() noexcept { return reinterpret_cast<void**>(Put()); }
    [[nodiscard]] T* Detach() noexcept { return std::exchange(p_, nullptr); }

private:
    T* p_ = nullptr;
};

// Memory from CoTaskMemAlloc (device ids, wave formats, known-folder paths).
template <class T>
class CoTaskMem {
public:
    CoTaskMem() noexcept = default;
    CoTaskMem(const CoTaskMem&) = delete;
    CoTaskMem& operator=(const CoTaskMem&) = delete;
    ~CoTaskMem() { CoTaskMemFree(p_); }
    [[nodiscard]] T* Get() const noexcept { return p_; }
    [[nodiscard]] T** Put() noexcept {
        CoTaskMemFree(p_);
        p_ = nullptr;
        return &p_;
    }

private:
    T* p_ = nullptr;
};

}  // namespace winkit
