#include <gtest/gtest.h>

#include <map>
#include <string>

#include "viewer/core/ColorPresets.h"
#include "viewer/core/PresetCsv.h"

namespace vistrel {
namespace {

TEST(PresetCsv, FieldsAndLines) {
    // Consecutive commas count as one; spaces around a number are allowed.
    auto lines = ParseCsv("12,, 34 ,56\r\n,-7,+8x,\n");
    ASSERT_TRUE(lines);
    EXPECT_EQ(*lines, (CsvLines{{12, 34, 56}, {-7, 8}}));
    // The last line needs no line end; an empty line is still a line.
    EXPECT_EQ(*ParseCsv("1\n\n2"), (CsvLines{{1}, {}, {2}}));
    // The text ends at a Ctrl-Z, as text-mode reading sees it.
    EXPECT_EQ(*ParseCsv("1\n2\n\x1A" "garbage"), (CsvLines{{1}, {2}}));
    EXPECT_EQ(*ParseCsv("-2147483648,2147483647\n"), (CsvLines{{INT32_MIN, INT32_MAX}}));
    for (const char* bad : {"1,x\n", "1, \n", "-\n", "2147483648\n", "-2147483649\n", "99999999999999999999\n"}) {
        SCOPED_TRACE(bad);
        EXPECT_FALSE(ParseCsv(bad));
    }
    EXPECT_FALSE(ParseCsv(std::string(kMaxPresetFileBytes + 1, '1')));
}

TEST(PresetCsv, PresetFileShapeAndRoundTrip) {
    EXPECT_TRUE(ParsePresetFile("1,2,3\n4,5,6\n", 3, 3));
    EXPECT_FALSE(ParsePresetFile("1,2,3\n4,5\n", 3, 3));
    EXPECT_FALSE(ParsePresetFile("1,2,3\n4,5,6\n7\n", 3, 3));
    EXPECT_FALSE(ParsePresetFile("1,2,3\n", 3, 3));
    const CsvLines lines{{-1, 0, 1023}, {2048, 7, INT32_MIN}};
    const std::string text = FormatCsv(lines);
    EXPECT_EQ(text, "-1,0,1023\r\n2048,7,-2147483648\r\n");
    EXPECT_EQ(*ParsePresetFile(text, 3, 3), lines);
}

TEST(ToneCurves, MatchingAndTables) {
    for (int type = 0; type < kCurveTypes; ++type) {
        const ToneCurve& c = BuiltInCurve(type);
        EXPECT_EQ(MatchCurve({c.begin(), c.end()}), type);
        EXPECT_EQ(c[32], 1023);
    }
    EXPECT_EQ(BuiltInCurve(1)[31], 992);
    EXPECT_EQ(BuiltInCurve(2)[1], 23);
    EXPECT_EQ(BuiltInCurve(4)[0], 8);
    EXPECT_EQ(&BuiltInCurve(9), &BuiltInCurve(4));
    std::vector<int> odd(33, 5);
    EXPECT_EQ(MatchCurve(odd), 1);
}

// In-memory preset folders.
class FakeFiles : public IPresetFiles {
public:
    std::map<std::string, std::string> user, factory;
    bool fail_writes = false;
    int writes = 0;

    bool Exists(PresetPlace place, std::string_view name) override { return Folder(place).count(std::string(name)); }
    std::optional<std::string> Read(PresetPlace place, std::string_view name) override {
        const auto it = Folder(place).find(std::string(name));
        if (it == Folder(place).end()) return std::nullopt;
        return it->second;
    }
    bool WriteUser(std::string_view name, std::string_view text) override {
        ++writes;
        if (fail_writes) return false;
        user[std::string(name)] = std::string(text);
        return true;
    }

private:
    std::map<std::string, std::string>& Folder(PresetPlace p) { return p == PresetPlace::User ? user : factory; }
};

// What the library would be asked to do, and the broadcasts.
class RecordingOutput : public IColorOutput {
public:
    std::vector<std::vector<int>> luts;
    std::vector<std::pair<int, TwelveAxisValues>> axes;
    std::vector<Rgb> gains, offsets, mutes;
    std::vector<std::pair<ColorRecord, PresetSelection>> broadcasts;

    void SetLutGammaLut(int channel, const std::vector<int>& curve) override {
        EXPECT_EQ(channel, static_cast<int>(luts.size() % 3));
        luts.push_back(curve);
    }
    void SetTwelveAxes(int axis, const TwelveAxisValues& v) override { axes.emplace_back(axis, v); }
    void SetDriveGain(const Rgb& g) override { gains.push_back(g); }
    void SetCutoffOffset(const Rgb& o) override { offsets.push_back(o); }
    void SetColorMuteEnable(const Rgb& m) override { mutes.push_back(m); }
    void ColorChanged(const ColorRecord& r, const PresetSelection& s) override { broadcasts.emplace_back(r, s); }
    void Clear() { *this = RecordingOutput{}; }
};

std::string CurveLine(const ToneCurve& c) {
    return FormatCsv({{c.begin(), c.end()}}).substr(0, FormatCsv({{c.begin(), c.end()}}).size() - 2);
}
const std::string kAxes = "128,128,128,15,15,15,15,15,15,15,15,15";

class ColorPresetsTest : public ::testing::Test {
protected:
    void SetUp() override {
        files.factory["balance1.csv"] = CurveLine(BuiltInCurve(1)) + "\r\n" + kAxes + "\r\n";
        files.factory["balance2.csv"] = CurveLine(BuiltInCurve(2)) + "\r\n" + kAxes + "\r\n";
        files.factory["balance3.csv"] = CurveLine(BuiltInCurve(4)) + "\r\n" + kAxes + "\r\n";
        files.factory["custom_balance.csv"] = files.factory["balance1.csv"];
        files.factory["low_level.csv"] = "512,458,414\r\n2048,2048,2048\r\n";
        files.factory["middle_level.csv"] = "512,512,512\r\n2048,2048,2048\r\n";
        files.factory["high_level.csv"] = "416,444,512\r\n2048,2048,2048\r\n";
        files.factory["custom_level.csv"] = files.factory["middle_level.csv"];
        presets.SetDefaultTwelveAxes({128, 128, 128, 15, 15, 15, 15, 15, 15, 15, 15, 15});
    }
    FakeFiles files;
    RecordingOutput out;
    ColorPresets presets{files, out};
};

TEST_F(ColorPresetsTest, FirstStartAppliesBalanceOneAndLevelTwo) {
    presets.RestoreSelection();
    ASSERT_EQ(out.luts.size(), 3u);
    EXPECT_EQ(out.luts[0], std::vector<int>(BuiltInCurve(1).begin(), BuiltInCurve(1).end()));
    ASSERT_EQ(out.axes.size(), 12u);
    EXPECT_EQ(out.axes[11].first, 11);
    EXPECT_EQ(out.axes[11].second[0], 128);
    EXPECT_EQ(out.gains, (std::vector<Rgb>{{512, 512, 512}}));
    EXPECT_EQ(out.offsets, (std::vector<Rgb>{{2048, 2048, 2048}}));
    EXPECT_EQ(out.mutes, (std::vector<Rgb>{{0, 0, 0}}));
    EXPECT_EQ(files.user["selected_mode.csv"], "1\r\n2\r\n");
    EXPECT_EQ(presets.Selection(), (PresetSelection{1, 2}));
    ASSERT_FALSE(out.broadcasts.empty());
    EXPECT_EQ(out.broadcasts.back().second, (PresetSelection{1, 2}));
    EXPECT_EQ(out.broadcasts.back().first, presets.Record());
    // Nothing left to change: a second restore sends but broadcasts nothing.
    const auto broadcasts = out.broadcasts.size();
    const int writes = files.writes;
    presets.RestoreSelection();
    EXPECT_EQ(out.broadcasts.size(), broadcasts);
    EXPECT_EQ(files.writes, writes);
}

TEST_F(ColorPresetsTest, BalanceFilesAreMatchedAndMalformedOnesIgnored) {
    presets.RestoreSelection();
    const ColorRecord before = presets.Record();
    out.Clear();
    // 32 fields on line 1: ignored, and the factory copy does not stand in.
    ToneCurve c = BuiltInCurve(3);
    files.user["balance3.csv"] = CurveLine(c).substr(0, CurveLine(c).rfind(',')) + "\r\n" + kAxes + "\r\n";
    presets.SelectBalancePreset(3);
    EXPECT_TRUE(out.luts.empty());
    EXPECT_TRUE(out.broadcasts.empty());
    EXPECT_EQ(presets.Record(), before);
    EXPECT_EQ(presets.Selection().balance, 1);

    presets.SelectBalancePreset(2);  // the factory 2.4 curve
    EXPECT_EQ(presets.Record().curve_type, 2);
    EXPECT_EQ(presets.Selection().balance, 2);

    c[5] += 1;  // a hand-made curve becomes the straight one
    files.user["custom_balance.csv"] = CurveLine(c) + "\r\n1,2,3,4,5,6,7,8,9,10,11,12\r\n";
    out.Clear();
    presets.SelectBalancePreset(4);
    EXPECT_EQ(presets.Record().curve_type, 1);
    EXPECT_EQ(presets.Record().tone_curve, std::vector<int>(BuiltInCurve(1).begin(), BuiltInCurve(1).end()));
    EXPECT_EQ(out.luts.at(2), presets.Record().tone_curve);
    EXPECT_EQ(out.axes.at(7).second, (TwelveAxisValues{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
    EXPECT_EQ(presets.Record().drive_gain, before.drive_gain) << "a balance keeps the level";
}

TEST_F(ColorPresetsTest, LevelLineWithLooseCommasAndSpaces) {
    files.user["custom_level.csv"] = "12,, 34 ,56\r\n1,2,3\r\n";
    presets.SelectLevelPreset(4);
    EXPECT_EQ(out.gains, (std::vector<Rgb>{{12, 34, 56}}));
    EXPECT_EQ(out.offsets, (std::vector<Rgb>{{1, 2, 3}}));
    EXPECT_EQ(presets.Selection().level, 4);
}

TEST_F(ColorPresetsTest, HandChangesClearTheSelectionAndTheNextStartRestoresTheDefault) {
    presets.RestoreSelection();
    presets.SelectLevelPreset(3);
    presets.SetDriveGain(600, 500, 400);
    EXPECT_EQ(presets.Selection(), (PresetSelection{1, 0}));
    EXPECT_EQ(files.user["selected_mode.csv"], "1\r\n0\r\n");
    EXPECT_EQ(out.gains.back(), (Rgb{600, 500, 400}));

    RecordingOutput next_out;
    ColorPresets next{files, next_out};
    next.RestoreSelection();
    EXPECT_EQ(next.Selection(), (PresetSelection{1, 2}));
    EXPECT_EQ(next_out.gains, (std::vector<Rgb>{{512, 512, 512}}));
}

TEST_F(ColorPresetsTest, HandSetters) {
    presets.RestoreSelection();
    out.Clear();
    presets.SetTwelveAxes(10, 20, 30);
    ASSERT_EQ(out.axes.size(), 12u);
    EXPECT_EQ(out.axes[0].second, (TwelveAxisValues{10, 20, 30, 15, 15, 15, 15, 15, 15, 15, 15, 15}));
    EXPECT_EQ(presets.Selection(), (PresetSelection{0, 2}));

    presets.SetGammaCurve(9);  // outside the five: the log curve
    EXPECT_EQ(presets.Record().curve_type, 4);
    EXPECT_EQ(out.luts.back(), std::vector<int>(BuiltInCurve(4).begin(), BuiltInCurve(4).end()));

    presets.SelectLevelPreset(1);
    presets.SetColorMute(1, 0, 1);
    EXPECT_EQ(out.mutes.back(), (Rgb{1, 0, 1}));
    EXPECT_EQ(presets.Selection(), (PresetSelection{0, 1})) << "mute keeps the selection";
    presets.SetCutoffOffset(1, 2, 3);
    EXPECT_EQ(presets.Selection(), (PresetSelection{0, 0}));
    const auto broadcasts = out.broadcasts.size();
    presets.SetCutoffOffset(1, 2, 3);
    EXPECT_EQ(out.broadcasts.size(), broadcasts) << "nothing changed, nothing told";
}

TEST_F(ColorPresetsTest, SavesWriteTheRecordAndMoveTheSelection) {
    presets.RestoreSelection();
    presets.SetGammaCurve(2);
    presets.SetTwelveAxes(1, 2, 3);
    ASSERT_EQ(presets.SaveBalancePreset(4), 1);
    EXPECT_EQ(files.user["custom_balance.csv"],
              CurveLine(BuiltInCurve(2)) + "\r\n1,2,3,15,15,15,15,15,15,15,15,15\r\n");
    EXPECT_EQ(presets.Selection().balance, 4);
    EXPECT_EQ(files.user["selected_mode.csv"], "4\r\n2\r\n");

    presets.SetDriveGain(1, 2, 3);
    files.fail_writes = true;
    EXPECT_EQ(presets.SaveLevelPreset(4), 0);
    EXPECT_EQ(presets.Selection().level, 4) << "the selection follows a failed save";
    EXPECT_EQ(files.user.count("custom_level.csv"), 0u);
    EXPECT_EQ(presets.SaveLevelPreset(0), 0);
    EXPECT_EQ(presets.SaveBalancePreset(5), 0);
    EXPECT_EQ(presets.Selection(), (PresetSelection{4, 4}));
}

TEST_F(ColorPresetsTest, Resets) {
    // No user file: success, nothing written or applied.
    EXPECT_EQ(presets.ResetBalancePreset(1), 1);
    EXPECT_EQ(files.writes, 0);
    EXPECT_TRUE(out.luts.empty());
    // A user file without a factory copy: failure, the file stays.
    files.user["high_level.csv"] = "1,1,1\r\n2,2,2\r\n";
    files.factory.erase("high_level.csv");
    EXPECT_EQ(presets.ResetLevelPreset(3), 0);
    EXPECT_EQ(files.user["high_level.csv"], "1,1,1\r\n2,2,2\r\n");
    // With a factory copy the bytes are copied over, nothing applied.
    files.user["balance2.csv"] = "junk";
    EXPECT_EQ(presets.ResetBalancePreset(2), 1);
    EXPECT_EQ(files.user["balance2.csv"], files.factory["balance2.csv"]);
    EXPECT_TRUE(out.luts.empty());
    EXPECT_EQ(presets.ResetBalancePreset(0), 0);

    // Reset all stops at the failing level preset 3 and restores nothing.
    files.user["low_level.csv"] = "9,9,9\r\n9,9,9\r\n";
    EXPECT_EQ(presets.ResetAllPresets(), 0);
    EXPECT_EQ(files.user["low_level.csv"], files.factory["low_level.csv"]);
    EXPECT_TRUE(out.gains.empty());
    files.user.erase("high_level.csv");
    files.user["selected_mode.csv"] = "3\r\n7\r\n";  // 7 names no preset: the default
    EXPECT_EQ(presets.ResetAllPresets(), 1);
    EXPECT_EQ(presets.Selection(), (PresetSelection{3, 2}));
}

}  // namespace
}  // namespace vistrel
