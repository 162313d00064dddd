// The component core through its factories and the control C API, natively (the wine tests do
// the same through Merrowcom.dll).
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

#include "simulator/tests/TestHost.h"
#include "simulator/include/MerrowcomSim.h"

extern "C" {
merrowcom::DeviceUtil* CreateDeviceUtilInstance();
merrowcom::GenericFunc* CreateGenericfuncInstance();
merrowcom::SystemCtrl* CreateSystemCtrlInstance();
}

using testhost::Host;
using namespace mrcsim;

namespace {

class ComponentTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(MrcSim_Reset(R"({"clock": "manual"})"), 0) << MrcSim_LastError();
        util = CreateDeviceUtilInstance();
        gf = CreateGenericfuncInstance();
        sys = CreateSystemCtrlInstance();
        ASSERT_TRUE(util && gf && sys);
        host = std::make_unique<Host>(gf);
        std::uint32_t out = 0;
        ASSERT_EQ(util->op1_startup_first(&out), 0u);
        ASSERT_EQ(util->op2_startup_second(&out), 0u);
        ASSERT_EQ(host->Attach(), 0u);
        ASSERT_EQ(host->Command(kCmdOpen), 0);
    }
    void TearDown() override {
        host->Detach();
        Host::Current() = nullptr;
        util->op3_release();
    }
    merrowcom::DeviceUtil* util = nullptr;
    merrowcom::GenericFunc* gf = nullptr;
    merrowcom::SystemCtrl* sys = nullptr;
    std::unique_ptr<Host> host;
};

TEST_F(ComponentTest, FactoriesReturnTheSameInterfaces) {
    EXPECT_EQ(CreateGenericfuncInstance(), gf);
    EXPECT_NE(util->op0_reserved(), 0u);
    EXPECT_NE(sys->op0_reserved(), 0u);
}

TEST_F(ComponentTest, ControlApiDrivesTheController) {
    MrcSimHdmi h{2, 1280, 720, 7, 2, 1, 8, 0};
    ASSERT_EQ(MrcSim_SetHdmi(&h), 0);
    ASSERT_EQ(MrcSim_WaitIdle(2000), 0);
    auto ev = host->Drain(kChEvent);
    ASSERT_EQ(ev.size(), 2u);
    EXPECT_EQ(ev[0][0], kEvHdmiInfo);
    EXPECT_EQ(ev[1][0], kEvHdmiSize);
    MrcSimHdmi back{};
    ASSERT_EQ(MrcSim_GetHdmi(&back), 0);
    EXPECT_EQ(back.fps_code, 7u);

    ASSERT_EQ(MrcSim_FailCommand(34, kCmdPanel, MRCSIM_FAULT_FAIL, 0, 4, 0, 1), 0);
    EXPECT_EQ(host->Command(kCmdPanel), -7);
    EXPECT_EQ(host->Command(kCmdPanel), 0);
    // Gone silent: no command and no draw request is answered until cleared.
    ASSERT_EQ(MrcSim_FailCommand(MRCSIM_ANY_CHANNEL, MRCSIM_ANY_CODE, MRCSIM_FAULT_NO_REPLY, 0, 0, 0, -1), 0);
    EXPECT_EQ(host->Command(kCmdPanel, nullptr, 200), -2);
    EXPECT_EQ(host->Command(kCmdHdmi, nullptr, 200), -2);
    EXPECT_EQ(host->Draw(200), -2);
    ASSERT_EQ(MrcSim_ClearFaults(), 0);
    EXPECT_EQ(host->Command(kCmdPanel), 0);
    ASSERT_EQ(MrcSim_FailRegister(kParam0, MRCSIM_REG_WRITE, 0xC0000001, 1, 0), 0);
    EXPECT_FALSE(host->WriteWord(kParam0, 1));
    EXPECT_EQ(host->last_status, 0xC0000001u);
    ASSERT_EQ(MrcSim_FailStartup(1, 0xC0000009), 0);
    std::uint32_t out;
    EXPECT_EQ(util->op1_startup_first(&out), 0xC0000009u);
    ASSERT_EQ(MrcSim_ClearFaults(), 0);
    EXPECT_EQ(util->op1_startup_first(&out), 0u);

    ASSERT_EQ(MrcSim_RecordClear(), 0);
    host->WriteWord(kParam1, 5);
    EXPECT_EQ(host->Command(kCmdPanel), 0);
    ASSERT_EQ(MrcSim_RecordCount(), 2u);
    MrcSimRecord r{};
    ASSERT_EQ(MrcSim_RecordGet(0, &r), 0);
    EXPECT_EQ(r.kind, 2u);
    EXPECT_EQ(r.address, kParam1);
    ASSERT_EQ(MrcSim_RecordGet(1, &r), 0);
    EXPECT_EQ(r.kind, 1u);
    EXPECT_EQ(r.words[0], kCmdPanel);
    EXPECT_EQ(MrcSim_RecordGet(2, &r), -1);

    MrcSimStatus st{};
    ASSERT_EQ(MrcSim_GetStatus(&st), 0);
    EXPECT_EQ(st.session_open, 1u);
    EXPECT_EQ(st.receiver_registered, 1u);
    EXPECT_EQ(st.playback_state, 1u);

    ASSERT_EQ(MrcSim_PutFile("/dev/shm/f", "abc", 3), 0);
    char buf[8];
    std::uint32_t len = 0;
    ASSERT_EQ(MrcSim_GetFile("/dev/shm/f", buf, sizeof buf, &len), 0);
    EXPECT_EQ(len, 3u);
    EXPECT_EQ(MrcSim_GetFile("/dev/shm/f", buf, 2, &len), -1);
    EXPECT_EQ(MrcSim_GetFile("/dev/shm/none", buf, 8, &len), -1);

    std::uint32_t v = 0;
    ASSERT_EQ(MrcSim_Poke(kResult0, 42), 0);
    ASSERT_EQ(MrcSim_Peek(kResult0, &v), 0);
    EXPECT_EQ(v, 42u);
    EXPECT_EQ(MrcSim_Peek(3, &v), -1);
}

TEST_F(ComponentTest, UpdateChangesTheRunningController) {
    ASSERT_EQ(MrcSim_Update(R"({"hdmi": {"state": "no_signal"}, "firmware": {"version": 77}})"), 0)
        << MrcSim_LastError();
    ASSERT_EQ(MrcSim_WaitIdle(2000), 0);
    auto ev = host->Drain(kChEvent);
    ASSERT_FALSE(ev.empty());
    EXPECT_EQ(ev[0][1], kHdmiBitConnected | kHdmiBitNoSignal);
    ASSERT_EQ(host->Command(kCmdFirmInfo), 0);
    EXPECT_EQ(host->ReadWord(kResult0), 77u);
    EXPECT_EQ(MrcSim_Update("{\"bogus\": 1}"), -1);
    EXPECT_NE(std::string(MrcSim_LastError()).find("bogus"), std::string::npos);
}

TEST_F(ComponentTest, ErrorTextHandedOutStaysValidWhileAnotherThreadAsks) {
    ASSERT_EQ(MrcSim_Update(R"({"first_unknown_key_long_enough_to_live_on_the_heap": 1})"), -1);
    const char* mine = MrcSim_LastError();
    std::thread other([] {
        EXPECT_EQ(MrcSim_Update(R"({"second_unknown_key_that_is_longer_still_than_the_first_one": 1})"), -1);
        EXPECT_NE(std::string(MrcSim_LastError()).find("second_unknown_key"), std::string::npos);
    });
    other.join();
    EXPECT_NE(std::string(mine).find("first_unknown_key"), std::string::npos);
}

TEST_F(ComponentTest, ManualClockAdvance) {
    host->WriteWord(kParam0, 320);
    host->WriteWord(kParam1, 180);
    host->WriteWord(kParam2, 0);
    host->WriteWord(kParam3, 20);
    ASSERT_EQ(host->Command(kCmdMovieStart), 0);
    ASSERT_EQ(MrcSim_Advance(100), 0);
    ASSERT_EQ(MrcSim_WaitIdle(2000), 0);
    std::size_t frames = 0;
    for (auto& e : host->Drain(kChEvent))
        if (e[0] == kEvFrame) ++frames;
    EXPECT_EQ(frames, 2u);
    EXPECT_EQ(MrcSim_NowMs(), 100u);
}

TEST(ComponentEnv, ScenarioFileFromTheEnvironment) {
    ASSERT_EQ(MrcSim_Shutdown(), 0);
    const std::string path = ::testing::TempDir() + "mrcsim_env.json";
    {
        std::ofstream f(path);
        f << R"({"firmware": {"version": "0x0A0B0C0D"}, "clock": "manual"})";
    }
    ::setenv("MERROWCOM_SCENARIO", path.c_str(), 1);
    auto* util = CreateDeviceUtilInstance();
    std::uint32_t out = 0;
    EXPECT_EQ(util->op1_startup_first(&out), 0u);
    EXPECT_EQ(util->op2_startup_second(&out), 0u);
    EXPECT_EQ(out, 0x0A0B0C0Du);
    MrcSimStatus st{};
    MrcSim_GetStatus(&st);
    EXPECT_EQ(st.firmware_version, 0x0A0B0C0Du);
    ASSERT_EQ(MrcSim_Shutdown(), 0);

    // a scenario that does not load makes the first start-up operation fail, and says why
    {
        std::ofstream f(path);
        f << R"({"firmware": {"versio": 1}})";
    }
    util = CreateDeviceUtilInstance();
    EXPECT_NE(util->op1_startup_first(&out), 0u);
    EXPECT_NE(std::string(MrcSim_LastError()).find("versio"), std::string::npos);
    ::unsetenv("MERROWCOM_SCENARIO");
    ASSERT_EQ(MrcSim_Shutdown(), 0);
    util = CreateDeviceUtilInstance();
    EXPECT_EQ(util->op1_startup_first(&out), 0u);
}

}  // namespace
