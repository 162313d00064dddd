// The level meter's bar and channel, and the zoom navigator's marker.
#include <gtest/gtest.h>

#include "viewer/core/LevelMeter.h"
#include "viewer/core/ZoomMarker.h"

namespace vistrel::controls {
namespace {

TEST(LevelMeter, BarAndChannel) {
    EXPECT_EQ(MeterBarWidth(100, 0.0f), 0);
    EXPECT_EQ(MeterBarWidth(100, 1.0f), 98);
    EXPECT_EQ(MeterBarWidth(100, 0.5f), 48);
    EXPECT_EQ(MeterBarWidth(100, 0.01f), 0);
    EXPECT_EQ(MeterChannel(20, 2), 1);
    EXPECT_EQ(MeterChannel(20, 32), 15);
    EXPECT_EQ(MeterChannel(0, 0), -1);  // a device reporting no channels has nothing to read
    EXPECT_EQ(MeterChannel(-1, 2), -1);
}

// A 320 x 180 navigator with inset 7: the inner area is 306 x 166 at (7, 7).
const Rect kInner = NavigatorInner({0, 0, 320, 180}, 7);
const ZoomState kFrame{0, 0, 1920, 1080, 0.5, 0.5, 1.0};

TEST(ZoomMarker, ZoomOneCoversTheInnerArea) {
    Marker m;
    ASSERT_TRUE(PlaceMarker(MarkerCentre(kFrame, kInner), 1.0, kInner, 7, m));
    EXPECT_EQ(m, (Marker{7, 7, 306, 166}));
}

TEST(ZoomMarker, ZoomTwoCentredIsHalfTheInnerAreaInTheMiddle) {
    const Point centre = MarkerCentre(kFrame, kInner);
    EXPECT_EQ(centre, (Point{160, 90}));
    Marker m;
    ASSERT_TRUE(PlaceMarker(centre, 2.0, kInner, 7, m));
    EXPECT_EQ(m, (Marker{83, 48, 153, 83}));
}

TEST(ZoomMarker, ZoomFourInTheCornerIsClampedThere) {
    ZoomState z = kFrame;
    z.fx = 0.0;
    z.fy = 0.0;
    Marker m;
    ASSERT_TRUE(PlaceMarker(MarkerCentre(z, kInner), 4.0, kInner, 7, m));
    EXPECT_EQ(m, (Marker{7, 7, 76, 41}));
    z.fx = 1.0;
    z.fy = 1.0;
    ASSERT_TRUE(PlaceMarker(MarkerCentre(z, kInner), 4.0, kInner, 7, m));
    EXPECT_EQ(m.left + m.width, 7 + 306 - 1);  // the far corner, to the pixel the integer steps allow
    EXPECT_EQ(m.top + m.height, 7 + 166 - 1);
}

TEST(ZoomMarker, BelowOneOrEmptyLeavesTheMarker) {
    const Marker before{1, 2, 3, 4};
    Marker m = before;
    EXPECT_FALSE(PlaceMarker({160, 90}, 0.5, kInner, 7, m));
    EXPECT_FALSE(PlaceMarker({160, 90}, 2.0, Rect{7, 7, 7, 50}, 7, m));
    EXPECT_EQ(m, before);
}

TEST(ZoomMarker, FrameWithoutExtentMapsToTheOrigin) {
    EXPECT_EQ(MarkerCentre(ZoomState{0, 0, 0, 0, 0.5, 0.5, 2.0}, kInner), (Point{0, 0}));
    // One empty side must not divide by zero.
    EXPECT_EQ(MarkerCentre(ZoomState{0, 0, 1920, 0, 0.5, 0.5, 2.0}, kInner), (Point{0, 0}));
}

}  // namespace
}  // namespace vistrel::controls
