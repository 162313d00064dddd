#include "capture/core/VideoState.h"

namespace Capwell::Lib {

void VideoState::Reset(VideoWords& w) const {
    if (!not_initialised_) {
        w.available = 0;
        w.mode = 0;
        w.video = 0;
        w.audio = 0;
    }
}

void VideoState::Apply(VideoWords& w, uint32_t event) {
    switch (event) {
    case EV_INIT_DONE:
        if (not_initialised_) {
            not_initialised_ = false;
            w.available = w.mode = w.video = w.audio = 0;
        }
        break;
    case EV_LIVE: if (Open()) w.mode = 0; break;
    case EV_PAUSE: if (Open()) w.mode = 1; break;
    case EV_MOVIE_FORMAT2: if (Open()) { w.mode = 2; w.movie_format = 1; } break;
    case EV_MOVIE_FORMAT1: if (Open()) { w.mode = 2; w.movie_format = 0; } break;
    case EV_MOVIE_FORMAT3: if (Open()) { w.mode = 2; w.movie_format = 2; } break;
    case EV_AUDIO_ON: if (Open()) w.audio = 1; break;
    case EV_AUDIO_OFF: if (Open()) w.audio = 0; break;
    case EV_VIDEO_ON: if (Open()) w.video = 1; break;
    case EV_VIDEO_OFF: if (Open()) w.video = 0; break;
    case EV_SUSPEND:
        if (!suspended_) {
            suspended_ = true;
            Reset(w);
        }
        break;
    case EV_RESUME:
        if (suspended_) {
            suspended_ = false;
            Reset(w);
        }
        break;
    case EV_SIGNAL:
        if (no_signal_) {
            no_signal_ = false;
            if (!not_initialised_) {
                w.available = 1;
                w.mode = w.video = w.audio = 0;
            }
        }
        break;
    case EV_CABLE_LOST:
    case EV_NO_SIGNAL:
        if (!no_signal_) {
            no_signal_ = true;
            Reset(w);
        }
        break;
    case EV_DEVICE_ERROR:
        if (!error_) {
            error_ = true;
            Reset(w);
        }
        break;
    case EV_DISPLAY_CHANGED: Reset(w); break;
    default: break;  // codes of 17 and above are ignored
    }
}

void VideoState::Post(const uint32_t* events, size_t count) {
    const VideoWords before = words_;
    VideoWords w = words_;
    for (size_t i = 0; i < count; ++i) Apply(w, events[i]);
    words_ = w;
    if (!(w == before) && handler_) handler_(VideoStateChangedEventArgs{before, w});
}

}  // namespace Capwell::Lib
