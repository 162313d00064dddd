// Version words, the firmware and driver checks, HDMI conversion.
#include <gtest/gtest.h>

#include "capture/core/Orientation.h"
#include "capture/core/Versions.h"

using namespace Capwell::Lib;

TEST(Versions, ParseVersion) {
    uint32_t w = 0;
    EXPECT_TRUE(ParseVersion(L"1.0.12.0", w));
    EXPECT_EQ(w, 0x10000C00u);
    EXPECT_TRUE(ParseVersion(L"1.9.300.0", w));
    EXPECT_EQ(w, 0x19012C00u);
    EXPECT_TRUE(ParseVersion(L"14.14.65534.254", w));
    EXPECT_FALSE(ParseVersion(L"15.0.0.0", w));
    EXPECT_FALSE(ParseVersion(L"1.15.0.0", w));
    EXPECT_FALSE(ParseVersion(L"1.0.65535.0", w));
    EXPECT_FALSE(ParseVersion(L"1.0.0.255", w));
    EXPECT_FALSE(ParseVersion(L"1.0.12", w));
    EXPECT_FALSE(ParseVersion(L"1.0.12.0.1", w));
    EXPECT_FALSE(ParseVersion(L"1..12.0", w));
    EXPECT_FALSE(ParseVersion(L"1.0.12.", w));
    EXPECT_FALSE(ParseVersion(L"", w));
    EXPECT_FALSE(ParseVersion(L"a.b.c.d", w));
    EXPECT_FALSE(ParseVersion(L"1.0.-1.0", w));
    EXPECT_FALSE(ParseVersion(L"1.0.99999999999.0", w));
}

TEST(Versions, Unpack) {
    const CpwVersion v = UnpackVersion(0x11ABCD12u);
    EXPECT_EQ(v.major, 1);
    EXPECT_EQ(v.minor, 1);
    EXPECT_EQ(v.revision, 0xABCD);
    EXPECT_EQ(v.build, 0x12);
}

TEST(Versions, FirmwareCheckIgnoresTheMiddleBits) {
    EXPECT_EQ(CheckFirmware(0x11ABCD00u), VersionCheck::kOk);
    EXPECT_EQ(CheckFirmware(0x11000001u), VersionCheck::kNew);
    EXPECT_EQ(CheckFirmware(0x10FFFF00u), VersionCheck::kOld);
    EXPECT_EQ(CheckFirmware(0x11000200u), VersionCheck::kOk);
}

TEST(Versions, DriverCheckUsesMajorAndBuild) {
    uint32_t w = 0;
    ASSERT_TRUE(ParseVersion(L"1.9.300.0", w));
    EXPECT_EQ(CheckDriver(w), VersionCheck::kOk);
    ASSERT_TRUE(ParseVersion(L"1.0.0.1", w));
    EXPECT_EQ(CheckDriver(w), VersionCheck::kNew);
    ASSERT_TRUE(ParseVersion(L"0.9.0.0", w));
    EXPECT_EQ(CheckDriver(w), VersionCheck::kOld);
}

TEST(Versions, InputStateAndHdmiRecord) {
    KdrHdmiInfo h{0x2, {1920, 1080}, 1, 3, 2, 7, 0x1000A, 1};
    EXPECT_EQ(DeriveInputState(h, kHdmiCableLost), kHdmiSignal);
    CpwHdmiInfo i = ToCpwHdmiInfo(h, kHdmiSignal);
    EXPECT_EQ(i.status, 0u);
    EXPECT_EQ(i.detect_hdcp, 1u);
    EXPECT_EQ(i.format, 3u);
    EXPECT_EQ(i.scan, 2u);
    EXPECT_EQ(i.bit_depth, 0xA);
    EXPECT_DOUBLE_EQ(i.fps, 59.94);
    EXPECT_EQ(i.width, 1920);
    EXPECT_EQ(i.height, 1080);

    h.event = 0x4;
    h.connect = 0;
    EXPECT_EQ(DeriveInputState(h, kHdmiSignal), kHdmiCableLost);
    i = ToCpwHdmiInfo(h, kHdmiCableLost);
    EXPECT_EQ(i.status, 2u);
    EXPECT_EQ(i.format, 0u);
    EXPECT_EQ(i.scan, 0u);
    EXPECT_EQ(i.fps, 0.0);

    h = KdrHdmiInfo{0x10, {0, 0}, 1, 0, 0, 9, 0, 0};
    EXPECT_EQ(DeriveInputState(h, kHdmiSignal), kHdmiNoSignal);
    i = ToCpwHdmiInfo(h, kHdmiNoSignal);
    EXPECT_EQ(i.status, 1u);
    EXPECT_EQ(i.fps, 0.0);  // code 9 is no rate
    // An event without the three bits keeps the state, unless the size is 0.
    h = KdrHdmiInfo{0x2000, {1280, 720}, 1, 0, 0, 0, 0, 0};
    EXPECT_EQ(DeriveInputState(h, kHdmiSignal), kHdmiSignal);
}

TEST(Versions, OrientationTurnsThePictureBack) {
    EXPECT_EQ(AngleFromOrientation(0), 0);
    EXPECT_EQ(AngleFromOrientation(1), 270);  // DMDO_90
    EXPECT_EQ(AngleFromOrientation(2), 180);
    EXPECT_EQ(AngleFromOrientation(3), 90);   // DMDO_270
    EXPECT_EQ(AngleFromOrientation(7), 0);
}
