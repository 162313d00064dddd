// The kit's image, toggle and radio buttons on real windows: what reaches the
// parent, and what the drawing puts in the window's pixels.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>

#include "ControlsTestSupport.h"
#include "resource.h"
#include "viewer/controls/BitmapButtonEx.h"
#include "viewer/core/Messages.h"

namespace {

using controls_test::PixelOf;
using controls_test::RecordingParent;
using controls_test::Sent;
using vistrel::msg::kPointerInput;
using vistrel::msg::kToggleState;

constexpr vistrel::controls::LayoutState k1920x1280{1920, 1280, 0};

// One parent for the suite: a top-level window is slow to make under Wine.
class Buttons : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        shared_ = std::make_unique<RecordingParent>();
        ASSERT_TRUE(shared_->Create());
    }
    static void TearDownTestSuite() {
        shared_.reset();
    }
    void SetUp() override { shared_->sent.clear(); }
    static std::unique_ptr<RecordingParent> shared_;
    RecordingParent& parent = *shared_;
};
std::unique_ptr<RecordingParent> Buttons::shared_;

TEST_F(Buttons, PointerInputReachesTheParentBeforeTheClick) {
    vistrel::CBitmapButtonEx button;
    ASSERT_TRUE(button.Create(parent.Handle(), 1052, L"Go", RECT{10, 10, 110, 60}));
    SendMessageW(button.Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    SendMessageW(button.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageW(button.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    SendMessageW(button.Handle(), WM_MOUSELEAVE, 0, 0);
    const std::vector<Sent> expected = {{kPointerInput, 1052, 2},
                                        {kPointerInput, 1052, 0},
                                        {kPointerInput, 1052, 1},
                                        {WM_COMMAND, 1052, BN_CLICKED},
                                        {kPointerInput, 1052, 3}};
    EXPECT_EQ(parent.sent, expected);
}

TEST_F(Buttons, TouchContactDraggedOutSendsLeft) {
    vistrel::CBitmapButtonEx button;
    ASSERT_TRUE(button.Create(parent.Handle(), 1180, L"", RECT{10, 10, 110, 60}));
    RECT screen{};
    GetWindowRect(button.Handle(), &screen);
    TOUCHINPUT contact{};
    contact.x = (screen.left + 20) * 100;
    contact.y = (screen.top + 20) * 100;
    contact.dwFlags = TOUCHEVENTF_DOWN;
    button.OnTouchInputs(&contact, 1);
    contact.dwFlags = TOUCHEVENTF_MOVE;
    button.OnTouchInputs(&contact, 1);
    contact.x = (screen.right + 30) * 100;
    button.OnTouchInputs(&contact, 1);
    contact.dwFlags = TOUCHEVENTF_UP;
    button.OnTouchInputs(&contact, 1);
    const std::vector<Sent> expected = {
        {kPointerInput, 1180, 0}, {kPointerInput, 1180, 2}, {kPointerInput, 1180, 3}, {kPointerInput, 1180, 1}};
    EXPECT_EQ(parent.sent, expected);
}

TEST_F(Buttons, ToggleFlipsOnPressAndReportsItsState) {
    vistrel::ToggleButton toggle;
    ASSERT_TRUE(toggle.Create(parent.Handle(), 1012, L"Setting", RECT{10, 10, 150, 50}));
    SendMessageW(toggle.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageW(toggle.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_TRUE(toggle.IsOn());
    EXPECT_EQ(toggle.SetState(true, true), 0);
    EXPECT_EQ(toggle.SetState(false, false), 1);
    const std::vector<Sent> expected = {
        {kToggleState, 1012, 1}, {kPointerInput, 1012, 0}, {kPointerInput, 1012, 1}, {WM_COMMAND, 1012, BN_CLICKED}};
    EXPECT_EQ(parent.sent, expected);
}

TEST_F(Buttons, RadioGroupKeepsOneOnAndTellsTheParentOfBoth) {
    vistrel::RadioButton a, b, other;
    ASSERT_TRUE(a.Create(parent.Handle(), 1114, L"2.2", RECT{10, 10, 90, 60}));
    ASSERT_TRUE(b.Create(parent.Handle(), 1040, L"2.4", RECT{100, 10, 180, 60}));
    ASSERT_TRUE(other.Create(parent.Handle(), 1046, L"Low", RECT{200, 10, 280, 60}));
    a.SetGroupName(L"PresetRadioButtonGroup");
    b.SetGroupName(L"PresetRadioButtonGroup");
    other.SetGroupName(L"ColorTempRadioButtonGroup");
    ASSERT_EQ(other.SetState(true, false), 1);
    ASSERT_EQ(a.SetState(true, false), 1);

    SendMessageW(b.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    EXPECT_TRUE(b.IsOn());
    EXPECT_FALSE(a.IsOn());
    EXPECT_TRUE(other.IsOn());  // another group
    std::vector<Sent> expected = {{kToggleState, 1040, 1}, {kToggleState, 1114, 0}, {kPointerInput, 1040, 0}};
    EXPECT_EQ(parent.sent, expected);
    SendMessageW(b.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));

    // Clicking the button that is on: only the pointer message.
    parent.sent.clear();
    SendMessageW(b.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    EXPECT_TRUE(b.IsOn());
    expected = {{kPointerInput, 1040, 0}};
    EXPECT_EQ(parent.sent, expected);
    SendMessageW(b.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
}

// Pixels of a 100 x 50 text button at 1920 x 1280: border 2 wide, focus frame 4 in.
TEST_F(Buttons, DrawingByStateReadBackFromTheWindow) {
    vistrel::ToggleButton button;
    ASSERT_TRUE(button.Create(parent.Handle(), 1200, L"", RECT{10, 10, 110, 60}));
    button.SetLayoutState(k1920x1280);
    HWND h = button.Handle();
    const COLORREF white = RGB(255, 255, 255), black = 0, grey = 0x565658;

    EXPECT_EQ(PixelOf(h, 0, 0), white);  // border
    EXPECT_EQ(PixelOf(h, 1, 25), white);
    EXPECT_EQ(PixelOf(h, 50, 25), black);  // face

    SendMessageW(h, BM_SETSTATE, TRUE, 0);
    EXPECT_EQ(PixelOf(h, 50, 25), white);
    EXPECT_EQ(PixelOf(h, 0, 0), white);
    SendMessageW(h, BM_SETSTATE, FALSE, 0);

    EnableWindow(h, FALSE);
    EXPECT_EQ(PixelOf(h, 0, 0), grey);
    EXPECT_EQ(PixelOf(h, 50, 25), black);

    (void)button.SetState(true, false);  // on while disabled: the on colours
    EXPECT_EQ(PixelOf(h, 50, 25), white);
    EnableWindow(h, TRUE);
    EXPECT_EQ(PixelOf(h, 50, 25), white);
    EXPECT_EQ(PixelOf(h, 0, 0), white);
}

TEST_F(Buttons, PicturesFollowTheStateAndFillTheButton) {
    vistrel::ToggleButton pause;
    ASSERT_TRUE(pause.Create(parent.Handle(), 1177, L"", RECT{10, 10, 60, 60}));
    pause.SetLayoutState(k1920x1280);
    pause.SetOnImages(IDB_PAUSE, IDB_PLAY, IDB_PAUSE_DISABLED, IDB_PLAY, IDB_PAUSE_DISABLED);
    HWND h = pause.Handle();
    // A point on the left pause bar and one between the bars (the picture is
    // 96 wide, drawn into the 40 x 40 area from (5, 5)).
    const int bar_x = 5 + 40 * 35 / 96, gap_x = 5 + 40 * 50 / 96, mid_y = 25;
    EXPECT_EQ(PixelOf(h, bar_x, mid_y), RGB(255, 255, 255));
    EXPECT_EQ(PixelOf(h, gap_x, mid_y), RGB(0, 0, 0));
    (void)pause.SetState(true, false);  // the play picture: black on white
    EXPECT_EQ(PixelOf(h, 5 + 40 * 20 / 96, mid_y), RGB(255, 255, 255));
    EXPECT_EQ(PixelOf(h, 5 + 40 * 45 / 96, mid_y), RGB(0, 0, 0));
    EnableWindow(h, FALSE);
    EXPECT_EQ(PixelOf(h, bar_x, mid_y), COLORREF{0x565658});
}

}  // namespace
