// Movie capture end to end against the simulated controller on its manual clock: frames
// delivered in order and given back, drop accounting, the HDMI stop, close during a movie,
// unknown notices and a soak.
#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include "bridge/tests/MovieSupport.h"
#include "bridge/tests/Resources.h"
#if !defined(_WIN32)
#include "bridge/src/MovieQueue.h"
#include "simulator/model/Pattern.h"
#endif

namespace bridgetest {
namespace {

// Records what the movie callback receives and gives frames back (or holds them).
struct Recorder {
    KdrHandle* dev = nullptr;
    std::int32_t* plane = nullptr;
    const std::uint8_t* buffer = nullptr;
    std::uint32_t buffer_size = 0;
    std::uint32_t frame_bytes = 0;
    std::uint32_t slots = 0;
    std::atomic<bool> hold{false};

    std::mutex m;
    std::condition_variable cv;
    std::vector<KdrMovieFrame> frames;
    std::vector<KdrMovieFrame> held;
    std::vector<std::int64_t> counters;  // picture counters read from the frame data (native)
    std::uint64_t released = 0;
    int problems = 0;  // inconsistencies seen inside the callback

    static void KDR_CALL Callback(void* user, const KdrMovieFrame* frame) {
        static_cast<Recorder*>(user)->OnFrame(*frame);
    }

    void OnFrame(const KdrMovieFrame& f) {
        int bad = 0;
        const auto* data = static_cast<const std::uint8_t*>(f.data.buffer);
        if (data < buffer || data + f.data.size > buffer + buffer_size || f.data.size != frame_bytes ||
            (data - buffer) % frame_bytes != 0 || f.reserved != 0) {
            ++bad;
        }
        std::uint32_t after_size = 0xFFFFFFFFu;
        std::memcpy(&after_size, reinterpret_cast<const std::uint8_t*>(&f.data) + 12, 4);
        if (after_size != 0) ++bad;
        // The statistics agree with the lists while a frame is out.
        KdrMovieStats s{};
        if (Kdr_VpGetProp(dev, plane, KDR_VP_MOVIE_STATS, &s) != KDR_OK || s.slots != slots ||
            s.free >= s.slots || s.frames < f.frame_id + 1) {
            ++bad;
        }
        std::int64_t counter = -1;
#if !defined(_WIN32)
        if (f.format == 1) {
            counter = mrcsim::PatternRenderer::ReadCounter(
                data, static_cast<std::uint32_t>(f.size.x), static_cast<std::uint32_t>(f.size.y),
                static_cast<std::ptrdiff_t>(frame_bytes / static_cast<std::uint32_t>(f.size.y)));
        }
#endif
        bool give = !hold.load();
        if (give) {
            if (Kdr_VpSetProp(dev, plane, KDR_VP_FRAME_RELEASE, &f.frame_id) != KDR_OK) ++bad;
        }
        std::lock_guard<std::mutex> lock(m);
        problems += bad;
        frames.push_back(f);
        counters.push_back(counter);
        if (give) {
            ++released;
        } else {
            held.push_back(f);
        }
        cv.notify_all();
    }

    bool WaitFrames(std::size_t n, int ms = 10000) {
        std::unique_lock<std::mutex> lock(m);
        return cv.wait_for(lock, std::chrono::milliseconds(ms), [&] { return frames.size() >= n; });
    }
    std::size_t Count() {
        std::lock_guard<std::mutex> lock(m);
        return frames.size();
    }
    std::vector<KdrMovieFrame> Frames() {
        std::lock_guard<std::mutex> lock(m);
        return frames;
    }
};

class MovieTest : public PlaneTest {
protected:
    std::string MakeScenario() override { return R"({"clock": "manual", "movie": {"buffers": 4}})"; }

    void TearDown() override {
        if (dev_ != nullptr && Kdr_VpPlay(&dev_, &video_) != KDR_OK) ADD_FAILURE() << "back to live";
        PlaneTest::TearDown();
    }

    void Start(std::int32_t w, std::int32_t h, std::uint32_t slots, std::int32_t format = 1) {
        rec_.dev = &dev_;
        rec_.plane = &video_;
        rec_.frame_bytes = FrameBytes(w, h, format);
        rec_.slots = slots;
        buffer_.assign(static_cast<std::size_t>(rec_.frame_bytes) * slots, 0);
        rec_.buffer = buffer_.data();
        rec_.buffer_size = static_cast<std::uint32_t>(buffer_.size());
        ASSERT_EQ(SetMovie(w, h, format, buffer_.data(), rec_.buffer_size), KDR_OK);
        ASSERT_EQ(Kdr_VpSetCb(&dev_, &video_, KDR_CB_MOVIE, KDR_CALLBACK(&Recorder::Callback), &rec_), KDR_OK);
        ASSERT_EQ(Kdr_VpMovie(&dev_, &video_), KDR_OK);
    }

    // Moves the controller's clock by one frame period at 60 per second.
    static void Tick(std::uint32_t frames = 1) {
        for (std::uint32_t i = 0; i < frames; ++i) ASSERT_EQ(Sim().Advance(17), 0);
    }

    static MrcSimStatus SimStatus() {
        MrcSimStatus s{};
        EXPECT_EQ(Sim().GetStatus(&s), 0);
        return s;
    }

    // Waits until the bridge has handled every notice the controller sent.
    bool Settled(int ms = 10000) {
        return WaitFor(
            [&] {
                const MrcSimStatus s = SimStatus();
                return Stats().frames == s.frames_produced && simhost::WaitIdle(1000);
            },
            ms);
    }

    Recorder rec_;
    std::vector<std::uint8_t> buffer_;
};

TEST_F(MovieTest, FramesArriveInOrderAndAreGivenBackFromTheCallback) {
    Start(320, 180, 4);
    for (int i = 0; i < 30; ++i) {
        Tick();
        ASSERT_TRUE(rec_.WaitFrames(static_cast<std::size_t>(i) + 1)) << i;
    }
    ASSERT_TRUE(Settled());
    const auto frames = rec_.Frames();
    ASSERT_EQ(frames.size(), 30u);
    for (std::size_t i = 0; i < frames.size(); ++i) {
        EXPECT_EQ(frames[i].frame_id, i);
        EXPECT_EQ(frames[i].drop_count, 0u);
        EXPECT_EQ(frames[i].size.x, 320);
        EXPECT_EQ(frames[i].size.y, 180);
        EXPECT_EQ(frames[i].format, 1);
    }
    EXPECT_EQ(rec_.problems, 0);
#if !defined(_WIN32)
    // The pixels are the controller's pictures, newer ones later.
    for (std::size_t i = 1; i < rec_.counters.size(); ++i) {
        EXPECT_GE(rec_.counters[i], rec_.counters[i - 1]) << i;
    }
    ASSERT_FALSE(rec_.counters.empty());
    EXPECT_GE(rec_.counters.front(), 0);
    EXPECT_GE(rec_.counters.back() - rec_.counters.front(), 25);
#endif
    const KdrMovieStats s = Stats();
    EXPECT_EQ(s.slots, 4u);
    EXPECT_EQ(s.free, 4u);
    EXPECT_EQ(s.frames, 30u);
    EXPECT_EQ(s.dropped, 0u);
    EXPECT_EQ(SimStatus().frames_out, 0u);  // every controller frame went back
    EXPECT_EQ(PeekWord(0x0E100040u), 30u);
    EXPECT_EQ(PeekDouble(0x0E100048u), 30.0 * rec_.frame_bytes);
    EXPECT_GE(PeekDouble(0x0E100050u), 0.0);
}

TEST_F(MovieTest, DropCountsCarryDeviceDropsAndLocalFailures) {
    Start(320, 180, 4);
    rec_.hold = true;
    // 4 into slots, 4 waiting in the controller's buffers, 2 dropped by the device.
    for (std::size_t i = 1; i <= 10; ++i) {
        Tick();
        if (i <= 4) {
            ASSERT_TRUE(rec_.WaitFrames(i));
        }
        ASSERT_TRUE(simhost::WaitIdle());
    }
    EXPECT_EQ(SimStatus().frames_dropped, 2u);
    KdrMovieStats s = Stats();
    EXPECT_EQ(s.free, 0u);
    EXPECT_EQ(s.slots, 4u);

    // Out of order is refused; in order frees the slots and the waiting frames come in.
    std::vector<KdrMovieFrame> held;
    {
        std::lock_guard<std::mutex> lock(rec_.m);
        held.swap(rec_.held);
    }
    ASSERT_EQ(held.size(), 4u);
    EXPECT_EQ(Kdr_VpSetProp(&dev_, &video_, KDR_VP_FRAME_RELEASE, &held[1].frame_id), KDR_ERR_PARAM);
    for (const auto& f : held) EXPECT_EQ(Kdr_VpSetProp(&dev_, &video_, KDR_VP_FRAME_RELEASE, &f.frame_id), KDR_OK);
    ASSERT_TRUE(rec_.WaitFrames(8));
    // The four that waited in the controller came in behind; give them back too.
    {
        std::lock_guard<std::mutex> lock(rec_.m);
        held.clear();
        held.swap(rec_.held);
    }
    ASSERT_EQ(held.size(), 4u);
    for (const auto& f : held) EXPECT_EQ(Kdr_VpSetProp(&dev_, &video_, KDR_VP_FRAME_RELEASE, &f.frame_id), KDR_OK);
    rec_.hold = false;

    ASSERT_TRUE(Settled());
    // The next notice carries the two device drops; then two reads of the controller's first
    // buffer fail: local failures.
    Tick();
    ASSERT_TRUE(rec_.WaitFrames(9)) << Stats().frames << " handled, " << Stats().free << " free, "
                                    << SimStatus().frames_produced << " produced, "
                                    << SimStatus().frames_dropped << " dropped, " << SimStatus().frames_out
                                    << " out, " << rec_.Count() << " delivered";
    simhost::FailRegister(kFrameBase, MRCSIM_REG_READ, 2);
    for (int i = 0; i < 6; ++i) {
        Tick();
        ASSERT_TRUE(Settled());
    }
    // The last frame may still be on its way to the callback.
    ASSERT_TRUE(WaitFor([&] { return Stats().free == 4; }));
    s = Stats();
    const MrcSimStatus sim = SimStatus();
    EXPECT_EQ(s.frames, sim.frames_produced);
    EXPECT_EQ(s.dropped, sim.frames_dropped + 2);
    EXPECT_EQ(s.free, s.slots);
    EXPECT_EQ(sim.frames_out, 0u);  // failed reads gave their frames back too
    std::uint64_t reported = 0;
    const auto frames = rec_.Frames();
    for (std::size_t i = 0; i < frames.size(); ++i) {
        reported += frames[i].drop_count;
        if (i > 0) {
            EXPECT_GT(frames[i].frame_id, frames[i - 1].frame_id);
        }
    }
    EXPECT_EQ(reported, s.dropped);  // every drop reaches the caller once
    EXPECT_EQ(frames.size() + 2, s.frames);
    EXPECT_EQ(rec_.problems, 0);
}

TEST_F(MovieTest, SettingIsRefusedWhileAFrameIsWithTheCaller) {
    Start(320, 180, 2);
    rec_.hold = true;
    Tick();
    ASSERT_TRUE(rec_.WaitFrames(1));
    ASSERT_EQ(Kdr_VpPlay(&dev_, &video_), KDR_OK);
    EXPECT_EQ(SetMovie(320, 180, 1, buffer_.data(), rec_.buffer_size), KDR_ERR_STATE);
    const std::uint64_t id = rec_.Frames()[0].frame_id;
    ASSERT_EQ(Kdr_VpSetProp(&dev_, &video_, KDR_VP_FRAME_RELEASE, &id), KDR_OK);
    EXPECT_EQ(Kdr_VpSetProp(&dev_, &video_, KDR_VP_FRAME_RELEASE, &id), KDR_ERR_PARAM);  // once only
    EXPECT_EQ(SetMovie(320, 180, 1, buffer_.data(), rec_.buffer_size), KDR_OK);
}

TEST_F(MovieTest, FramesArrivingOutsideMovieAreGivenBackAtOnce) {
    Start(320, 180, 4);
    rec_.hold = true;
    Tick(3);  // three with the caller
    ASSERT_TRUE(rec_.WaitFrames(3));
    // A late notice after the movie stopped: never shown, and it must not stick behind the
    // frames the caller still holds.
    ASSERT_EQ(Kdr_VpPlay(&dev_, &video_), KDR_OK);
    simhost::Emit(32, kFrameNotice, 0, (320u << 16) | 180u, kFrameBase + 0x02000000u * 3);
    ASSERT_TRUE(WaitFor([&] { return Stats().frames == 4; }));
    ASSERT_TRUE(WaitFor([&] { return Stats().free == 1; }));
    EXPECT_EQ(rec_.Count(), 3u);
    for (const auto& f : rec_.Frames()) ASSERT_EQ(Kdr_VpSetProp(&dev_, &video_, KDR_VP_FRAME_RELEASE, &f.frame_id), KDR_OK);
    EXPECT_EQ(Stats().free, 4u);
    EXPECT_EQ(SetMovie(320, 180, 1, buffer_.data(), rec_.buffer_size), KDR_OK);
}

TEST_F(MovieTest, NoticeWithAnUnknownFormatCodeIsDropped) {
    Start(320, 180, 4);
    simhost::ClearRecord();
    simhost::Emit(32, kFrameNotice, 3, (320u << 16) | 180u, kFrameBase);
    ASSERT_TRUE(WaitFor([&] { return Stats().frames == 1; }));
    const KdrMovieStats s = Stats();
    EXPECT_EQ(s.dropped, 1u);
    EXPECT_EQ(s.free, 4u);
    EXPECT_EQ(rec_.Count(), 0u);
    const auto codes = simhost::Codes(Record(), 34);
    EXPECT_EQ(std::count(codes.begin(), codes.end(), kCmdGiveBack), 0);
    // The next good frame reports it.
    Tick();
    ASSERT_TRUE(rec_.WaitFrames(1));
    EXPECT_EQ(rec_.Frames()[0].drop_count, 1u);
    EXPECT_EQ(rec_.Frames()[0].frame_id, 1u);
}

TEST_F(MovieTest, FrameKeptBackByAFailedStateQueryIsCountedAsDropped) {
    Start(320, 180, 4);
    // The state queries are refused (the movie start's own state event may ask too): the
    // frame cannot be handed out.
    simhost::FailCommand(34, kCmdStateQuery, MRCSIM_FAULT_FAIL, 1, 0, 0, -1);
    Tick();
    ASSERT_TRUE(WaitFor([&] { return Stats().frames == 1 && Stats().free == 4; }));
    EXPECT_EQ(rec_.Count(), 0u);
    EXPECT_EQ(Stats().dropped, 1u);
    simhost::ClearFaults();
    Tick();
    ASSERT_TRUE(rec_.WaitFrames(1));
    EXPECT_EQ(rec_.Frames()[0].frame_id, 1u);
    EXPECT_EQ(rec_.Frames()[0].drop_count, 1u);  // the caller hears of it with the next frame
}

TEST_F(MovieTest, HdmiChangeDuringMovieReturnsToLive) {
    static std::atomic<std::int32_t> last_state{0};
    last_state = 0;
    auto cb = [](void*, const std::int32_t* state) { last_state = *state; };
    ASSERT_EQ(Kdr_VpSetCb(&dev_, &video_, KDR_CB_STATE, KDR_CALLBACK(+cb), nullptr), KDR_OK);
    Start(320, 180, 4);
    Tick();
    ASSERT_TRUE(rec_.WaitFrames(1));
    simhost::ClearRecord();
    MrcSimHdmi hdmi{};
    hdmi.state = 0;  // cable pulled
    simhost::SetHdmi(hdmi);
    ASSERT_TRUE(WaitFor([] { return last_state.load() == KDR_STATE_LIVE; }));
    EXPECT_EQ(SimStatus().playback_state, 1u);
    const auto codes = StateCommands(Record());
    EXPECT_EQ(std::count(codes.begin(), codes.end(), kCmdMovieStop), 1);
}

TEST_F(MovieTest, CloseDuringAMovieJoinsBothThreadsAndLeavesTheBufferAlone) {
    const Resources before = CurrentResources();
    Start(320, 180, 4);
    Gate gate;
    static Gate* s_gate = nullptr;
    s_gate = &gate;
    static std::atomic<int> refused{0};
    refused = 0;
    // The callback blocks until the close has begun, then tries to give the frame back.
    auto cb = [](void* user, const KdrMovieFrame* f) {
        auto* r = static_cast<Recorder*>(user);
        s_gate->Wait();
        if (Kdr_VpSetProp(r->dev, r->plane, KDR_VP_FRAME_RELEASE, &f->frame_id) != KDR_OK) ++refused;
    };
    ASSERT_EQ(Kdr_VpSetCb(&dev_, &video_, KDR_CB_MOVIE, KDR_CALLBACK(+cb), &rec_), KDR_OK);
    Tick(3);
    ASSERT_TRUE(gate.WaitUntilWaiting());
    const KdrMovieStats s = Stats();
    EXPECT_EQ(s.slots, 4u);

    std::atomic<bool> closed{false};
    std::thread closer([&] {
        EXPECT_EQ(Kdr_DevClose(&dev_), KDR_OK);
        closed = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_FALSE(closed.load());  // waiting for the NotificationThread
    gate.Open();
    closer.join();
    EXPECT_TRUE(closed.load());
    EXPECT_EQ(dev_, nullptr);
    // No lock to be had once the close was under way, for this frame and any still ready.
    EXPECT_GE(refused.load(), 1);

    // Nothing writes into the caller's buffer any more.
    std::fill(buffer_.begin(), buffer_.end(), 0x3C);
    (void)Sim().Advance(500);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_TRUE(std::all_of(buffer_.begin(), buffer_.end(), [](std::uint8_t b) { return b == 0x3C; }));
    EXPECT_TRUE(WaitFor([&] { return CurrentResources().threads <= before.threads; }))
        << CurrentResources().threads << " threads, " << before.threads << " before";
}

#if !defined(_WIN32)
// The transfer time comes from the swappable clock: each block read takes one tick of 1 ms.
std::atomic<std::uint64_t> g_ticks{0};
std::uint64_t FakeNow() { return g_ticks.fetch_add(1000); }

TEST(MovieClock, TransferSecondsComeFromTheClock) {
    tolvane::SetMovieClock({&FakeNow, 1000000u});
    simhost::Reset(R"({"clock": "manual"})");
    KdrHandle dev = nullptr;
    ASSERT_EQ(Kdr_DevOpen(&dev, 0), KDR_OK);
    tolvane::SetMovieClock({});
    std::int32_t video = 0;
    ASSERT_EQ(Kdr_VpCreate(&dev, &video, KDR_PLANE_VIDEO, 0), KDR_OK);
    std::vector<std::uint8_t> buffer(FrameBytes(64, 40, 1) * 2);
    KdrMovieSetting setting{{64, 40}, 1, 60, {buffer.data(), static_cast<std::uint32_t>(buffer.size())}};
    ASSERT_EQ(Kdr_VpSetProp(&dev, &video, KDR_VP_MOVIE_SETTING, &setting), KDR_OK);
    ASSERT_EQ(Kdr_VpMovie(&dev, &video), KDR_OK);  // no callback: frames go back at once
    KdrMovieStats s{};
    for (std::uint64_t i = 1; i <= 5; ++i) {
        ASSERT_EQ(Sim().Advance(17), 0);
        ASSERT_TRUE(WaitFor([&] {
            return Kdr_VpGetProp(&dev, &video, KDR_VP_MOVIE_STATS, &s) == KDR_OK && s.frames == i;
        }));
    }
    ASSERT_TRUE(WaitFor([&] {
        return Kdr_VpGetProp(&dev, &video, KDR_VP_MOVIE_STATS, &s) == KDR_OK && s.frames == 5 && s.free == 2;
    })) << s.frames << " frames, " << s.free << " free, " << s.slots << " slots, " << s.dropped << " dropped";
    EXPECT_DOUBLE_EQ(PeekDouble(0x0E100050u), 0.005);
    EXPECT_EQ(s.dropped, 0u);
    ASSERT_EQ(Kdr_VpPlay(&dev, &video), KDR_OK);
    ASSERT_EQ(Kdr_DevClose(&dev), KDR_OK);
}
#endif

}  // namespace
}  // namespace bridgetest
