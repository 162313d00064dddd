// Locks, condition variables and thread identity of the bridge's objects (part of the
// platform seam, see platform.h).
//
// On Windows they are the system's slim reader/writer lock and condition variable: each is
// one zeroed pointer with no kernel object behind it. The runtime's std::mutex and
// std::condition_variable (winpthreads, linked into the library) make an event or semaphores
// lazily, on first contention or wait, and a std::mutex never frees its event. The bridge's
// process-wide object is never destroyed and the library may be unloaded and loaded again, so
// those handles would be made at unpredictable times and lost with every unload. Natively the
// standard types are used, which the sanitizers know.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <utility>

namespace tolvane::platform {

#if defined(_WIN32)

// Exclusive lock (BasicLockable): use with std::lock_guard / std::unique_lock.
class Mutex {
public:
    constexpr Mutex() noexcept = default;
    Mutex(const Mutex&) = delete;
    Mutex& operator=(const Mutex&) = delete;

    void lock() noexcept;
    void unlock() noexcept;

private:
    friend class CondVar;
    void* srw_ = nullptr;  // SRWLOCK; zero is its initial state
};

class CondVar {
public:
    constexpr CondVar() noexcept = default;
    CondVar(const CondVar&) = delete;
    CondVar& operator=(const CondVar&) = delete;

    void notify_one() noexcept;
    void notify_all() noexcept;

    void wait(std::unique_lock<Mutex>& lock);
    template <typename Pred>
    void wait(std::unique_lock<Mutex>& lock, Pred pred) {
        while (!pred()) wait(lock);
    }
    std::cv_status wait_until(std::unique_lock<Mutex>& lock, std::chrono::steady_clock::time_point deadline);

private:
    void* cv_ = nullptr;  // CONDITION_VARIABLE; zero is its initial state
};

// A thread started by the system directly, joined like std::thread. The runtime's
// std::thread keeps records in the library's copy of winpthreads (and one for the thread that
// joins) that an unload loses.
class Thread {
public:
    Thread() noexcept = default;
    // Throws std::system_error when the thread cannot be started, as std::thread does.
    template <typename Fn>
    explicit Thread(Fn fn) {
        start(std::function<void()>(std::move(fn)));
    }
    Thread(Thread&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    Thread& operator=(Thread&& other) noexcept {
        if (joinable()) std::terminate();
        handle_ = std::exchange(other.handle_, nullptr);
        return *this;
    }
    ~Thread() {
        if (joinable()) std::terminate();
    }
    bool joinable() const noexcept { return handle_ != nullptr; }
    void join();

private:
    void start(std::function<void()> body);
    void* handle_ = nullptr;  // the thread's handle, closed by join()
};

#else

using Mutex = std::mutex;
using CondVar = std::condition_variable;
using Thread = std::thread;

#endif

// The calling thread's identity for lock ownership checks; never kNoThread. Unlike
// std::this_thread::get_id() it makes no per-thread runtime record on threads the runtime
// did not start (the caller's), which would be lost when the library is unloaded.
using ThreadKey = std::uint64_t;
constexpr ThreadKey kNoThread = 0;
ThreadKey current_thread_key();

}  // namespace tolvane::platform
