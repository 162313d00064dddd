// The probe with a mode query the test decides: what a setting change posts.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>

#include "Tavrin.h"
#include "tabletprobe/TestHooks.h"
#include "tabletprobe/tests/ProbeTestUtil.h"

namespace {

using probe_test::NotifyWindow;

std::atomic<int32_t> g_mode{1};
std::atomic<HWND> g_last_window{nullptr};
std::atomic<int> g_calls{0};

int32_t FakeQuery(HWND window) {
    g_last_window = window;
    ++g_calls;
    return window ? g_mode.load() : -1;
}

class TavrinProbe : public ::testing::Test {
protected:
    void SetUp() override {
        g_mode = TAVRIN_MODE_DESKTOP;
        g_calls = 0;
        TavrinTest_SetModeQuery(&FakeQuery);
        ASSERT_EQ(InitTavrin(notify_.Window(), L"TavrinProbeTest"), 1);
        hidden_ = FindWindowW(L"TavrinProbeTest", nullptr);
        ASSERT_NE(hidden_, nullptr);
    }
    void TearDown() override {
        EXPECT_EQ(FinalizeTavrin(), 1);
        TavrinTest_SetModeQuery(nullptr);
    }
    // Sent, so the probe has handled it (and posted, if it does) on return.
    void SettingChange() { SendMessageW(hidden_, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(L"UserInteractionMode")); }

    NotifyWindow notify_;
    HWND hidden_ = nullptr;
};

TEST_F(TavrinProbe, SettingChangeThatKeepsTheModePostsNothing) {
    SettingChange();
    SettingChange();
    EXPECT_FALSE(notify_.TakeChange().has_value());
    EXPECT_EQ(g_last_window.load(), hidden_);  // queried for its own window
}

TEST_F(TavrinProbe, DesktopToTabletPostsTwoOnce) {
    g_mode = TAVRIN_MODE_TABLET;
    const int calls = g_calls;
    SettingChange();
    EXPECT_EQ(g_calls, calls + 1);
    const auto change = notify_.TakeChange();
    ASSERT_TRUE(change.has_value());
    EXPECT_EQ(change->hwnd, notify_.Window());
    EXPECT_EQ(change->wParam, 2u);
    EXPECT_EQ(change->lParam, 0);
    EXPECT_FALSE(notify_.TakeChange().has_value());

    SettingChange();  // still tablet
    EXPECT_FALSE(notify_.TakeChange().has_value());

    g_mode = TAVRIN_MODE_DESKTOP;
    SettingChange();
    const auto back = notify_.TakeChange();
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(back->wParam, 1u);
}

TEST_F(TavrinProbe, UnreadableModeIsPostedAsMinusOne) {
    g_mode = TAVRIN_MODE_UNKNOWN;
    SettingChange();
    const auto change = notify_.TakeChange();
    ASSERT_TRUE(change.has_value());
    EXPECT_EQ(static_cast<intptr_t>(change->wParam), -1);
}

TEST_F(TavrinProbe, GetTavrinReadsNowOnTheCallersThread) {
    EXPECT_EQ(GetTavrin(), TAVRIN_MODE_DESKTOP);
    g_mode = TAVRIN_MODE_OTHER;
    const int before = g_calls;
    EXPECT_EQ(GetTavrin(), TAVRIN_MODE_OTHER);  // not a cached value
    EXPECT_EQ(g_calls, before + 1);
    EXPECT_EQ(g_last_window.load(), hidden_);
    // Reading does not count as a change seen by the probe.
    EXPECT_FALSE(notify_.TakeChange().has_value());
}

TEST_F(TavrinProbe, NewNotifyWindowOfASecondInitReceivesTheChanges) {
    NotifyWindow other;
    EXPECT_EQ(InitTavrin(other.Window(), L"TavrinProbeTest"), 1);
    g_mode = TAVRIN_MODE_TABLET;
    SettingChange();
    EXPECT_FALSE(notify_.TakeChange().has_value());
    const auto change = other.TakeChange();
    ASSERT_TRUE(change.has_value());
    EXPECT_EQ(change->wParam, 2u);
}

TEST(TavrinProbeStartup, ModeAtStartIsTheBaselineForChanges) {
    NotifyWindow notify;
    g_mode = TAVRIN_MODE_TABLET;
    TavrinTest_SetModeQuery(&FakeQuery);
    ASSERT_EQ(InitTavrin(notify.Window(), L"TavrinProbeStart"), 1);
    const HWND hidden = FindWindowW(L"TavrinProbeStart", nullptr);
    ASSERT_NE(hidden, nullptr);
    SendMessageW(hidden, WM_SETTINGCHANGE, 0, 0);
    EXPECT_FALSE(notify.TakeChange().has_value());  // tablet at start, tablet now
    EXPECT_EQ(FinalizeTavrin(), 1);
    TavrinTest_SetModeQuery(nullptr);
}

}  // namespace
