// The numeric up-down, the separators and the slider on real windows.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <memory>

#include "ControlsTestSupport.h"
#include "resource.h"
#include "viewer/controls/LineControl.h"
#include "viewer/controls/NumericUpDown.h"
#include "viewer/controls/SliderCtrlEx.h"
#include "viewer/core/Messages.h"

namespace {

using controls_test::PixelOf;
using controls_test::RecordingParent;
using controls_test::Sent;
using vistrel::msg::kNumberValue;

class Kit : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        shared_ = std::make_unique<RecordingParent>();
        ASSERT_TRUE(shared_->Create());
    }
    static void TearDownTestSuite() { shared_.reset(); }
    void SetUp() override { shared_->sent.clear(); }
    static std::unique_ptr<RecordingParent> shared_;
    RecordingParent& parent = *shared_;
};
std::unique_ptr<RecordingParent> Kit::shared_;

void Press(HWND button) { SendMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3)); }
void Release(HWND button) { SendMessageW(button, WM_LBUTTONUP, 0, MAKELPARAM(3, 3)); }

std::wstring TextOf(HWND hwnd) {
    wchar_t text[64] = {};
    GetWindowTextW(hwnd, text, 64);
    return text;
}

TEST_F(Kit, UpDownAtItsLimitSendsNothing) {
    vistrel::NumericUpDown number;
    ASSERT_TRUE(number.Create(parent.Handle(), 1300, RECT{10, 10, 310, 90}));
    number.SetRange(0, 10);
    number.SetValue(10, false);
    Press(number.IncrementButton());
    Release(number.IncrementButton());
    EXPECT_EQ(number.Value(), 10);
    EXPECT_EQ(TextOf(number.TextWindow()), L"10");
    EXPECT_TRUE(parent.Of(kNumberValue).empty());
    // The other way it steps, once per press.
    Press(number.DecrementButton());
    Release(number.DecrementButton());
    EXPECT_EQ(parent.Of(kNumberValue), (std::vector<Sent>{{kNumberValue, 1300, 9}}));
    EXPECT_EQ(TextOf(number.TextWindow()), L"9");
}

TEST_F(Kit, HoldingIncrementForOneSecond) {
    vistrel::NumericUpDown number;
    std::uint64_t now = 100000;
    number.SetClock([&now] { return now; });
    ASSERT_TRUE(number.Create(parent.Handle(), 1301, RECT{10, 10, 310, 90}));
    number.SetRange(0, 100);
    Press(number.IncrementButton());
    for (int tick = 1; tick <= 20; ++tick) {
        now += 50;
        SendMessageW(number.Handle(), WM_TIMER, vistrel::NumericUpDown::kIncrementRepeatTimer, 0);
    }
    // Contact dragged off the button: the repeat stops.
    SendMessageW(number.IncrementButton(), WM_MOUSELEAVE, 0, 0);
    now += 50;
    SendMessageW(number.Handle(), WM_TIMER, vistrel::NumericUpDown::kIncrementRepeatTimer, 0);
    std::vector<Sent> expected;
    for (int v = 1; v <= 11; ++v) expected.push_back({kNumberValue, 1301, v});
    EXPECT_EQ(parent.Of(kNumberValue), expected);
    Release(number.IncrementButton());
}

TEST_F(Kit, UpDownChildrenAreLaidOutAndTheFieldIsLight) {
    vistrel::NumericUpDown number;
    ASSERT_TRUE(number.Create(parent.Handle(), 1302, RECT{10, 10, 160, 50}));
    number.SetLayoutState({1920, 1280, 0});
    RECT r{};
    GetWindowRect(number.DecrementButton(), &r);
    MapWindowPoints(HWND_DESKTOP, number.Handle(), reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.left, 64);
    EXPECT_EQ(r.right - r.left, 40);
    EXPECT_EQ(GetDlgCtrlID(number.TextWindow()), IDC_UPDOWN_TEXT);
    UpdateWindow(number.Handle());
    EXPECT_EQ(PixelOf(number.TextWindow(), 2, 2), COLORREF{0xC1C1C1});
}

TEST_F(Kit, SeparatorsDrawTwoGreyLines) {
    vistrel::LineControlVertical vertical;
    vistrel::LineControlHorizontal horizontal;
    ASSERT_TRUE(vertical.Create(parent.Handle(), 1056, RECT{400, 10, 412, 190}));
    ASSERT_TRUE(horizontal.Create(parent.Handle(), 1057, RECT{400, 200, 580, 212}));
    vertical.SetLayoutState({3840, 2560, 0});
    horizontal.SetLayoutState({3840, 2560, 0});
    UpdateWindow(parent.Handle());
    controls_test::Pump();
    // Lines 3 wide centred at 3 and 9; the parent's black shows between them.
    HDC dc = GetDC(parent.Handle());
    EXPECT_EQ(GetPixel(dc, 403, 100), COLORREF{0x585858});
    EXPECT_EQ(GetPixel(dc, 409, 100), COLORREF{0x585858});
    EXPECT_EQ(GetPixel(dc, 406, 100), COLORREF{0});
    EXPECT_EQ(GetPixel(dc, 490, 203), COLORREF{0x585858});
    EXPECT_EQ(GetPixel(dc, 490, 206), COLORREF{0});
    ReleaseDC(parent.Handle(), dc);
}

TEST_F(Kit, SliderTakesItsThumbLengthFromTheLayout) {
    vistrel::SliderCtrlEx slider;
    ASSERT_TRUE(slider.Create(parent.Handle(), 1310, RECT{10, 300, 310, 360}));
    slider.SetRange(0, 100);
    slider.SetPos(50);
    slider.SetLayoutState({1920, 1280, 0});
    EXPECT_EQ(SendMessageW(slider.Handle(), TBM_GETTHUMBLENGTH, 0, 0), 60);
}

}  // namespace
