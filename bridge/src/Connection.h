// The bridge's process-wide connection: component interfaces, channels, commands,
// the EventQueue, the NotificationThread and the callback slots.
//
// Lock order, outermost first (a thread holding one lock takes only later ones):
//   1. API lock (ApiLock): every export from entry to return; the NotificationThread
//      for HDMI-information handling and through its redraws.
//   2. State lock: the playback-state query.
//   3. Command lock: one whole command sequence (CommandSequence): the parameter words, the
//      command and its result words (commands never interleave).
//   4. Channel mutexes: a channel's queue and flags, its handler while it runs, and an
//      outgoing send with all its repeats.
//   5. Leaf locks: the EventQueue mutex and the MovieQueue mutex.
// User callbacks run on the NotificationThread with no bridge lock held.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

#include "Tolvane.h"
#include "bridge/src/ApiLock.h"
#include "bridge/src/Channels.h"
#include "contract/Merrowcom.h"
#include "bridge/src/EventQueue.h"
#include "bridge/src/MovieQueue.h"
#include "bridge/src/Protocol.h"
#include "winkit/Sync.h"

namespace tolvane {

struct Bridge {
    Bridge();

    ApiLock api;
    winkit::Mutex state_lock;
    winkit::Mutex command_lock;
    Channels channels;
    EventQueue events;

    // Connection record; its address is the handle value given out.
    struct Record {
        merrowcom::DeviceUtil* util = nullptr;
        merrowcom::GenericFunc* generic = nullptr;
        merrowcom::SystemCtrl* sysctrl = nullptr;
    } record;
    std::atomic<bool> loaded{false};
    std::atomic<bool> open{false};
    // Set when a command or draw went unanswered for its whole limit, cleared by the next reply
    // of any kind: while set, the controller has stopped answering, and the steps queued
    // behind the one that timed out wait only kSilentReplyLimit each (see ReplyLimit).
    std::atomic<bool> unanswered{false};

    // Callback slots (written under the API lock, read by the NotificationThread).
    std::atomic<KdrHdmiSizeCb> hdmi_size_cb{nullptr};
    std::atomic<KdrHdmiInfoCb> hdmi_info_cb{nullptr};
    std::atomic<KdrStateCb> state_cb{nullptr};
    std::atomic<void*> state_user{nullptr};
    std::atomic<KdrMovieCb> movie_cb{nullptr};
    std::atomic<void*> movie_user{nullptr};

    // NotificationThread and its start event.
    std::unique_ptr<winkit::Thread> notifier;
    std::atomic<bool> notifier_running{false};
    winkit::Mutex start_mutex;
    winkit::CondVar start_cv;
    bool started = false;

    // Set and cleared under channel 32's mutex; users take their own reference, so a
    // queue being destroyed is never used after it was stopped and freed.
    std::shared_ptr<MovieQueue> movie;

    std::int32_t time = 0;                  // last KDR_DEV_TIME set successfully
    std::atomic<std::int32_t> last_state{1};  // last playback state
};

Bridge& TheBridge();

KdrHandle HandleValue();
// The variable holds the value given out and the connection is open.
[[nodiscard]] bool HandleValid(const KdrHandle* handle);

// Request/reply command under the command lock. detail: the reply's word2 when asked.
[[nodiscard]] std::int32_t CommandCall(std::uint32_t code, bool wait, std::uint32_t* detail = nullptr);
// The same for a caller that already holds the command lock: parameter words written under
// that lock cannot be overwritten by another thread's command before this one runs.
[[nodiscard]] std::int32_t CommandCallLocked(std::uint32_t code, bool wait, std::uint32_t* detail = nullptr);
// How long a command or a draw waits for its reply: the full 5 seconds, or kSilentReplyLimit
// while the controller has stopped answering. A caller's steps behind a command that timed out
// (the rest of a supervision pass, a shutdown, the give-backs of a movie) then fail within a
// fraction of a second each instead of 5 seconds each; they are still sent, so a controller that
// answers again ends the state with its first reply.
constexpr std::chrono::milliseconds kSilentReplyLimit{250};
[[nodiscard]] std::chrono::milliseconds ReplyLimit();
// A wait for a reply reached its limit.
void NoteUnanswered();
// Command result converted for an export.
[[nodiscard]] inline std::int32_t RunCommand(std::uint32_t code) { return ToExportResult(CommandCall(code, true)); }

// While one lives, replies on channel 35 are kept for the command lock's holder; at any other
// time a reply belongs to no command (commands are serialised) and is dropped, so a reply that
// comes after its command gave up is never taken by a later command with the same code.
class ReplyWait {
public:
    ReplyWait() { TheBridge().channels.Await(kChReply, true); }
    ~ReplyWait() { TheBridge().channels.Await(kChReply, false); }
    ReplyWait(const ReplyWait&) = delete;
    ReplyWait& operator=(const ReplyWait&) = delete;
};

// One whole exchange through the shared parameter and result words: holds the command lock
// from the first parameter write to the last result read. The transfer thread's give-back and
// the NotificationThread's state query run their commands outside the API lock; between a
// caller's words and its command they would overwrite them.
class CommandSequence {
public:
    CommandSequence() : lock_(TheBridge().command_lock), replies_() {}
    CommandSequence(const CommandSequence&) = delete;
    CommandSequence& operator=(const CommandSequence&) = delete;

    [[nodiscard]] std::int32_t Call(std::uint32_t code, bool wait = true, std::uint32_t* detail = nullptr) {
        return CommandCallLocked(code, wait, detail);
    }
    // Command result converted for an export.
    [[nodiscard]] std::int32_t Run(std::uint32_t code) { return ToExportResult(Call(code, true)); }

private:
    std::lock_guard<winkit::Mutex> lock_;
    ReplyWait replies_;  // after the lock: replies are awaited only while it is held
};

// Register access while open and loaded (else -1); 0 on success.
[[nodiscard]] std::int32_t ReadWord(std::uint32_t address, std::uint32_t& value);
[[nodiscard]] std::int32_t WriteWord(std::uint32_t address, std::uint32_t value);

// Appends to the EventQueue; -1 when it is full (the message is dropped).
[[nodiscard]] std::int32_t PostEvent(const Message& msg);

// The current movie queue, if any.
std::shared_ptr<MovieQueue> CurrentMovieQueue();

// Open and close sequences; the caller holds the API lock. OpenConnection brings the connection
// up to a running NotificationThread and movie queue and marks it open; the caller then sets
// the device's time and planes, and calls AbandonOpen when that fails.
[[nodiscard]] std::int32_t OpenConnection(KdrHandle* handle, std::int32_t flags);
void AbandonOpen();
[[nodiscard]] std::int32_t CloseConnection(KdrHandle* handle);

}  // namespace tolvane
