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

#include "winkit/Sync.h"

namespace tolvane {

class ApiLock {
public:
    // False only on the notifying thread once a quit is pending: the caller must not go on.
    [[nodiscard]] bool Lock() {
        std::unique_lock<winkit::Mutex> guard(mutex_);
        if (winkit::CurrentThreadKey() == notifier_) {
            cv_.wait(guard, [this] { return !held_ || quit_pending_; });
            if (held_) return false;
        } else {
            cv_.wait(guard, [this] { return !held_; });
        }
        held_ = true;
        return true;
    }

    void Unlock() {
        {
            std::lock_guard<winkit::Mutex> guard(mutex_);
            held_ = false;
        }
        cv_.notify_all();
    }

    // The NotificationThread names itself when it starts.
    void SetNotifier(winkit::ThreadKey id) {
        std::lock_guard<winkit::Mutex> guard(mutex_);
        notifier_ = id;
        quit_pending_ = false;
    }

    // Called by the close (holding the lock) before it waits for the thread.
    void AnnounceQuit() {
        {
            std::lock_guard<winkit::Mutex> guard(mutex_);
            quit_pending_ = true;
        }
        cv_.notify_all();
    }

    // Called once the thread has ended.
    void ClearNotifier() { SetNotifier(winkit::kNoThread); }

    [[nodiscard]] bool OnNotifier() {
        std::lock_guard<winkit::Mutex> guard(mutex_);
        return winkit::CurrentThreadKey() == notifier_;
    }

private:
    winkit::Mutex mutex_;
    winkit::CondVar cv_;
    bool held_ = false;
    bool quit_pending_ = false;
    winkit::ThreadKey notifier_ = winkit::kNoThread;
};

// Scope holder; test ok() before going on.
class ApiGuard {
public:
    explicit ApiGuard(ApiLock& lock) : lock_(lock), ok_(lock.Lock()) {}
    ~ApiGuard() {
        if (ok_) lock_.Unlock();
    }
    ApiGuard(const ApiGuard&) = delete;
    ApiGuard& operator=(const ApiGuard&) = delete;
    [[nodiscard]] bool Ok() const { return ok_; }

private:
    ApiLock& lock_;
    bool ok_;
};

}  // namespace tolvane
