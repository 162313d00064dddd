// The video state behind Cpw_GetState: five state words moved by events, with
// four blocking flags that decide which events take effect. Platform-free.
//
// No lock: Post, the handler and every caller run on the hidden window's
// thread. Post may be re-entered from the handler (the handler notifies the
// client synchronously, and the client may answer with Cpw_SetState); the
// words are stored before the handler runs, so a nested Post starts from them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <initializer_list>

#include "Capwell.h"

namespace Capwell::Lib {

enum VideoEvent : uint32_t {
    EV_INIT_DONE = 0,
    EV_LIVE = 1,
    EV_PAUSE = 2,
    EV_MOVIE_FORMAT2 = 3,
    EV_MOVIE_FORMAT1 = 4,
    EV_MOVIE_FORMAT3 = 5,
    EV_AUDIO_ON = 6,
    EV_AUDIO_OFF = 7,
    EV_VIDEO_ON = 8,
    EV_VIDEO_OFF = 9,
    EV_SUSPEND = 10,
    EV_RESUME = 11,
    EV_SIGNAL = 12,
    EV_CABLE_LOST = 13,
    EV_NO_SIGNAL = 14,
    EV_DEVICE_ERROR = 15,
    EV_DISPLAY_CHANGED = 16,
    kVideoEventCount = 17,  // codes from here on are ignored
};

struct VideoWords {
    uint32_t available = 0;
    uint32_t mode = 0;
    uint32_t video = 0;
    uint32_t audio = 0;
    uint32_t movie_format = 0;  // 0, 1, 2 for movie formats 1, 2, 3

    bool operator==(const VideoWords&) const = default;
};

struct VideoStateChangedEventArgs {
    VideoWords old_state;
    VideoWords new_state;
};

class VideoState {
public:
    using Handler = std::function<void(VideoStateChangedEventArgs)>;

    explicit VideoState(Handler handler = {});

    // Applies the events in order; calls the handler once when any word
    // changed. Returns true when something changed.
    bool Post(const uint32_t* events, std::size_t count);
    bool Post(std::initializer_list<uint32_t> events) { return Post(events.begin(), events.size()); }

    const VideoWords& words() const { return words_; }
    CpwVideoState Public() const {
        return CpwVideoState{words_.available, words_.mode, words_.video, words_.audio};
    }

    bool error() const { return error_; }
    bool no_signal() const { return no_signal_; }
    bool suspended() const { return suspended_; }
    bool not_initialised() const { return not_initialised_; }
    // All four blocking flags clear: events 1 to 9 take effect.
    bool open() const { return !error_ && !no_signal_ && !suspended_ && !not_initialised_; }

    void set_handler(Handler handler) { handler_ = std::move(handler); }

private:
    void Apply(uint32_t event, VideoWords& w);
    void Reset(VideoWords& w) const;

    Handler handler_;
    VideoWords words_{};
    bool error_ = false;
    bool no_signal_ = true;
    bool suspended_ = false;
    bool not_initialised_ = true;
};

// The batch of Cpw_SetState: one mode event (none for an unknown mode), then
// the video and the audio event. Returns the number of events written (2 or 3).
std::size_t SetStateBatch(uint32_t mode, uint32_t video, uint32_t audio, uint32_t out[3]);

}  // namespace Capwell::Lib
