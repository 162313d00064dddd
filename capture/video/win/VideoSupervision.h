// The video control over Win32: the hidden window's power and session
// messages and the still file. What it needs of the library comes through
// VideoHost. Window-thread only.
#pragma once

#include <windows.h>

#include <functional>

#include "Capwell.h"
#include "capture/video/VideoControl.h"

namespace Capwell::Lib {

class VideoSupervision {
public:
    // `initialised` tells whether the library is initialised; the host and
    // the state outlive this object.
    VideoSupervision(VideoHost& host, VideoState& state, std::function<bool()> initialised);
    ~VideoSupervision();
    VideoSupervision(const VideoSupervision&) = delete;
    VideoSupervision& operator=(const VideoSupervision&) = delete;

    VideoControl& Control() { return control_; }

    // WM_POWERBROADCAST and WM_WTSSESSION_CHANGE of the hidden window.
    void OnPowerBroadcast(WPARAM wp, LPARAM lp);
    void OnSessionChange(WPARAM wp);

    [[nodiscard]] CpwResult SaveBitmapImage(const wchar_t* path);

private:
    VideoControl control_;
    std::function<bool()> initialised_;
};

}  // namespace Capwell::Lib
