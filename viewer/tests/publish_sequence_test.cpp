// The messages the resolver sends for whole scenarios of the viewer's life,
// recorded by a fake frame and a fake layout. On Windows these are real
// windows reached with SendMessageW; on other hosts the sender records directly.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "viewer/core/StateResolver.h"

#if defined(_WIN32)
#include <windows.h>
#endif

namespace vistrel {
namespace {

struct Record {
    char who;  // 'F' frame, 'L' layout
    int n;     // message number minus WM_APP
    long long a;
    long long b;
    bool operator==(const Record&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Record& r) {
    return os << r.who << "+" << r.n << "(" << r.a << "," << r.b << ")";
}

std::vector<Record>* g_log = nullptr;

void Log(char who, std::uint32_t message, std::uintptr_t w, std::intptr_t l) {
    const int n = static_cast<int>(message - msg::kApp);
    Record r{who, n, static_cast<long long>(w), static_cast<long long>(l)};
    if (n == 4 || n == 5) {
        // The statuses are readable during the call: record old and new kinds.
        r.a = reinterpret_cast<const ViewStatus*>(w)->displayKind;
        r.b = reinterpret_cast<const ViewStatus*>(l)->displayKind;
    }
    g_log->push_back(r);
}

#if defined(_WIN32)
LRESULT CALLBACK RecorderProc(HWND hwnd, UINT m, WPARAM w, LPARAM l) {
    if (m > msg::kApp && m <= msg::kApp + 14) {
        Log(static_cast<char>(GetWindowLongPtrW(hwnd, GWLP_USERDATA)), m, w, static_cast<std::intptr_t>(l));
        return 0;
    }
    return DefWindowProcW(hwnd, m, w, l);
}
#endif

class Sequence : public testing::Test {
protected:
    Sequence() {
        g_log = &log;
#if defined(_WIN32)
        WNDCLASSW wc{};
        wc.lpfnWndProc = RecorderProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"ResolverRecorder";
        RegisterClassW(&wc);
        frame = CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
        layout = CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
        SetWindowLongPtrW(frame, GWLP_USERDATA, 'F');
        SetWindowLongPtrW(layout, GWLP_USERDATA, 'L');
        resolver.SetWindows(layout, frame, frame);
#else
        resolver = StateResolver([this](void* to, std::uint32_t m, std::uintptr_t w, std::intptr_t l) {
            Log(to == &frameTag ? 'F' : 'L', m, w, l);
            return std::intptr_t{0};
        });
        resolver.SetWindows(&layoutTag, &frameTag, &frameTag);
#endif
    }
    ~Sequence() override {
#if defined(_WIN32)
        DestroyWindow(frame);
        DestroyWindow(layout);
#endif
        g_log = nullptr;
    }

    std::vector<Record> Take() { return std::exchange(log, {}); }

    // Start-up without tablet mode and no cable, as the frame feeds it.
    void StartUp() {
        AlreadyProcState already(0);
        FirmVerCheckedState firm(0);
        DriverVerCheckedState driver(0);
        ShowTransitionState transition(1);
        ScreenModeState mode(0);
        ResizeState resize(1);
        resolver.Apply({&already, &firm, &driver, &transition, &mode, &resize});
        TableteModeState tablet(0);
        resolver.Apply({&tablet});
        DetectPauseState pause(0);
        resolver.Apply({&pause});
    }
    // Timer 4: refresh the HDMI state, then end the transition.
    void TransitionEnds(int hdmi) {
        HdmiConnectState h(hdmi);
        resolver.Apply({&h});
        ShowTransitionState t(0);
        resolver.Apply({&t});
    }

    std::vector<Record> log;
    StateResolver resolver;
#if defined(_WIN32)
    HWND frame = nullptr;
    HWND layout = nullptr;
#else
    int frameTag = 0;
    int layoutTag = 0;
#endif
};

TEST_F(Sequence, StartUpShowsTheTransitionThenNoSignal) {
    StartUp();
    EXPECT_EQ(Take(), (std::vector<Record>{{'F', 4, 0, 4}, {'F', 3, 0, 0}, {'L', 2, 4, 1}, {'F', 5, 0, 4}}));
    TransitionEnds(2);
    EXPECT_EQ(Take(), (std::vector<Record>{{'F', 4, 4, 5}, {'L', 2, 5, 1}, {'F', 5, 4, 5}}));
}

TEST_F(Sequence, HdmiPlugPlaysThenRefitsThroughTheTransition) {
    StartUp();
    TransitionEnds(2);
    Take();
    HdmiConnectState hdmi(0);
    resolver.Apply({&hdmi});
    EXPECT_EQ(Take(), (std::vector<Record>{{'F', 4, 5, 2}, {'L', 2, 2, 1}, {'L', 12, 0, 8}, {'F', 5, 5, 2}}));
    // The first video size: refit and a transition (the refit waits for the
    // normal window, since the frame is full screen).
    ResizeState resize(1);
    ShowTransitionState transition(1);
    resolver.Apply({&resize, &transition});
    EXPECT_EQ(Take(), (std::vector<Record>{{'F', 4, 2, 4}, {'L', 2, 4, 1}, {'L', 12, 8, 0}, {'F', 5, 2, 4}}));
    TransitionEnds(0);
    EXPECT_EQ(Take(), (std::vector<Record>{{'F', 4, 4, 2}, {'L', 2, 2, 1}, {'L', 12, 0, 8}, {'F', 5, 4, 2}}));
    // Back in the normal window the pending refit is delivered.
    ScreenModeState normal(1);
    resolver.Apply({&normal});
    EXPECT_EQ(Take(), (std::vector<Record>{{'F', 4, 2, 2}, {'F', 3, 1, 1}, {'F', 5, 2, 2}}));
}

TEST_F(Sequence, CoveringWindowBlocksAndSwitchesTheVideoOff) {
    StartUp();
    TransitionEnds(0);
    Take();
    DetectState covered(1);
    resolver.Apply({&covered});
    EXPECT_EQ(Take(), (std::vector<Record>{{'F', 4, 2, 6}, {'L', 2, 6, 1}, {'L', 12, 1, 0}, {'F', 5, 2, 6}}));
    covered.value = 0;
    resolver.Apply({&covered});
    EXPECT_EQ(Take(), (std::vector<Record>{{'F', 4, 6, 2}, {'L', 2, 2, 1}, {'L', 12, 0, 1}, {'F', 5, 6, 2}}));
}

TEST_F(Sequence, SuspendAndContinue) {
    StartUp();
    TransitionEnds(0);
    Take();
    SuspendState suspend(1);
    resolver.Apply({&suspend});
    EXPECT_EQ(Take(), (std::vector<Record>{{'F', 4, 2, 3}, {'L', 2, 3, 1}, {'L', 12, 8, 0}, {'F', 5, 2, 3}}));
    // Continue: the suspension ends through the transition.
    suspend.value = 0;
    ShowTransitionState transition(1);
    resolver.Apply({&suspend, &transition});
    EXPECT_EQ(Take(), (std::vector<Record>{{'F', 4, 3, 4}, {'L', 2, 4, 1}, {'F', 5, 3, 4}}));
    TransitionEnds(0);
    EXPECT_EQ(Take(), (std::vector<Record>{{'F', 4, 4, 2}, {'L', 2, 2, 1}, {'L', 12, 0, 8}, {'F', 5, 4, 2}}));
}

TEST_F(Sequence, SaveErrorAndItsClose) {
    StartUp();
    TransitionEnds(0);
    Take();
    SettingViewVisibleState setting(0);  // the still capture closes the setting view first
    resolver.Apply({&setting});
    EXPECT_TRUE(Take().empty());
    SaveCaptureErrorState save(1);
    resolver.Apply({&save});
    EXPECT_EQ(Take(), (std::vector<Record>{{'F', 4, 2, 10}, {'L', 2, 10, 1}, {'L', 12, 8, 0}, {'F', 5, 2, 10}}));
    save.value = 0;
    resolver.Apply({&save});
    EXPECT_EQ(Take(), (std::vector<Record>{{'F', 4, 10, 4}, {'L', 2, 4, 1}, {'F', 5, 10, 4}}));
}

TEST_F(Sequence, EveryMessageInItsFixedOrder) {
    StartUp();
    TransitionEnds(0);
    SettingViewVisibleState setting(1);
    resolver.Apply({&setting});
    Take();
    VideoPlayState pause(2);
    ScreenModeState normal(1);
    SuspendState suspend(1);
    resolver.Apply({&pause, &normal, &suspend});
    EXPECT_EQ(Take(), (std::vector<Record>{{'F', 4, 2, 3},
                                           {'F', 3, 1, 1},
                                           {'L', 2, 3, 1},
                                           {'L', 7, 0, 0},
                                           {'L', 12, 8, 0},
                                           {'F', 5, 2, 3}}));
}

}  // namespace
}  // namespace vistrel
