// Connection, commands, faults, events and callbacks against the simulated controller.
#include <atomic>
#include <chrono>
#include <future>
#include <algorithm>

#include "bridge/tests/BridgeFixture.h"

namespace bridgetest {
namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

TEST(Connection, OpenRunsTheOpenSequenceAndCloseTheCloseSequence) {
    simhost::Reset();
    KdrHandle dev = nullptr;
    ASSERT_EQ(Kdr_DevOpen(&dev, 0), KDR_OK);
    ASSERT_NE(dev, nullptr);
    simhost::WaitIdle();
    auto rec = simhost::Record();
    const std::vector<std::uint32_t> opening = {kCmdOpen, 0x50001u, 0x20001u, 0x70001u, 0x30001u};
    auto codes = simhost::Codes(rec, 34);
    ASSERT_GE(codes.size(), opening.size());
    EXPECT_EQ(std::vector<std::uint32_t>(codes.begin(), codes.begin() + 5), opening);
    EXPECT_EQ(simhost::Codes(rec, 16).size(), 1u);  // the first draw
    std::uint32_t time = 0;
    ASSERT_TRUE(simhost::LastWrite(rec, 0x0E100340u, time));
    EXPECT_EQ(time, 20u);
    EXPECT_TRUE(simhost::Status().session_open);
    EXPECT_TRUE(simhost::Status().receiver_registered);

    simhost::ClearRecord();
    ASSERT_EQ(Kdr_DevClose(&dev), KDR_OK);
    EXPECT_EQ(dev, nullptr);
    simhost::WaitIdle();
    EXPECT_EQ(simhost::Codes(simhost::Record(), 34), std::vector<std::uint32_t>{kCmdClose});
    EXPECT_FALSE(simhost::Status().receiver_registered);
    EXPECT_EQ(simhost::Status().releases, 1u);
}

TEST(Connection, FlagsMustBeZero) {
    simhost::Reset();
    KdrHandle dev = reinterpret_cast<KdrHandle>(0x1234);
    EXPECT_EQ(Kdr_DevOpen(&dev, 1), KDR_ERR_PARAM);
    EXPECT_EQ(dev, nullptr);
    EXPECT_EQ(simhost::Status().startups, 0u);
}

TEST(Connection, ResetAndDisableAllAreUnsupportedEvenWhenClosed) {
    KdrHandle none = nullptr;
    EXPECT_EQ(Kdr_DevReset(&none), KDR_ERR_UNSUPPORTED);
    EXPECT_EQ(Kdr_VpDisableAll(&none), KDR_ERR_UNSUPPORTED);
    EXPECT_EQ(Kdr_DevReset(nullptr), KDR_ERR_UNSUPPORTED);
}

TEST(Connection, EveryFunctionRefusesAClosedConnection) {
    simhost::Reset();
    KdrHandle dev = nullptr;
    std::int32_t value = 0;
    EXPECT_EQ(Kdr_DevClose(&dev), KDR_ERR_FAIL);
    EXPECT_EQ(Kdr_DevGetProp(&dev, KDR_DEV_VERSION, &value), KDR_ERR_FAIL);
    EXPECT_EQ(Kdr_DevSetCb(&dev, KDR_CB_HDMI_SIZE, nullptr), KDR_ERR_FAIL);
    EXPECT_EQ(Kdr_VpSetCb(&dev, nullptr, KDR_CB_STATE, nullptr, nullptr), KDR_ERR_FAIL);
    EXPECT_EQ(Kdr_VpDrawAll(&dev), KDR_ERR_FAIL);
    EXPECT_EQ(Kdr_DevWdtInit(&dev, 1, 1), KDR_ERR_FAIL);
    EXPECT_EQ(Kdr_DevResetProp(&dev, KDR_DEV_EDP), KDR_ERR_FAIL);
}

TEST(Connection, MissingComponentFailsAndNothingStaysLoaded) {
    simhost::Reset();
    if (!simhost::SetComponentMissing(true)) GTEST_SKIP() << "tested with a separate process (Dornet)";
    KdrHandle dev = nullptr;
    EXPECT_EQ(Kdr_DevOpen(&dev, 0), KDR_ERR_FAIL);
    EXPECT_EQ(dev, nullptr);
    simhost::SetComponentMissing(false);
    ASSERT_EQ(Kdr_DevOpen(&dev, 0), KDR_OK);
    EXPECT_EQ(Kdr_DevClose(&dev), KDR_OK);
}

TEST(Connection, FailedStartupStepFailsAndNothingStaysLoaded) {
    for (std::uint32_t op : {1u, 2u}) {
        simhost::Reset();
        simhost::FailStartup(op, 0xC0000001u);
        KdrHandle dev = nullptr;
        EXPECT_EQ(Kdr_DevOpen(&dev, 0), KDR_ERR_FAIL) << op;
        EXPECT_EQ(dev, nullptr);
        simhost::FailStartup(op, 0);
        ASSERT_EQ(Kdr_DevOpen(&dev, 0), KDR_OK) << op;
        EXPECT_EQ(Kdr_DevClose(&dev), KDR_OK);
    }
}

class ConnectionTest : public BridgeTest {};

TEST_F(ConnectionTest, SecondOpenFailsAndClearsTheCallersVariable) {
    KdrHandle other = reinterpret_cast<KdrHandle>(0x1234);
    EXPECT_EQ(Kdr_DevOpen(&other, 0), KDR_ERR_FAIL);
    EXPECT_EQ(other, nullptr);
}

TEST_F(ConnectionTest, OnlyTheVariableHoldingTheGivenValueIsAccepted) {
    KdrHandle copy = dev_;  // another variable with the same value is fine
    std::uint32_t version = 0;
    EXPECT_EQ(Kdr_DevGetProp(&copy, KDR_DEV_VERSION, &version), KDR_OK);
    KdrHandle wrong = reinterpret_cast<KdrHandle>(reinterpret_cast<std::uintptr_t>(dev_) + 8);
    EXPECT_EQ(Kdr_DevGetProp(&wrong, KDR_DEV_VERSION, &version), KDR_ERR_FAIL);
    EXPECT_EQ(Kdr_DevClose(&wrong), KDR_ERR_FAIL);
    EXPECT_EQ(Kdr_DevGetProp(nullptr, KDR_DEV_VERSION, &version), KDR_ERR_FAIL);
    EXPECT_EQ(Kdr_DevSetCb(&wrong, KDR_CB_HDMI_SIZE, nullptr), KDR_ERR_FAIL);
    EXPECT_EQ(Kdr_VpDrawAll(&wrong), KDR_ERR_FAIL);
}

TEST_F(ConnectionTest, CallbackKinds) {
    EXPECT_EQ(Kdr_DevSetCb(&dev_, 7, nullptr), KDR_ERR_PARAM);
    EXPECT_EQ(Kdr_DevSetCb(&dev_, KDR_CB_HDMI_SIZE, nullptr), KDR_OK);
    EXPECT_EQ(Kdr_DevSetCb(&dev_, KDR_CB_HDMI_INFO, nullptr), KDR_OK);
    EXPECT_EQ(Kdr_VpSetCb(&dev_, nullptr, KDR_CB_STATE, nullptr, nullptr), KDR_OK);
    EXPECT_EQ(Kdr_VpSetCb(&dev_, nullptr, KDR_CB_MOVIE, nullptr, nullptr), KDR_OK);
    EXPECT_EQ(Kdr_VpSetCb(&dev_, nullptr, 15, nullptr, nullptr), KDR_ERR_PARAM);
}

TEST_F(ConnectionTest, UnansweredCommandTimesOutAfterFiveSecondsAndTheBridgeStaysUsable) {
    simhost::FailCommand(34, 0x10001u, MRCSIM_FAULT_NO_REPLY);
    KdrWdtInfo wdt{};
    const auto start = steady_clock::now();
    EXPECT_EQ(Kdr_DevGetProp(&dev_, KDR_DEV_WDT, &wdt), KDR_ERR_TIMEOUT);
    const auto took = std::chrono::duration_cast<milliseconds>(steady_clock::now() - start).count();
    EXPECT_GE(took, 4900);
    EXPECT_LE(took, 7000);
    EXPECT_EQ(Kdr_DevGetProp(&dev_, KDR_DEV_WDT, &wdt), KDR_OK);
}

// A controller gone silent: the first command waits its whole limit, the steps behind it
// (here three, of a pass or a shutdown) a fraction of a second each; its first reply ends that,
// and a reply 1 s late is waited for again.
TEST_F(ConnectionTest, ASilentControllerCostsOneLimitUntilItAnswersAgain) {
    simhost::FailCommand(MRCSIM_ANY_CHANNEL, MRCSIM_ANY_CODE, MRCSIM_FAULT_NO_REPLY, 0, 0, 0, -1);
    auto ms_since = [](steady_clock::time_point t) {
        return std::chrono::duration_cast<milliseconds>(steady_clock::now() - t).count();
    };
    KdrWdtInfo wdt{};
    KdrHdmiInfo hdmi{};
    KdrFirmInfo info{};
    auto start = steady_clock::now();
    EXPECT_EQ(Kdr_DevGetProp(&dev_, KDR_DEV_WDT, &wdt), KDR_ERR_TIMEOUT);
    EXPECT_GE(ms_since(start), 4900);
    start = steady_clock::now();
    EXPECT_EQ(Kdr_DevGetProp(&dev_, KDR_DEV_HDMI, &hdmi), KDR_ERR_TIMEOUT);
    EXPECT_EQ(Kdr_VpDrawAll(&dev_), KDR_ERR_TIMEOUT);
    EXPECT_EQ(Kdr_DevGetProp(&dev_, KDR_DEV_FIRMINFO, &info), KDR_ERR_TIMEOUT);
    EXPECT_LT(ms_since(start), 3000) << "three steps behind the first: 15 s when each waits its limit";

    simhost::ClearFaults();
    // The reply to the first command after the silence may come after its short wait.
    bool answered = false;
    for (int i = 0; i < 3 && !answered; ++i) answered = Kdr_DevGetProp(&dev_, KDR_DEV_WDT, &wdt) == KDR_OK;
    EXPECT_TRUE(answered);
    simhost::FailCommand(34, 0x10001u, MRCSIM_FAULT_DELAY, 0, 0, 1000);
    EXPECT_EQ(Kdr_DevGetProp(&dev_, KDR_DEV_WDT, &wdt), KDR_OK);
}

TEST_F(ConnectionTest, ALateReplyIsNeverTakenByALaterCommand) {
    // Answered 0.5 s after the limit: the reply arrives while no command waits for it.
    simhost::FailCommand(34, 0x40001u, MRCSIM_FAULT_DELAY, 0, 0, 5500);
    KdrFirmInfo info{};
    EXPECT_EQ(Kdr_DevGetProp(&dev_, KDR_DEV_FIRMINFO, &info), KDR_ERR_TIMEOUT);
    std::this_thread::sleep_for(milliseconds(1000));
    ASSERT_TRUE(simhost::WaitIdle());
    // The controller refuses the next request: the old success must not stand in for it.
    simhost::FailCommand(34, 0x40001u, MRCSIM_FAULT_FAIL, 1, 0);
    EXPECT_EQ(Kdr_DevGetProp(&dev_, KDR_DEV_FIRMINFO, &info), KDR_ERR_FAIL);
    EXPECT_EQ(Kdr_DevGetProp(&dev_, KDR_DEV_FIRMINFO, &info), KDR_OK);
}

TEST_F(ConnectionTest, ReplyWithWord1OrWord2SetFails) {
    simhost::FailCommand(34, 0x40001u, MRCSIM_FAULT_FAIL, 1, 0);
    KdrFirmInfo info{};
    EXPECT_EQ(Kdr_DevGetProp(&dev_, KDR_DEV_FIRMINFO, &info), KDR_ERR_FAIL);
    simhost::FailCommand(34, 0x40001u, MRCSIM_FAULT_FAIL, 0, 5);
    EXPECT_EQ(Kdr_DevGetProp(&dev_, KDR_DEV_FIRMINFO, &info), KDR_ERR_FAIL);
    EXPECT_EQ(Kdr_DevGetProp(&dev_, KDR_DEV_FIRMINFO, &info), KDR_OK);
}

TEST_F(ConnectionTest, HundredBusyStatusesThenSuccess) {
    simhost::FailSend(34, 100, 0);
    KdrFirmInfo info{};
    EXPECT_EQ(Kdr_DevGetProp(&dev_, KDR_DEV_FIRMINFO, &info), KDR_OK);
}

TEST_F(ConnectionTest, HundredAndOneBusyStatusesFail) {
    simhost::FailSend(34, 101, 0);
    KdrFirmInfo info{};
    EXPECT_EQ(Kdr_DevGetProp(&dev_, KDR_DEV_FIRMINFO, &info), KDR_ERR_FAIL);
    EXPECT_TRUE(simhost::Codes(Record(), 34).empty());
    EXPECT_EQ(Kdr_DevGetProp(&dev_, KDR_DEV_FIRMINFO, &info), KDR_OK);
}

TEST_F(ConnectionTest, NotAcceptedIsRepeatedToo) {
    simhost::FailSend(34, 0, 3);
    KdrFirmInfo info{};
    EXPECT_EQ(Kdr_DevGetProp(&dev_, KDR_DEV_FIRMINFO, &info), KDR_OK);
}

// ---- events and callbacks ----

std::atomic<int> g_size_calls{0};
std::atomic<std::int32_t> g_last_w{0}, g_last_h{0};
Gate* g_gate = nullptr;

void KDR_CALL CountingSizeCb(const KdrXY* size) {
    g_last_w = size->x;
    g_last_h = size->y;
    if (g_size_calls.fetch_add(1) == 0 && g_gate != nullptr) g_gate->Wait();
}

TEST_F(ConnectionTest, HdmiSizeEventReachesTheCallbackAndRedraws) {
    g_size_calls = 0;
    g_gate = nullptr;
    ASSERT_EQ(Kdr_DevSetCb(&dev_, KDR_CB_HDMI_SIZE, KDR_CALLBACK(&CountingSizeCb)), KDR_OK);
    simhost::Emit(32, 0x20000001u, 0, (1280u << 16) | 720u, 0);
    ASSERT_TRUE(WaitFor([] { return g_size_calls.load() == 1; }));
    EXPECT_EQ(g_last_w.load(), 1280);
    EXPECT_EQ(g_last_h.load(), 720);
    ASSERT_TRUE(WaitFor([this] { return simhost::Codes(simhost::Record(), 16).size() == 1; }));
    // An unknown event code is ignored.
    simhost::Emit(32, 0x20400001u, 0, 0, 0);
    simhost::WaitIdle();
    EXPECT_EQ(g_size_calls.load(), 1);
    EXPECT_EQ(Kdr_DevSetCb(&dev_, KDR_CB_HDMI_SIZE, nullptr), KDR_OK);
}

TEST_F(ConnectionTest, ThousandEventsWhileACallbackBlocks) {
    Gate gate;
    g_size_calls = 0;
    g_gate = &gate;
    ASSERT_EQ(Kdr_DevSetCb(&dev_, KDR_CB_HDMI_SIZE, KDR_CALLBACK(&CountingSizeCb)), KDR_OK);
    simhost::Emit(32, 0x20000001u, 0, (640u << 16) | 480u, 0);
    ASSERT_TRUE(gate.WaitUntilWaiting());
    simhost::Emit(32, 0x20000001u, 0, (640u << 16) | 480u, 0, 999);
    ASSERT_TRUE(simhost::WaitIdle(20000));
    // The queue is full: the quit cannot be posted, so the close fails at once.
    EXPECT_EQ(Kdr_DevClose(&dev_), KDR_ERR_FAIL);
    EXPECT_NE(dev_, nullptr);
    gate.Open();
    ASSERT_TRUE(WaitFor([] { return g_size_calls.load() >= 101; }, 60000));
    EXPECT_EQ(Kdr_DevClose(&dev_), KDR_OK);
    EXPECT_EQ(g_size_calls.load(), 101);  // the blocked one and the 100 queued
    g_gate = nullptr;
}

std::atomic<int> g_info_calls{0};
std::atomic<std::int32_t> g_info_result{1};
KdrHdmiInfo g_info{};
KdrHandle* g_dev = nullptr;

void KDR_CALL GetPropInCallback(const KdrHdmiInfo* info) {
    g_info = *info;
    KdrHdmiInfo fetched{};
    g_info_result = Kdr_DevGetProp(g_dev, KDR_DEV_HDMI, &fetched);
    g_info_calls.fetch_add(1);
}

TEST_F(ConnectionTest, CallbackMayCallTheBridge) {
    g_info_calls = 0;
    g_dev = &dev_;
    ASSERT_EQ(Kdr_DevSetCb(&dev_, KDR_CB_HDMI_INFO, KDR_CALLBACK(&GetPropInCallback)), KDR_OK);
    simhost::Emit(32, 0x20010001u, 0x24u, (1920u << 16) | 1080u, 0x32u);
    ASSERT_TRUE(WaitFor([] { return g_info_calls.load() == 1; }));
    EXPECT_EQ(g_info_result.load(), KDR_OK);
    EXPECT_EQ(g_info.event, 0x24u);
    EXPECT_EQ(g_info.size.x, 1920);
    EXPECT_EQ(g_info.size.y, 1080);
    EXPECT_EQ(g_info.connect, 0);
    EXPECT_EQ(g_info.scan, 2);
    EXPECT_EQ(g_info.fps, 3);
    EXPECT_EQ(g_info.format, 0);
    EXPECT_EQ(g_info.detect_hdcp, 0);
    // Without bit 5 scan and fps stay 0; bit 2 clear means connected.
    simhost::Emit(32, 0x20010001u, 0x02u, (1280u << 16) | 720u, 0x32u);
    ASSERT_TRUE(WaitFor([] { return g_info_calls.load() == 2; }));
    EXPECT_EQ(g_info.connect, 1);
    EXPECT_EQ(g_info.scan, 0);
    EXPECT_EQ(g_info.fps, 0);
    ASSERT_EQ(Kdr_DevSetCb(&dev_, KDR_CB_HDMI_INFO, nullptr), KDR_OK);
}

Gate* g_info_gate = nullptr;
void KDR_CALL BlockingInfoCb(const KdrHdmiInfo*) {
    if (g_info_gate != nullptr) g_info_gate->Wait();
}

TEST_F(ConnectionTest, CloseWhileTheNotificationThreadWaitsForTheApiLock) {
    Gate gate;
    g_info_gate = &gate;
    ASSERT_EQ(Kdr_DevSetCb(&dev_, KDR_CB_HDMI_INFO, KDR_CALLBACK(&BlockingInfoCb)), KDR_OK);
    simhost::Emit(32, 0x20010001u, 0x22u, (1920u << 16) | 1080u, 0x82u);
    ASSERT_TRUE(gate.WaitUntilWaiting());
    // The close takes the API lock and waits for the thread; the callback then returns and
    // the thread wants the API lock for its movie check and redraw.
    auto closing = std::async(std::launch::async, [this] { return Kdr_DevClose(&dev_); });
    std::this_thread::sleep_for(milliseconds(300));
    gate.Open();
    ASSERT_EQ(closing.wait_for(std::chrono::seconds(20)), std::future_status::ready);
    EXPECT_EQ(closing.get(), KDR_OK);
    EXPECT_EQ(dev_, nullptr);
    g_info_gate = nullptr;
}

std::atomic<std::int32_t> g_state_seen{0};
void KDR_CALL StateCb(void* user, const std::int32_t* state) {
    *static_cast<std::atomic<int>*>(user) += 1;
    g_state_seen = *state;
}

TEST_F(ConnectionTest, PlaneEventsQueryTheStateAndReportChanges) {
    std::atomic<int> calls{0};
    ASSERT_EQ(Kdr_VpSetCb(&dev_, nullptr, KDR_CB_STATE, KDR_CALLBACK(&StateCb), &calls), KDR_OK);
    // The state did not change (live): no callback, but a state query.
    simhost::Emit(32, 0x20100001u, 0, 0, 0);
    ASSERT_TRUE(WaitFor([this] {
        auto codes = simhost::Codes(simhost::Record(), 34);
        return std::find(codes.begin(), codes.end(), 0xD0001u) != codes.end();
    }));
    std::this_thread::sleep_for(milliseconds(50));
    EXPECT_EQ(calls.load(), 0);
}

}  // namespace
}  // namespace bridgetest
