#include "VideoState.h"

#include <utility>

namespace Capwell::Lib {

VideoState::VideoState(Handler handler) : handler_(std::move(handler)) {}

void VideoState::Reset(VideoWords& w) const {
    if (!not_initialised_) {
        w.available = 0;
        w.mode = 0;
        w.video = 0;
        w.audio = 0;
    }
}

void VideoState::Apply(uint32_t event, VideoWords& w) {
    switch (event) {
    case EV_INIT_DONE:
        if (not_initialised_) {
            not_initialised_ = false;
            w.available = w.mode = w.video = w.audio = 0;
        }
        break;
    case EV_LIVE: if (open()) w.mode = CPW_MODE_LIVE; break;
    case EV_PAUSE: if (open()) w.mode = CPW_MODE_PAUSE; break;
    case EV_MOVIE_FORMAT2: if (open()) { w.mode = CPW_MODE_MOVIE; w.movie_format = 1; } break;
    case EV_MOVIE_FORMAT1: if (open()) { w.mode = CPW_MODE_MOVIE; w.movie_format = 0; } break;
    case EV_MOVIE_FORMAT3: if (open()) { w.mode = CPW_MODE_MOVIE; w.movie_format = 2; } break;
    case EV_AUDIO_ON: if (open()) w.audio = 1; break;
    case EV_AUDIO_OFF: if (open()) w.audio = 0; break;
    case EV_VIDEO_ON: if (open()) w.video = 1; break;
    case EV_VIDEO_OFF: if (open()) w.video = 0; break;
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
        // Only the way out of no-signal makes the input available again.
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
    default: break;  // unknown codes are ignored
    }
}

bool VideoState::Post(const uint32_t* events, std::size_t count) {
    VideoWords w = words_;
    for (std::size_t i = 0; i < count; ++i) Apply(events[i], w);
    if (w == words_) return false;
    const VideoStateChangedEventArgs args{words_, w};
    words_ = w;
    if (handler_) handler_(args);
    return true;
}

std::size_t SetStateBatch(uint32_t mode, uint32_t video, uint32_t audio, uint32_t out[3]) {
    std::size_t n = 0;
    switch (mode) {
    case CPW_MODE_LIVE: out[n++] = EV_LIVE; break;
    case CPW_MODE_PAUSE: out[n++] = EV_PAUSE; break;
    // The client asks for movie format 1; formats 2 and 3 come only from a
    // plane state report.
    case CPW_MODE_MOVIE: out[n++] = EV_MOVIE_FORMAT1; break;
    default: break;
    }
    out[n++] = video ? EV_VIDEO_ON : EV_VIDEO_OFF;
    out[n++] = audio ? EV_AUDIO_ON : EV_AUDIO_OFF;
    return n;
}

}  // namespace Capwell::Lib
