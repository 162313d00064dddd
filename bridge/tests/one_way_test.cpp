// Sequences after which the process's connection cannot be opened again; each runs in a
// process of its own (the test name is the first argument).
#include <gtest/gtest.h>

#include "bridge/tests/BridgeFixture.h"

namespace bridgetest {
namespace {

TEST(OneWay, FailedOpenAfterLoadingLeavesTheComponentLoaded) {
    simhost::Reset();
    simhost::FailCommand(34, kCmdOpen, MRCSIM_FAULT_FAIL, 1, 0);
    KdrHandle dev = nullptr;
    EXPECT_EQ(Kdr_DevOpen(&dev, 0), KDR_ERR_FAIL);
    EXPECT_NE(dev, nullptr);  // written at loading
    KdrHandle again = nullptr;
    std::uint32_t version = 0;
    EXPECT_EQ(Kdr_DevGetProp(&dev, KDR_DEV_VERSION, &version), KDR_ERR_FAIL);
    EXPECT_EQ(Kdr_DevOpen(&again, 0), KDR_ERR_FAIL);
    EXPECT_EQ(Kdr_DevOpen(&again, 0), KDR_ERR_FAIL);
    EXPECT_EQ(again, nullptr);
    EXPECT_EQ(simhost::Status().startups, 1u);  // not loaded a second time
    EXPECT_EQ(Kdr_DevClose(&dev), KDR_ERR_FAIL);
}

TEST(OneWay, LostReplyMakesEveryLaterCommandFailUntilTheNextOpen) {
    simhost::Reset();
    KdrHandle dev = nullptr;
    ASSERT_EQ(Kdr_DevOpen(&dev, 0), KDR_OK);
    simhost::MarkLost(35, 1);
    KdrFirmInfo info{};
    (void)Kdr_DevGetProp(&dev, KDR_DEV_FIRMINFO, &info);  // its reply carries the lost mark
    for (int i = 0; i < 3; ++i) EXPECT_EQ(Kdr_DevGetProp(&dev, KDR_DEV_FIRMINFO, &info), KDR_ERR_FAIL);
    std::uint32_t version = 0;
    EXPECT_EQ(Kdr_DevGetProp(&dev, KDR_DEV_VERSION, &version), KDR_OK);  // no command
    // The close command fails too: the connection stays open in this process.
    EXPECT_EQ(Kdr_DevClose(&dev), KDR_ERR_FAIL);
}

}  // namespace
}  // namespace bridgetest
