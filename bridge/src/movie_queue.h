// Movie capture queue: one per open connection. Frame notices from the controller are
// taken in on the component's thread, a transfer thread moves frames into slots of the
// caller's buffer, and the NotificationThread delivers ready frames.
#pragma once

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "Tolvane.h"
#include "protocol.h"

namespace tolvane {

class MovieQueue {
public:
    explicit MovieQueue(KdrHandle connection);
    virtual ~MovieQueue();  // stops and joins the transfer thread if still running

    // Stops and joins the transfer thread (the close does this before letting go).
    void stop();
    MovieQueue(const MovieQueue&) = delete;
    MovieQueue& operator=(const MovieQueue&) = delete;

    // Event router (component thread): a frame notice from the controller.
    void frame_notice(const Message& notice);
    // NotificationThread: hands the ready frames to the movie callback.
    void deliver_ready();

private:
    void transfer_loop();

    KdrHandle connection_;
    std::mutex mutex_;
    std::condition_variable cv_;
    bool stop_ = false;
    std::deque<Message> notices_;
    std::deque<KdrMovieFrame> free_;
    std::thread thread_;
};

}  // namespace tolvane
