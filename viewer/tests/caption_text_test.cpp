// Texts of the caption bar.
#include <gtest/gtest.h>

#include "viewer/core/CaptionText.h"

namespace vistrel {
namespace {

TEST(CaptionText, SignalAndPower) {
    CpwHdmiInfo info{};
    info.width = 1920;
    info.height = 1080;
    info.fps = 59.94;
    info.scan = 2;
    info.format = 3;
    EXPECT_EQ(SignalText(info), L"1920x1080 59.94p YUV 4:2:2");
    info.width = 1280;
    info.height = 1024;
    info.fps = 60;
    info.scan = 0;
    info.format = 1;
    EXPECT_EQ(SignalText(info), L"1280x1024 60.00 RGB");
    info.format = 9;
    info.scan = 1;
    EXPECT_EQ(SignalText(info), L"1280x1024 60.00i Unknown");
    info.status = 1;
    EXPECT_EQ(SignalText(info), L"");

    CpwHdmiInfo other = info;
    EXPECT_TRUE(SameHdmiInfo(info, other));
    other.detect_hdcp = 1;
    EXPECT_FALSE(SameHdmiInfo(info, other));
    other = info;
    other.fps = 59.94;
    EXPECT_FALSE(SameHdmiInfo(info, other));

    EXPECT_EQ(PowerText(0, 80, L"External Power", L"Internal Battery"), L"Internal Battery [80%]");
    EXPECT_EQ(PowerText(1, 80, L"External Power", L"Internal Battery"), L"External Power");
    EXPECT_EQ(PowerText(255, 80, L"External Power", L"Internal Battery"), L"Internal Battery");
    EXPECT_EQ(PowerText(0, 255, L"External Power", L"Internal Battery"), L"Internal Battery");
}

}  // namespace
}  // namespace vistrel
