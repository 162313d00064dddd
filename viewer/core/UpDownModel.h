// The numeric up-down's value and its press-and-hold repeat, with time passed in
// (milliseconds of any steady clock), so the repeat rule is tested without timers.
#pragma once

#include <cstdint>

#include "viewer/core/ControlLook.h"

namespace vistrel::controls {

class UpDownModel {
public:
    enum class Button { Increment, Decrement };
    static constexpr unsigned kTickMs = 50;         // repeat timer period
    static constexpr std::uint64_t kDelayMs = 500;  // hold this long before repeating

    void SetRange(int minimum, int maximum) noexcept;
    int Minimum() const noexcept { return minimum_; }
    int Maximum() const noexcept { return maximum_; }
    void SetStep(int step) noexcept { step_ = step; }
    int Value() const noexcept { return value_; }
    // Below the minimum gives the minimum, else at most the maximum. True when
    // the value changed.
    bool SetValue(int v) noexcept;

    // A press on a button whose repeat is idle: one step, and the repeat starts
    // (the caller starts the button's timer when `started`).
    struct PressResult {
        bool started = false;
        bool changed = false;
    };
    PressResult Press(Button b, std::uint64_t now) noexcept;
    // A tick of a running repeat: steps when more than the delay has passed
    // since the press. True when the value changed.
    bool Tick(Button b, std::uint64_t now) noexcept;
    // Release or leaving the button: the repeat stops.
    void Release(Button b) noexcept { repeat_[Index(b)].running = false; }
    bool Repeating(Button b) const noexcept { return repeat_[Index(b)].running; }

private:
    struct Repeat {
        bool running = false;
        std::uint64_t pressed_at = 0;
    };
    static int Index(Button b) noexcept { return b == Button::Increment ? 0 : 1; }
    bool Step(Button b) noexcept;

    int value_ = 0;
    int minimum_ = 0;
    int maximum_ = 100;
    int step_ = 1;
    Repeat repeat_[2];
};

// The up-down's children in its client area: the value text at the left edge,
// then "<" and ">", all centred vertically.
struct UpDownChildren {
    Rect text;
    Rect decrement;
    Rect increment;
};
UpDownChildren LayoutUpDown(const Rect& client, const LayoutState& layout) noexcept;

}  // namespace vistrel::controls
