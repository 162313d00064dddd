// The program Vistrel.exe: a frame window that starts and ends cleanly, one per session.
#include <gtest/gtest.h>

#include <windows.h>

#include "viewer/app/MainFrame.h"
#include "viewer/app/PelmoraApp.h"
#include "cw_process.h"

namespace vistrel {
namespace {

HWND WaitForMainWindow(DWORD ms) {
    const ULONGLONG end = GetTickCount64() + ms;
    while (GetTickCount64() < end) {
        if (HWND w = FindWindowW(kMainWindowClass, nullptr)) return w;
        Sleep(20);
    }
    return nullptr;
}

struct Started {
    PROCESS_INFORMATION pi{};
    bool ok = false;
};

Started Start() {
    Started s;
    std::wstring cmd = L"\"" + cwtest::ExeDir() + L"\\Vistrel.exe\"";
    STARTUPINFOW si{sizeof si};
    s.ok = CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, cwtest::ExeDir().c_str(), &si,
                          &s.pi) != FALSE;
    return s;
}

DWORD CloseAndWait(Started& s, HWND window) {
    PostMessageW(window, WM_CLOSE, 0, 0);
    DWORD code = 0xDEAD;
    if (WaitForSingleObject(s.pi.hProcess, 20000) == WAIT_OBJECT_0) GetExitCodeProcess(s.pi.hProcess, &code);
    else TerminateProcess(s.pi.hProcess, 99);
    CloseHandle(s.pi.hProcess);
    CloseHandle(s.pi.hThread);
    return code;
}

TEST(VistrelProgram, StartsOncePerSessionAndExitsCleanly) {
    ASSERT_EQ(FindWindowW(kMainWindowClass, nullptr), nullptr);
    Started first = Start();
    ASSERT_TRUE(first.ok);
    HWND window = WaitForMainWindow(20000);
    ASSERT_NE(window, nullptr);
    wchar_t title[64] = {};
    GetWindowTextW(window, title, 64);
    EXPECT_STREQ(title, L"Vistrel");
    EXPECT_EQ(GetWindowLongPtrW(window, GWL_STYLE) & kFrameStyle, static_cast<LONG_PTR>(kFrameStyle));

    // A second start in the same session restores the first and ends.
    ShowWindow(window, SW_MINIMIZE);
    ASSERT_TRUE(IsIconic(window));
    const cwtest::ProcessResult second = cwtest::RunProcess(cwtest::ExeDir() + L"\\Vistrel.exe", {}, 20000);
    ASSERT_TRUE(second.started);
    EXPECT_FALSE(second.timed_out);
    EXPECT_EQ(second.exit_code, 0u);
    EXPECT_EQ(WaitForSingleObject(first.pi.hProcess, 0), static_cast<DWORD>(WAIT_TIMEOUT)) << "the first runs on";
    EXPECT_FALSE(IsIconic(window)) << "the first window was restored";

    EXPECT_EQ(CloseAndWait(first, window), 0u);
}

TEST(VistrelProgram, OpensWhenOnlyAnotherSessionRunsIt) {
    // The global mutex held by "another session": the user mutex is still free.
    fw::NamedMutex global;
    ASSERT_TRUE(global.Create(kGlobalMutexName));
    Started s = Start();
    ASSERT_TRUE(s.ok);
    HWND window = WaitForMainWindow(20000);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(CloseAndWait(s, window), 0u);
}

}  // namespace
}  // namespace vistrel
