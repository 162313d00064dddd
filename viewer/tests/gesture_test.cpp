#include <gtest/gtest.h>

#include <vector>

#include "viewer/core/GestureRecognizer.h"

namespace vistrel {
namespace {

TouchRecord Point(int xPixels, int yPixels, std::uint32_t flags) {
    TouchRecord r{};
    r.x = xPixels * 100;
    r.y = yPixels * 100;
    r.dwFlags = flags;
    return r;
}

struct Log {
    std::vector<std::pair<char, SlideEventArgs>> slides;
    std::vector<std::pair<char, PinchEventArgs>> pinches;
};

class Gestures : public testing::Test {
protected:
    Gestures() {
        slide.SetBeganListener([this](SlideEventArgs a) { log.slides.push_back({'b', a}); });
        slide.SetMovedListener([this](SlideEventArgs a) { log.slides.push_back({'m', a}); });
        slide.SetEndedListener([this](SlideEventArgs a) { log.slides.push_back({'e', a}); });
        pinch.SetBeganListener([this](PinchEventArgs a) { log.pinches.push_back({'b', a}); });
        pinch.SetMovedListener([this](PinchEventArgs a) { log.pinches.push_back({'m', a}); });
        pinch.SetEndedListener([this](PinchEventArgs a) { log.pinches.push_back({'e', a}); });
    }
    void Feed(std::vector<TouchRecord> batch) {
        slide.OnTouch(batch);
        pinch.OnTouch(batch);
    }
    SlideRecognizer slide;
    PinchRecognizer pinch;
    Log log;
};

TEST_F(Gestures, OneFingerDownBeginsASlideOnly) {
    Feed({Point(120, 340, kTouchDown)});
    ASSERT_EQ(log.slides.size(), 1u);
    EXPECT_EQ(log.slides[0].first, 'b');
    EXPECT_EQ(log.slides[0].second.x, 120);
    EXPECT_EQ(log.slides[0].second.y, 340);
    EXPECT_TRUE(log.pinches.empty());
    EXPECT_EQ(slide.State(), GestureEvent::Began);
    EXPECT_EQ(pinch.State(), GestureEvent::None);
}

TEST_F(Gestures, SlideMovesWhileOneFingerMovesAndEndsOnLift) {
    Feed({Point(10, 10, kTouchDown)});
    Feed({Point(15, 12, kTouchMove)});
    Feed({Point(20, 14, kTouchMove)});
    Feed({Point(21, 15, kTouchUp)});
    ASSERT_EQ(log.slides.size(), 4u);
    EXPECT_EQ(log.slides[1].first, 'm');
    EXPECT_EQ(log.slides[2].second.x, 20);
    EXPECT_EQ(log.slides[3].first, 'e');
    EXPECT_EQ(log.slides[3].second.x, 21);
    EXPECT_EQ(slide.State(), GestureEvent::Ended);
    // Ended behaves like idle: a new finger begins again.
    Feed({Point(5, 5, kTouchDown)});
    EXPECT_EQ(log.slides.back().first, 'b');
}

TEST_F(Gestures, SecondFingerEndsTheSlideAndBeginsAPinchInTheSameBatch) {
    Feed({Point(100, 100, kTouchDown)});
    Feed({Point(102, 100, kTouchMove), Point(300, 100, kTouchDown)});
    ASSERT_EQ(log.slides.size(), 2u);
    EXPECT_EQ(log.slides[1].first, 'e');
    EXPECT_EQ(log.slides[1].second.x, 102) << "the first point with move or up";
    ASSERT_EQ(log.pinches.size(), 1u);
    EXPECT_EQ(log.pinches[0].first, 'b');
    EXPECT_EQ(log.pinches[0].second.centerX, 201);
    EXPECT_EQ(log.pinches[0].second.distance, 198);
}

TEST_F(Gestures, PinchMovesOnlyWhileBothFingersMove) {
    Feed({Point(0, 0, kTouchDown), Point(30, 40, kTouchDown)});
    Feed({Point(0, 0, kTouchMove), Point(60, 80, kTouchMove)});
    ASSERT_EQ(log.pinches.size(), 2u);
    EXPECT_EQ(log.pinches[1].first, 'm');
    EXPECT_EQ(log.pinches[1].second.distance, 100);
    EXPECT_EQ(log.pinches[1].second.centerX, 30);
    EXPECT_EQ(log.pinches[1].second.centerY, 40);
    // One finger down but not moving (no move flag): M = 1 ends the pinch.
    Feed({Point(0, 0, 0), Point(61, 80, kTouchMove)});
    EXPECT_EQ(log.pinches.back().first, 'e');
    EXPECT_EQ(pinch.State(), GestureEvent::Ended);
}

TEST_F(Gestures, LiftingBothFingersEndsWithTheLiftingPoints) {
    Feed({Point(10, 10, kTouchDown), Point(20, 10, kTouchDown)});
    Feed({Point(13, 14, kTouchUp), Point(16, 18, kTouchUp)});
    ASSERT_EQ(log.pinches.size(), 2u);
    EXPECT_EQ(log.pinches[1].first, 'e');
    EXPECT_EQ(log.pinches[1].second.distance, 5);
    EXPECT_EQ(log.pinches[1].second.centerX, 14);  // 14.5 truncated
    EXPECT_EQ(log.pinches[1].second.centerY, 16);
}

TEST_F(Gestures, MissingPointsCountAsOrigin) {
    Feed({Point(50, 60, kTouchDown)});
    // A batch with no point carrying move or up ends the slide at (0, 0).
    Feed({Point(50, 60, kTouchDown), Point(70, 60, kTouchDown)});
    EXPECT_EQ(log.slides.back().first, 'e');
    EXPECT_EQ(log.slides.back().second.x, 0);
    EXPECT_EQ(log.slides.back().second.y, 0);

    // Pinch in progress; the next batch has a single moving point: ended, and
    // the missing second point is (0, 0).
    ASSERT_EQ(log.pinches.back().first, 'b');
    Feed({Point(30, 40, kTouchMove)});
    EXPECT_EQ(log.pinches.back().first, 'e');
    EXPECT_EQ(log.pinches.back().second.centerX, 15);
    EXPECT_EQ(log.pinches.back().second.centerY, 20);
    EXPECT_EQ(log.pinches.back().second.distance, 50);
}

TEST_F(Gestures, CoordinatesTruncateTowardZero) {
    TouchRecord r{};
    r.x = -199;  // -1.99 px
    r.y = 199;
    r.dwFlags = kTouchDown;
    Feed({r});
    ASSERT_EQ(log.slides.size(), 1u);
    EXPECT_EQ(log.slides[0].second.x, -1);
    EXPECT_EQ(log.slides[0].second.y, 1);
}

TEST_F(Gestures, StateChangesWithoutListeners) {
    SlideRecognizer bare;
    TouchRecord r = Point(1, 1, kTouchDown);
    bare.OnTouch({&r, 1});
    EXPECT_EQ(bare.State(), GestureEvent::Began);
    bare.OnTouch({});
    EXPECT_EQ(bare.State(), GestureEvent::Ended);
    bare.OnTouch({});
    EXPECT_EQ(bare.State(), GestureEvent::None);
}

TEST_F(Gestures, UpPointsDoNotCountForABeginning) {
    // Two records, one of them lifting: N - U = 1 begins a slide, not a pinch.
    Feed({Point(5, 5, kTouchUp), Point(9, 9, kTouchDown)});
    ASSERT_EQ(log.slides.size(), 1u);
    EXPECT_EQ(log.slides[0].second.x, 9);
    EXPECT_TRUE(log.pinches.empty());
}

}  // namespace
}  // namespace vistrel
