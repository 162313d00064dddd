// The video state machine's owner: the state-change handler that drives the
// plane, the once-a-second supervision, the power, session and display
// reactions, movie start and still capture. Platform-free; everything outside
// goes through VideoHost.
//
// Runs on the hidden window's thread only (no lock).
#pragma once

#include <cstdint>

#include "capture/video/VideoHost.h"
#include "capture/core/VideoState.h"  // the state machine itself lives with the library core

namespace Capwell::Lib {

// What a power or session message asks for.
enum class PowerAction { kNone, kSuspend, kResume };

// WM_POWERBROADCAST: suspend and standby (4, 5), resume (7, 8); a display
// power setting change (0x8013) with its first data byte 0 (off) or 1 (on).
// `display_setting` says the setting record names a display power setting.
PowerAction PowerBroadcastAction(uint32_t code, bool display_setting, const uint8_t* data,
                                 uint32_t data_length);
// WM_WTSSESSION_CHANGE: console disconnect (2) and lock (7) suspend, console
// connect (1) and unlock (8) resume.
PowerAction SessionChangeAction(uint32_t code);

// The batch of Cpw_SetState: one mode event (none for an unknown mode), then
// the video and the audio event. Returns the number of events written (2 or 3).
std::size_t SetStateBatch(uint32_t mode, uint32_t video, uint32_t audio, uint32_t out[3]);

// Drives `state` (whose handler must call OnVideoStateChanged) and reacts to
// what it reports.
class VideoControl {
public:
    VideoControl(VideoHost& host, VideoState& state);
    VideoControl(const VideoControl&) = delete;
    VideoControl& operator=(const VideoControl&) = delete;

    VideoState& State() { return state_; }

    // The state machine's handler.
    void OnVideoStateChanged(const VideoStateChangedEventArgs& args);

    // Exports (the caller has checked object, pointer and initialisation).
    void SetState(uint32_t mode, uint32_t video, uint32_t audio);
    void SetVideoPosition(int32_t left, int32_t top, int32_t right, int32_t bottom);
    void Zoom(const CpwZoomRect& zoom);
    void ResetZoom();
    CpwResult SaveBitmapImage(const CpwWChar* path, StillFile& file);
    // Initialisation's last step: init done, then the input event of the
    // HDMI state read at start.
    void PostInitDone(uint32_t input_state);

    // Hidden window.
    void OnSupervisionTimer();
    void OnSettleTimer();
    void OnDisplayChange(bool initialised);
    // Suspend and resume act only while initialised; a second suspend before
    // a resume, or a resume without a suspend, does nothing.
    void Suspend();
    void Resume();
    void OnPowerAction(PowerAction action, bool initialised, bool sleep_after_suspend);

    // The movie format of the last movie setting sent (1 to 3; 0 none yet).
    int32_t LastMovieFormat() const { return last_movie_format_; }

private:
    void SwitchPlane(const VideoWords& now);
    void StartMovie(uint32_t movie_format);
    uint32_t InputEvent(uint32_t status) const;
    CpwResult CaptureStill(const CpwWChar* path, StillFile& file);

    VideoHost& host_;
    VideoState& state_;
    int32_t last_movie_format_ = 0;
};

// Writes the whole image; a write or close failure removes the partial file.
// CPW_OK, CPW_E_OPEN or CPW_E_WRITE.
CpwResult WriteStillFile(StillFile& file, const CpwWChar* path, const uint8_t* data,
                         std::size_t size);

}  // namespace Capwell::Lib
