// Worked figures of the frame's geometry.
#include "viewer/core/FrameGeometry.h"

#include <gtest/gtest.h>

namespace vistrel {
namespace {

TEST(FrameGeometry, FitKeepsAspectAndCentresOnTheLongAxis) {
    // A pane lower than 16:9: the picture spans the height, pillar-boxed.
    EXPECT_EQ(FitVideo(Rect{0, 0, 1920, 1000}, 1920, 1080), (Rect{71, 0, 1849, 1000}));
    // A pane higher than 16:9: the picture spans the width, letter-boxed.
    EXPECT_EQ(FitVideo(Rect{0, 35, 1920, 1180}, 1920, 1080), (Rect{0, 67, 1920, 1147}));
    // A 4:3 input in a 1280 x 720 pane at an offset.
    EXPECT_EQ(FitVideo(Rect{100, 50, 1380, 770}, 640, 480), (Rect{260, 50, 1220, 770}));
    // No video yet: the pane itself, never a division by zero.
    EXPECT_EQ(FitVideo(Rect{0, 0, 800, 600}, 0, 0), (Rect{0, 0, 800, 600}));
}

TEST(FrameGeometry, DotByDotIsCentredOnThePane) {
    // 4096 x 2160 scaled to a 1920 x 1280 screen (factor 0.5).
    EXPECT_EQ(CentreIn(Rect{0, 35, 1920, 1180}, Size{2048, 1080}), (Rect{-64, 67, 1984, 1147}));
    EXPECT_EQ(CentreIn(Rect{0, 0, 101, 101}, Size{11, 11}), (Rect{45, 45, 56, 56}));
}

TEST(FrameGeometry, ZoomRequestInTheReferenceFrame) {
    EXPECT_EQ(ZoomRequest(Rect{0, 0, 1920, 1080}, 0.25, 0.5, 2.0), (ZoomPart{0, 540, 1920, 1080}));
    // Near the bottom-right corner the part is pulled back inside.
    EXPECT_EQ(ZoomRequest(Rect{0, 0, 1920, 1080}, 0.95, 0.95, 4.0), (ZoomPart{2880, 1620, 960, 540}));
    // Below 1 nothing is requested; an empty area starts at the corner.
    EXPECT_EQ(ZoomRequest(Rect{0, 0, 1920, 1080}, 0.5, 0.5, 0.5), ZoomPart{});
    EXPECT_EQ(ZoomRequest(Rect{}, 0.5, 0.5, 2.0), (ZoomPart{0, 0, 1920, 1080}));
    EXPECT_EQ(ZoomRequest(Rect{10, 10, 10, 400}, 0.5, 0.5, 2.0), (ZoomPart{0, 595, 1920, 1080}));
}

TEST(FrameGeometry, RefitShrinksToTheWorkAreaKeepingAspect) {
    const FrameBorder border{16, 39};
    // Fits as it is.
    Refit fit = RefitWindow(Size{1280, 720}, 100, border, Rect{0, 0, 1920, 1240});
    EXPECT_EQ(fit.video, (Size{1280, 720}));
    EXPECT_EQ(fit.window, (Size{1296, 859}));
    // Too wide: width-limited.
    fit = RefitWindow(Size{1920, 1080}, 100, border, Rect{0, 0, 1920, 1240});
    EXPECT_EQ(fit.video, (Size{1904, 1071}));
    EXPECT_EQ(fit.window, (Size{1920, 1210}));
    // Too high: height-limited.
    fit = RefitWindow(Size{1920, 1080}, 100, border, Rect{0, 0, 2560, 1000});
    EXPECT_EQ(fit.video, (Size{1531, 861}));
    EXPECT_EQ(fit.window, (Size{1547, 1000}));
}

TEST(FrameGeometry, CentringNeverGoesAboveTheWorkArea) {
    EXPECT_EQ(CentreOnWork(Rect{0, 0, 1920, 1240}, Size{1920, 1210}), (Point{0, 15}));
    EXPECT_EQ(CentreOnWork(Rect{0, 40, 1920, 1280}, Size{1296, 859}), (Point{311, 230}));
    EXPECT_EQ(CentreOnWork(Rect{0, 0, 1920, 1240}, Size{800, 1300}), (Point{559, 0}));
    // Left of a monitor at negative coordinates: truncation toward zero.
    EXPECT_EQ(CentreOnWork(Rect{-1920, 0, 0, 1080}, Size{101, 100}), (Point{-1011, 490}));
}

TEST(FrameGeometry, BrowserBesideTheViewer) {
    const SideBySide s = SplitWork(Rect{0, 40, 1921, 1280});
    EXPECT_EQ(s.viewer, (Rect{960, 40, 1921, 1280}));
    EXPECT_EQ(s.browser, (Rect{0, 40, 961, 1280}));
    EXPECT_EQ(RelativeTo(Rect{100, 80, 1100, 700}, Rect{-1920, 40, 0, 1120}), (Rect{2020, 40, 3020, 660}));
}

}  // namespace
}  // namespace vistrel
