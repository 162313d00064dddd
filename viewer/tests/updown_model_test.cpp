// The up-down's value rule and its press-and-hold repeat.
#include <gtest/gtest.h>

#include <climits>

#include "viewer/core/UpDownModel.h"

namespace vistrel::controls {
namespace {

using B = UpDownModel::Button;

TEST(UpDownModel, ValueIsKeptInRange) {
    UpDownModel m;
    m.SetRange(0, 10);
    EXPECT_TRUE(m.SetValue(12));
    EXPECT_EQ(m.Value(), 10);
    EXPECT_FALSE(m.SetValue(10));
    EXPECT_TRUE(m.SetValue(-3));
    EXPECT_EQ(m.Value(), 0);
}

TEST(UpDownModel, PressAtTheLimitChangesNothing) {
    UpDownModel m;
    m.SetRange(0, 10);
    (void)m.SetValue(10);
    const auto r = m.Press(B::Increment, 1000);
    EXPECT_TRUE(r.started);
    EXPECT_FALSE(r.changed);
    EXPECT_EQ(m.Value(), 10);
}

TEST(UpDownModel, HoldingForOneSecondStepsAtThePressThenEveryTickAfterHalfASecond) {
    UpDownModel m;
    m.SetRange(0, 100);
    const std::uint64_t t0 = 5000;
    EXPECT_TRUE(m.Press(B::Increment, t0).changed);
    int steps = 1;
    for (std::uint64_t t = t0 + UpDownModel::kTickMs; t <= t0 + 1000; t += UpDownModel::kTickMs) {
        if (m.Tick(B::Increment, t)) ++steps;
    }
    // The press, then the ticks at 550 .. 1000 ms.
    EXPECT_EQ(steps, 11);
    EXPECT_EQ(m.Value(), 11);
    // A second press while the repeat runs is not a new press.
    EXPECT_FALSE(m.Press(B::Increment, t0 + 1000).started);
    m.Release(B::Increment);
    EXPECT_FALSE(m.Tick(B::Increment, t0 + 1100));
    // The other button has its own repeat.
    EXPECT_TRUE(m.Press(B::Decrement, t0 + 1200).changed);
    EXPECT_EQ(m.Value(), 10);
}

TEST(UpDownModel, StepsNextToTheIntLimitsDoNotOverflow) {
    UpDownModel m;
    m.SetRange(INT_MIN, INT_MAX);
    (void)m.SetValue(INT_MAX);
    EXPECT_FALSE(m.Press(B::Increment, 0).changed);
    EXPECT_EQ(m.Value(), INT_MAX);
}

TEST(UpDownModel, ChildrenSitSideBySideCentredVertically) {
    // 300 x 80 design units on 1920 x 1280 (factor 0.5).
    const UpDownChildren c = LayoutUpDown(Rect{0, 0, 150, 40}, LayoutState{1920, 1280, 0});
    EXPECT_EQ(c.text, (Rect{0, 5, 54, 35}));
    EXPECT_EQ(c.decrement, (Rect{64, 5, 104, 35}));
    EXPECT_EQ(c.increment, (Rect{110, 5, 150, 35}));
}

}  // namespace
}  // namespace vistrel::controls
