// Movie capture queue: one per open connection. Frame notices from the controller are
// taken in on the component's thread, a transfer thread copies each frame from the
// controller straight into a slot of the caller's buffer, and the NotificationThread
// hands ready frames to the movie callback until the caller gives them back.
//
// A slot moves free -> in transfer -> ready -> delivered -> free. The slot records live in
// std::list nodes that are spliced between the lists, so a running movie allocates nothing
// per frame and the bridge never allocates frame memory.
//
// Locks: the queue's mutex is a leaf of the bridge's lock order, with one exception fixed
// here: the EventQueue mutex is taken inside it to post "frames ready". The give-back
// command (command lock) and the block read run without the queue's mutex.
#pragma once

#include <cstdint>
#include <deque>
#include <list>
#include <mutex>
#include <thread>

#include "Tolvane.h"
#include "bridge/src/Protocol.h"
#include "winkit/Sync.h"

namespace tolvane {

// Bytes of one frame: rows padded to a multiple of 4 bytes; 3 bytes a pixel for formats
// 1 and 2, 2 for format 3.
std::uint32_t MovieFrameBytes(const KdrXY& size, std::int32_t format);

// Clock that times the block reads (ticks and ticks per second). The default is the
// standard steady clock (QueryPerformanceCounter underneath on Windows); tests swap it.
struct MovieClock {
    std::uint64_t (*now)() = nullptr;
    std::uint64_t frequency = 0;
};
MovieClock DefaultMovieClock();
// Used by queues created from now on; a clock without `now` or frequency restores the default.
void SetMovieClock(const MovieClock& clock);

// Controller words of the movie path.
namespace movie_reg {
constexpr std::uint32_t kCount = 0x0E100040u;    // u32: frames handled
constexpr std::uint32_t kBytes = 0x0E100048u;    // double: bytes of frames handled
constexpr std::uint32_t kSeconds = 0x0E100050u;  // double: seconds spent in block reads
}  // namespace movie_reg
constexpr std::uint32_t kCmdFrameGiveBack = 0xC0003u;

class MovieQueue {
public:
    explicit MovieQueue(KdrHandle connection);
    virtual ~MovieQueue();  // stops and joins the transfer thread if still running
    MovieQueue(const MovieQueue&) = delete;
    MovieQueue& operator=(const MovieQueue&) = delete;

    // Stops and joins the transfer thread (the close does this before letting go).
    void Stop();

    // Event router (component thread): a frame notice from the controller.
    void FrameNotice(const Message& notice);
    // NotificationThread: hands the ready frames to the movie callback.
    void DeliverReady();

    // A new setting (validated by the caller): refused with KDR_ERR_STATE while a frame is in
    // transfer or delivered, or when a counter cannot be reset. Cuts the buffer into slots.
    [[nodiscard]] std::int32_t Configure(const KdrMovieSetting& setting);
    // Gives back the oldest delivered frame; KDR_ERR_PARAM for any other frame id.
    [[nodiscard]] std::int32_t Release(std::uint64_t frame_id);
    KdrMovieStats Stats();

private:
    void TransferLoop();
    void GiveBack(std::uint32_t address, bool& ok);

    KdrHandle connection_;
    MovieClock clock_;
    winkit::Mutex mutex_;
    winkit::CondVar cv_;
    bool stop_ = false;

    std::deque<Message> notices_;
    std::list<KdrMovieFrame> free_;
    std::list<KdrMovieFrame> in_transfer_;
    std::list<KdrMovieFrame> ready_;
    std::list<KdrMovieFrame> delivered_;

    std::uint64_t handled_ = 0;         // frame notices handled
    std::uint64_t device_drops_ = 0;    // frames the controller reported dropped
    std::uint64_t local_failures_ = 0;  // frames the bridge could not pass on
    std::uint64_t reported_ = 0;        // drops already reported in a delivered record

    KdrXY size_{};
    std::int32_t format_ = 0;
    std::uint32_t frame_bytes_ = 0;

    winkit::Thread thread_;
};

}  // namespace tolvane
