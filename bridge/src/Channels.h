// The 256 numbered message channels between the bridge, its threads and the controller.
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <mutex>

#include "bridge/src/Protocol.h"
#include "winkit/Sync.h"

namespace tolvane {

// Called with the channel's mutex held, on the thread that delivered the message.
using ChannelHandler = void (*)(std::uint32_t channel, const Message& msg);

// Sends one message to the controller for an outgoing channel (with its busy and
// not-accepted repeats); returns 0, -2 or the controller's result word.
using TransportSend = std::int32_t (*)(std::uint32_t channel, const Message& msg);

class Channels {
public:
    explicit Channels(TransportSend transport) : transport_(transport) {}

    [[nodiscard]] std::int32_t OpenChannel(std::uint32_t number, std::uint32_t capacity, ChannelMode mode,
                              ChannelHandler handler);
    [[nodiscard]] std::int32_t Send(std::uint32_t number, const Message& msg);
    // wait: end after `limit` (5 seconds) from the call's start with -6; without it, no limit.
    static constexpr std::chrono::milliseconds kReceiveLimit{5000};
    [[nodiscard]] std::int32_t Receive(std::uint32_t number, bool wait, Message& out,
                                       std::chrono::milliseconds limit = kReceiveLimit);

    // Receiver side: a message the controller sent on `number`, with the component's flags.
    void Arrived(std::uint32_t number, const Message& msg, std::uint32_t flags);

    // A gated incoming channel keeps only messages that arrive while someone awaits them: the
    // reply channel, whose late replies belong to no command. OpenChannel clears the gate.
    void Gate(std::uint32_t number);
    // Opens (depth + 1) or closes (depth - 1) the wait for messages on a gated channel. Whatever
    // is queued when the wait opens, or left when the last one closes, is stale and dropped.
    void Await(std::uint32_t number, bool on);

    // Marks every channel not open and ends any waiting receiver.
    void CloseAll();

    // Runs fn() under the mutex of channel `number` (excludes its handler).
    template <typename Fn>
    void WithLock(std::uint32_t number, Fn&& fn) {
        std::lock_guard<winkit::Mutex> lock(table_[number].mutex);
        fn();
    }

private:
    struct Channel {
        winkit::Mutex mutex;
        winkit::CondVar cv;
        std::atomic<bool> open{false};
        bool lost = false;
        bool closed = false;
        bool gated = false;
        std::uint32_t awaiting = 0;  // open waits on a gated channel
        ChannelMode mode = ChannelMode::Outgoing;
        ChannelHandler handler = nullptr;
        std::uint32_t capacity = 0;
        std::deque<Message> queue;
    };

    // Delivery of a message that arrived (or was sent on an incoming channel); mutex held.
    static void DeliverLocked(std::uint32_t number, Channel& ch, const Message& msg);

    TransportSend transport_;
    std::array<Channel, kChannelCount> table_;
};

}  // namespace tolvane
