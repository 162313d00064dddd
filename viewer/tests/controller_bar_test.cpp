#include <gtest/gtest.h>

#include "viewer/core/ControllerBar.h"

namespace vistrel {
namespace {

TEST(ControllerBar, ZoomTextRoundsToTenths) {
    EXPECT_EQ(ZoomText(1.0), L"x1.0");
    EXPECT_EQ(ZoomText(7.96), L"x8.0");
    EXPECT_EQ(ZoomText(1.04), L"x1.0");
    EXPECT_EQ(ZoomText(2.96), L"x3.0");
    EXPECT_EQ(ZoomText(2.94), L"x2.9");
    // Nonsense never reaches the text as a huge or negative number.
    EXPECT_EQ(ZoomText(-3.0), L"x0.0");
    EXPECT_EQ(ZoomText(1e300), L"x0.0");
}

TEST(ControllerBar, WindowShowsOnlyTheFullScreenButtonOrTheWaveforms) {
    const ControllerBarLook window = PlayBarLook({false, false, 0, false});
    EXPECT_TRUE(window.full_screen_button_shown);
    EXPECT_FALSE(window.controls_shown);
    EXPECT_FALSE(window.zoom_shown);
    EXPECT_FALSE(window.waveforms_shown);
    const ControllerBarLook wave = PlayBarLook({false, false, 6, false});
    EXPECT_FALSE(wave.full_screen_button_shown);
    EXPECT_TRUE(wave.waveforms_shown);
    EXPECT_FALSE(wave.controls_shown);
    const ControllerBarLook full = PlayBarLook({true, false, 0, false});
    EXPECT_TRUE(full.controls_shown && full.zoom_shown && full.full_screen_button_shown);
}

TEST(ControllerBar, EnablingFollowsPlayCodeTabletAndProtection) {
    EXPECT_FALSE(PlayBarLook({true, false, 4, false}).pause_enabled);
    EXPECT_TRUE(PlayBarLook({true, false, 2, false}).pause_pressed);
    EXPECT_FALSE(PlayBarLook({true, false, 0, false}).pause_pressed);
    EXPECT_FALSE(PlayBarLook({true, true, 0, false}).full_screen_enabled);
    const ControllerBarLook hdcp = PlayBarLook({true, false, 0, true});
    EXPECT_FALSE(hdcp.capture_enabled);
    EXPECT_FALSE(hdcp.waveform_enabled);
    EXPECT_FALSE(PlayBarLook({true, false, 1, false}).waveform_enabled);
    EXPECT_TRUE(PlayBarLook({true, false, 0, false}).waveform_enabled);
    EXPECT_TRUE(IsAudioOn(5));
    EXPECT_FALSE(IsAudioOn(2));
    EXPECT_FALSE(IsAudioOn(8));
}

}  // namespace
}  // namespace vistrel
