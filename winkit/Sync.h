// Slim lock, condition variable and thread for libraries that are unloaded and
// loaded again.
//
// On Windows they are the system's slim reader/writer lock and condition variable:
// each is one zeroed pointer with no kernel object behind it, and the thread is
// started by the system directly and joined like std::thread. The runtime's
// std::thread keeps records in the library's copy of winpthreads that an unload
// loses. Natively the standard types are used, which the sanitizers know.
//
// Platform-free code includes this header too: on Windows it brings <windows.h>
// with NOMINMAX and WIN32_LEAN_AND_MEAN.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

#if defined(_WIN32)
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <process.h>
#endif

namespace winkit {

#if defined(_WIN32)

// Exclusive lock (BasicLockable): use with std::lock_guard / std::unique_lock.
class Mutex {
public:
    constexpr Mutex() noexcept = default;
    Mutex(const Mutex&) = delete;
    Mutex& operator=(const Mutex&) = delete;

    void lock() noexcept { AcquireSRWLockExclusive(&srw_); }
    void unlock() noexcept { ReleaseSRWLockExclusive(&srw_); }

private:
    friend class CondVar;
    SRWLOCK srw_ = SRWLOCK_INIT;
};

class CondVar {
public:
    constexpr CondVar() noexcept = default;
    CondVar(const CondVar&) = delete;
    CondVar& operator=(const CondVar&) = delete;

    void notify_one() noexcept { WakeConditionVariable(&cv_); }
    void notify_all() noexcept { WakeAllConditionVariable(&cv_); }

    void wait(std::unique_lock<Mutex>& lock) {
        // INFINITE cannot fail; spurious wake-ups are the caller's loop's business.
        (void)SleepConditionVariableSRW(&cv_, &lock.mutex()->srw_, INFINITE, 0);
    }
    template <typename Pred>
    void wait(std::unique_lock<Mutex>& lock, Pred pred) {
        while (!pred()) wait(lock);
    }
    std::cv_status wait_until(std::unique_lock<Mutex>& lock, std::chrono::steady_clock::time_point deadline) {
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline) return std::cv_status::timeout;
        // Rounded up, so a wake at the limit is past the deadline; below INFINITE.
        const auto ms = std::chrono::ceil<std::chrono::milliseconds>(deadline - now).count();
        const DWORD wait_ms = ms >= static_cast<long long>(INFINITE) ? INFINITE - 1 : static_cast<DWORD>(ms);
        (void)SleepConditionVariableSRW(&cv_, &lock.mutex()->srw_, wait_ms, 0);
        return std::chrono::steady_clock::now() >= deadline ? std::cv_status::timeout : std::cv_status::no_timeout;
    }
    template <typename Pred>
    bool wait_until(std::unique_lock<Mutex>& lock, std::chrono::steady_clock::time_point deadline, Pred pred) {
        while (!pred()) {
            if (wait_until(lock, deadline) == std::cv_status::timeout) return pred();
        }
        return true;
    }

private:
    CONDITION_VARIABLE cv_ = CONDITION_VARIABLE_INIT;
};

class Thread {
public:
    Thread() noexcept = default;
    // Throws std::system_error when the thread cannot be started, as std::thread does.
    template <typename Fn>
    explicit Thread(Fn fn) {
        Start(std::function<void()>(std::move(fn)));
    }
    Thread(Thread&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    Thread& operator=(Thread&& other) noexcept {
        if (joinable()) std::terminate();
        handle_ = std::exchange(other.handle_, nullptr);
        return *this;
    }
    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;
    ~Thread() {
        if (joinable()) std::terminate();
    }
    [[nodiscard]] bool joinable() const noexcept { return handle_ != nullptr; }
    void join() {
        if (!joinable()) throw std::system_error(std::make_error_code(std::errc::invalid_argument));
        if (GetThreadId(handle_) == GetCurrentThreadId())
            throw std::system_error(std::make_error_code(std::errc::resource_deadlock_would_occur));
        WaitForSingleObject(handle_, INFINITE);
        CloseHandle(handle_);
        handle_ = nullptr;
    }

private:
    static unsigned __stdcall Entry(void* arg) {
        const std::unique_ptr<std::function<void()>> body(static_cast<std::function<void()>*>(arg));
        try {
            (*body)();
        } catch (...) {
            std::terminate();  // as an exception leaving a std::thread's function does
        }
        return 0;
    }
    void Start(std::function<void()> body) {
        auto owned = std::make_unique<std::function<void()>>(std::move(body));
        const std::uintptr_t h = _beginthreadex(nullptr, 0, &Entry, owned.get(), 0, nullptr);
        if (h == 0) throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
        (void)owned.release();  // the thread owns it now
        handle_ = reinterpret_cast<HANDLE>(h);
    }
    HANDLE handle_ = nullptr;
};

// The calling thread's identity for lock ownership checks; never kNoThread. Unlike
// std::this_thread::get_id() it makes no per-thread runtime record on threads the
// runtime did not start (the caller's), which would be lost at unload.
using ThreadKey = std::uint64_t;
constexpr ThreadKey kNoThread = 0;
inline ThreadKey CurrentThreadKey() noexcept { return static_cast<ThreadKey>(GetCurrentThreadId()); }

#else

using Mutex = std::mutex;
using CondVar = std::condition_variable;
using Thread = std::thread;
using ThreadKey = std::uint64_t;
constexpr ThreadKey kNoThread = 0;
inline ThreadKey CurrentThreadKey() noexcept {
    // Never kNoThread: 0 is kept for "no owner".
    const auto h = static_cast<ThreadKey>(std::hash<std::thread::id>{}(std::this_thread::get_id()));
    return h == kNoThread ? 1 : h;
}

#endif

}  // namespace winkit
