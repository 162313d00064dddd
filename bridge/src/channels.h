// The 256 numbered message channels between the bridge, its threads and the controller.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <deque>
#include <mutex>

#include "protocol.h"
#include "sync.h"

namespace tolvane {

// Called with the channel's mutex held, on the thread that delivered the message.
using ChannelHandler = void (*)(std::uint32_t channel, const Message& msg);

// Sends one message to the controller for an outgoing channel (with its busy and
// not-accepted repeats); returns 0, -2 or the controller's result word.
using TransportSend = std::int32_t (*)(std::uint32_t channel, const Message& msg);

class Channels {
public:
    explicit Channels(TransportSend transport) : transport_(transport) {}

    std::int32_t open_channel(std::uint32_t number, std::uint32_t capacity, ChannelMode mode,
                              ChannelHandler handler);
    std::int32_t send(std::uint32_t number, const Message& msg);
    // wait: end after 5 seconds from the call's start with -6; without it, no limit.
    std::int32_t receive(std::uint32_t number, bool wait, Message& out);

    // Receiver side: a message the controller sent on `number`, with the component's flags.
    void arrived(std::uint32_t number, const Message& msg, std::uint32_t flags);

    // Marks every channel not open and ends any waiting receiver.
    void close_all();

    // Runs fn() under the mutex of channel `number` (excludes its handler).
    template <typename Fn>
    void with_lock(std::uint32_t number, Fn&& fn) {
        std::lock_guard<platform::Mutex> lock(table_[number].mutex);
        fn();
    }

private:
    struct Channel {
        platform::Mutex mutex;
        platform::CondVar cv;
        std::atomic<bool> open{false};
        bool lost = false;
        bool closed = false;
        ChannelMode mode = ChannelMode::Outgoing;
        ChannelHandler handler = nullptr;
        std::uint32_t capacity = 0;
        std::deque<Message> queue;
    };

    // Delivery of a message that arrived (or was sent on an incoming channel); mutex held.
    static void deliver_locked(std::uint32_t number, Channel& ch, const Message& msg);

    TransportSend transport_;
    std::array<Channel, kChannelCount> table_;
};

}  // namespace tolvane
