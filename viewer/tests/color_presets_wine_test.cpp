// The colour presets with real folders and files, and with Capwell on the
// controller simulator: what the presets send is checked on the words the
// simulated controller received.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <fstream>
#include <memory>
#include <string>

#include "CapwellHarness.h"
#include "CwProcess.h"
#include "viewer/app/ColorPresetsWin.h"
#include "viewer/app/Notificators.h"
#include "viewer/core/PresetCsv.h"

namespace vistrel {
namespace {

using cwtest::LastCode;
using cwtest::SimCommands;

constexpr uint32_t kCmdAxes = 0x80003, kCmdDriveCutoff = 0x80004, kCmdLut = 0x80005;
constexpr uint32_t kArea = 0x0E100700;

std::wstring ModuleFolder() {
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring s = path;
    return s.substr(0, s.rfind(L'\\') + 1);
}

std::string FileText(const std::wstring& path) { return cwtest::ReadFileText(path); }

void PutFile(const std::wstring& path, const std::string& text) {
    std::ofstream(path.c_str(), std::ios::binary) << text;
}

// A disk that fills up halfway through the file.
class FullDiskFolders : public PresetFolders {
public:
    using PresetFolders::PresetFolders;

protected:
    bool WriteBytes(HANDLE file, std::string_view text) override {
        (void)PresetFolders::WriteBytes(file, text.substr(0, text.size() / 2));
        return false;
    }
};

TEST(PresetFiles, UserFolderComesFromTheVersionInformation) {
    const std::wstring folder = UserPresetFolder(ModuleFolder() + L"Vistrel.exe");
    const std::wstring tail = L"\\Harlowe_Corporation\\Vistrel\\Custom\\";
    ASSERT_GT(folder.size(), tail.size());
    EXPECT_EQ(folder.substr(folder.size() - tail.size()), tail);
    const DWORD attributes = GetFileAttributesW(folder.c_str());
    EXPECT_NE(attributes, INVALID_FILE_ATTRIBUTES);
    EXPECT_NE(attributes & FILE_ATTRIBUTE_DIRECTORY, 0u);
    // This test program carries no version information: file names alone.
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    EXPECT_EQ(UserPresetFolder(self), L"");
}

TEST(PresetFiles, FactoryPresetsShipBesideTheProgram) {
    PresetFolders folders(L"", kFactoryPresetFolder);
    const int curves[] = {1, 2, 4, 1};
    for (int n = 1; n <= kPresetCount; ++n) {
        SCOPED_TRACE(n);
        const auto balance = folders.Read(PresetPlace::Factory, PresetFileName(PresetGroup::Balance, n));
        ASSERT_TRUE(balance);
        const auto b = ParsePresetFile(*balance, kCurvePoints, kTwelveAxisValues);
        ASSERT_TRUE(b);
        EXPECT_EQ(MatchCurve((*b)[0]), curves[n - 1]);
        EXPECT_EQ((*b)[1], (std::vector<int32_t>{128, 128, 128, 15, 15, 15, 15, 15, 15, 15, 15, 15}));
        const auto level = folders.Read(PresetPlace::Factory, PresetFileName(PresetGroup::Level, n));
        ASSERT_TRUE(level);
        EXPECT_TRUE(ParsePresetFile(*level, 3, 3));
    }
    EXPECT_EQ(*folders.Read(PresetPlace::Factory, "middle_level.csv"), "512,512,512\r\n2048,2048,2048\r\n");
}

TEST(PresetFiles, InterruptedSaveLeavesThePreviousFileWhole) {
    cwtest::TempDir dir;
    const std::wstring user = dir.path() + L"\\";
    const std::string previous = "1,2,3\r\n4,5,6\r\n";
    PutFile(user + L"custom_level.csv", previous);
    FullDiskFolders full(user, kFactoryPresetFolder);
    EXPECT_FALSE(full.WriteUser("custom_level.csv", "7,8,9\r\n10,11,12\r\n"));
    EXPECT_EQ(FileText(user + L"custom_level.csv"), previous);
    EXPECT_EQ(GetFileAttributesW(PresetFolders::PendingPath(user + L"custom_level.csv").c_str()),
              INVALID_FILE_ATTRIBUTES);
    // A working disk replaces the file whole.
    PresetFolders folders(user, kFactoryPresetFolder);
    EXPECT_TRUE(folders.WriteUser("custom_level.csv", "7,8,9\r\n10,11,12\r\n"));
    EXPECT_EQ(FileText(user + L"custom_level.csv"), "7,8,9\r\n10,11,12\r\n");

    // A reset with a user file but no factory copy fails and keeps the file;
    // without a user file it succeeds and makes none.
    cwtest::TempDir empty;
    FramePresets presets(user, empty.path() + L"\\");
    EXPECT_EQ(presets.Presets().ResetLevelPreset(4), 0);
    EXPECT_EQ(FileText(user + L"custom_level.csv"), "7,8,9\r\n10,11,12\r\n");
    EXPECT_EQ(presets.Presets().ResetLevelPreset(1), 1);
    EXPECT_EQ(GetFileAttributesW((user + L"low_level.csv").c_str()), INVALID_FILE_ATTRIBUTES);
}

// One initialisation of Capwell per process: the whole suite shares it.
class PresetsOnController : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        sim_ = std::make_unique<cwtest::SimApi>();
        ASSERT_TRUE(sim_->Load());
        ASSERT_EQ(sim_->Reset("{\"firmware\": {\"version\": 285213184}, \"watchdog\": {\"state\": 1, "
                                     "\"interval\": 2000, \"err_count\": 5, \"kdr_count\": 0, \"kdr_err\": 0}}"),
                  0)
            << sim_->LastError();
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        reports_ = std::make_unique<cwtest::ScopedEnv>(L"CAPWELL_REPORT_FILE",
                                                       (std::wstring(temp) + L"presets_reports.txt").c_str());
        CpwInitParams p{};
        const wchar_t name[] = L"PresetsTest";
        std::memcpy(p.name, name, sizeof name);
        p.interval = 16;
        p.audio_delay = 20;
        p.wdt_interval = 2000;
        p.wdt_err_count = 5;
        ASSERT_EQ(Cpw_Initialize(&p), CPW_OK);
    }
    static void TearDownTestSuite() {
        (void)Cpw_Finalize();
        reports_.reset();
    }
    void SetUp() override {
        user_ = dir_.path() + L"\\";
        notificator_.SetListener([this](ColorSettingChangedEventArgs a) {
            ++broadcasts_;
            last_ = *static_cast<const PresetSelection*>(a.selection);
            curve_ = static_cast<const ColorRecord*>(a.color)->curve_type;
        });
        Settle();
    }
    static void Settle() {
        Sleep(150);
        sim_->WaitIdle(2000);
    }
    // The last words of a set command; 0xFFFFFFFF when it was not sent.
    static uint32_t Sent(uint32_t code, uint32_t offset) {
        const auto cmds = SimCommands(*sim_);
        const cwtest::SimCommand* c = LastCode(cmds, code);
        return c == nullptr ? 0xFFFFFFFFu : c->Word(kArea + offset);
    }
    static uint32_t Pair(uint32_t lo, uint32_t hi) { return lo | hi << 16; }

    static inline std::unique_ptr<cwtest::SimApi> sim_;
    static inline std::unique_ptr<cwtest::ScopedEnv> reports_;
    cwtest::TempDir dir_;
    std::wstring user_;
    ColorSettingChangedNotificator notificator_;
    int broadcasts_ = 0;
    PresetSelection last_;
    int curve_ = -1;
};

TEST_F(PresetsOnController, FirstStartAppliesBalanceOneAndLevelTwo) {
    // Move the controller off the defaults so that the restore has to send them.
    CpwDriveGain g{{100, 100, 100}};
    ASSERT_EQ(Cpw_SetDriveGain(&g), CPW_OK);
    CpwLutGammaLut lut{};
    for (int c = 0; c < 3; ++c) {
        lut.channel = c;
        for (int i = 0; i < 33; ++i) lut.lut[i] = static_cast<uint16_t>(i * 20);
        ASSERT_EQ(Cpw_SetLutGammaLut(&lut), CPW_OK);
    }
    Settle();
    sim_->RecordClear();
    FramePresets presets(user_, kFactoryPresetFolder);
    presets.Start();
    Settle();
    EXPECT_EQ(Sent(kCmdLut, 0x10), Pair(32, 64)) << "R points 1 and 2 of the 2.2 curve";
    EXPECT_EQ(Sent(kCmdLut, 0x10 + 0x80 + 4 * 15), Pair(992, 1023)) << "B points 31 and 32";
    EXPECT_EQ(Sent(kCmdDriveCutoff, 0x0C), Pair(512, 2048));
    EXPECT_EQ(Sent(kCmdDriveCutoff, 0x14), Pair(512, 2048));
    EXPECT_EQ(FileText(user_ + L"selected_mode.csv"), "1\r\n2\r\n");
    EXPECT_EQ(last_, (PresetSelection{1, 2}));
    EXPECT_GE(broadcasts_, 1);
}

TEST_F(PresetsOnController, CurvesAndLooseLevelLines) {
    FramePresets presets(user_, kFactoryPresetFolder);
    presets.Start();
    Settle();
    sim_->RecordClear();
    presets.Presets().SelectBalancePreset(2);
    Settle();
    EXPECT_EQ(Sent(kCmdLut, 0x10 + 0x40), Pair(23, 49)) << "G points 1 and 2 of the 2.4 curve";
    EXPECT_EQ(curve_, 2);

    // A hand-made curve arrives as the 2.2 curve.
    std::string curve = "0";
    for (int i = 1; i < 33; ++i) curve += "," + std::to_string(i * 31);
    PutFile(user_ + L"custom_balance.csv", curve + "\r\n1,2,3,4,5,6,7,8,9,10,11,12\r\n");
    presets.Presets().SelectBalancePreset(4);
    Settle();
    EXPECT_EQ(Sent(kCmdLut, 0x10), Pair(32, 64));
    EXPECT_EQ(curve_, 1);
    // Every axis got the file's values: the hue-offset bytes of axes 0 to 3, then the saturation gains.
    EXPECT_EQ(Sent(kCmdAxes, 0x94), 0x01010101u);
    EXPECT_EQ(Sent(kCmdAxes, 0xA0 + 8), 0x02020202u) << "axes 8 to 11";

    // 32 fields: the file is ignored, nothing is sent.
    PutFile(user_ + L"balance3.csv", curve.substr(0, curve.rfind(',')) + "\r\n1,2,3,4,5,6,7,8,9,10,11,12\r\n");
    sim_->RecordClear();
    presets.Presets().SelectBalancePreset(3);
    Settle();
    EXPECT_EQ(Sent(kCmdLut, 0x10), 0xFFFFFFFFu);
    EXPECT_EQ(presets.Presets().Selection().balance, 4);

    PutFile(user_ + L"custom_level.csv", "12,, 34 ,56\r\n1,2,3\r\n");
    presets.Presets().SelectLevelPreset(4);
    Settle();
    EXPECT_EQ(Sent(kCmdDriveCutoff, 0x0C), Pair(12, 1));
    EXPECT_EQ(Sent(kCmdDriveCutoff, 0x10), Pair(34, 2));
    EXPECT_EQ(Sent(kCmdDriveCutoff, 0x14), Pair(56, 3));
}

TEST_F(PresetsOnController, HandGainClearsTheLevelAndTheNextStartRestoresLevelTwo) {
    {
        FramePresets presets(user_, kFactoryPresetFolder);
        presets.Start();
        presets.Presets().SelectLevelPreset(3);
        presets.Presets().SetDriveGain(600, 500, 400);
        Settle();
        EXPECT_EQ(Sent(kCmdDriveCutoff, 0x0C), Pair(600, 2048));
        EXPECT_EQ(presets.Presets().Selection().level, 0);
        EXPECT_EQ(FileText(user_ + L"selected_mode.csv"), "1\r\n0\r\n");
    }
    FramePresets next(user_, kFactoryPresetFolder);
    next.Start();
    Settle();
    EXPECT_EQ(next.Presets().Selection(), (PresetSelection{1, 2}));
    EXPECT_EQ(Sent(kCmdDriveCutoff, 0x0C), Pair(512, 2048));
}

}  // namespace
}  // namespace vistrel
