// The test harness itself: a display for ordinary windows, the Windows-side
// process launcher with full exit codes, and the resource counters that the leak
// tests of every library rely on.
#include <gtest/gtest.h>

#include "tests/support/CwProcess.h"

#include <thread>

namespace {

std::wstring Child() { return cwtest::ExeDir() + L"\\cw_exit_child.exe"; }

TEST(Harness, OrdinaryHiddenWindowCanBeCreated) {
    // Without a display Wine returns null here; the runner must provide one.
    HWND hwnd = CreateWindowExW(0, L"STATIC", L"probe", WS_OVERLAPPEDWINDOW, 0, 0, 10, 10, nullptr,
                                nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(hwnd, nullptr) << "error " << GetLastError();
    EXPECT_FALSE(IsWindowVisible(hwnd));
    DestroyWindow(hwnd);
}

TEST(Harness, ChildExitCodeKeepsAll32Bits) {
    for (DWORD code : {0u, 1u, 13398u, 0x12345678u, 0xFFFFFFFFu, 0xC0000135u}) {
        auto r = cwtest::RunProcess(Child(), {std::to_wstring(code)});
        ASSERT_TRUE(r.started) << r.error;
        EXPECT_FALSE(r.timed_out);
        EXPECT_EQ(r.exit_code, code);
    }
}

TEST(Harness, ArgumentsArriveSplitAsGiven) {
    // Empty and spaced arguments must survive quoting: 3 arguments plus the program name.
    auto r = cwtest::RunProcess(Child(), {L"", L"a b", L"x\\\"y"});
    ASSERT_TRUE(r.started);
    EXPECT_EQ(r.exit_code, 0xA0000004u);
    r = cwtest::RunProcess(Child(), {});
    EXPECT_EQ(r.exit_code, 0xA0000001u);
}

TEST(Harness, ScopedEnvironmentIsInheritedAndRestored) {
    {
        cwtest::ScopedEnv env(L"CW_HARNESS_VALUE", L"0x7654321");
        auto r = cwtest::RunProcess(Child(), {L"--env", L"CW_HARNESS_VALUE"});
        EXPECT_EQ(r.exit_code, 0x7654321u);
    }
    auto r = cwtest::RunProcess(Child(), {L"--env", L"CW_HARNESS_VALUE"});
    EXPECT_EQ(r.exit_code, 0xE0000001u);
}

TEST(Harness, MissingProgramIsReportedNotRun) {
    auto r = cwtest::RunProcess(cwtest::ExeDir() + L"\\no_such_program.exe", {});
    EXPECT_FALSE(r.started);
    EXPECT_NE(r.error, 0u);
}

TEST(Harness, TempDirHoldsCopiesAndIsRemoved) {
    std::wstring path;
    {
        cwtest::TempDir dir;
        ASSERT_FALSE(dir.path().empty());
        path = dir.path();
        ASSERT_TRUE(dir.CopyFromBin(L"cw_exit_child.exe"));
        auto r = cwtest::RunProcess(path + L"\\cw_exit_child.exe", {L"42"});
        EXPECT_EQ(r.exit_code, 42u);
        EXPECT_FALSE(dir.CopyFromBin(L"no_such_file.dll"));
    }
    EXPECT_EQ(GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(Harness, ResourceCountsSeeThreadsAndHandles) {
    // Handles and threads are checked apart: the thread runtime's internal locks create
    // their wait event on first contention, which a thread's start and join may or may
    // not meet, so a handle count taken across a thread's life is not exact.
    auto before = cwtest::CurrentResourceCounts();
    ASSERT_GT(before.threads, 0u);
    ASSERT_GT(before.handles, 0u);
    HANDLE ev = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    EXPECT_EQ(cwtest::CurrentResourceCounts().handles, before.handles + 1);
    CloseHandle(ev);
    EXPECT_EQ(cwtest::CurrentResourceCounts().handles, before.handles);

    ev = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::thread t([ev] { WaitForSingleObject(ev, INFINITE); });
    auto during = cwtest::CurrentResourceCounts();
    EXPECT_GE(during.threads, before.threads + 1);
    SetEvent(ev);
    t.join();
    CloseHandle(ev);
    // A joined thread leaves the list once it has fully ended.
    DWORD threads = 0;
    for (int i = 0; i < 100; ++i) {
        threads = cwtest::CurrentResourceCounts().threads;
        if (threads == during.threads - 1) break;
        Sleep(10);
    }
    EXPECT_EQ(threads, during.threads - 1);
}

}  // namespace
