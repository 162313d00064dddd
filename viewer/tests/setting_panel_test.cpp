// The setting panel's rules on worked values.
#include "viewer/core/SettingPanel.h"

#include <gtest/gtest.h>

#include "viewer/core/ProbeRules.h"

namespace vistrel {
namespace {

TEST(SettingPanel, TheLastShownChannelCannotGo) {
    // R released while G is still shown: R is muted, nothing pressed again.
    ChannelToggleOutcome out = ChannelToggled({false, true, false}, 0);
    ASSERT_TRUE(out.mute);
    EXPECT_EQ(*out.mute, (Rgb{1, 0, 1}));
    EXPECT_FALSE(out.press_again);
    // G was the last: nothing is sent and G comes back.
    out = ChannelToggled({false, false, false}, 1);
    EXPECT_FALSE(out.mute);
    EXPECT_EQ(out.press_again, 1);
    out = ChannelToggled({true, true, true}, 2);
    EXPECT_EQ(*out.mute, (Rgb{0, 0, 0}));
    EXPECT_EQ(ChannelsShown({0, 1, 0}), (std::array<bool, 3>{true, false, true}));
}

TEST(SettingPanel, BalanceShowsTheCurveButtonAndTheFirstThreeAxes) {
    ColorRecord r;
    r.curve_type = 3;
    r.twelve_axes = {10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110, 120};
    BalanceShown shown = BalanceShownFor(r);
    EXPECT_EQ(shown.curve_button, 3);
    EXPECT_EQ(shown.axes, (std::array<int, 3>{10, 20, 30}));
    r.curve_type = 5;
    EXPECT_FALSE(BalanceShownFor(r).curve_button);
    r.curve_type = -1;
    EXPECT_FALSE(BalanceShownFor(r).curve_button);
}

TEST(SettingPanel, OnlyValueScrollCodesMove) {
    EXPECT_TRUE(IsValueScroll(0));   // SB_LINEUP
    EXPECT_TRUE(IsValueScroll(5));   // SB_THUMBTRACK
    EXPECT_FALSE(IsValueScroll(6));  // SB_TOP
    EXPECT_FALSE(IsValueScroll(8));  // SB_ENDSCROLL
}

TEST(SettingPanel, VolumePercentRoundsAndSurvivesOddRanges) {
    EXPECT_EQ(VolumePercent(0, 65535, 32767), 50u);
    EXPECT_EQ(VolumePercent(0, 65535, 65535), 100u);
    EXPECT_EQ(VolumePercent(0, 65535, 0), 0u);
    EXPECT_EQ(VolumePercent(0, 200, 3), 2u);  // 1.5 rounds up
    EXPECT_EQ(VolumePercent(0, 200, 1), 1u);  // 0.5 rounds up
    // Every percentage written comes back as itself on the usual range.
    for (std::uint32_t p = 0; p <= 100; ++p) {
        EXPECT_EQ(VolumePercent(0, 65535, *VolumeValue(0, 65535, p)), p) << p;
    }
    // An empty range would divide by zero; a value outside the range or a
    // full 32-bit range would wrap.
    EXPECT_FALSE(VolumePercent(10, 10, 10));
    EXPECT_FALSE(VolumePercent(20, 10, 15));
    EXPECT_EQ(VolumePercent(100, 200, 50), 0u);
    EXPECT_EQ(VolumePercent(100, 200, 900), 100u);
    EXPECT_EQ(VolumePercent(0, 0xFFFFFFFFu, 0xFFFFFFFFu), 100u);
    EXPECT_EQ(VolumePercent(0, 0xFFFFFFFFu, 0x7FFFFFFFu), 50u);
}

}  // namespace
}  // namespace vistrel
