// The transfer windows and the shell-command channel, driven directly (the bridge's code is
// linked in) against the simulated controller.
#include <chrono>
#include <string>
#include <vector>

#include "bridge/tests/BridgeFixture.h"
#include "bridge/src/ShellChannel.h"
#include "bridge/tests/UpdateSim.h"

namespace {

namespace shell = tolvane::shell;
using bridgetest::BridgeTest;
using updatetest::NoiseImage;
using updatetest::StoreFile;

TEST(WindowLayout, BytesGoIntoWordsFirstByteHighest) {
    const std::uint8_t bytes[] = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06};
    std::uint32_t words[2] = {0xFFFFFFFFu, 0xFFFFFFFFu};
    shell::PackWords(bytes, 6, words);
    EXPECT_EQ(words[0], 0x01020304u);
    EXPECT_EQ(words[1], 0x05060000u) << "a short final group keeps zeros below its bytes";

    for (std::size_t n = 0; n <= 9; ++n) {
        const auto in = NoiseImage(n, static_cast<std::uint32_t>(n) + 1);
        std::vector<std::uint32_t> w((n + 3) / 4);
        std::vector<std::uint8_t> out(n);
        shell::PackWords(in.data(), n, w.data());
        shell::UnpackWords(w.data(), n, out.data());
        EXPECT_EQ(out, in) << n;
    }
}

class ChannelTest : public BridgeTest {
protected:
    void TearDown() override {
        shell::SetLimits(shell::Limits{});
        BridgeTest::TearDown();
    }
};

TEST_F(ChannelTest, FileGoesOverInChunksOfTheDataArea) {
    const auto data = NoiseImage(3000);
    std::vector<shell::ChunkInfo> chunks;
    ASSERT_EQ(shell::WriteControllerFile("/dev/shm/chunks.bin", 1, data.data(), data.size(),
                                [&](const shell::ChunkInfo& c) { chunks.push_back(c); }),
              0);
    ASSERT_EQ(chunks.size(), 3u);
    EXPECT_EQ(chunks[0].still_to_come, 1720u);
    EXPECT_EQ(chunks[1].still_to_come, 440u);
    EXPECT_EQ(chunks[2].still_to_come, 0u);
    for (const auto& c : chunks) {
        EXPECT_EQ(c.window, 1u);
        EXPECT_EQ(c.total, 3000u);
    }
    std::vector<std::uint8_t> stored;
    ASSERT_TRUE(StoreFile("/dev/shm/chunks.bin", stored));
    EXPECT_EQ(stored, data);
}

TEST_F(ChannelTest, FilesOfEveryTailLengthGoThereAndBack) {
    for (std::size_t n : {1u, 2u, 3u, 4u, 5u, 1279u, 1281u, 2563u, 3001u}) {
        const auto data = NoiseImage(n, static_cast<std::uint32_t>(n));
        const std::string name = "/dev/shm/tail_" + std::to_string(n);
        ASSERT_EQ(shell::WriteControllerFile(name, 1, data.data(), n, nullptr), 0) << n;
        std::vector<std::uint8_t> stored, back;
        ASSERT_TRUE(StoreFile(name, stored)) << n;
        EXPECT_EQ(stored, data) << n;
        std::vector<shell::ChunkInfo> chunks;
        ASSERT_EQ(shell::ReadControllerFile(name, 3, back, [&](const shell::ChunkInfo& c) { chunks.push_back(c); }), 0)
            << n;
        EXPECT_EQ(back, data) << n;
        EXPECT_EQ(chunks.size(), (n + 1279) / 1280) << n;
    }
}

TEST_F(ChannelTest, NamesUpTo255CharactersAreAccepted) {
    const std::string prefix = "/dev/shm/";
    const std::string name255 = prefix + std::string(255 - prefix.size(), 'n');
    const std::string name256 = name255 + "n";
    const auto data = NoiseImage(10);
    ASSERT_EQ(shell::WriteControllerFile(name255, 1, data.data(), data.size(), nullptr), 0);
    std::vector<std::uint8_t> stored, back;
    ASSERT_TRUE(StoreFile(name255, stored));
    EXPECT_EQ(stored, data);
    ASSERT_EQ(shell::ReadControllerFile(name255, 3, back, nullptr), 0);
    EXPECT_EQ(back, data);

    simhost::ClearRecord();
    EXPECT_EQ(shell::WriteControllerFile(name256, 1, data.data(), data.size(), nullptr), -1);
    EXPECT_EQ(shell::ReadControllerFile(name256, 3, back, nullptr), -1);
    EXPECT_EQ(shell::WriteControllerFile(prefix + "empty", 1, data.data(), 0, nullptr), -1);
    EXPECT_EQ(shell::WriteControllerFile(prefix + "w4", 4, data.data(), data.size(), nullptr), -1);
    EXPECT_TRUE(simhost::Codes(Record(), 34).empty()) << "refused before anything was sent";
}

TEST_F(ChannelTest, MissingControllerFileFailsAndTheChannelStaysUsable) {
    std::vector<std::uint8_t> back{1, 2, 3};
    EXPECT_EQ(shell::ReadControllerFile("/dev/shm/absent", 3, back, nullptr), -7);
    EXPECT_TRUE(back.empty());
    const auto data = NoiseImage(100);
    EXPECT_EQ(shell::WriteControllerFile("/dev/shm/present", 1, data.data(), data.size(), nullptr), 0);
    EXPECT_EQ(shell::ReadControllerFile("/dev/shm/present", 3, back, nullptr), 0);
    EXPECT_EQ(back, data);
}

TEST_F(ChannelTest, ShellLinesGiveTheirExitStatus) {
    const auto data = NoiseImage(64);
    ASSERT_EQ(shell::WriteControllerFile("/dev/shm/victim", 1, data.data(), data.size(), nullptr), 0);
    std::uint32_t status = 99;
    ASSERT_EQ(shell::RunShell("rm -f /dev/shm/victim", status), 0);
    EXPECT_EQ(status, 0u);
    std::vector<std::uint8_t> gone;
    EXPECT_FALSE(StoreFile("/dev/shm/victim", gone));

    ASSERT_EQ(shell::RunShell("/usr/sbin/fw_update swap", status), 0);
    EXPECT_EQ(status, 1u) << "nothing was written";
    ASSERT_EQ(shell::RunShell("no_such_tool --now", status), 0);
    EXPECT_EQ(status, 127u);

    std::vector<std::uint8_t> line;
    ASSERT_TRUE(StoreFile("/dev/shm/shell_cmd", line));
    EXPECT_EQ(std::string(line.begin(), line.end()), "no_such_tool --now") << "sent without terminator";
}

TEST_F(ChannelTest, ShellCommandThatFailsIsReported) {
    simhost::FailCommand(34, shell::kCmdShellRun, MRCSIM_FAULT_FAIL, 1, 0, 0, 1);
    std::uint32_t status = 0;
    EXPECT_EQ(shell::RunShell("rm -f /dev/shm/x", status), -3);
    EXPECT_EQ(shell::RunShell("rm -f /dev/shm/x", status), 0) << "the next line runs normally";
}

// The controller refuses the transfer without touching the window: the writer's wait for
// the window to come free ends after the handshake limit instead of never.
TEST_F(ChannelTest, WriterGivesUpOnAWindowTheControllerNeverFrees) {
    shell::SetLimits(shell::Limits{std::chrono::milliseconds(200), std::chrono::milliseconds(120000)});
    simhost::FailCommand(34, shell::kCmdReceiveFile, MRCSIM_FAULT_FAIL, 1, 0, 0, 1);
    const auto data = NoiseImage(3000);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(shell::WriteControllerFile("/dev/shm/stall", 1, data.data(), data.size(), nullptr), -2);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));

    // The refusal's late reply is dropped and the shell reset frees the windows again.
    std::uint32_t status = 1;
    EXPECT_EQ(shell::RunShell("rm -f /dev/shm/stall", status), 0);
    EXPECT_EQ(status, 0u);
    EXPECT_EQ(shell::WriteControllerFile("/dev/shm/stall", 1, data.data(), data.size(), nullptr), 0);
}

TEST_F(ChannelTest, ReaderGivesUpOnAFileThatNeverComes) {
    shell::SetLimits(shell::Limits{std::chrono::milliseconds(200), std::chrono::milliseconds(120000)});
    const auto data = NoiseImage(3000);
    ASSERT_EQ(shell::WriteControllerFile("/dev/shm/wait", 1, data.data(), data.size(), nullptr), 0);
    simhost::FailCommand(34, shell::kCmdSendFile, MRCSIM_FAULT_FAIL, 1, 0, 0, 1);
    std::vector<std::uint8_t> back;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(shell::ReadControllerFile("/dev/shm/wait", 3, back, nullptr), -2);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
    EXPECT_EQ(shell::ReadControllerFile("/dev/shm/wait", 3, back, nullptr), 0);
    EXPECT_EQ(back, data);
}

TEST_F(ChannelTest, RegisterFailureEndsTheTransfer) {
    // Window 3's flag cannot be read: the wait ends at once with -1, before the request.
    simhost::FailRegister(shell::WindowBase(3) + shell::kFlag, MRCSIM_REG_READ, -1);
    std::vector<std::uint8_t> back;
    EXPECT_EQ(shell::ReadControllerFile("/dev/shm/regfail", 3, back, nullptr), -1);
    EXPECT_TRUE(simhost::Codes(Record(), 34).empty());
}

TEST_F(ChannelTest, ClosedConnectionEndsTheTransfer) {
    ASSERT_EQ(Kdr_DevClose(&dev_), KDR_OK);
    const auto data = NoiseImage(100);
    EXPECT_EQ(shell::WriteControllerFile("/dev/shm/closed", 1, data.data(), data.size(), nullptr), -1);
    std::vector<std::uint8_t> back;
    EXPECT_EQ(shell::ReadControllerFile("/dev/shm/closed", 3, back, nullptr), -1);
}

}  // namespace
