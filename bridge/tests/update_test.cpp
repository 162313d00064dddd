// Kdr_DevUpdate against the simulated controller, through the exported function only.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#if defined(_WIN32)
#include <windows.h>
#include <psapi.h>
#else
#include <sys/resource.h>
#endif

#include "bridge/tests/BridgeFixture.h"
#include "bridge/tests/UpdateSim.h"

namespace {

using bridgetest::BridgeTest;
using updatetest::ActiveImage;
using updatetest::NoiseImage;

constexpr std::uint32_t kWindow1 = 0x0E100800u;
constexpr std::uint32_t kChunkLengthReg = kWindow1 + 0x1108u;
constexpr std::uint32_t kDataArea = kWindow1 + 0x1300u;
constexpr std::uint32_t kRecordWriteBlock = 4;

// The process's largest resident size so far.
std::uint64_t PeakMemoryBytes() {
#if defined(_WIN32)
    PROCESS_MEMORY_COUNTERS c{};
    c.cb = sizeof c;
    return GetProcessMemoryInfo(GetCurrentProcess(), &c, sizeof c) ? c.PeakWorkingSetSize : 0;
#else
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<std::uint64_t>(u.ru_maxrss) * 1024u;
#endif
}

std::vector<KdrUpdateProgress> g_reports;
void KDR_CALL OnProgress(const KdrUpdateProgress* p) { g_reports.push_back(*p); }

class UpdateTest : public BridgeTest {
protected:
    void SetUp() override {
        BridgeTest::SetUp();
        g_reports.clear();
        dir_ = std::filesystem::temp_directory_path() /
               ("tolvane_update_" + std::to_string(reinterpret_cast<std::uintptr_t>(this)));
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
        BridgeTest::TearDown();
    }

    std::string WriteImage(const std::vector<std::uint8_t>& bytes) {
        const std::string path = (dir_ / "image.bin").string();
        std::FILE* f = std::fopen(path.c_str(), "wb");
        EXPECT_NE(f, nullptr);
        if (f != nullptr) {
            if (!bytes.empty()) {
                EXPECT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), f), bytes.size());
            }
            std::fclose(f);
        }
        return path;
    }

    std::int32_t Update(const std::vector<std::uint8_t>& image, KdrUpdateProgress& progress) {
        const std::string path = WriteImage(image);
        return Kdr_DevUpdate(&dev_, path.c_str(), &progress, &OnProgress);
    }

    // The states the callback saw, each once per run of equal states.
    static std::vector<std::int32_t> StateRuns() {
        std::vector<std::int32_t> out;
        for (const auto& r : g_reports) {
            if (out.empty() || out.back() != r.state) out.push_back(r.state);
        }
        return out;
    }

    std::filesystem::path dir_;
};

TEST_F(UpdateTest, RefusedArgumentsAreReportedBeforeAnyProgress) {
    KdrUpdateProgress progress{7, 7, 7, 7};
    const std::string missing = (dir_ / "no-such-image.bin").string();
    EXPECT_EQ(Kdr_DevUpdate(&dev_, missing.c_str(), &progress, &OnProgress), KDR_ERR_PARAM);
    EXPECT_EQ(progress.state, 0);
    EXPECT_EQ(progress.percent, 0);
    EXPECT_EQ(progress.retry_count, 0);
    EXPECT_EQ(progress.reserved, 0);
    EXPECT_TRUE(g_reports.empty());

    progress = KdrUpdateProgress{7, 7, 7, 7};
    EXPECT_EQ(Update({}, progress), KDR_ERR_PARAM) << "an empty image";
    EXPECT_EQ(progress.state, 0);
    EXPECT_EQ(Kdr_DevUpdate(&dev_, nullptr, &progress, &OnProgress), KDR_ERR_PARAM);
    EXPECT_EQ(Kdr_DevUpdate(&dev_, missing.c_str(), nullptr, &OnProgress), KDR_ERR_PARAM);
    EXPECT_TRUE(g_reports.empty());
    EXPECT_TRUE(simhost::Codes(Record(), 34).empty()) << "nothing reached the controller";

    KdrHandle other = reinterpret_cast<KdrHandle>(&other);
    EXPECT_EQ(Kdr_DevUpdate(&other, missing.c_str(), &progress, &OnProgress), KDR_ERR_FAIL);
    EXPECT_EQ(Kdr_DevUpdate(nullptr, missing.c_str(), &progress, &OnProgress), KDR_ERR_FAIL);
}

TEST_F(UpdateTest, ImageTooLargeForTheWindowIsRefusedWithoutBeingRead) {
    // 5 GiB without the disk space: a sparse file.
    const std::filesystem::path huge = dir_ / "huge.img";
    { std::FILE* f = std::fopen(huge.string().c_str(), "wb"); ASSERT_NE(f, nullptr); std::fclose(f); }
    std::filesystem::resize_file(huge, 5ull << 30);
    const std::uint64_t peak = PeakMemoryBytes();
    ASSERT_GT(peak, 0u);
    KdrUpdateProgress progress{};
    EXPECT_EQ(Kdr_DevUpdate(&dev_, huge.string().c_str(), &progress, &OnProgress), KDR_ERR_PARAM);
    EXPECT_LT(PeakMemoryBytes() - peak, 256ull << 20) << "the image was read before it was refused";
    EXPECT_TRUE(g_reports.empty());
    EXPECT_TRUE(simhost::Codes(Record(), 34).empty()) << "nothing reached the controller";
}

TEST_F(UpdateTest, ImageGoesOverInFullChunksAndIsSwappedIn) {
    const auto image = NoiseImage(3000);
    KdrUpdateProgress progress{};
    ASSERT_EQ(Update(image, progress), KDR_OK);
    EXPECT_EQ(ActiveImage(), image);

    std::vector<std::uint32_t> chunk_lengths, blocks;
    for (const auto& e : Record()) {
        if (e.kind == simhost::kRecordWrite32 && e.address == kChunkLengthReg) chunk_lengths.push_back(e.words[0]);
        if (e.kind == kRecordWriteBlock && e.address == kDataArea) blocks.push_back(e.length);
    }
    EXPECT_EQ(chunk_lengths, (std::vector<std::uint32_t>{0, 1280, 1280, 440}));
    EXPECT_EQ(blocks, (std::vector<std::uint32_t>{1280, 1280, 440}));
}

TEST_F(UpdateTest, TailBytesOfAnImageNotAMultipleOfFourArrive) {
    const auto image = NoiseImage(3001, 7);
    KdrUpdateProgress progress{};
    ASSERT_EQ(Update(image, progress), KDR_OK);
    EXPECT_EQ(ActiveImage(), image);

    // 440 bytes by block, the last one alone in the high byte of a single word.
    bool tail_word = false;
    for (const auto& e : Record()) {
        if (e.kind == simhost::kRecordWrite32 && e.address == kDataArea + 440) {
            EXPECT_EQ(e.words[0], static_cast<std::uint32_t>(image.back()) << 24);
            tail_word = true;
        }
    }
    EXPECT_TRUE(tail_word);
}

TEST_F(UpdateTest, ProgressRunsThroughThePhasesInOrder) {
    KdrUpdateProgress progress{};
    ASSERT_EQ(Update(NoiseImage(3000), progress), KDR_OK);

    ASSERT_GE(g_reports.size(), 11u);
    for (int i = 0; i < 11; ++i) {
        EXPECT_EQ(g_reports[i].state, KDR_UPDATE_PREPARING) << i;
        EXPECT_EQ(g_reports[i].percent, i < 10 ? i * 10 : 100) << i;
    }
    EXPECT_EQ(StateRuns(), (std::vector<std::int32_t>{KDR_UPDATE_PREPARING, KDR_UPDATE_WRITING,
                                                      KDR_UPDATE_VERIFYING}));
    EXPECT_EQ(progress.state, KDR_UPDATE_DONE);
    EXPECT_EQ(progress.percent, 100);
    EXPECT_EQ(progress.retry_count, 0);
    EXPECT_NE(g_reports.back().state, KDR_UPDATE_DONE) << "done is not reported";

    // Each phase counts up from 0, and the copy reports between its ends.
    for (std::int32_t state : {KDR_UPDATE_WRITING, KDR_UPDATE_VERIFYING}) {
        std::vector<std::int32_t> percents;
        for (const auto& r : g_reports) {
            if (r.state == state) percents.push_back(r.percent);
        }
        ASSERT_FALSE(percents.empty());
        EXPECT_EQ(percents.front(), 0);
        EXPECT_EQ(percents.back(), 100);
        EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end())) << state;
        const auto lo = state == KDR_UPDATE_WRITING ? 0 : 20, hi = state == KDR_UPDATE_WRITING ? 80 : 100;
        EXPECT_TRUE(std::any_of(percents.begin(), percents.end(), [&](int p) { return p > lo && p < hi; }))
            << "no chunk progress in state " << state;
    }
}

TEST_F(UpdateTest, WriteFailingEveryTimeEndsAfterThreeAttempts) {
    ASSERT_TRUE(updatetest::Update(R"({"fw_update": {"write_exit": 1}})"));
    KdrUpdateProgress progress{};
    EXPECT_EQ(Update(NoiseImage(3000), progress), KDR_ERR_FAIL);
    EXPECT_EQ(progress.retry_count, 3);
    EXPECT_TRUE(ActiveImage().empty());
    const auto writing = std::count_if(g_reports.begin(), g_reports.end(),
                                       [](const KdrUpdateProgress& r) { return r.state == KDR_UPDATE_WRITING && r.percent == 0; });
    EXPECT_EQ(writing, 3);
    EXPECT_TRUE(std::none_of(g_reports.begin(), g_reports.end(),
                             [](const KdrUpdateProgress& r) { return r.state == KDR_UPDATE_VERIFYING; }));
}

TEST_F(UpdateTest, ReadBackThatDiffersNeverReachesTheSwap) {
    ASSERT_TRUE(updatetest::Update(R"({"fw_update": {"read_differs": true}})"));
    KdrUpdateProgress progress{};
    EXPECT_EQ(Update(NoiseImage(5000), progress), KDR_ERR_FAIL);
    EXPECT_EQ(progress.retry_count, 3);
    EXPECT_TRUE(ActiveImage().empty()) << "a mismatching image was swapped in";
}

TEST_F(UpdateTest, LaterAttemptSucceedsAfterEarlierFailures) {
    // The first two read-backs differ; the third attempt verifies and swaps.
    ASSERT_TRUE(updatetest::Update(R"({"fw_update": {"read_differs": true, "read_differs_count": 2}})"));
    const auto image = NoiseImage(4000, 3);
    KdrUpdateProgress progress{};
    EXPECT_EQ(Update(image, progress), KDR_OK);
    EXPECT_EQ(progress.retry_count, 2);
    EXPECT_EQ(progress.state, KDR_UPDATE_DONE);
    EXPECT_EQ(ActiveImage(), image);
}

TEST_F(UpdateTest, SixteenMebibyteImageCompletes) {
    ASSERT_TRUE(updatetest::Update(R"({"record": false})"));
    const auto image = NoiseImage(16u << 20, 5);
    KdrUpdateProgress progress{};
    ASSERT_EQ(Update(image, progress), KDR_OK);
    EXPECT_EQ(progress.retry_count, 0);
    EXPECT_TRUE(ActiveImage() == image);
}

// The shell's reset command is never answered: every attempt gives up after the command
// limit instead of waiting for ever, and the connection stays usable.
TEST_F(UpdateTest, ControllerThatStopsAnsweringDoesNotHangTheUpdate) {
    simhost::FailCommand(34, 0x120001u, MRCSIM_FAULT_NO_REPLY, 0, 0, 0, -1);
    KdrUpdateProgress progress{};
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Update(NoiseImage(3000), progress), KDR_ERR_FAIL);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(progress.retry_count, 3);
    EXPECT_LT(took, std::chrono::seconds(60));

    simhost::ClearFaults();
    g_reports.clear();
    const auto image = NoiseImage(2000, 9);
    EXPECT_EQ(Update(image, progress), KDR_OK);
    EXPECT_EQ(ActiveImage(), image);
}

}  // namespace
