#include "viewer/core/ColorPresets.h"

#include <algorithm>

#include "viewer/core/PresetCsv.h"

namespace vistrel {
namespace {

constexpr ToneCurve MakeStraight() {
    ToneCurve c{};
    for (int i = 0; i < kCurvePoints - 1; ++i) c[static_cast<std::size_t>(i)] = 32 * i;
    c[kCurvePoints - 1] = 1023;
    return c;
}

constexpr ToneCurve kCurves[kCurveTypes] = {
    {0,   51,  93,  132, 169, 206, 241, 275, 309, 342, 374, 407, 438, 470, 501, 532, 562,
     592, 622, 652, 682, 711, 740, 769, 798, 827, 855, 884, 912, 940, 968, 996, 1023},
    MakeStraight(),
    {0,   23,  49,  77,  105, 135, 164, 195, 225, 256, 287, 319, 351, 383, 415, 448, 480,
     513, 546, 579, 613, 646, 680, 714, 748, 782, 816, 850, 885, 919, 954, 989, 1023},
    {0,   17,  38,  62,  87,  114, 141, 169, 198, 228, 259, 289, 321, 353, 385, 418, 451,
     484, 518, 553, 587, 622, 657, 693, 728, 764, 801, 837, 874, 911, 948, 986, 1023},
    {8,   15,  21,  30,  40,  54,  72,  95,  123, 157, 197, 242, 292, 347, 406, 467, 530,
     593, 656, 716, 773, 826, 873, 914, 948, 975, 995, 1008, 1015, 1019, 1020, 1022, 1023},
};

constexpr std::string_view kBalanceFiles[kPresetCount] = {"balance1.csv", "balance2.csv", "balance3.csv",
                                                          "custom_balance.csv"};
constexpr std::string_view kLevelFiles[kPresetCount] = {"low_level.csv", "middle_level.csv", "high_level.csv",
                                                        "custom_level.csv"};

constexpr std::size_t kBalanceLine2 = kTwelveAxisValues;
constexpr std::size_t kLevelFields = 3;

bool IsPreset(int number) noexcept { return number >= 1 && number <= kPresetCount; }

std::vector<int> CurveVector(const ToneCurve& c) { return {c.begin(), c.end()}; }

}  // namespace

const ToneCurve& BuiltInCurve(int type) noexcept {
    return type >= 0 && type < kCurveLog ? kCurves[type] : kCurves[kCurveLog];
}

int MatchCurve(const std::vector<int>& points) noexcept {
    for (int type = 0; type < kCurveTypes; ++type) {
        const ToneCurve& c = kCurves[type];
        if (points.size() == c.size() && std::equal(c.begin(), c.end(), points.begin())) return type;
    }
    return kCurveStraight;
}

std::string_view PresetFileName(PresetGroup group, int number) noexcept {
    if (!IsPreset(number)) return {};
    return group == PresetGroup::Balance ? kBalanceFiles[number - 1] : kLevelFiles[number - 1];
}

std::optional<CsvLines> ColorPresets::ReadPreset(PresetGroup group, int number, std::size_t first,
                                                 std::size_t second) {
    const std::string_view name = PresetFileName(group, number);
    if (name.empty()) return std::nullopt;
    // The factory copy stands in only for a missing user file, never for a malformed one.
    const PresetPlace place = files_.Exists(PresetPlace::User, name) ? PresetPlace::User : PresetPlace::Factory;
    const auto text = files_.Read(place, name);
    if (!text) return std::nullopt;
    return ParsePresetFile(*text, first, second);
}

void ColorPresets::SendCurve(const std::vector<int>& curve) {
    for (int channel = 0; channel < 3; ++channel) output_.SetLutGammaLut(channel, curve);
}

void ColorPresets::Commit(const ColorRecord& record, const PresetSelection& selection) {
    if (record == record_ && selection == selection_) return;
    record_ = record;
    selection_ = selection;
    // A selection file that cannot be written only means the next start
    // falls back to the default presets.
    (void)files_.WriteUser(kSelectionFileName, FormatCsv({{selection_.balance}, {selection_.level}}));
    const ColorRecord copy = record_;
    const PresetSelection selection_copy = selection_;
    output_.ColorChanged(copy, selection_copy);
}

void ColorPresets::SelectBalancePreset(int number) {
    if (number == 0) return;
    const auto lines = ReadPreset(PresetGroup::Balance, number, kCurvePoints, kBalanceLine2);
    if (!lines) return;
    ColorRecord record = record_;
    record.curve_type = MatchCurve((*lines)[0]);
    record.tone_curve = CurveVector(BuiltInCurve(record.curve_type));
    for (std::size_t i = 0; i < kBalanceLine2; ++i) record.twelve_axes[i] = (*lines)[1][i];
    SendCurve(record.tone_curve);
    for (int axis = 0; axis < kTwelveAxes; ++axis) output_.SetTwelveAxes(axis, record.twelve_axes);
    PresetSelection selection = selection_;
    selection.balance = number;
    Commit(record, selection);
}

void ColorPresets::SelectLevelPreset(int number) {
    if (number == 0) return;
    const auto lines = ReadPreset(PresetGroup::Level, number, kLevelFields, kLevelFields);
    if (!lines) return;
    ColorRecord record = record_;
    for (std::size_t i = 0; i < kLevelFields; ++i) {
        record.drive_gain[i] = (*lines)[0][i];
        record.cutoff_offset[i] = (*lines)[1][i];
    }
    output_.SetDriveGain(record.drive_gain);
    output_.SetCutoffOffset(record.cutoff_offset);
    PresetSelection selection = selection_;
    selection.level = number;
    Commit(record, selection);
}

int ColorPresets::SavePreset(PresetGroup group, int number, const CsvLines& lines) {
    const std::string_view name = PresetFileName(group, number);
    if (name.empty()) return 0;
    const bool written = files_.WriteUser(name, FormatCsv(lines));
    // The selection follows the save even when the file could not be written.
    PresetSelection selection = selection_;
    (group == PresetGroup::Balance ? selection.balance : selection.level) = number;
    if (selection != selection_) Commit(record_, selection);
    return written ? 1 : 0;
}

int ColorPresets::SaveBalancePreset(int number) {
    return SavePreset(PresetGroup::Balance, number,
                      {{record_.tone_curve.begin(), record_.tone_curve.end()},
                       {record_.twelve_axes.begin(), record_.twelve_axes.end()}});
}

int ColorPresets::SaveLevelPreset(int number) {
    return SavePreset(PresetGroup::Level, number,
                      {{record_.drive_gain.begin(), record_.drive_gain.end()},
                       {record_.cutoff_offset.begin(), record_.cutoff_offset.end()}});
}

int ColorPresets::ResetPreset(PresetGroup group, int number) {
    const std::string_view name = PresetFileName(group, number);
    if (name.empty()) return 0;
    if (!files_.Exists(PresetPlace::User, name)) return 1;
    if (!files_.Exists(PresetPlace::Factory, name)) return 0;
    const auto factory = files_.Read(PresetPlace::Factory, name);
    return factory && files_.WriteUser(name, *factory) ? 1 : 0;
}

int ColorPresets::ResetBalancePreset(int number) { return ResetPreset(PresetGroup::Balance, number); }
int ColorPresets::ResetLevelPreset(int number) { return ResetPreset(PresetGroup::Level, number); }

int ColorPresets::ResetAllPresets() {
    for (const PresetGroup group : {PresetGroup::Balance, PresetGroup::Level})
        for (int number = 1; number <= kPresetCount; ++number)
            if (ResetPreset(group, number) == 0) return 0;
    RestoreSelection();
    return 1;
}

void ColorPresets::SetTwelveAxes(int first, int second, int third) {
    ColorRecord record = record_;
    record.twelve_axes = default_axes_;
    record.twelve_axes[0] = first;
    record.twelve_axes[1] = second;
    record.twelve_axes[2] = third;
    for (int axis = 0; axis < kTwelveAxes; ++axis) output_.SetTwelveAxes(axis, record.twelve_axes);
    Commit(record, {0, selection_.level});
}

void ColorPresets::SetGammaCurve(int type) {
    // A type outside the five would mislead every view that indexes by it.
    const int kept = type >= 0 && type < kCurveTypes ? type : kCurveLog;
    ColorRecord record = record_;
    record.tone_curve = CurveVector(BuiltInCurve(kept));
    record.curve_type = kept;
    SendCurve(record.tone_curve);
    Commit(record, {0, selection_.level});
}

void ColorPresets::SetColorMute(int r, int g, int b) {
    ColorRecord record = record_;
    record.color_mute = {r, g, b};
    output_.SetColorMuteEnable(record.color_mute);
    Commit(record, selection_);
}

void ColorPresets::SetDriveGain(int r, int g, int b) {
    ColorRecord record = record_;
    record.drive_gain = {r, g, b};
    output_.SetDriveGain(record.drive_gain);
    Commit(record, {selection_.balance, 0});
}

void ColorPresets::SetCutoffOffset(int r, int g, int b) {
    ColorRecord record = record_;
    record.cutoff_offset = {r, g, b};
    output_.SetCutoffOffset(record.cutoff_offset);
    Commit(record, {selection_.balance, 0});
}

void ColorPresets::RestoreSelection() {
    PresetSelection wanted{kDefaultBalancePreset, kDefaultLevelPreset};
    if (const auto text = files_.Read(PresetPlace::User, kSelectionFileName)) {
        if (const auto lines = ParsePresetFile(*text, 1, 1)) {
            // 0 (changed by hand) stands for the default, and so does a number
            // that names no preset.
            if (IsPreset((*lines)[0][0])) wanted.balance = (*lines)[0][0];
            if (IsPreset((*lines)[1][0])) wanted.level = (*lines)[1][0];
        }
    }
    SelectBalancePreset(wanted.balance);
    SelectLevelPreset(wanted.level);
    SetColorMute(0, 0, 0);
}

}  // namespace vistrel
