#include "viewer/core/ControlLook.h"

#include <algorithm>
#include <cmath>

#include "viewer/core/ViewGeometry.h"

namespace vistrel::controls {

int Scaled(int value, const LayoutState& layout) noexcept {
    ScreenInfo screen;
    screen.width = layout.width;
    screen.height = layout.height;
    screen.rotation = layout.rotation;
    return ScaleToScreen(value, screen, layout.rotation);
}

ButtonColors ColorsForState(unsigned state) noexcept {
    const bool pressed = (state & kItemPressed) != 0;
    const bool greyed = (state & kItemDisabled) != 0 && (state & kItemFocus) == 0;
    ButtonColors c;
    c.background = pressed ? kWhite : kBlack;
    c.border = pressed ? kWhite : (greyed ? kDisabledGrey : kWhite);
    c.focus = kWhite;
    c.text = pressed ? kBlack : (greyed ? kDisabledGrey : kWhite);
    return c;
}

ImageSlot ImageForState(unsigned state, bool on, const LoadedImages& loaded) noexcept {
    const bool disabled = (state & kItemDisabled) != 0;
    if (on) {
        if (disabled && loaded.on_disabled) return ImageSlot::OnDisabled;
        if (loaded.on) return ImageSlot::On;
    }
    if (disabled && loaded.disabled) return ImageSlot::Disabled;
    if ((state & kItemPressed) != 0 && loaded.pressed) return ImageSlot::Pressed;
    return loaded.normal ? ImageSlot::Normal : ImageSlot::None;
}

ButtonLook ComputeButtonLook(const ButtonInput& in) noexcept {
    ButtonLook look;
    look.item = in.item;
    look.colors = in.on ? in.on_colors : ColorsForState(in.item_state);
    look.pen_width = std::max(1, Scaled(5, in.layout));
    int shrink = Scaled(9, in.layout);
    if (shrink == 0) shrink = 2;
    look.inner = {in.item.left + shrink, in.item.top + shrink, in.item.right - shrink, in.item.bottom - shrink};
    look.focus_frame = (in.item_state & kItemFocus) != 0;
    look.image = ImageForState(in.item_state, in.on, in.loaded);
    look.text = in.item;
    if (look.image == ImageSlot::None) {
        look.content = ButtonContent::CentredText;
        return look;
    }
    if (in.mode == ImageMode::Fills) {
        look.content = ButtonContent::ImageOnly;
        look.icon = {look.inner.left + 1, look.inner.top + 1, look.inner.right - 1, look.inner.bottom - 1};
        return look;
    }
    look.content = ButtonContent::ImageBesideText;
    const int i = Scaled(50, in.layout);
    const int g = Scaled(10, in.layout);
    const int left = in.item.left + (in.item.Width() - in.text_width - g - i) / 2;
    const int top = in.item.top + (in.item.Height() - i) / 2;
    look.icon = {left, top, left + i, top + i};
    look.text = {left + i + g, in.item.top, in.item.right, in.item.bottom};
    return look;
}

bool TouchPhase(const TouchContact* contacts, unsigned count, const Rect& r, PointerPhase& out) noexcept {
    if (count != 1 || contacts == nullptr) return false;
    const TouchContact& c = contacts[0];
    if ((c.flags & 0x2u) != 0) {  // down
        out = PointerPhase::Pressed;
        return true;
    }
    if ((c.flags & 0x1u) != 0) {  // move
        const int x = c.x_hundredths / 100;
        const int y = c.y_hundredths / 100;
        const bool inside = x >= r.left && x < r.right && y >= r.top && y < r.bottom;
        out = inside ? PointerPhase::MovedInside : PointerPhase::Left;
        return true;
    }
    if ((c.flags & 0x4u) != 0) {  // up
        out = PointerPhase::Released;
        return true;
    }
    return false;
}

bool RadioSwitchesOff(int own_id, int sender_id, bool sender_is_radio, std::wstring_view own_group,
                      std::wstring_view sender_group, std::intptr_t sender_state) noexcept {
    return sender_id != own_id && sender_is_radio && sender_group == own_group && sender_state != 0;
}

SeparatorLines SeparatorGeometry(const LayoutState& layout) noexcept {
    SeparatorLines s;
    s.pen_width = std::max(1, Scaled(3, layout));
    s.first = std::max(1, Scaled(3, layout));
    s.second = 3 * s.first;
    return s;
}

Rect SliderChannelInner(const Rect& channel, const LayoutState& layout) noexcept {
    const int c = std::max(1, Scaled(3, layout));
    return {channel.left + c, channel.top + c, channel.right - c, channel.bottom - (c + 2)};
}

Rect SliderThumb(const Rect& thumb, const LayoutState& layout) noexcept {
    const int d = Scaled(thumb.Height(), layout);
    const int middle = thumb.top + thumb.Height() / 2;
    if (d / 2 == 0) return {thumb.left, middle, thumb.right, middle + 1};
    return {thumb.left, middle - d / 2, thumb.right, middle - d / 2 + d};
}

}  // namespace vistrel::controls
