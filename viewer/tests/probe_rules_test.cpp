// The probes' and the still capture's rules on worked values.
#include "viewer/core/ProbeRules.h"
#include "viewer/core/StillCapture.h"

#include <gtest/gtest.h>

namespace vistrel {
namespace {

TEST(ProbeRules, OrientationToDegrees) {
    EXPECT_EQ(RotationOfOrientation(0), 0);
    EXPECT_EQ(RotationOfOrientation(1), 270);  // portrait is 270, not 90
    EXPECT_EQ(RotationOfOrientation(2), 180);
    EXPECT_EQ(RotationOfOrientation(3), 90);
    EXPECT_EQ(RotationOfOrientation(7), 0);
}

TEST(ProbeRules, VolumeRefusedAbove100AndScaledByIntegers) {
    EXPECT_FALSE(VolumeValue(0, 65535, 101).has_value());
    EXPECT_EQ(VolumeValue(0, 65535, 50), 32767u);
    EXPECT_EQ(VolumeValue(0, 65535, 100), 65535u);
    EXPECT_EQ(VolumeValue(100, 200, 0), 100u);
    EXPECT_EQ(VolumeValue(0, 0xFFFFFFFFu, 100), 0xFFFFFFFFu);  // no overflow on a full range
}

TEST(ProbeRules, InternalMonitorFromTheWmiRow) {
    EXPECT_EQ(InternalMonitorId(static_cast<std::int32_t>(0x80000000u), L"DISPLAY\\SHP14C3\\4&2a&0&UID265988_0"),
              L"SHP14C3");
    EXPECT_EQ(InternalMonitorId(-2147483648, L"DISPLAY\\ABC"), L"ABC");
    EXPECT_FALSE(InternalMonitorId(10, L"DISPLAY\\HDMI1\\x").has_value());  // an HDMI monitor
    EXPECT_TRUE(TabletProbeEnabled(10));
    EXPECT_FALSE(TabletProbeEnabled(9));
}

TEST(StillCapture, NameFromLocalTimeAndResultMapping) {
    EXPECT_EQ(StillFileName(LocalTime{2026, 3, 8, 14, 15, 3, 27}), L"20260308_141503027.bmp");
    EXPECT_EQ(StillFileName(LocalTime{2027, 12, 31, 0, 0, 0, 999}), L"20271231_000000999.bmp");
    EXPECT_FALSE(OutcomeOfSave(0).Failed());
    EXPECT_EQ(OutcomeOfSave(8).save_error, 1);
    EXPECT_EQ(OutcomeOfSave(9).save_error, 2);
    EXPECT_TRUE(OutcomeOfSave(6).internal_error);
    EXPECT_EQ(OutcomeOfSave(6).save_error, 0);
    EXPECT_EQ(NoCaptureFolder().save_error, 2);
}

}  // namespace
}  // namespace vistrel
