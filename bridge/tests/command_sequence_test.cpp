// The shared parameter and result words stay whole across threads: while a fast movie has its
// frames given back by the transfer thread and the NotificationThread queries the playback
// state on plane events (both outside the API lock), every property answer and every
// parameter the controller receives is the caller's own.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <iostream>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "bridge/tests/MovieSupport.h"

namespace bridgetest {
namespace {

constexpr std::uint32_t kParam0 = 0x0E100340u;
constexpr std::uint32_t kParam1 = 0x0E100344u;
constexpr std::uint32_t kCmdWdtSet = 0x00001u;
constexpr std::uint32_t kPlaneMovieEvent = 0x20300001u;
constexpr std::int32_t kPanelW = 1366;
constexpr std::int32_t kPanelH = 768;

struct FrameGiver {
    KdrHandle* dev = nullptr;
    std::int32_t* plane = nullptr;
    std::atomic<std::uint64_t> frames{0};
    std::atomic<std::uint64_t> refused{0};

    static void KDR_CALL Callback(void* user, const KdrMovieFrame* frame) {
        auto* self = static_cast<FrameGiver*>(user);
        if (Kdr_VpSetProp(self->dev, self->plane, KDR_VP_FRAME_RELEASE, &frame->frame_id) != KDR_OK) {
            self->refused.fetch_add(1);
        }
        self->frames.fetch_add(1);
    }
};

class CommandSequenceTest : public PlaneTest {
protected:
    std::string MakeScenario() override {
        return R"({"movie": {"buffers": 4, "fps": 240}, "panel": {"width": 1366, "height": 768}})";
    }

    void TearDown() override {
        StopPressure();
        if (dev_ != nullptr && Kdr_VpPlay(&dev_, &video_) != KDR_OK) ADD_FAILURE() << "back to live";
        PlaneTest::TearDown();
    }

    // Plane events make the NotificationThread query the state without the API lock. Only a
    // few messages are kept waiting for delivery, so the caller's replies never queue behind a
    // backlog of events on a slow host.
    void StartPressure() {
        pressure_ = std::thread([this] {
            while (!stop_.load()) {
                const MrcSimStatus s = simhost::Status();
                if (s.events + s.replies - s.delivered - s.undelivered < 4) simhost::Emit(32, kPlaneMovieEvent, 0, 0, 0);
                std::this_thread::sleep_for(std::chrono::microseconds(200));
            }
        });
    }
    void StopPressure() {
        stop_.store(true);
        if (pressure_.joinable()) pressure_.join();
    }

    // Notes a wrong answer; the first few are described.
    void Mismatch(const std::string& what) {
        if (mismatches_++ < 5) ADD_FAILURE() << what;
    }

    std::atomic<bool> stop_{false};
    std::thread pressure_;
    int mismatches_ = 0;
    // Members: the connection, closed in TearDown, may still write frames into the buffer.
    std::vector<std::uint8_t> buffer_;
    FrameGiver giver_;
};

std::string Describe(const char* what, std::int64_t got, std::int64_t want) {
    std::ostringstream s;
    s << what << ": got " << got << ", expected " << want;
    return s.str();
}

TEST_F(CommandSequenceTest, AnswersAndParametersStayTheCallersOwnBesideFramesAndStateQueries) {
    KdrOutputInfo output{};
    KdrHdmiInfo hdmi{};
    ASSERT_EQ(Kdr_DevGetProp(&dev_, KDR_DEV_OUTPUT, &output), KDR_OK);
    ASSERT_EQ(Kdr_DevGetProp(&dev_, KDR_DEV_HDMI, &hdmi), KDR_OK);
    ASSERT_GT(output.size.x, 3);  // not mistakable for a playback state in the first result word
    ASSERT_GT(hdmi.size.x, 3);

    buffer_.assign(static_cast<std::size_t>(FrameBytes(320, 180, 1)) * 4, 0);
    FrameGiver& giver = giver_;
    giver.dev = &dev_;
    giver.plane = &video_;
    ASSERT_EQ(SetMovie(320, 180, 1, buffer_.data(), static_cast<std::uint32_t>(buffer_.size())), KDR_OK);
    ASSERT_EQ(Kdr_VpSetCb(&dev_, &video_, KDR_CB_MOVIE, KDR_CALLBACK(&FrameGiver::Callback), &giver), KDR_OK);
    ASSERT_EQ(Kdr_VpMovie(&dev_, &video_), KDR_OK);
    ASSERT_TRUE(WaitFor([&] { return giver.frames.load() > 0; }));
    simhost::ClearRecord();
    StartPressure();

    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(1500);
    std::int32_t rounds = 0;
    std::vector<std::int32_t> sent;  // the interval of each watchdog set, in order
    while (std::chrono::steady_clock::now() < end && mismatches_ < 20) {
        const std::int32_t n = rounds++;
        KdrWdtInfo set{};
        set.interval = 1000 + n;
        set.err_count = n;
        if (const std::int32_t r = Kdr_DevSetProp(&dev_, KDR_DEV_WDT, &set); r != KDR_OK) {
            Mismatch(Describe("watchdog set result", r, KDR_OK));
        }
        sent.push_back(set.interval);

        KdrWdtInfo wdt{};
        if (const std::int32_t r = Kdr_DevGetProp(&dev_, KDR_DEV_WDT, &wdt); r != KDR_OK) {
            Mismatch(Describe("watchdog get result", r, KDR_OK));
        } else if (wdt.state != 1 || wdt.interval != set.interval || wdt.err_count != n) {
            Mismatch(Describe("watchdog interval", wdt.interval, set.interval));
        }

        KdrXY panel{};
        if (const std::int32_t r = Kdr_DevGetProp(&dev_, KDR_DEV_PANEL, &panel); r != KDR_OK) {
            Mismatch(Describe("panel result", r, KDR_OK));
        } else if (panel.x != kPanelW || panel.y != kPanelH) {
            Mismatch(Describe("panel width", panel.x, kPanelW));
        }

        KdrOutputInfo o{};
        if (const std::int32_t r = Kdr_DevGetProp(&dev_, KDR_DEV_OUTPUT, &o); r != KDR_OK) {
            Mismatch(Describe("output result", r, KDR_OK));
        } else if (o.size.x != output.size.x || o.size.y != output.size.y || o.event != output.event) {
            Mismatch(Describe("output width", o.size.x, output.size.x));
        }

        KdrHdmiInfo h{};
        if (const std::int32_t r = Kdr_DevGetProp(&dev_, KDR_DEV_HDMI, &h); r != KDR_OK) {
            Mismatch(Describe("HDMI result", r, KDR_OK));
        } else if (h.size.x != hdmi.size.x || h.size.y != hdmi.size.y || h.event != hdmi.event ||
                   h.fps != hdmi.fps || h.format != hdmi.format) {
            Mismatch(Describe("HDMI width", h.size.x, hdmi.size.x));
        }

        std::int32_t state = 0;
        if (const std::int32_t r = Kdr_VpGetProp(&dev_, &video_, KDR_VP_STATE, &state); r != KDR_OK) {
            Mismatch(Describe("state result", r, KDR_OK));
        } else if (state != KDR_STATE_MOVIE) {
            Mismatch(Describe("state", state, KDR_STATE_MOVIE));
        }
    }
    StopPressure();
    EXPECT_EQ(mismatches_, 0) << "in " << rounds << " rounds";

    // The controller saw each watchdog set with the caller's words, and the other threads
    // really did run their commands in between.
    const std::vector<MrcSimRecord> record = Record();
    std::uint32_t p0 = 0, p1 = 0;
    std::size_t sets = 0, give_backs = 0, queries = 0, bad_sets = 0;
    for (const MrcSimRecord& e : record) {
        if (e.kind == simhost::kRecordWrite32 && e.address == kParam0) p0 = e.words[0];
        if (e.kind == simhost::kRecordWrite32 && e.address == kParam1) p1 = e.words[0];
        if (e.kind != simhost::kRecordMessage || e.channel != 34) continue;
        if (e.words[0] == kCmdGiveBack) ++give_backs;
        if (e.words[0] == kCmdStateQuery) ++queries;
        if (e.words[0] == kCmdWdtSet) {
            if (sets >= sent.size() || p0 != static_cast<std::uint32_t>(sent[sets]) ||
                p1 != static_cast<std::uint32_t>(sent[sets] - 1000)) {
                ++bad_sets;
            }
            ++sets;
        }
    }
    EXPECT_EQ(sets, sent.size());
    EXPECT_EQ(bad_sets, 0u) << "watchdog sets whose parameter words were another thread's";
    EXPECT_GT(give_backs, 50u) << "frames given back during the loop";
    EXPECT_GT(queries, static_cast<std::size_t>(rounds) + 50u) << "state queries beside the caller's own";
    EXPECT_EQ(giver.refused.load(), 0u);
    std::cout << "[          ] " << rounds << " rounds, " << give_backs << " frames given back, " << queries
              << " state queries\n";
}

}  // namespace
}  // namespace bridgetest
