// The play view's pan and pinch model, fed like the view feeds it, with the
// frame's answer (new centre and zoom pushed back) emulated between events.
#include <gtest/gtest.h>

#include <vector>

#include "viewer/core/PlayViewModel.h"
#include "viewer/core/ViewGeometry.h"

namespace vistrel {
namespace {

struct Frame {
    DisplayInfo info;
    std::vector<ZoomRequest> requests;
    Frame() {
        info.video = {0, 0, 1920, 1080};
        info.center_x = info.center_y = 0.5;
        info.screen.width = 1920;
        info.screen.height = 1280;
    }
    // What the frame does with a zoom request: store and push back.
    void Apply(const std::optional<ZoomRequest>& r) {
        if (!r) return;
        requests.push_back(*r);
        if (!r->has_center || r->zoom == 1.0) {
            info.center_x = info.center_y = 0.5;
        } else {
            info.center_x = r->center_x;
            info.center_y = r->center_y;
        }
        info.zoom = r->zoom;
    }
    // The picture point (0..1) shown at screen fraction `s` of the picture area.
    double PictureX(double s) const { return info.center_x - 0.5 / info.zoom + s / info.zoom; }
};

TEST(PlayModel, SlideAtZoomOneMakesNoRequest) {
    Frame f;
    PlayGestureModel m;
    f.Apply(m.SlideBegan(f.info, {100, 100}));
    f.Apply(m.SlideMoved(f.info, {500, 300}));
    f.Apply(m.SlideEnded(f.info, {600, 300}));
    EXPECT_TRUE(f.requests.empty());
}

TEST(PlayModel, PinchZoomLimitsAndReset) {
    Frame f;
    PlayGestureModel m;
    m.SetMaxZoom(8);
    f.Apply(m.PinchBegan(f.info, {960, 540, 100}));
    EXPECT_TRUE(f.requests.empty());
    f.Apply(m.PinchMoved(f.info, {960, 540, 300}));
    EXPECT_DOUBLE_EQ(f.info.zoom, 3.0);
    f.Apply(m.PinchMoved(f.info, {960, 540, 1500}));
    EXPECT_DOUBLE_EQ(f.info.zoom, 8.0);
    f.Apply(m.PinchMoved(f.info, {960, 540, 10}));
    EXPECT_DOUBLE_EQ(f.info.zoom, 1.0);
    f.Apply(m.PinchEnded(f.info, {960, 540, 10}));
    EXPECT_EQ(m.Zoom().active, 0);
    // A zoom of exactly 1.0 is the frame's reset.
    EXPECT_EQ(f.requests.back().zoom, 1.0);
    EXPECT_EQ(f.requests.back().area, (Rect{0, 0, 1920, 1080}));

    // A max zoom of 0 (missing parameter) limits every pinch to 1.0.
    PlayGestureModel unset;
    unset.SetMaxZoom(0);
    Frame g;
    g.Apply(unset.PinchBegan(g.info, {960, 540, 100}));
    g.Apply(unset.PinchMoved(g.info, {960, 540, 400}));
    EXPECT_DOUBLE_EQ(g.info.zoom, 1.0);
}

TEST(PlayModel, PinchKeepsThePointUnderTheFingers) {
    Frame f;
    PlayGestureModel m;
    m.SetMaxZoom(8);
    f.Apply(m.PinchBegan(f.info, {480, 540, 100}));  // a quarter across
    const double before = f.PictureX(0.25);
    f.Apply(m.PinchMoved(f.info, {480, 540, 200}));
    EXPECT_DOUBLE_EQ(f.info.zoom, 2.0);
    EXPECT_NEAR(f.PictureX(0.25), before, 1e-12);
    f.Apply(m.PinchMoved(f.info, {480, 540, 300}));
    EXPECT_NEAR(f.PictureX(0.25), before, 1e-12);
    // A previous distance of 0 keeps the zoom as it was.
    PlayGestureModel z;
    z.SetMaxZoom(8);
    Frame g;
    g.info.zoom = 2.0;
    g.Apply(z.PinchBegan(g.info, {960, 540, 0}));
    g.Apply(z.PinchMoved(g.info, {960, 540, 200}));
    EXPECT_DOUBLE_EQ(g.info.zoom, 2.0);
}

TEST(PlayModel, CentreLimitsAtTwoAndEight) {
    for (double zoom : {2.0, 8.0}) {
        Frame f;
        f.info.zoom = zoom;
        PlayGestureModel m;
        m.SetMaxZoom(8);
        // Drag far to the right and down, then far to the left and up.
        f.Apply(m.SlideBegan(f.info, {100, 100}));
        f.Apply(m.SlideMoved(f.info, {40000, 40000}));
        EXPECT_DOUBLE_EQ(f.info.center_x, zoom == 2.0 ? 0.25 : 0.0625);
        EXPECT_DOUBLE_EQ(f.info.center_y, zoom == 2.0 ? 0.25 : 0.0625);
        f.Apply(m.SlideMoved(f.info, {-5000, -5000}));
        f.Apply(m.SlideEnded(f.info, {-9000, -9000}));
        EXPECT_DOUBLE_EQ(f.info.center_x, zoom == 2.0 ? 0.75 : 0.9375);
        EXPECT_DOUBLE_EQ(f.info.center_y, zoom == 2.0 ? 0.75 : 0.9375);
        EXPECT_EQ(m.Slide().active, 0);
        EXPECT_EQ(f.requests.back().zoom, zoom);
    }
}

TEST(PlayModel, SlideFollowsTheFinger) {
    Frame f;
    f.info.zoom = 2.0;
    PlayGestureModel m;
    f.Apply(m.SlideBegan(f.info, {960, 540}));
    f.Apply(m.SlideMoved(f.info, {960 + 192, 540}));  // a tenth of the width to the right
    EXPECT_DOUBLE_EQ(f.info.center_x, 0.45);
    EXPECT_DOUBLE_EQ(f.info.center_y, 0.5);
}

TEST(PlayModel, DoubleTapAndSourceRectangle) {
    Frame f;
    PlayGestureModel m;
    m.SetDoubleTapZoom(2.0);
    // On the edge is not inside.
    EXPECT_FALSE(m.DoubleTap(f.info, 0, 540));
    auto r = m.DoubleTap(f.info, 1, 540);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->zoom, 2.0);
    const CpwZoomRect z = ZoomSourceRect(r->area, r->center_x, r->center_y, r->zoom);
    EXPECT_EQ(z.x, 0);
    EXPECT_EQ(z.width, 1920);
    EXPECT_EQ(z.height, 1080);
    EXPECT_EQ(z.y, 540);
    f.Apply(r);
    // Zoomed: a double tap goes back to the whole picture.
    EXPECT_EQ(m.DoubleTap(f.info, 960, 540)->zoom, 1.0);

    const CpwZoomRect quarter = ZoomSourceRect({0, 0, 1920, 1080}, 0.25, 0.5, 2.0);
    EXPECT_EQ(quarter.x, 0);
    EXPECT_EQ(quarter.y, 540);
    const CpwZoomRect right = ZoomSourceRect({0, 0, 1920, 1080}, 0.99, 0.99, 4.0);
    EXPECT_EQ(right.x, 3840 - 960);
    EXPECT_EQ(right.y, 2160 - 540);
    // Below 1 and on an empty area the rectangle stays all 0.
    EXPECT_EQ(ZoomSourceRect({0, 0, 1920, 1080}, 0.5, 0.5, 0.0).width, 0);
    EXPECT_EQ(ZoomSourceRect({0, 0, 0, 0}, 0.5, 0.5, 2.0).width, 0);
}

TEST(PlayModel, TouchBatchesOffThePictureEndGestures) {
    const Rect video{0, 35, 1920, 1180};
    TouchRecord on{};
    on.x = 96000;
    on.y = 60000;
    on.dwFlags = kTouchMove;
    TouchRecord bar = on;
    bar.y = 120000;  // on the controller bar
    TouchRecord caption = on;
    caption.y = 1000;
    caption.dwFlags = kTouchDown;

    std::vector<TouchRecord> mixed{on, bar};
    auto out = FilterTouchBatch(mixed, video);
    EXPECT_EQ(out[1].dwFlags, kTouchMove);  // one contact on the picture: unchanged

    std::vector<TouchRecord> off{bar, caption};
    out = FilterTouchBatch(off, video);
    EXPECT_EQ(out[0].dwFlags, kTouchUp);
    EXPECT_EQ(out[1].dwFlags, kTouchUp);

    // The recogniser sees the contacts end: a pinch in progress ends.
    PinchRecognizer pinch;
    int ended = 0;
    pinch.SetEndedListener([&](PinchEventArgs) { ++ended; });
    TouchRecord a = on, b = on;
    b.x = 50000;
    b.dwID = 1;
    a.dwFlags = b.dwFlags = kTouchDown;
    std::vector<TouchRecord> down{a, b};
    pinch.OnTouch(down);
    a.dwFlags = b.dwFlags = kTouchMove;
    b.x = 40000;
    std::vector<TouchRecord> move{a, b};
    pinch.OnTouch(move);
    a.y = b.y = 120000;  // both fingers slide onto the bar
    std::vector<TouchRecord> onBar{a, b};
    out = FilterTouchBatch(onBar, video);
    pinch.OnTouch(out);
    EXPECT_EQ(ended, 1);
}

TEST(PlayModel, DotByDotClipsTheWatchedArea) {
    DisplayInfo info;
    info.screen.width = 1920;
    info.screen.height = 1280;
    info.screen.work = {0, 0, 1920, 1240};
    info.full_screen = 1;
    const int w = ScaleToScreen(4096, info.screen);  // 2048: wider than the screen
    const int h = ScaleToScreen(2160, info.screen);
    info.video = {(1920 - w) / 2, 100, (1920 - w) / 2 + w, 100 + h};
    EXPECT_EQ(PlayViewVideoRect(info, 1), (Rect{0, 100, 1920, 100 + h}));
    EXPECT_EQ(PlayViewVideoRect(info, 0), info.video);
    info.full_screen = 0;
    EXPECT_EQ(PlayViewVideoRect(info, 1), info.video);
}

}  // namespace
}  // namespace vistrel
