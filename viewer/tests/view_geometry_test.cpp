// Design-unit scaling, control placement, splitter sizes and the target table.
#include <gtest/gtest.h>

#include "viewer/core/ViewGeometry.h"
#include "viewer/core/ViewTargets.h"

namespace vistrel {
namespace {

ScreenInfo Screen(int w, int h, int rotation = 0) {
    ScreenInfo s;
    s.width = w;
    s.height = h;
    s.rotation = rotation;
    return s;
}

TEST(ScaleToScreen, ScreensAndRotations) {
    EXPECT_EQ(ScaleToScreen(200, Screen(1920, 1280)), 100);
    EXPECT_EQ(ScaleToScreen(70, Screen(1920, 1280)), 35);
    EXPECT_EQ(ScaleToScreen(200, Screen(1920, 1080)), 84);  // factor 0.421875
    EXPECT_EQ(ScaleToScreen(3840, Screen(3840, 2560)), 3840);
    // A portrait mode reported with rotation 90 or 270 scales like the landscape screen.
    EXPECT_EQ(ScaleToScreen(200, Screen(1280, 1920, 90)), 100);
    EXPECT_EQ(ScaleToScreen(200, Screen(1280, 1920, 270)), 100);
    EXPECT_EQ(ScaleToScreen(200, Screen(1280, 1920, 0)), 66);
    EXPECT_EQ(ScaleToScreen(200, Screen(0, 0)), 0);
}

TEST(PlaceItem, ModesAnchorsAndOtherModes) {
    const ScreenInfo s = Screen(1920, 1280);
    const Rect bar{0, 0, 1920, 35};
    // Caption: signal text at the left edge, centred vertically.
    const Rect signal = PlaceItem({600, 60, 60, kAlignLeft, 20, kAlignCenterY, 0}, bar, nullptr, nullptr, s);
    EXPECT_EQ(signal, (Rect{10, 2, 310, 32}));
    // Power text to the right of the signal text.
    const Rect power = PlaceItem({480, 60, 60, kAlignRight, 20, kAlignCenterY, 0}, bar, &signal, nullptr, s);
    EXPECT_EQ(power, (Rect{320, 2, 560, 32}));
    // Close button at the right edge, application name to its left.
    const Rect close = PlaceItem({40, 40, 0, kAlignRight, 20, kAlignCenterY, 0}, bar, nullptr, nullptr, s);
    EXPECT_EQ(close, (Rect{1890, 7, 1910, 27}));
    const Rect name = PlaceItem({500, 60, 60, kAlignLeft, 20, kAlignCenterY, 0}, bar, &close, nullptr, s);
    EXPECT_EQ(name, (Rect{1630, 2, 1880, 32}));

    // Message lines: line 3 centred, line 2 above it, line 4 below it.
    const Rect view{0, 0, 1920, 1145};
    const Rect line3 = PlaceItem({600, 60, 40, kAlignCenterX, 0, kAlignCenterY, 0}, view, nullptr, nullptr, s);
    EXPECT_EQ(line3, (Rect{810, 557, 1110, 587}));
    const Rect line2 = PlaceItem({600, 60, 40, kAlignCenterX, 0, kAlignTop, 5}, view, nullptr, &line3, s);
    EXPECT_EQ(line2, (Rect{810, 525, 1110, 555}));
    const Rect line4 = PlaceItem({600, 60, 40, kAlignCenterX, 0, kAlignBottom, 5}, view, nullptr, &line3, s);
    EXPECT_EQ(line4, (Rect{810, 589, 1110, 619}));
    // No anchor: top and bottom edges.
    EXPECT_EQ(PlaceItem({100, 100, 0, kAlignLeft, 0, kAlignTop, 10}, view, nullptr, nullptr, s).top, 5);
    EXPECT_EQ(PlaceItem({100, 100, 0, kAlignLeft, 0, kAlignBottom, 10}, view, nullptr, nullptr, s).top, 1090);
    // Unknown modes put the control at the origin.
    EXPECT_EQ(PlaceItem({100, 100, 0, 7, 50, -1, 50}, view, nullptr, nullptr, s), (Rect{0, 0, 50, 50}));
}

TEST(SplitterSizes, RowsColumnsAndLowWindows) {
    DisplayInfo info;
    info.screen = Screen(1920, 1280);
    // Window mode: no caption row; the controller bar gets 100.
    EXPECT_EQ(VideoSplitterRows(1280, info)->caption, 0);
    EXPECT_EQ(VideoSplitterRows(1280, info)->display, 1180);
    info.full_screen = 1;
    EXPECT_EQ(VideoSplitterRows(1280, info)->caption, 35);
    EXPECT_EQ(VideoSplitterRows(1280, info)->display, 1145);
    // Lower than both bars: the display row takes everything.
    EXPECT_EQ(VideoSplitterRows(134, info)->caption, 0);
    EXPECT_EQ(VideoSplitterRows(134, info)->display, 134);
    EXPECT_EQ(VideoSplitterRows(135, info)->display, 0);
    EXPECT_FALSE(VideoSplitterRows(0, info));

    EXPECT_EQ(*DisplaySplitterColumn0(1920, 1000, true, info.screen), 1370);
    EXPECT_EQ(*DisplaySplitterColumn0(1920, 1000, false, info.screen), 1920);
    EXPECT_EQ(*DisplaySplitterColumn0(500, 1000, true, info.screen), 500);
    EXPECT_FALSE(DisplaySplitterColumn0(1920, 0, true, info.screen));

    EXPECT_EQ(*SettingSplitterRow0(1000, info.screen), 75);
    EXPECT_EQ(*SettingSplitterRow0(74, info.screen), 0);

    // Full screen: a view 2 pixels wider than the screen loses them on the right.
    EXPECT_EQ(DisplayRectForFrame({-1, 0, 1921, 1145}, info), (Rect{-1, 0, 1919, 1145}));
    info.full_screen = 0;
    EXPECT_EQ(DisplayRectForFrame({-1, 0, 1921, 1145}, info), (Rect{-1, 0, 1921, 1145}));
}

TEST(ViewTargets, SwitchPlans) {
    // Key 0 shows the fatal-error bar; the display view is the default one.
    auto plan = PlanSwitch(2, 0, true);
    ASSERT_TRUE(plan);
    EXPECT_EQ(plan->controller_key, 3);
    EXPECT_EQ(plan->old_target.controller_key, kControllerPlay);
    EXPECT_TRUE(plan->show_close);
    EXPECT_TRUE(plan->show_texts);
    // Controls hidden: the blank bar, the caption keeps only its close button.
    plan = PlanSwitch(0, 2, false);
    EXPECT_EQ(plan->controller_key, kControllerBlank);
    EXPECT_TRUE(plan->show_close);
    EXPECT_FALSE(plan->show_texts);
    // The blank screen hides the whole caption.
    plan = PlanSwitch(2, 1, true);
    EXPECT_FALSE(plan->show_close);
    EXPECT_FALSE(plan->show_texts);
    // Keys without an entry plan nothing.
    EXPECT_FALSE(PlanSwitch(2, 12, true));
    EXPECT_FALSE(PlanSwitch(-1, 2, true));
    // Every message kind has its own bar.
    EXPECT_EQ(ControllerKeyOfMessageKind(3), 9);
    EXPECT_EQ(ControllerKeyOfMessageKind(5), 1);
    EXPECT_EQ(ControllerKeyOfMessageKind(11), 7);
    EXPECT_EQ(ControllerKeyOfMessageKind(2), -1);
}

}  // namespace
}  // namespace vistrel
