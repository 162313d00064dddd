// The waveform display end to end: the real frame on the simulated
// controller. The bar's waveform button starts the movie at the controller,
// the four displays fill from its frames of the test picture (colour bars
// over a grey ramp), and protected input leaves the waveform display.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "simulator/include/MrcSimClient.h"
#include "viewer/app/MainFrame.h"
#include "viewer/core/ControllerBar.h"
#include "viewer/core/ViewTargets.h"
#include "viewer/core/WaveformRender.h"
#include "viewer/res/resource.h"
#include "viewer/views/ControllerViews.h"
#include "viewer/views/Splitters.h"

namespace vistrel {
namespace {

const mrcsim::Client& sim() { return mrcsim::Sim(); }

constexpr std::uint32_t kMovieState = 3;
constexpr int kLevelOf75 = 83;  // a 75 % bar (191 of 255)
constexpr int kLevelOf0 = 8;
// The test picture's bars (red, green, blue at 75 % or 0), left to right.
constexpr int kBars[8][3] = {{1, 1, 1}, {1, 1, 0}, {0, 1, 1}, {0, 1, 0}, {1, 0, 1}, {1, 0, 0}, {0, 0, 1}, {0, 0, 0}};

std::string Scenario() {
    const int w = GetSystemMetrics(SM_CXSCREEN);
    const int h = GetSystemMetrics(SM_CYSCREEN);
    return R"({"firmware": {"version": "0x11000200"},
      "watchdog": {"state": 1, "interval": 2000, "err_count": 5, "kdr_count": 0, "kdr_err": 0},
      "output": {"width": )" + std::to_string(w) + R"(, "height": )" + std::to_string(h) + R"(, "event": 0},
      "hdmi": {"state": "signal", "width": 1920, "height": 1080, "fps_code": 8, "scan": "progressive",
               "format": "RGB", "bit_depth": 8, "hdcp": false},
      "movie": {"buffers": 4, "fps": 0}, "clock": "real"})";
}

bool PumpUntil(const std::function<bool()>& done, DWORD ms) {
    const ULONGLONG end = GetTickCount64() + ms;
    for (;;) {
        MSG m;
        while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&m);
            DispatchMessageW(&m);
        }
        if (done()) return true;
        if (GetTickCount64() > end) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
}

MrcSimStatus Status() {
    MrcSimStatus s{};
    (void)sim().GetStatus(&s);
    return s;
}

int ColumnCount(const std::uint8_t* block) { return block[0] | (block[1] << 8); }
int Bin(const std::uint8_t* block, int column, int level) {
    const std::uint8_t* p = block + controls::kWaveBinsOffset + 238 * column + 2 * level;
    return p[0] | (p[1] << 8);
}
// The level holding most of a column's pixels.
int MainLevel(const std::uint8_t* block, int column) {
    int best = 0;
    for (int k = 1; k < controls::kWaveLevels; ++k) {
        if (Bin(block, column, k) > Bin(block, column, best)) best = k;
    }
    return best;
}

// What a display shows: its client area drawn into a bitmap of our own.
class Shot {
public:
    explicit Shot(HWND control) {
        GetClientRect(control, &rect_);
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = rect_.right;
        bi.bmiHeader.biHeight = -rect_.bottom;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        HDC dc = CreateCompatibleDC(nullptr);
        HBITMAP bmp = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
        HGDIOBJ old = SelectObject(dc, bmp);
        SendMessageW(control, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
        GdiFlush();
        const auto* p = static_cast<const std::uint32_t*>(bits);
        pixels_.assign(p, p + static_cast<std::size_t>(rect_.right) * rect_.bottom);
        SelectObject(dc, old);
        DeleteObject(bmp);
        DeleteDC(dc);
    }
    int Width() const { return rect_.right; }
    int Height() const { return rect_.bottom; }
    // The brightest of the three components at a point of the graticule's
    // 690 x 161 picture, stretched onto the client area.
    int Brightness(int gx, int gy) const {
        const int x = gx * Width() / controls::kGraticuleWidth;
        const int y = gy * Height() / controls::kWaveImageHeight;
        const std::uint32_t p = pixels_[static_cast<std::size_t>(y) * Width() + x];
        return std::max({static_cast<int>(p & 0xFF), static_cast<int>((p >> 8) & 0xFF), static_cast<int>(p >> 16)});
    }
    // The brightest within a client row of the point: the stretch may spread
    // a one-pixel line over two rows.
    int Around(int gx, int gy) const {
        const int step = std::max(1, controls::kWaveImageHeight / std::max(1, Height()));
        return std::max({Brightness(gx, std::max(0, gy - step)), Brightness(gx, gy),
                         Brightness(gx, std::min(controls::kWaveImageHeight - 1, gy + step))});
    }
    int BrightPixels() const {
        int n = 0;
        for (std::uint32_t p : pixels_) n += ((p & 0xFF) > 0x60) || (((p >> 8) & 0xFF) > 0x60) || ((p >> 16) > 0x60);
        return n;
    }

private:
    RECT rect_{};
    std::vector<std::uint32_t> pixels_;
};

TEST(WaveformFrame, TheButtonStartsTheMovieAndTheDisplaysFollowThePicture) {
    ASSERT_TRUE(sim().complete);
    ASSERT_EQ(sim().Reset(Scenario().c_str()), 0) << sim().LastError();
    std::wstring display;
    auto* frame = new CVideoInputFrame(0, display);
    ASSERT_TRUE(frame->LoadFrame(kFrameStyle)) << "the frame did not load";
    const HWND hwnd = frame->Handle();
    ShowWindow(hwnd, SW_SHOW);
    UpdateWindow(hwnd);
    struct Closer {
        HWND hwnd;
        ~Closer() {
            if (IsWindow(hwnd)) DestroyWindow(hwnd);
        }
    } closer{hwnd};
    const auto kind = [&] { return frame->Resolver().Status().displayKind; };
    ASSERT_TRUE(PumpUntil([&] { return kind() == KindVideo; }, 10000)) << "kind " << kind();

    auto& bar = *static_cast<CVideoPlayControllerView*>(frame->Layout()->ControllerView(kControllerPlay));
    const HWND button = bar.Item(IDC_BAR_WAVEFORM);
    ASSERT_TRUE(PumpUntil([&] { return IsWindowEnabled(button) != FALSE; }, 3000)) << "the waveform button is off";
    SendMessageW(button, BM_CLICK, 0, 0);

    // The controller runs the movie and the bar shows the four displays.
    ASSERT_TRUE(PumpUntil([] { return Status().playback_state == kMovieState; }, 5000))
        << "playback state " << Status().playback_state;
    EXPECT_TRUE(IsWaveformMode(frame->Resolver().Status().playCode));
    EXPECT_TRUE(bar.WaveformMode());
    std::array<WaveFormControl*, 4> waves{};
    for (int i = 0; i < 4; ++i) {
        const HWND w = bar.Item(IDC_BAR_WAVE_0 + i);
        ASSERT_TRUE(IsWindowVisible(w)) << i;
        waves[static_cast<std::size_t>(i)] = static_cast<WaveFormControl*>(fw::Window::FromHandle(w));
    }
    // Filled from the movie's frames: the movie of a 1920 x 1080 input is 1280 x 720.
    ASSERT_TRUE(PumpUntil([&] { return ColumnCount(waves[3]->Data()) == 1280 && MainLevel(waves[3]->Data(), 80) != 0; },
                          5000));
    EXPECT_GT(Status().frames_produced, 0u);
    ASSERT_TRUE(PumpUntil([&] { return Bin(waves[0]->Data(), 80, kLevelOf75) > 300; }, 3000));

    // Each bar's columns: its colour's 75 % or 0 % in the red, green and blue
    // displays (the bars are the top 60 % of the picture); luma falls bar by bar.
    int last_luma = controls::kWaveLevels;
    for (int b = 0; b < 8; ++b) {
        const int column = b * 160 + 100;  // clear of the caption at the top-left
        for (int c = 0; c < 3; ++c) {
            const std::uint8_t* block = waves[static_cast<std::size_t>(c)]->Data();
            const int on = kBars[b][c] != 0 ? kLevelOf75 : kLevelOf0;
            const int off = kBars[b][c] != 0 ? kLevelOf0 : kLevelOf75;
            EXPECT_GE(Bin(block, column, on), 400) << "bar " << b << " colour " << c;
            EXPECT_LT(Bin(block, column, off), 200) << "bar " << b << " colour " << c;
        }
        const int luma = MainLevel(waves[3]->Data(), column);
        EXPECT_LT(luma, last_luma) << "bar " << b;
        last_luma = luma;
    }

    // What a person sees: the red display lit at 75 % above the red bars
    // and dark there above the others (bar 5 is red, bar 6 blue).
    Shot red(waves[0]->Handle());
    ASSERT_GT(red.Width(), 0);
    EXPECT_GT(red.BrightPixels(), red.Width());
    const int y75 = controls::kWaveImageHeight - controls::kWaveFirstRow - kLevelOf75;
    const int x_red = controls::kGraticuleLeft + (5 * 160 + 80) / 2;
    const int x_blue = controls::kGraticuleLeft + (6 * 160 + 150) / 2;
    EXPECT_GE(red.Around(x_red, y75), 0x40);
    EXPECT_LT(red.Around(x_blue, y75), 0x20);

    // Protected input: the waveform display goes, the movie stops.
    MrcSimHdmi hdmi{2, 1920, 1080, 8, 2, 1, 8, 1};
    ASSERT_EQ(sim().SetHdmi(&hdmi), 0);
    ASSERT_TRUE(PumpUntil([&] { return !IsWaveformMode(frame->Resolver().Status().playCode); }, 8000))
        << "play code " << frame->Resolver().Status().playCode;
    EXPECT_TRUE(PumpUntil([&] { return !bar.WaveformMode() && !bar.WaveformTimerRunning(); }, 3000));
    EXPECT_TRUE(PumpUntil([] { return Status().playback_state != kMovieState; }, 5000));
    EXPECT_FALSE(IsWindowVisible(bar.Item(IDC_BAR_WAVE_0)));
    EXPECT_FALSE(IsWindowEnabled(button));
}

}  // namespace
}  // namespace vistrel
