#include "movie_queue.h"

namespace tolvane {

MovieQueue::MovieQueue(KdrHandle connection) : connection_(connection) {
    thread_ = std::thread([this] { transfer_loop(); });
}

MovieQueue::~MovieQueue() { stop(); }

void MovieQueue::stop() {
    if (!thread_.joinable()) return;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    cv_.notify_all();
    thread_.join();
}

void MovieQueue::frame_notice(const Message& notice) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        notices_.push_back(notice);
    }
    cv_.notify_all();
}

void MovieQueue::transfer_loop() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        cv_.wait(lock, [this] { return stop_ || (!notices_.empty() && !free_.empty()); });
        if (stop_) return;
        // Frame transfer: slots exist only once a movie setting has cut the caller's
        // buffer, which the plane exports provide.
        notices_.pop_front();
    }
}

void MovieQueue::deliver_ready() {}

}  // namespace tolvane
