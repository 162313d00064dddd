// The setting panel's rules, free of platform headers: which scroll codes
// move a value, what the three setting views show for a colour record, and
// the channel toggles that always keep one colour channel visible.
#pragma once

#include <array>
#include <optional>

#include "viewer/core/ColorPresets.h"

namespace vistrel {

// The tab keys the tab bar reports (key 0 is the balance view too).
inline constexpr int kSettingTabBalance = 1;
inline constexpr int kSettingTabLevel = 2;
inline constexpr int kSettingTabEtc = 3;

// Line, page, thumb-position and thumb-track codes (0 to 5) move a value;
// SB_TOP, SB_BOTTOM and SB_ENDSCROLL (6 to 8) do not.
constexpr bool IsValueScroll(int code) noexcept { return code >= 0 && code <= 5; }

// The balance view's controls for a record: the tone-curve button (its index
// is the curve number, none for a number outside 0 to 4) and the hue,
// saturation and lightness track bars (the record's first three twelve-axis values).
struct BalanceShown {
    std::optional<int> curve_button;
    std::array<int, 3> axes{};
};
BalanceShown BalanceShownFor(const ColorRecord& record) noexcept;

// A channel toggle is pressed while its channel is shown (its mute is 0).
std::array<bool, 3> ChannelsShown(const Rgb& mute) noexcept;

// What a channel toggle's change leads to, from the three toggles' states
// after the change: the colour mute to send (each the inverse of its toggle),
// or, when all three are released, nothing sent and the changed channel
// pressed again so one channel stays visible.
struct ChannelToggleOutcome {
    std::optional<Rgb> mute;
    std::optional<int> press_again;
};
ChannelToggleOutcome ChannelToggled(const std::array<bool, 3>& pressed, int changed) noexcept;

}  // namespace vistrel
