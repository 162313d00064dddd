// Layout of the video plane: source modes, clipping, rotation and even size.
#include <gtest/gtest.h>

#include "bridge/src/Layout.h"

namespace tolvane {
namespace {

LayoutInput Input(Box position, std::int32_t angle = 0) {
    LayoutInput in;
    in.position = position;
    in.angle = angle;
    in.output_w = 1280;
    in.output_h = 800;
    in.input_w = 1920;
    in.input_h = 1080;
    return in;
}

LayoutResult Layout(const LayoutInput& in) {
    LayoutResult out;
    EXPECT_TRUE(ComputeLayout(in, out));
    return out;
}

TEST(Layout, WholeSourceInsideOutput) {
    const LayoutResult r = Layout(Input({10, 20, 400, 300}));
    EXPECT_EQ(r.dst, (Box{10, 20, 400, 300}));
    EXPECT_EQ(r.src, (Box{0, 0, 1920, 1080}));
}

TEST(Layout, PartsGrid) {
    LayoutInput in = Input({0, 0, 400, 300});
    in.source_mode = kSourceParts;
    const std::int32_t parts[6] = {3, 2, 1, 0, 1, 1};
    for (int i = 0; i < 6; ++i) in.parts[i] = parts[i];
    EXPECT_EQ(Layout(in).src, (Box{640, 0, 640, 540}));
}

TEST(Layout, CropIsTheSource) {
    LayoutInput in = Input({0, 0, 400, 300});
    in.source_mode = kSourceCrop;
    in.crop = {100, 50, 800, 600};
    EXPECT_EQ(Layout(in).src, (Box{100, 50, 800, 600}));
}

TEST(Layout, InvalidSourceModeFails) {
    LayoutInput in = Input({0, 0, 400, 300});
    in.source_mode = 6;
    LayoutResult out;
    EXPECT_FALSE(ComputeLayout(in, out));
}

TEST(Layout, ClippedLeftAtAngle0) {
    const LayoutResult r = Layout(Input({-100, 0, 400, 300}));
    EXPECT_EQ(r.dst, (Box{0, 0, 300, 300}));
    EXPECT_EQ(r.src, (Box{480, 0, 1440, 1080}));
}

TEST(Layout, ClippedLeftAtAngle180) {
    const LayoutResult r = Layout(Input({-100, 0, 400, 300}, 180));
    EXPECT_EQ(r.dst, (Box{0, 0, 300, 300}));
    EXPECT_EQ(r.src, (Box{0, 0, 1440, 1080}));
}

TEST(Layout, ClippedLeftAtAngle90And270) {
    // Across the source runs down the output: the left cut becomes a cut at the bottom (90)
    // or at the top (270) of the source.
    const LayoutResult r90 = Layout(Input({-100, 0, 400, 300}, 90));
    EXPECT_EQ(r90.dst, (Box{0, 0, 300, 300}));
    EXPECT_EQ(r90.src, (Box{0, 0, 1920, 810}));
    const LayoutResult r270 = Layout(Input({-100, 0, 400, 300}, 270));
    EXPECT_EQ(r270.src, (Box{0, 270, 1920, 810}));
}

TEST(Layout, OtherAnglesCountAsZero) {
    EXPECT_EQ(Layout(Input({-100, 0, 400, 300}, 45)).src, (Box{480, 0, 1440, 1080}));
}

TEST(Layout, ClippedRightAndBottom) {
    const LayoutResult r = Layout(Input({1080, 600, 400, 400}));
    EXPECT_EQ(r.dst, (Box{1080, 600, 200, 200}));
    EXPECT_EQ(r.src, (Box{0, 0, 960, 540}));
}

TEST(Layout, ClippedTop) {
    const LayoutResult r = Layout(Input({0, -150, 400, 300}));
    EXPECT_EQ(r.dst, (Box{0, 0, 400, 150}));
    EXPECT_EQ(r.src, (Box{0, 540, 1920, 540}));
}

TEST(Layout, LeftEdgeBeyondAndWiderThanOutput) {
    const LayoutResult r = Layout(Input({-320, 0, 1920, 800}));
    EXPECT_EQ(r.dst, (Box{0, 0, 1280, 800}));
    EXPECT_EQ(r.src, (Box{320, 0, 1280, 1080}));
}

TEST(Layout, EntirelyOutsideIsEmpty) {
    for (const Box& b : {Box{1281, 0, 100, 100}, Box{-200, 0, 100, 100}, Box{0, 801, 100, 100},
                         Box{0, -200, 100, 100}}) {
        const LayoutResult r = Layout(Input(b));
        EXPECT_EQ(r.dst, Box{}) << b.x << "," << b.y;
        EXPECT_EQ(r.src, Box{});
    }
}

TEST(Layout, TouchingTheRightEdgeStaysWithZeroWidth) {
    const LayoutResult r = Layout(Input({1280, 0, 100, 100}));
    EXPECT_EQ(r.dst, (Box{1280, 0, 0, 100}));
}

TEST(Layout, EvenWidthAtAngle0) {
    EXPECT_EQ(Layout(Input({0, 0, 301, 200})).dst, (Box{0, 0, 300, 200}));
    EXPECT_EQ(Layout(Input({979, 0, 301, 200})).dst, (Box{980, 0, 300, 200}));
}

TEST(Layout, EvenHeightAtAngle90And270) {
    EXPECT_EQ(Layout(Input({0, 0, 301, 201}, 90)).dst, (Box{0, 0, 301, 200}));
    EXPECT_EQ(Layout(Input({0, 599, 300, 201}, 270)).dst, (Box{0, 600, 300, 200}));
    // The width stays odd when rotated.
    EXPECT_EQ(Layout(Input({979, 0, 301, 200}, 90)).dst, (Box{979, 0, 301, 200}));
}

TEST(Layout, ZeroSizedPlaneHasNoNanSource) {
    const LayoutResult r = Layout(Input({10, 10, 0, 0}));
    EXPECT_EQ(r.dst, (Box{10, 10, 0, 0}));
    EXPECT_EQ(r.src, (Box{0, 0, 0, 0}));
}

TEST(Layout, RoundHalf) {
    EXPECT_EQ(RoundHalf(1.5), 2);
    EXPECT_EQ(RoundHalf(1.49), 1);
    EXPECT_EQ(RoundHalf(-0.7), 0);
    EXPECT_EQ(RoundHalf(1e30), 0);
}

}  // namespace
}  // namespace tolvane
