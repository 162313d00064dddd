#include "viewer/core/OverlapTick.h"

namespace Pelmora::Lib::Overlap {

std::optional<std::int32_t> OverlapTick::Tick(std::int32_t current) noexcept {
    const std::int32_t before = last_raw_;
    const std::int32_t value = video_changed_ != 0 ? before : current;
    video_changed_ = 0;
    last_raw_ = current;
    const bool report = before != value || (before != previous_last_ && value != previous_reported_);
    previous_last_ = before;
    previous_reported_ = value;
    if (report) return value;
    return std::nullopt;
}

std::int32_t OverlapTick::Transition(bool ran, std::int32_t fresh) noexcept {
    if (!ran) return last_raw_;
    const std::int32_t value = video_changed_ != 0 ? last_raw_ : fresh;
    video_changed_ = 0;
    last_raw_ = fresh;
    return value;
}

}  // namespace Pelmora::Lib::Overlap
