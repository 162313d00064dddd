// The waveform window: what a render of the data block puts on screen over the
// graticule, the block's life with the window, and the reset when shown.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>

#include "ControlsTestSupport.h"
#include "viewer/controls/WaveformControl.h"

namespace {

using controls_test::PixelOf;
using namespace vistrel::controls;

constexpr COLORREF kBack = 0x030303;
constexpr COLORREF kLine = 0x5A5A5A;

class Waveform : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        shared_ = std::make_unique<controls_test::RecordingParent>();
        ASSERT_TRUE(shared_->Create());
    }
    static void TearDownTestSuite() { shared_.reset(); }
    static std::unique_ptr<controls_test::RecordingParent> shared_;
    controls_test::RecordingParent& parent = *shared_;
};
std::unique_ptr<controls_test::RecordingParent> Waveform::shared_;

TEST_F(Waveform, RenderShowsTheBinsOverTheGraticule) {
    vistrel::WaveFormControl wave;
    // The images' own size, so the final stretch is one to one.
    ASSERT_TRUE(wave.Create(parent.Handle(), 1200, RECT{0, 0, kGraticuleWidth, kWaveImageHeight}));
    ASSERT_NE(wave.Data(), nullptr);
    wave.SetKind(1);
    SetWaveColumnCount(wave.Data(), 1280);
    SetWaveBin(wave.Data(), 10, 0, 150);
    SetWaveBin(wave.Data(), 11, 0, 49);   // output column 5, level 0: entry 9
    SetWaveBin(wave.Data(), 40, 60, 60);  // output column 20, level 60: entry 3
    wave.Render();
    const WavePalette green = MakeWavePalette(1);
    EXPECT_EQ(PixelOf(wave.Handle(), kGraticuleLeft + 5, 128), green[9]);
    EXPECT_EQ(PixelOf(wave.Handle(), kGraticuleLeft + 20, 128 - 60), green[3]);
    EXPECT_EQ(PixelOf(wave.Handle(), kGraticuleLeft + 6, 128), kBack);
    // The graticule shows through the waveform's background: lines from x = 50.
    for (int y : {0, 20, 120, 160}) {
        EXPECT_EQ(PixelOf(wave.Handle(), 300, y), kLine) << y;
        EXPECT_EQ(PixelOf(wave.Handle(), 45, y), kBack) << y;
    }
    EXPECT_EQ(PixelOf(wave.Handle(), 300, 60), kBack);
    // A new kind takes effect with the next render.
    wave.SetKind(0);
    wave.Render();
    EXPECT_EQ(PixelOf(wave.Handle(), kGraticuleLeft + 5, 128), MakeWavePalette(0)[9]);
}

TEST_F(Waveform, ShowingClearsTheBinsButKeepsTheColumnCount) {
    vistrel::WaveFormControl wave;
    ASSERT_TRUE(wave.Create(parent.Handle(), 1201, RECT{0, 0, kGraticuleWidth, kWaveImageHeight}, WS_CHILD));
    SetWaveColumnCount(wave.Data(), 640);
    SetWaveBin(wave.Data(), 0, 0, 500);
    wave.Render();
    EXPECT_EQ(PixelOf(wave.Handle(), kGraticuleLeft + 160, 128), 0xFFFFFFu);
    ShowWindow(wave.Handle(), SW_SHOW);
    EXPECT_EQ(PixelOf(wave.Handle(), kGraticuleLeft + 160, 128), kBack);
    EXPECT_EQ(wave.Data()[0] | (wave.Data()[1] << 8), 640);
}

TEST_F(Waveform, StretchesOntoTheClientAndFreesTheBlockWithTheWindow) {
    vistrel::WaveFormControl wave;
    ASSERT_TRUE(wave.Create(parent.Handle(), 1202, RECT{0, 0, 2 * kGraticuleWidth, 2 * kWaveImageHeight}));
    SetWaveColumnCount(wave.Data(), 1280);
    for (int c = 0; c < 2 * 40; ++c) {
        for (int k = 0; k < kWaveLevels; ++k) SetWaveBin(wave.Data(), c, k, 200);
    }
    wave.Render();
    // Twice the size: the filled block of 40 columns by 119 levels lands at twice its place.
    EXPECT_EQ(PixelOf(wave.Handle(), 2 * (kGraticuleLeft + 20), 2 * (128 - 60)), 0xFFFFFFu);
    EXPECT_EQ(PixelOf(wave.Handle(), 2 * (kGraticuleLeft + 60), 2 * (128 - 60)), kBack);
    wave.Destroy();
    EXPECT_EQ(wave.Data(), nullptr);
}

}  // namespace
