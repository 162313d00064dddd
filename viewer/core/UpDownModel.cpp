#include "viewer/core/UpDownModel.h"

#include <algorithm>
#include <limits>

#include "viewer/core/ViewGeometry.h"

namespace vistrel::controls {

void UpDownModel::SetRange(int minimum, int maximum) noexcept {
    minimum_ = minimum;
    maximum_ = std::max(minimum, maximum);
    (void)SetValue(value_);  // keep the value inside the new range
}

bool UpDownModel::SetValue(int v) noexcept {
    const int next = v < minimum_ ? minimum_ : std::min(v, maximum_);
    if (next == value_) return false;
    value_ = next;
    return true;
}

bool UpDownModel::Step(Button b) noexcept {
    // Widened, so a step next to the int limits cannot overflow.
    const long long next = static_cast<long long>(value_) + (b == Button::Increment ? step_ : -step_);
    const long long clamped = std::clamp<long long>(next, std::numeric_limits<int>::min(),
                                                    std::numeric_limits<int>::max());
    return SetValue(static_cast<int>(clamped));
}

UpDownModel::PressResult UpDownModel::Press(Button b, std::uint64_t now) noexcept {
    Repeat& r = repeat_[Index(b)];
    if (r.running) return {};
    r.running = true;
    r.pressed_at = now;
    return {true, Step(b)};
}

bool UpDownModel::Tick(Button b, std::uint64_t now) noexcept {
    const Repeat& r = repeat_[Index(b)];
    if (!r.running || now < r.pressed_at || now - r.pressed_at <= kDelayMs) return false;
    return Step(b);
}

UpDownChildren LayoutUpDown(const Rect& client, const LayoutState& layout) noexcept {
    ScreenInfo screen;
    screen.width = layout.width;
    screen.height = layout.height;
    screen.rotation = layout.rotation;
    UpDownChildren c;
    c.text = PlaceItem(ItemPlacement{108, 60, 0, kAlignLeft, 0, kAlignCenterY, 0}, client, nullptr, nullptr, screen);
    c.decrement = PlaceItem(ItemPlacement{80, 60, 0, kAlignRight, 20, kAlignCenterY, 0}, client, &c.text, nullptr, screen);
    c.increment =
        PlaceItem(ItemPlacement{80, 60, 0, kAlignRight, 12, kAlignCenterY, 0}, client, &c.decrement, nullptr, screen);
    return c;
}

}  // namespace vistrel::controls
