// The audio level meter over fake Core Audio endpoints: the bar it draws, the
// channel it reads, what happens without a line-level endpoint, and the life
// of the source the meters share.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>

#include "ControlsTestSupport.h"
#include "FakeLevelEndpoints.h"
#include "viewer/controls/AudioLevelMeter.h"

namespace {

using controls_test::PixelOf;
using controls_test::PumpUntil;
using vistrel::AudioLevelMeterControl;
using vistrel::AudioLevelSource;

constexpr COLORREF kGrey = 0x808080;
constexpr COLORREF kGreen = 0x00C000;
constexpr UINT kMicrophone = 4;
constexpr UINT kSpeakers = 1;

class Meter : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        shared_ = std::make_unique<controls_test::RecordingParent>();
        ASSERT_TRUE(shared_->Create());
        AudioLevelSource::SetEnumeratorFactory(fakelevel::MakeEnumerator);
    }
    static void TearDownTestSuite() {
        AudioLevelSource::SetEnumeratorFactory(nullptr);
        shared_.reset();
    }
    void TearDown() override {
        EXPECT_EQ(AudioLevelSource::Users(), 0);
        EXPECT_EQ(fakelevel::LiveObjects(), 0);
        EXPECT_EQ(fakelevel::Violations(), 0);
    }
    static std::unique_ptr<controls_test::RecordingParent> shared_;
    HWND parent = shared_->Handle();
};
std::unique_ptr<controls_test::RecordingParent> Meter::shared_;

TEST_F(Meter, BarWidthFollowsTheLevel) {
    fakelevel::SetEndpoints({{kMicrophone, {0.5f}}, {2, {1.0f, 1.0f}}});
    AudioLevelMeterControl full;
    ASSERT_TRUE(full.Create(parent, 1300, RECT{0, 0, 100, 20}));
    EXPECT_TRUE(full.Running());
    EXPECT_EQ(full.Level(), 1.0f);
    EXPECT_EQ(PixelOf(full.Handle(), 0, 10), kGreen);
    EXPECT_EQ(PixelOf(full.Handle(), 97, 19), kGreen);
    EXPECT_EQ(PixelOf(full.Handle(), 98, 10), kGrey);
    // The timer follows the source: silence empties the bar.
    fakelevel::SetPeaks(1, {0.0f, 0.0f});
    ASSERT_TRUE(PumpUntil([&] { return full.Level() == 0.0f; }));
    EXPECT_EQ(PixelOf(full.Handle(), 0, 10), kGrey);
}

TEST_F(Meter, ChannelIndexIsClampedToTheDevice) {
    fakelevel::SetEndpoints({{2, {0.25f, 0.75f}}});
    AudioLevelMeterControl meter;
    meter.SetChannel(20);
    ASSERT_TRUE(meter.Create(parent, 1301, RECT{0, 0, 100, 20}));
    EXPECT_EQ(meter.Level(), 0.75f);
    AudioLevelMeterControl first;
    ASSERT_TRUE(first.Create(parent, 1302, RECT{0, 30, 100, 50}));
    EXPECT_EQ(first.Level(), 0.25f);
}

TEST_F(Meter, MoreThanSixteenChannelsStillRead) {
    std::vector<float> peaks(18, 0.1f);
    peaks[15] = 0.5f;
    fakelevel::SetEndpoints({{2, peaks}});
    AudioLevelMeterControl meter;
    meter.SetChannel(17);
    ASSERT_TRUE(meter.Create(parent, 1303, RECT{0, 0, 100, 20}));
    EXPECT_EQ(meter.Level(), 0.5f);
}

TEST_F(Meter, WithoutALineLevelEndpointTheMeterStaysEmpty) {
    fakelevel::SetEndpoints({{kMicrophone, {1.0f}}, {kSpeakers, {1.0f}}});
    AudioLevelMeterControl meter;
    ASSERT_TRUE(meter.Create(parent, 1304, RECT{0, 0, 100, 20}));
    meter.Start();
    EXPECT_FALSE(meter.Running());
    EXPECT_EQ(meter.Level(), 0.0f);
    EXPECT_EQ(PixelOf(meter.Handle(), 0, 10), kGrey);
    // What the failed attempt made is already released.
    EXPECT_EQ(fakelevel::LiveObjects(), 0);
    EXPECT_EQ(AudioLevelSource::Users(), 1);
}

TEST_F(Meter, FailingMeterCallsReadZero) {
    fakelevel::SetEndpoints({{2, {1.0f, 1.0f}, true}});
    AudioLevelMeterControl meter;
    ASSERT_TRUE(meter.Create(parent, 1305, RECT{0, 0, 100, 20}));
    EXPECT_TRUE(meter.Running());
    EXPECT_EQ(meter.Level(), 0.0f);
}

TEST_F(Meter, TheSharedSourceLivesAsLongAsItsLastMeter) {
    fakelevel::SetEndpoints({{2, {0.5f, 0.5f}}});
    auto one = std::make_unique<AudioLevelMeterControl>();
    auto two = std::make_unique<AudioLevelMeterControl>();
    ASSERT_TRUE(one->Create(parent, 1306, RECT{0, 0, 100, 20}));
    ASSERT_TRUE(two->Create(parent, 1307, RECT{0, 30, 100, 50}));
    EXPECT_EQ(AudioLevelSource::Users(), 2);
    const int live = fakelevel::LiveObjects();
    EXPECT_EQ(live, 3);  // enumerator, device, meter
    one.reset();
    EXPECT_EQ(AudioLevelSource::Users(), 1);
    EXPECT_EQ(fakelevel::LiveObjects(), live);
    fakelevel::SetPeaks(0, {0.5f, 0.25f});
    two->SetChannel(1);
    ASSERT_TRUE(PumpUntil([&] { return two->Level() == 0.25f; }));
    two.reset();
    EXPECT_EQ(fakelevel::LiveObjects(), 0);
}

TEST_F(Meter, StopAndDestroyEndTheTimerAndEmptyTheBar) {
    fakelevel::SetEndpoints({{2, {1.0f, 1.0f}}});
    AudioLevelMeterControl meter;
    ASSERT_TRUE(meter.Create(parent, 1308, RECT{0, 0, 100, 20}));
    EXPECT_EQ(meter.Level(), 1.0f);
    meter.Stop();
    EXPECT_FALSE(meter.Running());
    EXPECT_EQ(meter.Level(), 0.0f);
    EXPECT_EQ(PixelOf(meter.Handle(), 0, 10), kGrey);
    // No refresh comes after the stop, loud as the input is.
    controls_test::Pump(4 * AudioLevelMeterControl::kLevelPeriodMs);
    EXPECT_EQ(meter.Level(), 0.0f);
    meter.Start();
    EXPECT_TRUE(meter.Running());
    EXPECT_EQ(meter.Level(), 1.0f);
    meter.Destroy();
    EXPECT_FALSE(meter.Running());
    EXPECT_EQ(meter.Level(), 0.0f);
}

}  // namespace
