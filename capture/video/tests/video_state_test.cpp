// The state words and blocking flags under the event sequences that matter.
#include <gtest/gtest.h>

#include <vector>

#include "capture/video/VideoControl.h"  // SetStateBatch
#include "capture/core/VideoState.h"

using namespace Capwell::Lib;

namespace {

struct Recorder {
    std::vector<VideoStateChangedEventArgs> calls;
    VideoState state{[this](VideoStateChangedEventArgs a) { calls.push_back(a); }};
    // Posts and tells whether the handler ran.
    bool Changed(std::initializer_list<uint32_t> events) {
        const std::size_t before = calls.size();
        state.Post(events);
        return calls.size() != before;
    }
};

VideoWords W(uint32_t available, uint32_t mode, uint32_t video, uint32_t audio,
             uint32_t movie_format = 0) {
    return VideoWords{available, mode, video, audio, movie_format};
}

// Initialised with a signal and playing live with video and audio on.
struct Playing : Recorder {
    Playing() {
        state.Post({EV_INIT_DONE, EV_SIGNAL});
        state.Post({EV_LIVE, EV_VIDEO_ON, EV_AUDIO_ON});
        calls.clear();
    }
};

}  // namespace

TEST(VideoState, StartsBlockedAndIgnoresPlayEventsBeforeInitialisation) {
    Recorder r;
    EXPECT_TRUE(r.state.NotInitialised());
    EXPECT_TRUE(r.state.NoSignal());
    for (uint32_t ev = EV_LIVE; ev <= EV_VIDEO_OFF; ++ev) EXPECT_FALSE(r.Changed({ev}));
    EXPECT_TRUE(r.calls.empty());
    EXPECT_EQ(r.state.Words(), W(0, 0, 0, 0));
}

TEST(VideoState, SignalDuringInitialisationMakesVideoAvailableOnce) {
    Recorder r;
    EXPECT_TRUE(r.Changed({EV_INIT_DONE, EV_SIGNAL}));
    ASSERT_EQ(r.calls.size(), 1u);
    EXPECT_EQ(r.calls[0].old_words, W(0, 0, 0, 0));
    EXPECT_EQ(r.calls[0].new_words, W(1, 0, 0, 0));
    EXPECT_FALSE(r.state.NoSignal());
    EXPECT_FALSE(r.state.NotInitialised());
    // A second signal changes nothing and calls nobody.
    EXPECT_FALSE(r.Changed({EV_SIGNAL}));
    EXPECT_EQ(r.calls.size(), 1u);
}

TEST(VideoState, SignalBeforeInitDoneClearsTheFlagButLeavesVideoUnavailable) {
    Recorder r;
    EXPECT_FALSE(r.Changed({EV_SIGNAL}));
    EXPECT_FALSE(r.state.NoSignal());
    r.state.Post({EV_INIT_DONE});
    EXPECT_EQ(r.state.Words().available, 0u);
}

TEST(VideoState, BatchCallsTheHandlerOnceWithFirstAndLastWords) {
    Recorder r;
    r.state.Post({EV_INIT_DONE, EV_SIGNAL});
    r.calls.clear();
    EXPECT_TRUE(r.Changed({EV_PAUSE, EV_VIDEO_ON, EV_AUDIO_ON, EV_LIVE}));
    ASSERT_EQ(r.calls.size(), 1u);
    EXPECT_EQ(r.calls[0].old_words, W(1, 0, 0, 0));
    EXPECT_EQ(r.calls[0].new_words, W(1, 0, 1, 1));
    }

TEST(VideoState, MovieEventsChooseTheFormatAndResetsKeepIt) {
    Playing p;
    p.state.Post({EV_MOVIE_FORMAT3});
    EXPECT_EQ(p.state.Words(), W(1, 2, 1, 1, 2));
    p.state.Post({EV_MOVIE_FORMAT2});
    EXPECT_EQ(p.state.Words().movie_format, 1u);
    p.state.Post({EV_MOVIE_FORMAT1});
    EXPECT_EQ(p.state.Words().movie_format, 0u);
    p.state.Post({EV_MOVIE_FORMAT3, EV_NO_SIGNAL});
    EXPECT_EQ(p.state.Words(), W(0, 0, 0, 0, 2));
}

TEST(VideoState, SuspendResumeWithSignalLeavesVideoUnavailableUntilSignalReturns) {
    Playing p;
    p.state.Post({EV_SUSPEND});
    ASSERT_EQ(p.calls.size(), 1u);
    EXPECT_EQ(p.calls[0].new_words, W(0, 0, 0, 0));
    // Resume reports the signal that never went away: nothing changes.
    EXPECT_FALSE(p.Changed({EV_RESUME, EV_SIGNAL}));
    EXPECT_EQ(p.calls.size(), 1u);
    EXPECT_FALSE(p.state.Suspended());
    EXPECT_EQ(p.state.Words().available, 0u);
    // Play requests take effect again, but video stays unavailable ...
    p.state.Post({EV_VIDEO_ON});
    EXPECT_EQ(p.state.Words(), W(0, 0, 1, 0));
    // ... until the input goes through no-signal and back.
    p.state.Post({EV_NO_SIGNAL});
    p.state.Post({EV_SIGNAL});
    EXPECT_EQ(p.state.Words(), W(1, 0, 0, 0));
}

TEST(VideoState, EventsWhileSuspendedChangeNothing) {
    Playing p;
    p.state.Post({EV_SUSPEND});
    p.calls.clear();
    EXPECT_FALSE(p.Changed({EV_LIVE, EV_VIDEO_ON, EV_AUDIO_ON}));
    EXPECT_FALSE(p.Changed({EV_SUSPEND}));
    EXPECT_TRUE(p.calls.empty());
}

TEST(VideoState, DisplayChangeWhileSignalPresentMakesVideoUnavailable) {
    Playing p;
    EXPECT_TRUE(p.Changed({EV_DISPLAY_CHANGED}));
    EXPECT_EQ(p.state.Words(), W(0, 0, 0, 0));
    EXPECT_FALSE(p.Changed({EV_SIGNAL}));
    // Before initialisation a display change changes nothing.
    Recorder r;
    EXPECT_FALSE(r.Changed({EV_DISPLAY_CHANGED}));
}

TEST(VideoState, DeviceErrorBlocksPlayEventsForGoodButSignalStillCounts) {
    Playing p;
    p.state.Post({EV_DEVICE_ERROR});
    EXPECT_TRUE(p.state.Error());
    EXPECT_EQ(p.state.Words(), W(0, 0, 0, 0));
    p.state.Post({EV_NO_SIGNAL});
    p.state.Post({EV_SIGNAL});
    EXPECT_EQ(p.state.Words().available, 1u);
    p.state.Post({EV_SUSPEND});
    p.state.Post({EV_RESUME});
    for (uint32_t ev = EV_LIVE; ev <= EV_VIDEO_OFF; ++ev) p.state.Post({ev});
    EXPECT_EQ(p.state.Words().mode, 0u);
    EXPECT_EQ(p.state.Words().video, 0u);
    EXPECT_EQ(p.state.Words().audio, 0u);
    EXPECT_TRUE(p.state.Error());
}

TEST(VideoState, CableLostAndNoSignalResetOnlyOnTheWayIn) {
    Playing p;
    EXPECT_TRUE(p.Changed({EV_CABLE_LOST}));
    EXPECT_FALSE(p.Changed({EV_NO_SIGNAL}));
    EXPECT_TRUE(p.state.NoSignal());
}

TEST(VideoState, UnknownCodesAreIgnored) {
    Playing p;
    EXPECT_FALSE(p.Changed({17, 100, 0xFFFFFFFFu}));
    EXPECT_TRUE(p.calls.empty());
}

TEST(VideoState, HandlerMayPostAgainAndSeesTheStoredWords) {
    std::vector<VideoWords> seen;
    VideoState* self = nullptr;
    VideoState s([&](VideoStateChangedEventArgs a) {
        seen.push_back(a.new_words);
        // The client answers the notification with a play request.
        if (a.new_words.available == 1 && a.new_words.video == 0) self->Post({EV_VIDEO_ON});
    });
    self = &s;
    s.Post({EV_INIT_DONE, EV_SIGNAL});
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[1], W(1, 0, 1, 0));
    EXPECT_EQ(s.Words(), W(1, 0, 1, 0));
}

TEST(VideoState, SetStateBatchSkipsUnknownModes) {
    uint32_t b[3];
    ASSERT_EQ(SetStateBatch(0, 1, 1, b), 3u);
    EXPECT_EQ(b[0], EV_LIVE);
    EXPECT_EQ(b[1], EV_VIDEO_ON);
    EXPECT_EQ(b[2], EV_AUDIO_ON);
    ASSERT_EQ(SetStateBatch(2, 0, 0, b), 3u);
    EXPECT_EQ(b[0], EV_MOVIE_FORMAT1);
    ASSERT_EQ(SetStateBatch(1, 5, 0, b), 3u);
    EXPECT_EQ(b[0], EV_PAUSE);
    EXPECT_EQ(b[1], EV_VIDEO_ON);
    ASSERT_EQ(SetStateBatch(7, 0, 1, b), 2u);
    EXPECT_EQ(b[0], EV_VIDEO_OFF);
    EXPECT_EQ(b[1], EV_AUDIO_ON);
}
