// Movie size fitting and the mapping of the client's picture rectangle onto
// the rotated output.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "capture/core/ApplyPass.h"
#include "capture/video/Picture.h"

using namespace Capwell::Lib;

namespace {
KdrXY Fit(int32_t w, int32_t h) {
    KdrXY out{-1, -1};
    EXPECT_TRUE(FitMovieSize(w, h, out));
    return out;
}
void ExpectRect(const KdrRect& r, int32_t x, int32_t y, int32_t w, int32_t h) {
    EXPECT_EQ(r.top.x, x);
    EXPECT_EQ(r.top.y, y);
    EXPECT_EQ(r.size.x, w);
    EXPECT_EQ(r.size.y, h);
}
}  // namespace

TEST(MovieFit, FitsIntoTheCaptureBuffers) {
    KdrXY s = Fit(1920, 1080);
    EXPECT_EQ(s.x, 1280);
    EXPECT_EQ(s.y, 720);
    s = Fit(1280, 1024);
    EXPECT_EQ(s.x, 900);
    EXPECT_EQ(s.y, 720);
    s = Fit(720, 480);
    EXPECT_EQ(s.x, 720);
    EXPECT_EQ(s.y, 480);
    s = Fit(3840, 2160);
    EXPECT_EQ(s.x, 1280);
    EXPECT_EQ(s.y, 720);
    s = Fit(4096, 2160);  // wider than 16:9: width bound
    EXPECT_EQ(s.x, 1280);
    EXPECT_EQ(s.y, 675);
    s = Fit(1281, 5);  // a sliver keeps its proportion instead of overflowing
    EXPECT_EQ(s.x, 1280);
    EXPECT_EQ(s.y, 5);
}

TEST(MovieFit, NoSizeWithoutArea) {
    KdrXY out{7, 7};
    EXPECT_FALSE(FitMovieSize(0, 1080, out));
    EXPECT_FALSE(FitMovieSize(1920, 0, out));
    EXPECT_FALSE(FitMovieSize(-5, 10, out));
    EXPECT_EQ(out.x, 7);
}

TEST(MovieFit, SettingCarriesFormatFpsAndBuffer) {
    char buffer[8];
    const KdrMovieSetting s = MakeMovieSetting(KdrXY{1280, 720}, 2, buffer, sizeof buffer);
    EXPECT_EQ(s.format, 3);
    EXPECT_EQ(s.fps, 10);
    EXPECT_EQ(s.buffer.buffer, buffer);
    EXPECT_EQ(s.buffer.size, sizeof buffer);
}

TEST(PositionMapping, SameSizeAtEveryAngle) {
    const Position p{100, 50, 640, 360};
    ExpectRect(MapPosition(p, 1920, 1080, 1920, 1080, 0), 100, 50, 640, 360);
    ExpectRect(MapPosition(p, 1920, 1080, 1920, 1080, 180), 1180, 670, 640, 360);
    // Rotated: the display reports its portrait size.
    ExpectRect(MapPosition(p, 1080, 1920, 1920, 1080, 90), 1510, 100, 360, 640);
    ExpectRect(MapPosition(p, 1080, 1920, 1920, 1080, 270), 50, 340, 360, 640);
    // Any other angle counts as unrotated.
    ExpectRect(MapPosition(p, 1920, 1080, 1920, 1080, 45), 100, 50, 640, 360);
}

TEST(PositionMapping, ScalesAndCentresOnALargerOutput) {
    ExpectRect(MapPosition(Position{100, 50, 640, 360}, 1280, 720, 1920, 1080, 0), 150, 75, 960, 540);
    // A 16:10 display on a 16:9 output: height bound, centred across.
    ExpectRect(MapPosition(Position{0, 0, 1920, 1200}, 1920, 1200, 1920, 1080, 0), 96, 0, 1728, 1080);
    // The same display rotated: the offset moves to the other axis.
    ExpectRect(MapPosition(Position{0, 0, 1200, 1920}, 1200, 1920, 1920, 1080, 90), 96, 0, 1728, 1080);
}

TEST(PositionMapping, ExtremeRectanglesSaturateAndStillCoverTheOutput) {
    constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
    // (0, 0)-(INT_MAX, INT_MAX) on a display smaller than the output: every
    // angle gives a positive size that covers the whole output.
    const Position whole{0, 0, kMax, kMax};
    for (const int32_t angle : {0, 90, 180, 270}) {
        const bool rotated = angle == 90 || angle == 270;
        const KdrRect r = MapPosition(whole, rotated ? 720 : 1280, rotated ? 1280 : 720, 1920, 1080, angle);
        EXPECT_GT(r.size.x, 0) << angle;
        EXPECT_GT(r.size.y, 0) << angle;
        EXPECT_LE(r.top.x, 0) << angle;
        EXPECT_LE(r.top.y, 0) << angle;
        EXPECT_GE(int64_t{r.top.x} + r.size.x, 1920) << angle;
        EXPECT_GE(int64_t{r.top.y} + r.size.y, 1080) << angle;
    }
    // Far out in every field: held at the limits, never wrapped.
    ExpectRect(MapPosition(Position{kMax, kMax, kMax, kMax}, 1280, 720, 1920, 1080, 0), kMax, kMax, kMax, kMax);
    const KdrRect r = MapPosition(Position{kMax, kMax, kMax, kMax}, 1280, 720, 1920, 1080, 180);
    ExpectRect(r, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::min(), kMax, kMax);
}

TEST(PositionMapping, DisplayWithoutSizeGivesAnEmptyRectangle) {
    const Position p{100, 50, 640, 360};
    ExpectRect(MapPosition(p, 0, 1080, 1920, 1080, 0), 0, 0, 0, 0);
    ExpectRect(MapPosition(p, 1920, 0, 1920, 1080, 0), 0, 0, 0, 0);
    // Rotated, the empty rectangle lands on the far edges; it stays empty.
    const KdrRect r90 = MapPosition(p, 0, 0, 1920, 1080, 90);
    EXPECT_EQ(r90.size.x, 0);
    EXPECT_EQ(r90.size.y, 0);
    ExpectRect(MapPosition(p, 0, 0, 1920, 1080, 180), 1920, 1080, 0, 0);
    ExpectRect(MapPosition(p, 0, 0, 1920, 1080, 270), 0, 1080, 0, 0);
}
