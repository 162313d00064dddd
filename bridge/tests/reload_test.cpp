// Loading Tolvane.dll, opening and closing the connection and unloading it again leaves the
// process's threads and handles as they were: a product that unloads and reloads a library
// importing the bridge must not lose handles on every round. Merrowcom.dll stays loaded (the
// bridge never unloads it), so the simulator's own objects are made before counting.
#include <windows.h>

#include <gtest/gtest.h>

#include "Tolvane.h"
#include "tests/support/CwProcess.h"
#include "bridge/tests/SimHost.h"

namespace bridgetest {
namespace {

using OpenFn = int32_t(KDR_CALL*)(KdrHandle*, int32_t);
using CloseFn = int32_t(KDR_CALL*)(KdrHandle*);

// One load, open, close and unload.
void Cycle(int round) {
    HMODULE module = LoadLibraryW(L"Tolvane.dll");
    ASSERT_NE(module, nullptr) << "round " << round << ", error " << GetLastError();
    auto open = reinterpret_cast<OpenFn>(reinterpret_cast<void*>(GetProcAddress(module, "Kdr_DevOpen")));
    auto close = reinterpret_cast<CloseFn>(reinterpret_cast<void*>(GetProcAddress(module, "Kdr_DevClose")));
    if (open == nullptr || close == nullptr) {
        FreeLibrary(module);
        FAIL() << "exports missing in round " << round;
    }
    KdrHandle dev = nullptr;
    const int32_t opened = open(&dev, 0);
    const int32_t closed = opened == KDR_OK ? close(&dev) : KDR_ERR_FAIL;
    EXPECT_TRUE(FreeLibrary(module)) << round;
    // The library really went away: a later load starts from a fresh image.
    EXPECT_EQ(GetModuleHandleW(L"Tolvane.dll"), nullptr) << round;
    ASSERT_EQ(opened, KDR_OK) << round;
    ASSERT_EQ(closed, KDR_OK) << round;
}

TEST(Reload, LoadOpenCloseUnloadCyclesLeaveThreadsAndHandles) {
    // This program does not import the bridge: each load below is the first.
    ASSERT_EQ(GetModuleHandleW(L"Tolvane.dll"), nullptr);
    simhost::Reset();
    // Warm-up: the simulator's objects and the system's per-process caches exist before counting.
    for (int i = 0; i < 3; ++i) {
        ASSERT_NO_FATAL_FAILURE(Cycle(-1 - i));
    }
    simhost::WaitIdle();
    const cwtest::ResourceCounts before = cwtest::CurrentResourceCounts();
    constexpr int kRounds = 30;
    for (int i = 0; i < kRounds; ++i) {
        ASSERT_NO_FATAL_FAILURE(Cycle(i));
    }
    simhost::WaitIdle();
    const cwtest::ResourceCounts after = cwtest::CurrentResourceCounts();
    EXPECT_EQ(after.threads, before.threads);
    // Exact: a leak of even one handle per round would show as kRounds.
    EXPECT_EQ(after.handles, before.handles);
    EXPECT_EQ(simhost::Status().releases, static_cast<std::uint64_t>(kRounds + 3));
}

}  // namespace
}  // namespace bridgetest
