// What the video-input detector makes of the examiner's results, tick by
// tick: which value reaches the state machine and when. Right after the
// picture output was switched on or off the screen copy may still show the
// old picture, so the next reading repeats the previous value instead.
#pragma once

#include <cstdint>
#include <optional>

namespace Pelmora::Lib::Overlap {

class OverlapTick {
public:
    // The play code's `video` flag; the changed flag becomes the new flag XOR
    // the previous one.
    void SetVideo(std::int32_t video) noexcept {
        const std::int32_t v = video != 0 ? 1 : 0;
        video_changed_ = v ^ video_;
        video_ = v;
    }

    // A tick whose examination started; `current` is the examiner's result now
    // (from the examination before). Answers the value to report, if any.
    [[nodiscard]] std::optional<std::int32_t> Tick(std::int32_t current) noexcept;

    // The transition check: `ran` tells whether the synchronous examination
    // ran, `fresh` is its result. Answers the value for the state machine.
    [[nodiscard]] std::int32_t Transition(bool ran, std::int32_t fresh) noexcept;

    [[nodiscard]] std::int32_t LastRaw() const noexcept { return last_raw_; }
    [[nodiscard]] std::int32_t VideoChanged() const noexcept { return video_changed_; }
    [[nodiscard]] std::int32_t Video() const noexcept { return video_; }

private:
    std::int32_t video_changed_ = 0;
    std::int32_t video_ = 0;
    std::int32_t last_raw_ = 0;
    std::int32_t previous_last_ = 0;
    std::int32_t previous_reported_ = 0;
};

}  // namespace Pelmora::Lib::Overlap
