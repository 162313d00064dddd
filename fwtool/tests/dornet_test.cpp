// Dornet started as a separate process against the simulated controller; the full 32-bit
// exit code is read on the Windows side.
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/CwProcess.h"

namespace {

constexpr DWORD kFailed = 0xFFFFFFFFu;  // exit code -1

// A scenario file in a temporary folder, named to the simulator by MERROWCOM_SCENARIO.
class Scenario {
public:
    explicit Scenario(const std::string& json) : file_(dir_.path() + L"\\scenario.json") {
        std::ofstream(file_.c_str()) << json;
        env_ = std::make_unique<cwtest::ScopedEnv>(L"MERROWCOM_SCENARIO", file_.c_str());
    }

private:
    cwtest::TempDir dir_;
    std::wstring file_;
    std::unique_ptr<cwtest::ScopedEnv> env_;
};

std::wstring Dornet() { return cwtest::ExeDir() + L"\\Dornet.exe"; }

struct RunResult {
    DWORD code;
    double seconds;
};

RunResult RunDornet(const std::vector<std::wstring>& args, const std::wstring& exe = Dornet(),
              const std::wstring& cwd = L"") {
    const auto start = std::chrono::steady_clock::now();
    const cwtest::ProcessResult r = cwtest::RunProcess(exe, args, 60000, cwd);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_TRUE(r.started) << "CreateProcessW failed: " << r.error;
    EXPECT_FALSE(r.timed_out);
    return RunResult{r.exit_code, seconds};
}

TEST(Dornet, ReturnsTheSelectedFieldOfTheFirmwareVersion) {
    Scenario s(R"({"firmware": {"version": "0x12345678"}})");
    EXPECT_EQ(RunDornet({L"1"}).code, 1u);
    EXPECT_EQ(RunDornet({L"2"}).code, 2u);
    EXPECT_EQ(RunDornet({L"3"}).code, 13398u);
    EXPECT_EQ(RunDornet({L"4"}).code, 120u);
    EXPECT_EQ(RunDornet({L"12"}).code, 1u);  // only the first character counts
    EXPECT_EQ(RunDornet({L"4x"}).code, 120u);
}

TEST(Dornet, HighFields) {
    Scenario s(R"({"firmware": {"version": "0xFEDCBA98"}})");
    EXPECT_EQ(RunDornet({L"1"}).code, 15u);
    EXPECT_EQ(RunDornet({L"2"}).code, 14u);
    EXPECT_EQ(RunDornet({L"3"}).code, 0xDCBAu);
    EXPECT_EQ(RunDornet({L"4"}).code, 0x98u);
}

TEST(Dornet, BadCommandLinesFailWithoutOpeningTheBridge) {
    // The controller answers the open command only after 5 seconds (the bridge gives up):
    // a run that opened the bridge takes at least that long.
    Scenario s(R"({"firmware": {"version": "0x12345678"},
                   "faults": {"commands": [{"code": "0x80000001", "action": "no_reply"}]}})");
    const RunResult opened = RunDornet({L"1"});
    EXPECT_EQ(opened.code, kFailed);
    EXPECT_GE(opened.seconds, 4.9);
    const std::vector<std::vector<std::wstring>> bad = {{}, {L"1", L"2"}, {L""}, {L"5"}, {L"0"}, {L"a"}};
    for (const auto& args : bad) {
        const RunResult r = RunDornet(args);
        EXPECT_EQ(r.code, kFailed) << args.size();
        EXPECT_LT(r.seconds, 4.0) << args.size();
    }
}

TEST(Dornet, UnreadableFirmwareInformationFails) {
    Scenario s(R"({"faults": {"commands": [{"code": "0x40001", "action": "fail", "word1": 1}]}})");
    EXPECT_EQ(RunDornet({L"1"}).code, kFailed);
}

TEST(Dornet, FailedStartupFails) {
    Scenario s(R"({"faults": {"startup": {"op2": "0xC0000001"}}})");
    EXPECT_EQ(RunDornet({L"1"}).code, kFailed);
}

TEST(Dornet, MissingComponentFails) {
    cwtest::TempDir dir;
    ASSERT_TRUE(dir.CopyFromBin(L"Dornet.exe"));
    ASSERT_TRUE(dir.CopyFromBin(L"Tolvane.dll"));
    EXPECT_EQ(RunDornet({L"1"}, dir.path() + L"\\Dornet.exe", dir.path()).code, kFailed);
}

}  // namespace
