// What the owner-drawn controls draw, as plain data: the layout state they scale
// by, the image button's colours, pen, rectangles and picture for an item state,
// and the radio group's rule. The Win32 side only paints what these return.
#pragma once

#include <cstdint>
#include <string_view>

#include "viewer/core/DisplayInfo.h"

namespace vistrel::controls {

// COLORREF values (0x00BBGGRR).
inline constexpr std::uint32_t kWhite = 0xFFFFFF;
inline constexpr std::uint32_t kBlack = 0x000000;
inline constexpr std::uint32_t kDisabledGrey = 0x565658;
inline constexpr std::uint32_t kSeparatorGrey = 0x585858;
inline constexpr std::uint32_t kUpDownTextBack = 0xC1C1C1;
inline constexpr std::uint32_t kTransparentKey = 0x030303;

using Rect = vistrel::Rect;

// The copy of the viewer's layout state every control keeps: the display's
// size and rotation in degrees. Scaled(n) maps design units to pixels.
struct LayoutState {
    int width = 0;
    int height = 0;
    int rotation = 0;
    bool operator==(const LayoutState&) const = default;
};

// The layout state of a display record.
inline LayoutState LayoutOf(const DisplayInfo& info) noexcept {
    return {info.screen.width, info.screen.height, info.screen.rotation};
}

// Design units to pixels: the layout's ScaleToScreen.
int Scaled(int value, const LayoutState& layout) noexcept;

// Item state bits of an owner-drawn button.
inline constexpr unsigned kItemPressed = 0x1;   // ODS_SELECTED
inline constexpr unsigned kItemDisabled = 0x4;  // ODS_DISABLED
inline constexpr unsigned kItemFocus = 0x10;    // ODS_FOCUS

struct ButtonColors {
    std::uint32_t background = kBlack;
    std::uint32_t border = kWhite;
    std::uint32_t focus = kWhite;
    std::uint32_t text = kWhite;
    bool operator==(const ButtonColors&) const = default;
};

// The colours of an image button that is not on.
ButtonColors ColorsForState(unsigned item_state) noexcept;
// The colours a toggle uses while on: the pressed look, so "on" reads as held down.
inline constexpr ButtonColors kOnColors{kWhite, kWhite, kBlack, kBlack};

enum class ImageSlot { None, Normal, Pressed, Disabled, On, OnDisabled };

// Which of a button's pictures are loaded.
struct LoadedImages {
    bool normal = false;
    bool pressed = false;
    bool disabled = false;
    bool on = false;
    bool on_disabled = false;
};

ImageSlot ImageForState(unsigned item_state, bool on, const LoadedImages& loaded) noexcept;

enum class ImageMode { BesideText = 0, Fills = 1 };

enum class ButtonContent { CentredText, ImageBesideText, ImageOnly };

struct ButtonLook {
    ButtonColors colors;
    int pen_width = 1;
    Rect item;
    Rect inner;
    bool focus_frame = false;
    ImageSlot image = ImageSlot::None;
    ButtonContent content = ButtonContent::CentredText;
    Rect icon;  // where the picture goes (ImageBesideText, ImageOnly)
    Rect text;  // where the caption goes (CentredText, ImageBesideText)
};

struct ButtonInput {
    Rect item;
    unsigned item_state = 0;
    bool on = false;  // a toggle that is on
    ButtonColors on_colors = kOnColors;
    LoadedImages loaded;
    ImageMode mode = ImageMode::BesideText;
    int text_width = 0;  // the caption's width in pixels in the button's font
    LayoutState layout;
};

ButtonLook ComputeButtonLook(const ButtonInput& in) noexcept;

// Pointer phases of the pointer-input message.
enum class PointerPhase { Pressed = 0, Released = 1, MovedInside = 2, Left = 3 };

// A single touch contact's phase: down, up, or a move inside / outside the
// button's screen rectangle (the point in hundredths of a pixel). No phase for
// more than one contact or a record that is neither.
struct TouchContact {
    int x_hundredths = 0;
    int y_hundredths = 0;
    std::uint32_t flags = 0;  // TOUCHEVENTF_*
};
bool TouchPhase(const TouchContact* contacts, unsigned count, const Rect& screen_rect, PointerPhase& out) noexcept;

// The radio group rule: a radio button that hears another button of its
// group switch on switches itself off.
bool RadioSwitchesOff(int own_id, int sender_id, bool sender_is_radio, std::wstring_view own_group,
                      std::wstring_view sender_group, std::intptr_t sender_state) noexcept;

// Separator lines: pen width and the two line offsets from the control's edge.
struct SeparatorLines {
    int pen_width = 1;
    int first = 1;
    int second = 3;
};
SeparatorLines SeparatorGeometry(const LayoutState& layout) noexcept;

// Slider custom drawing: the channel's inner (black) part and the thumb.
Rect SliderChannelInner(const Rect& channel, const LayoutState& layout) noexcept;
Rect SliderThumb(const Rect& thumb, const LayoutState& layout) noexcept;

}  // namespace vistrel::controls
