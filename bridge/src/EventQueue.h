// The EventQueue: bounded FIFO (100 messages) read only by the NotificationThread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>

#include "bridge/src/Protocol.h"
#include "winkit/Sync.h"

namespace tolvane {

class EventQueue {
public:
    static constexpr std::size_t kCapacity = 100;

    // Never blocks: -1 (message dropped) when the queue already holds kCapacity messages.
    [[nodiscard]] std::int32_t Post(const Message& msg) {
        {
            std::lock_guard<winkit::Mutex> lock(mutex_);
            if (queue_.size() >= kCapacity) return -1;
            queue_.push_back(msg);
        }
        cv_.notify_one();
        return 0;
    }

    Message Take() {
        std::unique_lock<winkit::Mutex> lock(mutex_);
        cv_.wait(lock, [this] { return !queue_.empty(); });
        Message msg = queue_.front();
        queue_.pop_front();
        return msg;
    }

    std::size_t Size() {
        std::lock_guard<winkit::Mutex> lock(mutex_);
        return queue_.size();
    }

private:
    winkit::Mutex mutex_;
    winkit::CondVar cv_;
    std::deque<Message> queue_;
};

}  // namespace tolvane
