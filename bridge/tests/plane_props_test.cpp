// Plane creation and destruction, the property table, playback states and stills against
// the simulated controller.
#include <cstdint>
#include <cstring>
#include <vector>

#include "bridge/tests/MovieSupport.h"

namespace bridgetest {
namespace {

TEST_F(BridgeTest, PlaneCreationGetAndDestructionRules) {
    std::int32_t id = -1;
    EXPECT_EQ(Kdr_VpCreate(&dev_, &id, KDR_PLANE_BASE, 0), KDR_ERR_PARAM);  // exists from the open
    EXPECT_EQ(Kdr_VpCreate(&dev_, &id, KDR_PLANE_VIDEO, 1), KDR_ERR_PARAM);
    EXPECT_EQ(Kdr_VpCreate(&dev_, &id, 3, 0), KDR_ERR_PARAM);
    EXPECT_EQ(Kdr_VpGet(&dev_, &id, KDR_PLANE_VIDEO, 0), KDR_ERR_PARAM);  // not created yet
    EXPECT_EQ(id, -1);

    ASSERT_EQ(Kdr_VpCreate(&dev_, &id, KDR_PLANE_VIDEO, 0), KDR_OK);
    EXPECT_EQ(id, KDR_PLANE_VIDEO);
    EXPECT_EQ(Kdr_VpCreate(&dev_, &id, KDR_PLANE_VIDEO, 0), KDR_ERR_PARAM);

    std::int32_t got = 0;
    EXPECT_EQ(Kdr_VpGet(&dev_, &got, KDR_PLANE_BASE, 0), KDR_OK);
    EXPECT_EQ(got, KDR_PLANE_BASE);
    EXPECT_EQ(Kdr_VpGet(&dev_, &got, KDR_PLANE_VIDEO, 1), KDR_ERR_PARAM);

    // Plane 100 can be created but never fetched.
    // (It keeps existing across opens, so an earlier test may have created it.)
    std::int32_t extra = 0;
    (void)Kdr_VpCreate(&dev_, &extra, KDR_PLANE_EXTRA, 0);
    EXPECT_EQ(Kdr_VpCreate(&dev_, &extra, KDR_PLANE_EXTRA, 0), KDR_ERR_PARAM);
    EXPECT_EQ(Kdr_VpGet(&dev_, &got, KDR_PLANE_EXTRA, 0), KDR_ERR_PARAM);

    // Destroy only plane 2, only while disabled; it keeps existing.
    const std::int32_t on = 1, off = 0;
    ASSERT_EQ(Kdr_VpSetProp(&dev_, &id, KDR_VP_ENABLE, &on), KDR_OK);
    EXPECT_EQ(Kdr_VpDestroy(&dev_, &id), KDR_ERR_PARAM);
    EXPECT_EQ(id, KDR_PLANE_VIDEO);
    ASSERT_EQ(Kdr_VpSetProp(&dev_, &id, KDR_VP_ENABLE, &off), KDR_OK);
    std::int32_t base = KDR_PLANE_BASE;
    EXPECT_EQ(Kdr_VpDestroy(&dev_, &base), KDR_ERR_PARAM);
    EXPECT_EQ(Kdr_VpDestroy(&dev_, &id), KDR_OK);
    EXPECT_EQ(id, 0);
    EXPECT_EQ(Kdr_VpGet(&dev_, &got, KDR_PLANE_VIDEO, 0), KDR_OK);
    EXPECT_EQ(got, KDR_PLANE_VIDEO);

    // A reopen forgets plane 2 again.
    ASSERT_EQ(Kdr_DevClose(&dev_), KDR_OK);
    ASSERT_EQ(Kdr_DevOpen(&dev_, 0), KDR_OK);
    EXPECT_EQ(Kdr_VpGet(&dev_, &got, KDR_PLANE_VIDEO, 0), KDR_ERR_PARAM);

    KdrHandle wrong = reinterpret_cast<KdrHandle>(0x10);
    EXPECT_EQ(Kdr_VpCreate(&wrong, &id, KDR_PLANE_VIDEO, 0), KDR_ERR_FAIL);
    EXPECT_EQ(Kdr_VpGetProp(&wrong, &base, KDR_VP_ENABLE, &got), KDR_ERR_FAIL);
}

TEST_F(PlaneTest, PropertiesOnTheWrongPlaneOrWithUnlistedIds) {
    std::int32_t base = KDR_PLANE_BASE, extra = KDR_PLANE_EXTRA, bogus = 7;
    const KdrRect rect{{1, 2}, {300, 200}};
    EXPECT_EQ(Kdr_VpSetProp(&dev_, &base, KDR_VP_POSITION, &rect), KDR_ERR_UNSUPPORTED);
    EXPECT_EQ(Kdr_VpSetProp(&dev_, &base, KDR_VP_SRC_CROP, &rect), KDR_ERR_UNSUPPORTED);
    EXPECT_EQ(Kdr_VpSetProp(&dev_, &bogus, KDR_VP_POSITION, &rect), KDR_ERR_PARAM);

    KdrRect before{}, after{};
    ASSERT_EQ(Kdr_VpGetProp(&dev_, &video_, KDR_VP_POSITION, &before), KDR_OK);
    EXPECT_EQ(Kdr_VpSetProp(&dev_, &video_, 6, &rect), KDR_OK);
    EXPECT_EQ(Kdr_VpGetProp(&dev_, &base, 6, &after), KDR_OK);
    ASSERT_EQ(Kdr_VpGetProp(&dev_, &video_, KDR_VP_POSITION, &after), KDR_OK);
    EXPECT_EQ(std::memcmp(&before, &after, sizeof before), 0);

    for (std::int32_t id : {7, 8, 9}) {
        EXPECT_EQ(Kdr_VpSetProp(&dev_, &video_, id, &rect), KDR_ERR_UNSUPPORTED) << id;
        EXPECT_EQ(Kdr_VpGetProp(&dev_, &video_, id, &after), KDR_ERR_UNSUPPORTED) << id;
    }
    for (std::int32_t id : {0, 12, 15, 20, 22, 1000}) {
        EXPECT_EQ(Kdr_VpSetProp(&dev_, &video_, id, &rect), KDR_ERR_PARAM) << id;
        EXPECT_EQ(Kdr_VpGetProp(&dev_, &video_, id, &after), KDR_ERR_PARAM) << id;
    }
    // Set-only and get-only ids the other way round.
    std::uint64_t u64 = 0;
    EXPECT_EQ(Kdr_VpSetProp(&dev_, &video_, KDR_VP_STATE, &u64), KDR_ERR_PARAM);
    EXPECT_EQ(Kdr_VpSetProp(&dev_, &video_, KDR_VP_MOVIE_STATS, &u64), KDR_ERR_PARAM);
    EXPECT_EQ(Kdr_VpGetProp(&dev_, &video_, KDR_VP_FRAME_RELEASE, &u64), KDR_ERR_PARAM);
    EXPECT_EQ(Kdr_VpGetProp(&dev_, &video_, KDR_VP_MOVIE_SETTING, &u64), KDR_ERR_PARAM);
    // Video-plane-only gets on the base plane; every get on plane 100.
    KdrStillInfo info{};
    EXPECT_EQ(Kdr_VpGetProp(&dev_, &base, KDR_VP_STILL_INFO, &info), KDR_ERR_UNSUPPORTED);
    EXPECT_EQ(Kdr_VpGetProp(&dev_, &base, KDR_VP_MOVIE_STATS, &info), KDR_ERR_UNSUPPORTED);
    std::int32_t id = 0;
    (void)Kdr_VpCreate(&dev_, &id, KDR_PLANE_EXTRA, 0);  // exists once created, across opens
    std::int32_t value = 0;
    EXPECT_EQ(Kdr_VpGetProp(&dev_, &extra, KDR_VP_ENABLE, &value), KDR_ERR_PARAM);
    EXPECT_EQ(Kdr_VpSetProp(&dev_, &extra, KDR_VP_POSITION, &rect), KDR_OK);
    EXPECT_EQ(Kdr_VpSetProp(&dev_, &extra, KDR_VP_ANGLE, &value), KDR_ERR_UNSUPPORTED);

    // Values: draw mode 1 or 2 only; the index is compared, never changed.
    const std::int32_t mode3 = 3, mode2 = 2;
    EXPECT_EQ(Kdr_VpSetProp(&dev_, &video_, KDR_VP_DRAW_MODE, &mode3), KDR_ERR_PARAM);
    EXPECT_EQ(Kdr_VpSetProp(&dev_, &video_, KDR_VP_DRAW_MODE, &mode2), KDR_OK);
    EXPECT_EQ(Kdr_VpGetProp(&dev_, &video_, KDR_VP_DRAW_MODE, &value), KDR_OK);
    EXPECT_EQ(value, 2);
    std::uint8_t index = 0xFF;
    ASSERT_EQ(Kdr_VpGetProp(&dev_, &base, KDR_VP_INDEX, &index), KDR_OK);
    EXPECT_EQ(index, 1);
    const std::uint8_t other = 5;
    EXPECT_EQ(Kdr_VpSetProp(&dev_, &base, KDR_VP_INDEX, &other), KDR_ERR_PARAM);
    EXPECT_EQ(Kdr_VpSetProp(&dev_, &base, KDR_VP_INDEX, &index), KDR_OK);
    // A missing record is refused, never read.
    EXPECT_EQ(Kdr_VpSetProp(&dev_, &video_, KDR_VP_POSITION, nullptr), KDR_ERR_PARAM);
    EXPECT_EQ(Kdr_VpGetProp(&dev_, &video_, KDR_VP_POSITION, nullptr), KDR_ERR_PARAM);
}

TEST_F(PlaneTest, SourceModesAreExclusiveAndPartsModeDrawsItsTile) {
    std::int32_t mode_ok = Kdr_VpGetProp(&dev_, &video_, KDR_VP_SRC_WHOLE, nullptr);
    EXPECT_EQ(mode_ok, KDR_OK);
    const KdrParts parts{{3, 2}, {1, 0}, {1, 1}};
    ASSERT_EQ(Kdr_VpSetProp(&dev_, &video_, KDR_VP_SRC_PARTS, &parts), KDR_OK);
    KdrParts got{};
    KdrRect crop{};
    EXPECT_EQ(Kdr_VpGetProp(&dev_, &video_, KDR_VP_SRC_PARTS, &got), KDR_OK);
    EXPECT_EQ(std::memcmp(&got, &parts, sizeof got), 0);
    EXPECT_EQ(Kdr_VpGetProp(&dev_, &video_, KDR_VP_SRC_WHOLE, nullptr), KDR_ERR_PARAM);
    EXPECT_EQ(Kdr_VpGetProp(&dev_, &video_, KDR_VP_SRC_CROP, &crop), KDR_ERR_PARAM);

    const KdrRect position{{0, 0}, {640, 540}};
    const std::int32_t on = 1;
    ASSERT_EQ(Kdr_VpSetProp(&dev_, &video_, KDR_VP_POSITION, &position), KDR_OK);
    ASSERT_EQ(Kdr_VpSetProp(&dev_, &video_, KDR_VP_ENABLE, &on), KDR_OK);
    simhost::ClearRecord();
    ASSERT_EQ(Kdr_VpDrawAll(&dev_), KDR_OK);
    const auto rec = Record();
    const std::uint32_t want[4] = {640, 0, 640, 540};  // input 1920 x 1080
    for (std::uint32_t i = 0; i < 4; ++i) {
        std::uint32_t v = 0;
        ASSERT_TRUE(simhost::LastWrite(rec, 0x0E100120u + 4 * i, v));
        EXPECT_EQ(v, want[i]) << i;
    }
    std::uint32_t enb = 0;
    ASSERT_TRUE(simhost::LastWrite(rec, 0x0E100104u, enb));
    EXPECT_EQ(enb, 1u);

    const KdrRect c{{10, 20}, {30, 40}};
    ASSERT_EQ(Kdr_VpSetProp(&dev_, &video_, KDR_VP_SRC_CROP, &c), KDR_OK);
    EXPECT_EQ(Kdr_VpGetProp(&dev_, &video_, KDR_VP_SRC_PARTS, &got), KDR_ERR_PARAM);
    ASSERT_EQ(Kdr_VpGetProp(&dev_, &video_, KDR_VP_SRC_CROP, &crop), KDR_OK);
    EXPECT_EQ(std::memcmp(&crop, &c, sizeof c), 0);
    std::int32_t base = KDR_PLANE_BASE;
    EXPECT_EQ(Kdr_VpSetProp(&dev_, &base, KDR_VP_SRC_WHOLE, nullptr), KDR_OK);
    EXPECT_EQ(Kdr_VpGetProp(&dev_, &base, KDR_VP_SRC_WHOLE, nullptr), KDR_OK);
}

TEST_F(PlaneTest, PlaybackTransitionsSendTheirCommands) {
    EXPECT_EQ(State(), KDR_STATE_LIVE);
    std::int32_t base = KDR_PLANE_BASE;
    EXPECT_EQ(Kdr_VpPause(&dev_, &base), KDR_ERR_PARAM);

    simhost::ClearRecord();
    ASSERT_EQ(Kdr_VpPause(&dev_, &video_), KDR_OK);
    EXPECT_EQ(State(), KDR_STATE_PAUSED);
    EXPECT_EQ(Kdr_VpPause(&dev_, &video_), KDR_OK);     // already there: no command
    EXPECT_EQ(Kdr_VpMovie(&dev_, &video_), KDR_ERR_STATE);  // paused never goes to movie
    ASSERT_EQ(Kdr_VpPlay(&dev_, &video_), KDR_OK);
    EXPECT_EQ(StateCommands(Record()), (std::vector<std::uint32_t>{kCmdPause, kCmdResume}));

    std::vector<std::uint8_t> buffer(FrameBytes(320, 180, 1));
    ASSERT_EQ(SetMovie(320, 180, 1, buffer.data(), static_cast<std::uint32_t>(buffer.size()), 30), KDR_OK);
    simhost::ClearRecord();
    ASSERT_EQ(Kdr_VpMovie(&dev_, &video_), KDR_OK);
    EXPECT_EQ(State(), KDR_STATE_MOVIE);
    EXPECT_EQ(Kdr_VpPause(&dev_, &video_), KDR_ERR_STATE);
    ASSERT_EQ(Kdr_VpPlay(&dev_, &video_), KDR_OK);
    const auto rec = Record();
    EXPECT_EQ(StateCommands(rec), (std::vector<std::uint32_t>{kCmdMovieStart, kCmdMovieStop}));
    // The movie start carried the setting: size, format word 0 for format 1, fps.
    std::uint32_t w = 0, h = 0, f = 9, fps = 0;
    ASSERT_TRUE(simhost::LastWrite(rec, 0x0E100340u, w));
    ASSERT_TRUE(simhost::LastWrite(rec, 0x0E100344u, h));
    ASSERT_TRUE(simhost::LastWrite(rec, 0x0E100348u, f));
    ASSERT_TRUE(simhost::LastWrite(rec, 0x0E10034Cu, fps));
    EXPECT_EQ(w, 320u);
    EXPECT_EQ(h, 180u);
    EXPECT_EQ(f, 0u);
    EXPECT_EQ(fps, 30u);
}

class StillTest : public PlaneTest {
protected:
    std::string MakeScenario() override {
        return R"({"hdmi": {"state": "signal", "width": 3, "height": 2}})";
    }
};

TEST_F(StillTest, InfoAndBitmapSizesForAThreeByTwoStill) {
    KdrStillInfo info{};
    EXPECT_EQ(Kdr_VpGetProp(&dev_, &video_, KDR_VP_STILL_INFO, &info), KDR_ERR_STATE);  // live
    ASSERT_EQ(Kdr_VpPause(&dev_, &video_), KDR_OK);
    std::vector<std::uint8_t> buffer(78, 0xEE);
    KdrBuffer b{buffer.data(), 78};
    EXPECT_EQ(Kdr_VpGetProp(&dev_, &video_, KDR_VP_STILL_BITMAP, &b), KDR_ERR_STATE);  // no info yet

    ASSERT_EQ(Kdr_VpGetProp(&dev_, &video_, KDR_VP_STILL_INFO, &info), KDR_OK);
    EXPECT_EQ(info.size.x, 3);
    EXPECT_EQ(info.size.y, 2);
    EXPECT_EQ(info.datasize, 78u);  // 2 rows of 12 bytes + 54
    b.size = 77;
    EXPECT_EQ(Kdr_VpGetProp(&dev_, &video_, KDR_VP_STILL_BITMAP, &b), KDR_ERR_PARAM);
    b.size = 78;
    ASSERT_EQ(Kdr_VpGetProp(&dev_, &video_, KDR_VP_STILL_BITMAP, &b), KDR_OK);
    const std::uint8_t header[30] = {'B', 'M', 78, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40,
                                     0,   0,   0,  3, 0, 0, 0, 2, 0, 0, 0, 1, 0, 24, 0};
    EXPECT_EQ(std::memcmp(buffer.data(), header, sizeof header), 0);
    for (int i = 30; i < 54; ++i) EXPECT_EQ(buffer[i], 0) << i;
    // Read once: the next bitmap needs a new info.
    EXPECT_EQ(Kdr_VpGetProp(&dev_, &video_, KDR_VP_STILL_BITMAP, &b), KDR_ERR_STATE);
    // A draw forgets a still, too.
    ASSERT_EQ(Kdr_VpGetProp(&dev_, &video_, KDR_VP_STILL_INFO, &info), KDR_OK);
    ASSERT_EQ(Kdr_VpDrawAll(&dev_), KDR_OK);
    EXPECT_EQ(Kdr_VpGetProp(&dev_, &video_, KDR_VP_STILL_BITMAP, &b), KDR_ERR_STATE);
    ASSERT_EQ(Kdr_VpPlay(&dev_, &video_), KDR_OK);
}

TEST_F(PlaneTest, StillPixelsSurviveForEveryBufferAlignment) {
    ASSERT_EQ(Kdr_VpPause(&dev_, &video_), KDR_OK);
    KdrStillInfo info{};
    ASSERT_EQ(Kdr_VpGetProp(&dev_, &video_, KDR_VP_STILL_INFO, &info), KDR_OK);
    ASSERT_EQ(info.size.x, 1920);
    ASSERT_EQ(info.datasize, 1080u * 5760u + 54u);
    std::vector<std::uint8_t> reference(info.datasize + 8);
    std::vector<std::uint8_t> storage(info.datasize + 8);
    // The reference from a 4-byte aligned buffer (vector storage is).
    KdrBuffer b{reference.data(), info.datasize};
    ASSERT_EQ(Kdr_VpGetProp(&dev_, &video_, KDR_VP_STILL_BITMAP, &b), KDR_OK);
    std::size_t non_zero = 0;
    for (std::size_t i = 54; i < info.datasize; ++i) non_zero += reference[i] != 0;
    EXPECT_GT(non_zero, info.datasize / 4);  // a real picture, not an empty buffer

    for (std::size_t offset = 1; offset < 4; ++offset) {
        std::fill(storage.begin(), storage.end(), 0xA5);
        ASSERT_EQ(Kdr_VpGetProp(&dev_, &video_, KDR_VP_STILL_INFO, &info), KDR_OK);
        KdrBuffer u{storage.data() + offset, info.datasize};
        ASSERT_EQ(Kdr_VpGetProp(&dev_, &video_, KDR_VP_STILL_BITMAP, &u), KDR_OK);
        EXPECT_EQ(std::memcmp(storage.data() + offset, reference.data(), info.datasize), 0) << offset;
        for (std::size_t i = 0; i < offset; ++i) EXPECT_EQ(storage[i], 0xA5) << "before, " << offset;
        EXPECT_EQ(storage[offset + info.datasize], 0xA5) << "after, " << offset;
    }
    ASSERT_EQ(Kdr_VpPlay(&dev_, &video_), KDR_OK);
}

TEST_F(PlaneTest, MovieSettingValidationAndSlots) {
    const std::uint32_t frame = FrameBytes(1920, 1080, 3);
    ASSERT_EQ(frame, 3840u * 1080u);
    std::vector<std::uint8_t> buffer(3 * frame + 100);
    const auto size = static_cast<std::uint32_t>(buffer.size());
    EXPECT_EQ(SetMovie(59, 1080, 3, buffer.data(), size), KDR_ERR_PARAM);
    EXPECT_EQ(SetMovie(3841, 1080, 3, buffer.data(), size), KDR_ERR_PARAM);
    EXPECT_EQ(SetMovie(1920, 39, 3, buffer.data(), size), KDR_ERR_PARAM);
    EXPECT_EQ(SetMovie(1920, 2161, 3, buffer.data(), size), KDR_ERR_PARAM);
    EXPECT_EQ(SetMovie(1920, 1080, 0, buffer.data(), size), KDR_ERR_PARAM);
    EXPECT_EQ(SetMovie(1920, 1080, 4, buffer.data(), size), KDR_ERR_PARAM);
    EXPECT_EQ(SetMovie(1920, 1080, 3, buffer.data(), size, 0), KDR_ERR_PARAM);
    EXPECT_EQ(SetMovie(1920, 1080, 3, buffer.data(), size, 61), KDR_ERR_PARAM);
    EXPECT_EQ(SetMovie(1920, 1080, 3, nullptr, size), KDR_ERR_PARAM);
    EXPECT_EQ(SetMovie(1920, 1080, 3, buffer.data(), frame - 1), KDR_ERR_PARAM);
    EXPECT_EQ(Stats().slots, 0u);

    ASSERT_EQ(SetMovie(1920, 1080, 3, buffer.data(), size), KDR_OK);
    KdrMovieStats s = Stats();
    EXPECT_EQ(s.slots, 3u);
    EXPECT_EQ(s.free, 3u);
    // Format 1 at the same size needs 5760 bytes a row: only two slots fit.
    ASSERT_EQ(SetMovie(1920, 1080, 1, buffer.data(), size), KDR_OK);
    EXPECT_EQ(Stats().slots, 2u);
    EXPECT_EQ(PeekWord(0x0E100040u), 0u);
    EXPECT_EQ(PeekDouble(0x0E100048u), 0.0);

    // Only while live.
    ASSERT_EQ(Kdr_VpPause(&dev_, &video_), KDR_OK);
    EXPECT_EQ(SetMovie(1920, 1080, 3, buffer.data(), size), KDR_ERR_STATE);
    EXPECT_EQ(Stats().slots, 2u);
    ASSERT_EQ(Kdr_VpPlay(&dev_, &video_), KDR_OK);
    std::int32_t base = KDR_PLANE_BASE;
    KdrMovieSetting setting{{320, 180}, 1, 30, {buffer.data(), size}};
    EXPECT_EQ(Kdr_VpSetProp(&dev_, &base, KDR_VP_MOVIE_SETTING, &setting), KDR_ERR_UNSUPPORTED);
}

TEST_F(PlaneTest, AFailingCounterResetKeepsThePreviousSetting) {
    std::vector<std::uint8_t> buffer(FrameBytes(320, 180, 1) * 2);
    const auto size = static_cast<std::uint32_t>(buffer.size());
    ASSERT_EQ(SetMovie(320, 180, 1, buffer.data(), size), KDR_OK);
    simhost::FailRegister(0x0E100050u, MRCSIM_REG_WRITE, 1);
    EXPECT_EQ(SetMovie(160, 90, 1, buffer.data(), size), KDR_ERR_STATE);
    EXPECT_EQ(Stats().slots, 2u);  // the old cut stands
}

}  // namespace
}  // namespace bridgetest
