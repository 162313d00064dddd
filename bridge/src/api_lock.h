// The library-wide API lock (outermost lock of the bridge).
//
// Every exported function holds it from entry to return. The NotificationThread also
// takes it (HDMI information events and redraws), while Kdr_DevClose holds it and waits
// for that thread to end. To keep that wait safe, the close first announces the quit:
// from then on the NotificationThread's attempts to take the lock give up instead of
// waiting, so the thread finishes its current message without the lock and reaches the
// quit message.
#pragma once

#include <mutex>

#include "sync.h"

namespace tolvane {

class ApiLock {
public:
    // False only on the notifying thread once a quit is pending: the caller must not go on.
    bool lock() {
        std::unique_lock<platform::Mutex> guard(mutex_);
        if (platform::current_thread_key() == notifier_) {
            cv_.wait(guard, [this] { return !held_ || quit_pending_; });
            if (held_) return false;
        } else {
            cv_.wait(guard, [this] { return !held_; });
        }
        held_ = true;
        return true;
    }

    void unlock() {
        {
            std::lock_guard<platform::Mutex> guard(mutex_);
            held_ = false;
        }
        cv_.notify_all();
    }

    // The NotificationThread names itself when it starts.
    void set_notifier(platform::ThreadKey id) {
        std::lock_guard<platform::Mutex> guard(mutex_);
        notifier_ = id;
        quit_pending_ = false;
    }

    // Called by the close (holding the lock) before it waits for the thread.
    void announce_quit() {
        {
            std::lock_guard<platform::Mutex> guard(mutex_);
            quit_pending_ = true;
        }
        cv_.notify_all();
    }

    // Called once the thread has ended.
    void clear_notifier() { set_notifier(platform::kNoThread); }

    bool on_notifier() {
        std::lock_guard<platform::Mutex> guard(mutex_);
        return platform::current_thread_key() == notifier_;
    }

private:
    platform::Mutex mutex_;
    platform::CondVar cv_;
    bool held_ = false;
    bool quit_pending_ = false;
    platform::ThreadKey notifier_ = platform::kNoThread;
};

// Scope holder; test ok() before going on.
class ApiGuard {
public:
    explicit ApiGuard(ApiLock& lock) : lock_(lock), ok_(lock.lock()) {}
    ~ApiGuard() {
        if (ok_) lock_.unlock();
    }
    ApiGuard(const ApiGuard&) = delete;
    ApiGuard& operator=(const ApiGuard&) = delete;
    bool ok() const { return ok_; }

private:
    ApiLock& lock_;
    bool ok_;
};

}  // namespace tolvane
