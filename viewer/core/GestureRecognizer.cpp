#include "viewer/core/GestureRecognizer.h"

#include <cmath>

namespace vistrel {

GestureEvent AbsGestureRecognizer::Classify(std::span<const TouchRecord> batch, int contacts) noexcept {
    const auto n = static_cast<long long>(batch.size());
    long long moving = 0;
    long long up = 0;
    for (const TouchRecord& r : batch) {
        if ((r.dwFlags & kTouchMove) != 0) ++moving;
        if ((r.dwFlags & kTouchUp) != 0) ++up;
    }
    GestureEvent event;
    if (state_ == GestureEvent::Began || state_ == GestureEvent::Moved) {
        event = (n == contacts && moving == contacts) ? GestureEvent::Moved : GestureEvent::Ended;
    } else {
        event = (n - up == contacts) ? GestureEvent::Began : GestureEvent::None;
    }
    state_ = event;
    return event;
}

void AbsGestureRecognizer::SelectPoints(std::span<const TouchRecord> batch, GestureEvent event,
                                        TouchPixel* out, int count) noexcept {
    std::uint32_t mask = 0;
    switch (event) {
        case GestureEvent::Began: mask = kTouchMove | kTouchDown; break;
        case GestureEvent::Moved: mask = kTouchMove; break;
        case GestureEvent::Ended: mask = kTouchMove | kTouchUp; break;
        case GestureEvent::None: break;
    }
    int found = 0;
    for (const TouchRecord& r : batch) {
        if (found == count) break;
        if ((r.dwFlags & mask) != 0) {
            // Integer division truncates toward zero, as wanted.
            out[found++] = TouchPixel{static_cast<int>(r.x / 100), static_cast<int>(r.y / 100)};
        }
    }
    for (; found < count; ++found) out[found] = TouchPixel{};
}

void SlideRecognizer::OnTouch(std::span<const TouchRecord> batch) {
    const GestureEvent event = Classify(batch, 1);
    if (event == GestureEvent::None) return;
    TouchPixel p;
    SelectPoints(batch, event, &p, 1);
    Raise(event, SlideEventArgs{p.x, p.y});
}

void PinchRecognizer::OnTouch(std::span<const TouchRecord> batch) {
    const GestureEvent event = Classify(batch, 2);
    if (event == GestureEvent::None) return;
    TouchPixel p[2];
    SelectPoints(batch, event, p, 2);
    PinchEventArgs args;
    args.centerX = static_cast<int>((static_cast<double>(p[0].x) + p[1].x) * 0.5);
    args.centerY = static_cast<int>((static_cast<double>(p[0].y) + p[1].y) * 0.5);
    const double dx = static_cast<double>(p[1].x) - p[0].x;
    const double dy = static_cast<double>(p[1].y) - p[0].y;
    args.distance = static_cast<int>(std::sqrt(dx * dx + dy * dy));
    Raise(event, args);
}

}  // namespace vistrel
