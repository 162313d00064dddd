#include "bridge/src/Channels.h"

#include <chrono>

#include "contract/Merrowcom.h"

namespace tolvane {

std::int32_t Channels::OpenChannel(std::uint32_t number, std::uint32_t capacity, ChannelMode mode,
                                    ChannelHandler handler) {
    if (number >= kChannelCount || capacity > kMaxQueueCapacity ||
        (mode != ChannelMode::Outgoing && mode != ChannelMode::Incoming)) {
        return rc::kBad;
    }
    Channel& ch = table_[number];
    std::lock_guard<winkit::Mutex> lock(ch.mutex);
    if (ch.open.load(std::memory_order_relaxed)) return rc::kNotOpen;
    ch.lost = false;
    ch.closed = false;
    ch.gated = false;
    ch.awaiting = 0;
    ch.mode = mode;
    ch.handler = handler;
    ch.capacity = capacity;
    ch.queue.clear();
    ch.open.store(true, std::memory_order_release);
    return rc::kOk;
}

void Channels::DeliverLocked(std::uint32_t number, Channel& ch, const Message& msg) {
    if (ch.gated && ch.awaiting == 0) return;  // nobody's: dropped, not lost
    if (ch.handler != nullptr) {
        ch.handler(number, msg);
    } else if (ch.queue.size() < ch.capacity) {
        ch.queue.push_back(msg);
        ch.cv.notify_one();
    } else {
        ch.lost = true;
    }
}

std::int32_t Channels::Send(std::uint32_t number, const Message& msg) {
    if (number >= kChannelCount) return rc::kBad;
    Channel& ch = table_[number];
    std::lock_guard<winkit::Mutex> lock(ch.mutex);
    const bool open = ch.open.load(std::memory_order_relaxed);
    if (ch.mode == ChannelMode::Outgoing) {
        if (!open) return rc::kNotOpen;
        return transport_(number, msg);
    }
    if (open) DeliverLocked(number, ch, msg);
    return rc::kOk;
}

std::int32_t Channels::Receive(std::uint32_t number, bool wait, Message& out, std::chrono::milliseconds limit) {
    if (number >= kChannelCount) return rc::kBad;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    Channel& ch = table_[number];
    std::unique_lock<winkit::Mutex> lock(ch.mutex);
    if (ch.lost) return rc::kLost;
    if (!ch.open.load(std::memory_order_relaxed) || ch.handler != nullptr) return rc::kNotOpen;
    while (ch.queue.empty()) {
        if (ch.closed) return rc::kClosed;
        if (!wait) {
            ch.cv.wait(lock);
        } else if (ch.cv.wait_until(lock, deadline) == std::cv_status::timeout &&
                   ch.queue.empty()) {
            return ch.closed ? rc::kClosed : rc::kWaitLimit;
        }
    }
    out = ch.queue.front();
    ch.queue.pop_front();
    return rc::kOk;
}

void Channels::Arrived(std::uint32_t number, const Message& msg, std::uint32_t flags) {
    if (number >= kChannelCount) return;
    Channel& ch = table_[number];
    if (!ch.open.load(std::memory_order_acquire)) return;
    std::lock_guard<winkit::Mutex> lock(ch.mutex);
    if ((flags & merrowcom::kFlagLost) != 0) ch.lost = true;
    if (ch.open.load(std::memory_order_relaxed)) DeliverLocked(number, ch, msg);
}

void Channels::Gate(std::uint32_t number) {
    if (number >= kChannelCount) return;
    Channel& ch = table_[number];
    std::lock_guard<winkit::Mutex> lock(ch.mutex);
    ch.gated = true;
}

void Channels::Await(std::uint32_t number, bool on) {
    if (number >= kChannelCount) return;
    Channel& ch = table_[number];
    std::lock_guard<winkit::Mutex> lock(ch.mutex);
    if (!ch.gated) return;
    if (on) {
        ++ch.awaiting;
        ch.queue.clear();
    } else if (ch.awaiting > 0 && --ch.awaiting == 0) {
        ch.queue.clear();
    }
}

void Channels::CloseAll() {
    for (Channel& ch : table_) {
        std::lock_guard<winkit::Mutex> lock(ch.mutex);
        ch.open.store(false, std::memory_order_release);
        ch.closed = true;
        ch.cv.notify_all();
    }
}

}  // namespace tolvane
