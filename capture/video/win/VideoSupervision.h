// The video control wired to the library: the bridge's plane calls, the input
// manager, the hidden window's timers and the client notification; the
// process-wide movie frame pool.
//
// Window-thread only, except the frame pool functions (any thread; the pool's
// frame lock is a leaf lock below every lock of the manager).
#pragma once

#include <windows.h>

#include <memory>

#include "Capwell.h"
#include "FramePool.h"
#include "VideoControl.h"

namespace Capwell {
class VideoInput;
}

namespace Capwell::Lib {

class VideoSupervision {
public:
    explicit VideoSupervision(VideoInput& owner);
    ~VideoSupervision();
    VideoSupervision(const VideoSupervision&) = delete;
    VideoSupervision& operator=(const VideoSupervision&) = delete;

    VideoControl& control() { return control_; }

    // WM_POWERBROADCAST and WM_WTSSESSION_CHANGE of the hidden window.
    void OnPowerBroadcast(WPARAM wp, LPARAM lp);
    void OnSessionChange(WPARAM wp);

    CpwResult SaveBitmapImage(const wchar_t* path);

private:
    class Host;
    std::unique_ptr<Host> host_;
    VideoControl control_;
    VideoInput& owner_;
};

// The three capture buffers, from library load to unload.
FramePool& Frames();
// The movie callback's work: copy the frame into the pool. The caller gives
// the frame back to the bridge afterwards in every case.
void DeliverMovieFrame(const KdrMovieFrame& frame);

}  // namespace Capwell::Lib
