// Tavrin_x64.dll as the viewer uses it: loaded by name, exports bound by name.
#include <gtest/gtest.h>
#include <windows.h>

#include "Tavrin.h"
#include "tabletprobe/tests/ProbeTestUtil.h"

namespace {

using probe_test::NotifyWindow;
using probe_test::ThreadsOfThisProcess;

class TavrinDll : public ::testing::Test {
protected:
    void SetUp() override {
        module_ = LoadLibraryW(TAVRIN_DLL_NAME);
        ASSERT_NE(module_, nullptr) << "error " << GetLastError();
        init_ = Bind<PFN_InitTavrin>("InitTavrin");
        get_ = Bind<PFN_GetTavrin>("GetTavrin");
        finalize_ = Bind<PFN_FinalizeTavrin>("FinalizeTavrin");
        ASSERT_TRUE(init_ && get_ && finalize_);
    }
    void TearDown() override {
        if (finalize_) finalize_();
        if (module_) FreeLibrary(module_);
    }
    template <class Fn>
    Fn Bind(const char* name) {
        return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module_, name)));
    }

    HMODULE module_ = nullptr;
    PFN_InitTavrin init_ = nullptr;
    PFN_GetTavrin get_ = nullptr;
    PFN_FinalizeTavrin finalize_ = nullptr;
};

TEST_F(TavrinDll, AnswersBeforeInitialisation) {
    EXPECT_EQ(get_(), TAVRIN_MODE_UNKNOWN);
    EXPECT_EQ(finalize_(), 1);
    EXPECT_EQ(finalize_(), 1);
}

TEST_F(TavrinDll, RefusesMissingArgumentsWithoutStartingAThread) {
    NotifyWindow notify;
    const int before = ThreadsOfThisProcess();
    EXPECT_EQ(init_(notify.Window(), nullptr), 0);
    EXPECT_EQ(init_(nullptr, L"TavrinDllTestNull"), 0);
    EXPECT_EQ(ThreadsOfThisProcess(), before);
    EXPECT_EQ(FindWindowW(L"TavrinDllTestNull", nullptr), nullptr);
    EXPECT_EQ(get_(), TAVRIN_MODE_UNKNOWN);
    EXPECT_EQ(finalize_(), 1);
}

TEST_F(TavrinDll, RunsItsHiddenWindowAndAnswersWithoutTheWindowsRuntime) {
    NotifyWindow notify;
    ASSERT_EQ(init_(notify.Window(), L"TavrinDllTestRun"), 1);
    const HWND hidden = FindWindowW(L"TavrinDllTestRun", nullptr);
    ASSERT_NE(hidden, nullptr);
    EXPECT_FALSE(IsWindowVisible(hidden));
    EXPECT_NE(GetWindowThreadProcessId(hidden, nullptr), GetCurrentThreadId());

    const int32_t mode = get_();
    if (probe_test::RunningUnderWine()) {
        // Wine has no UIViewSettings runtime class: every attempt fails.
        EXPECT_EQ(mode, TAVRIN_MODE_UNKNOWN);
    } else {
        EXPECT_GE(mode, TAVRIN_MODE_UNKNOWN);
        EXPECT_LE(mode, TAVRIN_MODE_TABLET);
    }
    // A setting change whose mode equals the one read at start posts nothing.
    SendMessageW(hidden, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(L"UserInteractionMode"));
    EXPECT_FALSE(notify.TakeChange().has_value());

    EXPECT_EQ(finalize_(), 1);
    EXPECT_EQ(FindWindowW(L"TavrinDllTestRun", nullptr), nullptr);
    EXPECT_EQ(get_(), TAVRIN_MODE_UNKNOWN);
}

TEST_F(TavrinDll, InitAndFinalizeCyclesLeaveNothingBehind) {
    NotifyWindow notify;
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        ASSERT_EQ(init_(notify.Window(), L"TavrinDllTestCycle"), 1);  // the class name is free again
        const HWND hidden = FindWindowW(L"TavrinDllTestCycle", nullptr);
        ASSERT_NE(hidden, nullptr);
        const HANDLE probe = OpenThread(SYNCHRONIZE, FALSE, GetWindowThreadProcessId(hidden, nullptr));
        ASSERT_NE(probe, nullptr);
        EXPECT_EQ(WaitForSingleObject(probe, 0), static_cast<DWORD>(WAIT_TIMEOUT));

        ASSERT_EQ(finalize_(), 1);
        EXPECT_EQ(WaitForSingleObject(probe, 0), WAIT_OBJECT_0) << "probe thread still running";
        CloseHandle(probe);
        EXPECT_FALSE(IsWindow(hidden));
        EXPECT_EQ(FindWindowW(L"TavrinDllTestCycle", nullptr), nullptr);
    }
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    EXPECT_FALSE(GetClassInfoExW(module_, L"TavrinDllTestCycle", &wc)) << "class still registered";
}

TEST_F(TavrinDll, CopiesTheClassName) {
    NotifyWindow notify;
    wchar_t name[] = L"TavrinDllTestCopy";
    ASSERT_EQ(init_(notify.Window(), name), 1);
    name[0] = L'X';  // the caller may reuse its buffer at once
    EXPECT_NE(FindWindowW(L"TavrinDllTestCopy", nullptr), nullptr);
    EXPECT_EQ(finalize_(), 1);
    EXPECT_EQ(FindWindowW(L"TavrinDllTestCopy", nullptr), nullptr);
}

}  // namespace
