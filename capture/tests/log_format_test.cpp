// API log lines, byte for byte.
#include <gtest/gtest.h>

#include "capture/core/ApiLogFormat.h"

using namespace Capwell::Lib;

namespace {
const void* const kDev = reinterpret_cast<const void*>(uintptr_t{0x12FF40});
const void* const kVp = reinterpret_cast<const void*>(uintptr_t{0x7FFA12345678});
}  // namespace

TEST(ApiLogFormat, PrefixHasUnpaddedMilliseconds) {
    const LogText::LocalTime t{2016, 3, 2, 9, 5, 3, 7};
    EXPECT_EQ(LogText::Line(t, -3, "Kdr_VpPlay", LogText::VpPlain(kDev, kVp)),
              "2016/03/02,09:05:03.7,-3,Kdr_VpPlay,0x000000000012FF40,0x00007FFA12345678\n");
}

TEST(ApiLogFormat, DeviceAndPlaneCalls) {
    EXPECT_EQ(LogText::DevOpen(kDev), "0x000000000012FF40,0");
    EXPECT_EQ(LogText::VpCreate(kDev, kVp), "0x000000000012FF40,0x00007FFA12345678,2,0");
    EXPECT_EQ(LogText::VpIndex(kDev, kVp, 0), "0x000000000012FF40,0x00007FFA12345678,11,index:0");
    EXPECT_EQ(LogText::DevEdp(kDev, 0), "0x000000000012FF40,9,enb_edp:0");
    EXPECT_EQ(LogText::DevTime(kDev, 20), "0x000000000012FF40,7,time:20");
    EXPECT_EQ(LogText::DevWdtInit(kDev, 2000, 5), "0x000000000012FF40,2000,5");
    KdrFirmInfo f{0x11ABCD00u, 1, 2, 3, 4, 5, 6, 7};
    EXPECT_EQ(LogText::FirmInfo(kDev, f),
              "0x000000000012FF40,1,firminfo_1:1 firminfo_2:2 firminfo_3:3 firminfo_4:4 "
              "firminfo_5:5 firminfo_6:6 firminfo_7:7 version_no:0x11abcd00");
    KdrHdmiInfo h{0x2, {1920, 1080}, 1, 2, 1, 8, 8, 0};
    EXPECT_EQ(LogText::Hdmi(kDev, h),
              "0x000000000012FF40,6,event:0x2 size.x:1920 size.y:1080 connect:1 format:2 scan:1 "
              "fps:8.000000 bit_depth:8 detect_hdcp:0");
    EXPECT_EQ(LogText::VpPosition(kDev, kVp, KdrRect{{1, 2}, {3, 4}}),
              "0x000000000012FF40,0x00007FFA12345678,2,top.x:1 top.y:2 size.x:3 size.y:4");
    KdrParts z{{3840, 2160}, {10, 20}, {100, 200}};
    EXPECT_EQ(LogText::VpZoom(kDev, kVp, 5, z),
              "0x000000000012FF40,0x00007FFA12345678,5,parts.x:3840 parts.y:2160 top.x:10 "
              "top.y:20 size.x:100 size.y:200");
    KdrRgbMatrix m{{{0, 115}, {135, 0}, {498, 478}}, 0x40, 0x95};
    EXPECT_EQ(LogText::Matrix(kDev, m),
              "0x000000000012FF40,10,y_gain:0x95 pede:0x40 coef[0]:0,115 coef[1]:135,0 "
              "coef[2]:498,478");
    KdrColorMute mute{{1, 0, 1}};
    EXPECT_EQ(LogText::Mute(kDev, mute), "0x000000000012FF40,14,enb:1,0,1");
    EXPECT_EQ(LogText::DevSetCb(kDev, 6, nullptr), "0x000000000012FF40,6,0x0000000000000000");
    EXPECT_EQ(LogText::HdmiCallback(h), "event:0x00000002 size.x:1920 size.y:1080");
    EXPECT_EQ(LogText::Failure("Kdr_VpPlay", -3), "Kdr_VpPlay(-3)");
}

TEST(ApiLogFormat, LutAndTwelveAxesSpanLines) {
    KdrLutGamma lut{};
    lut.enb = 1;
    for (int c = 0; c < 3; ++c)
        for (int i = 0; i < 33; ++i) lut.lut[c][i] = static_cast<uint16_t>(i == 32 ? 1023 : 32 * i);
    std::string row = "0,32,64,96,128,160,192,224,256,288,320,352,384,416,448,480,512,544,576,608,"
                      "640,672,704,736,768,800,832,864,896,928,960,992,1023";
    EXPECT_EQ(LogText::Lut(kDev, lut), "0x000000000012FF40,13,enb:1\n\tlut[R]:" + row +
                                           "\n\tlut[G]:" + row + "\n\tlut[B]:" + row);
    KdrTwelveAxes a{};
    a.enb = 1;
    for (auto& c : a.color) c = KdrAxisColor{128, 128, 128, {15, 15, 15}, {15, 15, 15}, {15, 15, 15}};
    std::string expect = "0x000000000012FF40,11,enb:1";
    for (int c = 0; c < 12; ++c)
        expect += "\n\tcolor[" + std::to_string(c) +
                  "]:h_offset:128 s_gain:128 v_gain:128 hs_gain:15,15,15 hv_gain:15,15,15 "
                  "sv_gain:15,15,15";
    EXPECT_EQ(LogText::TwelveAxes(kDev, a), expect);
}
