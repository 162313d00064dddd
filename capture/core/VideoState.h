// The state words behind Cpw_GetState and the events that move them.
// Platform-free; runs on the hidden window's thread only, so it has no lock.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <initializer_list>

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
    VideoWords old_words;
    VideoWords new_words;
};

class VideoState {
public:
    using Handler = std::function<void(VideoStateChangedEventArgs)>;

    explicit VideoState(Handler handler) : handler_(std::move(handler)) {}

    // Applies the batch in order; calls the handler once when any word changed.
    void Post(const uint32_t* events, size_t count);
    void Post(std::initializer_list<uint32_t> events) { Post(events.begin(), events.size()); }

    const VideoWords& Words() const { return words_; }
    bool Error() const { return error_; }
    bool NoSignal() const { return no_signal_; }
    bool Suspended() const { return suspended_; }
    bool NotInitialised() const { return not_initialised_; }

private:
    void Apply(VideoWords& w, uint32_t event);
    bool Open() const { return !error_ && !no_signal_ && !suspended_ && !not_initialised_; }
    void Reset(VideoWords& w) const;

    Handler handler_;
    VideoWords words_{};
    bool error_ = false;
    bool no_signal_ = true;
    bool suspended_ = false;
    bool not_initialised_ = true;
};

}  // namespace Capwell::Lib
