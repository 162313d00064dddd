// One-finger slide and two-finger pinch recognisers over batches of touch
// records, as the play view receives them.
#pragma once

#include <cstdint>
#include <functional>
#include <span>

#include "viewer/core/TouchRecord.h"

namespace vistrel {

enum class GestureEvent : std::int32_t { None = 0, Began = 1, Moved = 2, Ended = 3 };

struct SlideEventArgs {
    int x = 0;  // screen pixels
    int y = 0;
};

struct PinchEventArgs {
    int centerX = 0;  // screen pixels
    int centerY = 0;
    int distance = 0;
};

struct TouchPixel {
    int x = 0;
    int y = 0;
};

class AbsGestureRecognizer {
public:
    AbsGestureRecognizer() = default;
    AbsGestureRecognizer(const AbsGestureRecognizer&) = delete;
    AbsGestureRecognizer& operator=(const AbsGestureRecognizer&) = delete;
    virtual ~AbsGestureRecognizer() = default;

    virtual void OnTouch(std::span<const TouchRecord> batch) = 0;

    // 0 idle, 1 began, 2 moving, 3 ended.
    GestureEvent State() const noexcept { return state_; }

protected:
    // Classifies a batch for a gesture of `contacts` fingers and makes the
    // result the new state.
    GestureEvent Classify(std::span<const TouchRecord> batch, int contacts) noexcept;
    // The first `count` points of the batch carrying any flag of the event's
    // mask, in pixels; missing points are (0, 0).
    static void SelectPoints(std::span<const TouchRecord> batch, GestureEvent event, TouchPixel* out,
                             int count) noexcept;

private:
    GestureEvent state_ = GestureEvent::None;
};

template <class Args>
class GestureRecognizerWithArgs : public AbsGestureRecognizer {
public:
    using Listener = std::function<void(Args)>;
    void SetBeganListener(Listener l) { began_ = std::move(l); }
    void SetMovedListener(Listener l) { moved_ = std::move(l); }
    void SetEndedListener(Listener l) { ended_ = std::move(l); }

protected:
    void Raise(GestureEvent event, const Args& args) const {
        const Listener* l = event == GestureEvent::Began   ? &began_
                            : event == GestureEvent::Moved ? &moved_
                            : event == GestureEvent::Ended ? &ended_
                                                           : nullptr;
        if (l != nullptr && *l) (*l)(args);
    }

private:
    Listener began_;
    Listener moved_;
    Listener ended_;
};

class SlideRecognizer final : public GestureRecognizerWithArgs<SlideEventArgs> {
public:
    void OnTouch(std::span<const TouchRecord> batch) override;
};

class PinchRecognizer final : public GestureRecognizerWithArgs<PinchEventArgs> {
public:
    void OnTouch(std::span<const TouchRecord> batch) override;
};

}  // namespace vistrel
