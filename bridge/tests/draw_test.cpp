// The draw against the simulated controller, checked on the words written: the plane
// descriptions are set directly (the plane exports build on the same records).
#include "bridge/tests/BridgeFixture.h"
#include "bridge/src/Planes.h"

namespace bridgetest {
namespace {

struct Words {
    std::uint32_t base_enb, video_enb;
    std::int32_t dst[4], src[4];
    std::uint32_t angle, draw_mode;
};

class DrawTest : public BridgeTest {
protected:
    std::string MakeScenario() override {
        return R"({"output": {"width": 1280, "height": 800}})";  // HDMI input 1920 x 1080
    }

    void SetVideo(KdrRect position, std::int32_t angle = 0) {
        tolvane::Plane& v = tolvane::ThePlanes().video;
        v.exists = true;
        v.enb = 1;
        v.position = position;
        v.angle = angle;
        v.source_mode = tolvane::kSourceWhole;
    }

    Words Draw() {
        simhost::ClearRecord();
        EXPECT_EQ(Kdr_VpDrawAll(&dev_), KDR_OK);
        const auto rec = Record();
        EXPECT_EQ(simhost::Codes(rec, 16).size(), 1u);
        Words w{};
        auto last = [&](std::uint32_t a) {
            std::uint32_t v = 0;
            EXPECT_TRUE(simhost::LastWrite(rec, a, v)) << std::hex << a;
            return v;
        };
        w.base_enb = last(0x0E100100u);
        w.video_enb = last(0x0E100104u);
        for (std::uint32_t i = 0; i < 4; ++i) {
            w.dst[i] = static_cast<std::int32_t>(last(0x0E100110u + 4 * i));
            w.src[i] = static_cast<std::int32_t>(last(0x0E100120u + 4 * i));
        }
        w.angle = last(0x0E100130u);
        w.draw_mode = last(0x0E100138u);
        return w;
    }
};

#define EXPECT_BOX(actual, x, y, w, h)                                        \
    do {                                                                      \
        const std::int32_t want[4] = {x, y, w, h};                            \
        for (int i = 0; i < 4; ++i) EXPECT_EQ((actual)[i], want[i]) << i;     \
    } while (0)

TEST_F(DrawTest, OpenDrawsAnEmptyVideoPlaneOffAndTheBasePlaneOn) {
    const Words w = Draw();
    EXPECT_EQ(w.base_enb, 1u);
    EXPECT_EQ(w.video_enb, 0u);
    EXPECT_EQ(w.draw_mode, 0u);
}

TEST_F(DrawTest, WriteOrderAndDrawRequest) {
    SetVideo({{10, 20}, {400, 300}});
    simhost::ClearRecord();
    ASSERT_EQ(Kdr_VpDrawAll(&dev_), KDR_OK);
    const auto rec = Record();
    std::vector<std::uint32_t> order;
    for (const auto& wr : simhost::Writes(rec)) order.push_back(wr.address);
    const std::vector<std::uint32_t> expected = {0x0E100100u, 0x0E100104u, 0x0E100110u, 0x0E100114u,
                                                 0x0E100118u, 0x0E10011Cu, 0x0E100120u, 0x0E100124u,
                                                 0x0E100128u, 0x0E10012Cu, 0x0E100130u, 0x0E100138u};
    EXPECT_EQ(order, expected);
    // Output and input sizes are read before, the draw request goes out last.
    const auto codes = simhost::Codes(rec, 34);
    EXPECT_EQ(codes, (std::vector<std::uint32_t>{0x70001u, 0x30001u}));
    ASSERT_EQ(simhost::Codes(rec, 16).size(), 1u);
    EXPECT_EQ(rec.back().kind, simhost::kRecordMessage);
    EXPECT_EQ(rec.back().channel, 16u);
}

TEST_F(DrawTest, InsideTheOutput) {
    SetVideo({{10, 20}, {400, 300}});
    const Words w = Draw();
    EXPECT_EQ(w.video_enb, 1u);
    EXPECT_BOX(w.dst, 10, 20, 400, 300);
    EXPECT_BOX(w.src, 0, 0, 1920, 1080);
}

TEST_F(DrawTest, ClippedLeftAtAngles0And180) {
    SetVideo({{-100, 0}, {400, 300}});
    Words w = Draw();
    EXPECT_BOX(w.dst, 0, 0, 300, 300);
    EXPECT_BOX(w.src, 480, 0, 1440, 1080);
    SetVideo({{-100, 0}, {400, 300}}, 180);
    w = Draw();
    EXPECT_BOX(w.src, 0, 0, 1440, 1080);
    EXPECT_EQ(w.angle, 180u);
}

TEST_F(DrawTest, RotatedClip) {
    SetVideo({{-100, 0}, {400, 300}}, 90);
    Words w = Draw();
    EXPECT_BOX(w.src, 0, 0, 1920, 810);
    SetVideo({{-100, 0}, {400, 300}}, 270);
    w = Draw();
    EXPECT_BOX(w.src, 0, 270, 1920, 810);
}

TEST_F(DrawTest, EvenSize) {
    SetVideo({{0, 0}, {301, 200}});
    EXPECT_BOX(Draw().dst, 0, 0, 300, 200);
    SetVideo({{979, 0}, {301, 200}});
    EXPECT_BOX(Draw().dst, 980, 0, 300, 200);
    SetVideo({{0, 599}, {300, 201}}, 90);
    EXPECT_BOX(Draw().dst, 0, 600, 300, 200);
}

TEST_F(DrawTest, EntirelyRightOfTheOutputWritesZerosAndDisablesTheVideoPlane) {
    SetVideo({{1300, 0}, {100, 100}});
    const Words w = Draw();
    EXPECT_BOX(w.dst, 0, 0, 0, 0);
    EXPECT_BOX(w.src, 0, 0, 0, 0);
    EXPECT_EQ(w.video_enb, 0u);
}

TEST_F(DrawTest, PartsAndCropSources) {
    SetVideo({{0, 0}, {400, 300}});
    tolvane::Plane& v = tolvane::ThePlanes().video;
    v.source_mode = tolvane::kSourceParts;
    v.parts = KdrParts{{3, 2}, {1, 0}, {1, 1}};
    EXPECT_BOX(Draw().src, 640, 0, 640, 540);
    v.source_mode = tolvane::kSourceCrop;
    v.crop = KdrRect{{100, 50}, {800, 600}};
    EXPECT_BOX(Draw().src, 100, 50, 800, 600);
    v.draw_mode = 2;
    EXPECT_EQ(Draw().draw_mode, 1u);
    v.draw_mode = 1;
}

TEST_F(DrawTest, InvalidSourceModeFails) {
    SetVideo({{0, 0}, {400, 300}});
    tolvane::ThePlanes().video.source_mode = 9;
    EXPECT_EQ(Kdr_VpDrawAll(&dev_), KDR_ERR_FAIL);
    tolvane::ThePlanes().video.source_mode = tolvane::kSourceWhole;
}

TEST_F(DrawTest, UnansweredDrawTimesOut) {
    simhost::FailCommand(16, 0, MRCSIM_FAULT_NO_REPLY);
    EXPECT_EQ(Kdr_VpDrawAll(&dev_), KDR_ERR_TIMEOUT);
    EXPECT_EQ(Kdr_VpDrawAll(&dev_), KDR_OK);
    simhost::FailCommand(16, 0, MRCSIM_FAULT_FAIL, 1, 0);
    EXPECT_EQ(Kdr_VpDrawAll(&dev_), KDR_ERR_FAIL);
}

}  // namespace
}  // namespace bridgetest
