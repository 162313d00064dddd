// Open and close cycles leave the process's threads (and, on Windows, handles) as they were.
#include "bridge/tests/BridgeFixture.h"
#include "bridge/tests/Resources.h"

namespace bridgetest {
namespace {

TEST(Cycles, ThousandOpenCloseCyclesLeaveThreadsAndHandles) {
    simhost::Reset();
    // One cycle first, so lazily created runtime objects exist before counting.
    KdrHandle dev = nullptr;
    ASSERT_EQ(Kdr_DevOpen(&dev, 0), KDR_OK);
    ASSERT_EQ(Kdr_DevClose(&dev), KDR_OK);
    simhost::WaitIdle();
    const Resources before = CurrentResources();
    for (int i = 0; i < 1000; ++i) {
        ASSERT_EQ(Kdr_DevOpen(&dev, 0), KDR_OK) << i;
        ASSERT_EQ(Kdr_DevClose(&dev), KDR_OK) << i;
    }
    simhost::WaitIdle();
    const Resources after = CurrentResources();
    EXPECT_EQ(after.threads, before.threads);
    EXPECT_EQ(after.handles, before.handles);
    EXPECT_EQ(simhost::Status().releases, 1001u);
}

}  // namespace
}  // namespace bridgetest
