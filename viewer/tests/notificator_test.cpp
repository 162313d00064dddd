// Notificators and the UI-thread timer with real message-only windows.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <vector>

#include "viewer/app/Notificators.h"

namespace vistrel {
namespace {

bool PumpUntil(const std::function<bool()>& done, DWORD ms = 3000) {
    const ULONGLONG end = GetTickCount64() + ms;
    MSG msg;
    while (!done()) {
        if (GetTickCount64() > end) return false;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        Sleep(2);
    }
    return true;
}

// A view-like owner whose listener is bound to one of its member functions.
class ColorListener {
public:
    explicit ColorListener(std::vector<int>* order, int id) : order_(order), id_(id) {
        notificator_.SetListener(std::bind_front(&ColorListener::OnColor, this));
    }
    const void* lastColor = nullptr;
    const void* lastSelection = nullptr;
    ColorSettingChangedNotificator& Notificator() { return notificator_; }

private:
    void OnColor(ColorSettingChangedEventArgs args) {
        lastColor = args.color;
        lastSelection = args.selection;
        order_->push_back(id_);
    }
    std::vector<int>* order_;
    int id_;
    ColorSettingChangedNotificator notificator_;
};

TEST(Notificators, EveryListenerOfAClassHearsOneBroadcast) {
    std::vector<int> order;
    ColorListener a(&order, 1);
    ColorListener b(&order, 2);
    const int color = 5;
    const int selection = 6;
    EXPECT_EQ(ColorSettingChangedNotificator::Broadcast(&color, &selection), 2);
    // Synchronous: both were called before Broadcast returned.
    ASSERT_EQ(order.size(), 2u);
    EXPECT_NE(order[0], order[1]);
    EXPECT_EQ(a.lastColor, &color);
    EXPECT_EQ(b.lastSelection, &selection);
}

TEST(Notificators, NoWindowNoDelivery) {
    EXPECT_EQ(PowerChangedNotificator::Broadcast(1), 0);
    std::vector<int> order;
    {
        ColorListener gone(&order, 1);
    }
    int color = 0;
    EXPECT_EQ(ColorSettingChangedNotificator::Broadcast(&color, nullptr), 0);
    EXPECT_TRUE(order.empty());
}

TEST(Notificators, ListenerReplacedAndCleared) {
    PowerChangedNotificator power;
    std::vector<int> heard;
    power.SetListener([&](PowerChangedEventArgs a) { heard.push_back(100 + a.value); });
    power.SetListener([&](PowerChangedEventArgs a) { heard.push_back(a.value); });
    EXPECT_EQ(PowerChangedNotificator::Broadcast(2), 1);
    EXPECT_EQ(heard, (std::vector<int>{2}));
    power.SetListener(nullptr);
    EXPECT_EQ(PowerChangedNotificator::Broadcast(1), 1) << "the window still answers";
    EXPECT_EQ(heard, (std::vector<int>{2}));
}

TEST(Notificators, ClassesAreSeparate) {
    HdmiInfoChangedNotificator hdmi;
    PowerChangedNotificator power;
    const void* info = nullptr;
    int powerCalls = 0;
    hdmi.SetListener([&](HdmiInfoChangedEventArgs a) { info = a.info; });
    power.SetListener([&](PowerChangedEventArgs) { ++powerCalls; });
    const int record = 1;
    EXPECT_EQ(HdmiInfoChangedNotificator::Broadcast(&record), 1);
    EXPECT_EQ(info, &record);
    EXPECT_EQ(powerCalls, 0);
    EXPECT_EQ(GetParent(hdmi.Handle()), nullptr);
    EXPECT_EQ(FindWindowExW(HWND_MESSAGE, nullptr, HdmiInfoChangedNotificator::kClassName, nullptr), hdmi.Handle());
}

TEST(UIThreadTimerTest, TicksStartOnRunningAndStop) {
    UIThreadTimer timer(10);
    int ticks = 0;
    timer.SetListener([&](UIThreadTimer::TickEventArgs) { ++ticks; });
    EXPECT_FALSE(timer.Running());
    ASSERT_TRUE(timer.Start());
    ASSERT_TRUE(PumpUntil([&] { return ticks >= 1; }));
    EXPECT_TRUE(timer.Start()) << "a running timer keeps running";
    EXPECT_TRUE(timer.Running());
    const int before = ticks;
    ASSERT_TRUE(PumpUntil([&] { return ticks >= before + 2; }));
    timer.Stop();
    EXPECT_FALSE(timer.Running());
    PumpUntil([] { return false; }, 30);
    const int stopped = ticks;
    PumpUntil([] { return false; }, 60);
    EXPECT_EQ(ticks, stopped) << "a stopped timer delivers nothing";
}

TEST(UIThreadTimerTest, NoListenerNoCall) {
    UIThreadTimer timer(5);
    ASSERT_TRUE(timer.Start());
    PumpUntil([] { return false; }, 30);
    int ticks = 0;
    timer.SetListener([&](UIThreadTimer::TickEventArgs) { ++ticks; });
    EXPECT_TRUE(PumpUntil([&] { return ticks > 0; }));
}

}  // namespace
}  // namespace vistrel
