#include "viewer/core/SettingPanel.h"

namespace vistrel {

BalanceShown BalanceShownFor(const ColorRecord& record) noexcept {
    BalanceShown shown;
    if (record.curve_type >= 0 && record.curve_type < kCurveTypes) shown.curve_button = record.curve_type;
    for (std::size_t i = 0; i < 3; ++i) shown.axes[i] = record.twelve_axes[i];
    return shown;
}

std::array<bool, 3> ChannelsShown(const Rgb& mute) noexcept { return {mute[0] == 0, mute[1] == 0, mute[2] == 0}; }

ChannelToggleOutcome ChannelToggled(const std::array<bool, 3>& pressed, int changed) noexcept {
    ChannelToggleOutcome out;
    if (pressed[0] || pressed[1] || pressed[2]) {
        out.mute = Rgb{pressed[0] ? 0 : 1, pressed[1] ? 0 : 1, pressed[2] ? 0 : 1};
    } else if (changed >= 0 && changed < 3) {
        out.press_again = changed;
    }
    return out;
}

}  // namespace vistrel
