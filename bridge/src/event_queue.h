// The EventQueue: bounded FIFO (100 messages) read only by the NotificationThread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>

#include "protocol.h"
#include "sync.h"

namespace tolvane {

class EventQueue {
public:
    static constexpr std::size_t kCapacity = 100;

    // Never blocks: -1 (message dropped) when the queue already holds kCapacity messages.
    std::int32_t post(const Message& msg) {
        {
            std::lock_guard<platform::Mutex> lock(mutex_);
            if (queue_.size() >= kCapacity) return -1;
            queue_.push_back(msg);
        }
        cv_.notify_one();
        return 0;
    }

    Message take() {
        std::unique_lock<platform::Mutex> lock(mutex_);
        cv_.wait(lock, [this] { return !queue_.empty(); });
        Message msg = queue_.front();
        queue_.pop_front();
        return msg;
    }

    std::size_t size() {
        std::lock_guard<platform::Mutex> lock(mutex_);
        return queue_.size();
    }

private:
    platform::Mutex mutex_;
    platform::CondVar cv_;
    std::deque<Message> queue_;
};

}  // namespace tolvane
