// Request queue: merge and apply passes against a recording bridge seam.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>

#include "capture/core/ApplyPass.h"
#include "capture/tests/FakeSink.h"
#include "capture/core/Requests.h"

using namespace Capwell::Lib;
using cwtest::FakeSink;
using Strings = std::vector<std::string>;

namespace {

// A queue whose controller already has the state of a started plane.
struct Started {
    RequestQueue q;
    FakeSink sink;
    Started() {
        q.SetOutputSize(1920, 1080);
        Requests::PlaneStart(q, 1920, 1080);
        Requests::ColorReset(q);
        Requests::StageEnables(q);
        while (RunOnePass(q, sink)) {
        }
        sink.calls.clear();
    }
};

}  // namespace

TEST(RequestQueue, EmptyQueueGivesNoPass) {
    RequestQueue q;
    FakeSink sink;
    EXPECT_FALSE(RunOnePass(q, sink));
    EXPECT_TRUE(q.Idle());
    EXPECT_TRUE(sink.calls.empty());
}

TEST(RequestQueue, ThreeZoomsInOnePeriodSendOneSetPropWithTheLast) {
    Started s;
    Requests::Zoom(s.q, 10, 20, 100, 200);
    Requests::Zoom(s.q, 11, 21, 101, 201);
    Requests::Zoom(s.q, 12, 22, 102, 202);
    ASSERT_TRUE(RunOnePass(s.q, s.sink));
    EXPECT_EQ(s.sink.Kinds(), (Strings{"zoom", "draw"}));
    const auto* z = s.sink.Last("zoom");
    EXPECT_EQ(z->value, KDR_VP_SRC_PARTS);
    EXPECT_EQ(z->zoom.top.x, 12);
    EXPECT_EQ(z->zoom.top.y, 22);
    EXPECT_EQ(z->zoom.size.x, 102);
    EXPECT_EQ(z->zoom.size.y, 202);
    EXPECT_EQ(z->zoom.parts.x, 3840);
    EXPECT_EQ(z->zoom.parts.y, 2160);
    EXPECT_FALSE(RunOnePass(s.q, s.sink));
}

TEST(RequestQueue, ResetZoomSendsWholeModeKeepingTheRectangle) {
    Started s;
    Requests::Zoom(s.q, 12, 22, 102, 202);
    RunOnePass(s.q, s.sink);
    s.sink.calls.clear();
    Requests::ZoomWhole(s.q);
    RunOnePass(s.q, s.sink);
    ASSERT_EQ(s.sink.Count("zoom"), 1);
    EXPECT_EQ(s.sink.Last("zoom")->value, KDR_VP_SRC_WHOLE);
}

TEST(RequestQueue, ForceRequestEndsThePass) {
    Started s;
    Requests::Zoom(s.q, 1, 1, 10, 10);
    Requests::Force(s.q);
    Requests::Zoom(s.q, 2, 2, 20, 20);
    // Pass 1: the first zoom and, forced, every group.
    ASSERT_TRUE(RunOnePass(s.q, s.sink));
    EXPECT_EQ(s.sink.Kinds(), (Strings{"angle", "position", "zoom", "video", "lut", "matrix",
                                       "drive_cutoff", "mute", "axes", "draw"}));
    EXPECT_EQ(s.sink.Last("zoom")->zoom.top.x, 1);
    s.sink.calls.clear();
    // Pass 2: the later zoom alone.
    ASSERT_TRUE(RunOnePass(s.q, s.sink));
    EXPECT_EQ(s.sink.Kinds(), (Strings{"zoom", "draw"}));
    EXPECT_EQ(s.sink.Last("zoom")->zoom.top.x, 2);
}

TEST(RequestQueue, ValueEqualToTheControllersSendsNothingAndNoDraw) {
    Started s;
    Requests::ColorReset(s.q);
    Requests::Mute(s.q, 0, 0, 0);
    ASSERT_TRUE(RunOnePass(s.q, s.sink));
    EXPECT_TRUE(s.sink.calls.empty());
}

TEST(RequestQueue, FailedSendEndsThePassAndLaterGroupsGoNext) {
    Started s;
    uint16_t pts[33];
    for (int i = 0; i < 33; ++i) pts[i] = static_cast<uint16_t>(i * 30);
    Requests::LutChannel(s.q, 1, pts);
    Requests::Mute(s.q, 1, 0, 1);
    s.sink.fail_on = "lut";
    bool ok = true;
    ASSERT_TRUE(RunOnePass(s.q, s.sink, &ok));
    EXPECT_FALSE(ok);
    EXPECT_EQ(s.sink.Kinds(), (Strings{"lut"}));  // no mute, no draw
    s.sink.calls.clear();
    // The mute is still merged into the desired state; the next pass that
    // runs (any request) carries it. The failed LUT is not repeated.
    Requests::Video(s.q, 0);
    ASSERT_TRUE(RunOnePass(s.q, s.sink, &ok));
    EXPECT_TRUE(ok);
    EXPECT_EQ(s.sink.Kinds(), (Strings{"mute", "draw"}));
    EXPECT_EQ(s.sink.Last("mute")->mute.enb[2], 1);
}

TEST(RequestQueue, MergeNormalisesVideoEnablesAndLutPoints) {
    RequestQueue q;
    FakeSink sink;
    RequestSlot* slot = q.Reserve();
    slot->body.video = 7;  // only 1 means on
    slot->body.lut.enb = 5;
    slot->body.lut.lut[0][3] = 1500;
    slot->body.lut.lut[0][4] = 0xFFF0;
    slot->body.zoom_mode = 4;  // not a zoom mode: not taken
    slot->body.flags = kGroupVideo | kGroupLutEnb | kGroupLutR | kGroupZoom;
    RequestQueue::Commit(slot);
    bool force = false;
    ASSERT_TRUE(q.MergePass(force));
    EXPECT_EQ(q.Desired().video, 0);
    EXPECT_EQ(q.Desired().lut.enb, 1);
    EXPECT_EQ(q.Desired().lut.lut[0][3], 1023);
    EXPECT_EQ(q.Desired().lut.lut[0][4], 0);
    EXPECT_EQ(q.Desired().zoom_mode, kZoomWhole);
}

TEST(RequestQueue, TwelveAxisColoursMergePerColour) {
    Started s;
    CpwTwelveAxes a{};
    a.color = 3;
    a.h_offset = 10;
    ASSERT_EQ(Requests::AxisColor(s.q, a), CPW_OK);
    a.color = 5;
    a.h_offset = 50;
    ASSERT_EQ(Requests::AxisColor(s.q, a), CPW_OK);
    a.color = 3;
    a.h_offset = 30;
    ASSERT_EQ(Requests::AxisColor(s.q, a), CPW_OK);
    RunOnePass(s.q, s.sink);
    ASSERT_EQ(s.sink.Count("axes"), 1);
    const auto& axes = s.sink.Last("axes")->axes;
    EXPECT_EQ(axes.enb, 1);
    EXPECT_EQ(axes.color[3].h_offset, 30);
    EXPECT_EQ(axes.color[5].h_offset, 50);
    EXPECT_EQ(axes.color[4].h_offset, 128);
    a.color = 12;
    EXPECT_EQ(Requests::AxisColor(s.q, a), CPW_E_PARAM);
    EXPECT_EQ(Requests::AxisColorDefault(s.q, 12), CPW_E_PARAM);
}

TEST(RequestQueue, LateCommitOfAStaleReservationStillWins) {
    Started s;
    Requests::Video(s.q, 1);
    RequestSlot* slow = s.q.Reserve();  // a producer that is slow to commit
    slow->body.video = 0;
    slow->body.flags |= kGroupVideo;
    ASSERT_TRUE(RunOnePass(s.q, s.sink));  // merges the first request only
    EXPECT_EQ(s.sink.Last("video")->value, 1);
    EXPECT_EQ(slow->status.load(), kSlotStale);  // seen by one sweep
    EXPECT_FALSE(RunOnePass(s.q, s.sink));       // blocked behind it: no pass
    RequestQueue::Commit(slow);
    ASSERT_TRUE(RunOnePass(s.q, s.sink));
    EXPECT_EQ(s.sink.Last("video")->value, 0);
    EXPECT_TRUE(s.q.Idle());
}

TEST(RequestQueue, ColourExportsValidateIndexes) {
    RequestQueue q;
    uint16_t pts[33] = {};
    EXPECT_EQ(Requests::LutChannel(q, 3, pts), CPW_E_PARAM);
    EXPECT_EQ(Requests::LutDefault(q, 3), CPW_E_PARAM);
    CpwLutGammaLut lut{};
    EXPECT_EQ(Requests::DefaultLut(2, lut), CPW_OK);
    EXPECT_EQ(lut.channel, 2u);
    EXPECT_EQ(lut.lut[1], 32);
    EXPECT_EQ(lut.lut[31], 992);
    EXPECT_EQ(lut.lut[32], 1023);
    CpwTwelveAxes axes{};
    EXPECT_EQ(Requests::DefaultTwelveAxes(3, axes), CPW_OK);
    const uint16_t expect[12] = {128, 128, 128, 15, 15, 15, 15, 15, 15, 15, 15, 15};
    EXPECT_EQ(axes.color, 3u);
    EXPECT_EQ(std::memcmp(&axes.h_offset, expect, sizeof expect), 0);
    EXPECT_EQ(Requests::DefaultTwelveAxes(12, axes), CPW_E_PARAM);
    CpwRgbMatrix m{};
    Requests::DefaultMatrix(m);
    EXPECT_EQ(m.coef[1], 115);
    EXPECT_EQ(m.coef[4], 498);
    EXPECT_EQ(m.pede, 0x40);
    EXPECT_EQ(m.y_gain, 0x95);
    EXPECT_TRUE(q.Idle());  // rejected requests reserve nothing
}

TEST(RequestQueue, MatrixSetThenResetSendsOnlyTheDefaults) {
    Started s;
    const uint16_t coef[6] = {1, 2, 3, 4, 5, 6};
    Requests::Matrix(s.q, coef, 7, 8);
    Requests::MatrixDefault(s.q);
    RunOnePass(s.q, s.sink);
    EXPECT_TRUE(s.sink.calls.empty());  // the controller already has the defaults
}

TEST(RequestQueue, MuteNormalisesToOnesAndZeros) {
    Started s;
    Requests::Mute(s.q, 5, 0, 1);
    RunOnePass(s.q, s.sink);
    ASSERT_EQ(s.sink.Count("mute"), 1);
    const auto& m = s.sink.Last("mute")->mute;
    EXPECT_EQ(m.enb[0], 1);
    EXPECT_EQ(m.enb[1], 0);
    EXPECT_EQ(m.enb[2], 1);
}

TEST(RequestQueue, BurstBeyondTheRingKeepsTheNewestOfEveryGroup) {
    Started s;
    for (int i = 0; i < 10000; ++i) {
        Requests::Zoom(s.q, i, i + 1, static_cast<uint16_t>(i % 3840), 7);
        if (i % 7 == 0) Requests::Mute(s.q, i & 1, (i >> 1) & 1, (i >> 2) & 1);
        if (i % 13 == 0) {
            CpwTwelveAxes a{};
            a.color = static_cast<uint32_t>(i % 12);
            a.h_offset = static_cast<uint16_t>(i % 256);
            Requests::AxisColor(s.q, a);
        }
    }
    EXPECT_GT(s.q.Folds(), 0u);
    ASSERT_TRUE(RunOnePass(s.q, s.sink));
    EXPECT_FALSE(RunOnePass(s.q, s.sink));
    EXPECT_EQ(s.sink.Count("zoom"), 1);
    EXPECT_EQ(s.sink.Last("zoom")->zoom.top.x, 9999);
    EXPECT_EQ(s.sink.Last("zoom")->zoom.size.x, 9999 % 3840);
    const int last_mute = 9996;  // last multiple of 7 below 10000
    EXPECT_EQ(s.sink.Last("mute")->mute.enb[0], last_mute & 1);
    EXPECT_EQ(s.sink.Last("mute")->mute.enb[1], (last_mute >> 1) & 1);
    EXPECT_EQ(s.sink.Last("mute")->mute.enb[2], (last_mute >> 2) & 1);
    // The newest block of every colour.
    for (int c = 0; c < 12; ++c) {
        int newest = -1;
        for (int i = 0; i < 10000; i += 13)
            if (i % 12 == c) newest = i;
        EXPECT_EQ(s.sink.Last("axes")->axes.color[c].h_offset, newest % 256) << c;
    }
    EXPECT_TRUE(s.q.Idle());
}

TEST(RequestQueue, ForceInsideAnOverrunStillForcesAPass) {
    Started s;
    for (int i = 0; i < 150; ++i) Requests::Video(s.q, i & 1);
    Requests::Force(s.q);
    for (int i = 0; i < 150; ++i) Requests::Zoom(s.q, i, 0, 5, 5);
    int passes = 0;
    bool saw_forced = false;
    while (RunOnePass(s.q, s.sink)) {
        ++passes;
        if (s.sink.Count("angle") > 0) saw_forced = true;
    }
    EXPECT_TRUE(saw_forced);
    EXPECT_EQ(s.sink.Last("zoom")->zoom.top.x, 149);
    EXPECT_EQ(s.sink.Last("video")->value, 1);  // 149 & 1
}

TEST(RequestQueue, ConcurrentProducerAndWorkerLoseNothing) {
    Started s;
    std::atomic<bool> done{false};
    std::thread worker([&] {
        while (!done.load() || !s.q.Idle()) {
            RunOnePass(s.q, s.sink);
            std::this_thread::yield();
        }
    });
    for (int i = 0; i < 20000; ++i) {
        Requests::Zoom(s.q, i, 0, 1, 1);
        if (i % 5 == 0) Requests::DriveCutoffPos(s.q, static_cast<uint32_t>(i & 1));
    }
    done.store(true);
    worker.join();
    ASSERT_NE(s.sink.Last("zoom"), nullptr);
    EXPECT_EQ(s.sink.Last("zoom")->zoom.top.x, 19999);
    // Zoom values reach the seam in increasing order: nothing older overtook.
    int last = -1;
    for (const auto& c : s.sink.calls)
        if (c.what == "zoom") {
            EXPECT_GT(c.zoom.top.x, last);
            last = c.zoom.top.x;
        }
    EXPECT_EQ(s.q.Applied().drive_cutoff.post_lutgamma, 19995 & 1);
}

TEST(ApplyPass, PositionMapping) {
    const Position p{100, 50, 640, 360};
    KdrRect r = MapPosition(p, 1920, 1080, 1920, 1080, 0);
    EXPECT_EQ(r.top.x, 100);
    EXPECT_EQ(r.top.y, 50);
    EXPECT_EQ(r.size.x, 640);
    EXPECT_EQ(r.size.y, 360);
    r = MapPosition(p, 1920, 1080, 1920, 1080, 180);
    EXPECT_EQ(r.top.x, 1180);
    EXPECT_EQ(r.top.y, 670);
    EXPECT_EQ(r.size.x, 640);
    EXPECT_EQ(r.size.y, 360);
    r = MapPosition(p, 0, 1080, 1920, 1080, 0);
    EXPECT_EQ(r.size.x, 0);
    EXPECT_EQ(r.size.y, 0);
    // A portrait display (1080 x 1920 turned by 90) on a landscape output.
    r = MapPosition(Position{0, 0, 1080, 1920}, 1080, 1920, 1920, 1080, 90);
    EXPECT_EQ(r.size.x, 1920);
    EXPECT_EQ(r.size.y, 1080);
}

TEST(ApplyPass, DisplayChangeResendsPositionOnly) {
    Started s;
    Requests::Display(s.q, 1280, 720);
    RunOnePass(s.q, s.sink);
    EXPECT_EQ(s.sink.Kinds(), (Strings{"position", "draw"}));
}

TEST(ApplyPass, AudioSwitchesWithoutBridgeCall) {
    Started s;
    Requests::Audio(s.q, 1);
    RunOnePass(s.q, s.sink);
    EXPECT_TRUE(s.sink.audio_on);
    EXPECT_TRUE(s.sink.calls.empty());
}
