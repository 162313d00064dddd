// The colour record in effect, the preset selection and every preset
// operation of the viewer: reading, matching, saving and resetting the CSV
// presets and sending the colour to the capture library. Free of any platform
// header: files and the library are reached through the two seams below.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vistrel {

inline constexpr int kCurvePoints = 33;
inline constexpr int kTwelveAxisValues = 12;
inline constexpr int kTwelveAxes = 12;
inline constexpr int kCurveTypes = 5;
inline constexpr int kCurveLog = 4;
inline constexpr int kCurveStraight = 1;  // 2.2: what an unknown curve becomes
inline constexpr int kPresetCount = 4;
inline constexpr int kCustomPreset = 4;
inline constexpr int kDefaultBalancePreset = 1;
inline constexpr int kDefaultLevelPreset = 2;

using ToneCurve = std::array<int, kCurvePoints>;
using TwelveAxisValues = std::array<int, kTwelveAxisValues>;
using Rgb = std::array<int, 3>;

// Types 0 to 3; any other type gives the log curve.
const ToneCurve& BuiltInCurve(int type) noexcept;
// The first built-in curve identical to `points` (types 0 to 4 in order), or
// the straight curve's type when none is.
int MatchCurve(const std::vector<int>& points) noexcept;

struct ColorRecord {
    std::vector<int> tone_curve;  // empty until the first restore
    int curve_type = 0;
    TwelveAxisValues twelve_axes{};
    Rgb drive_gain{};
    Rgb cutoff_offset{};
    Rgb color_mute{};

    friend bool operator==(const ColorRecord&, const ColorRecord&) = default;
};

// 1 to 4 name a preset; 0 means changed by hand since a preset was chosen.
struct PresetSelection {
    std::int32_t balance = 0;
    std::int32_t level = 0;

    friend bool operator==(const PresetSelection&, const PresetSelection&) = default;
};

enum class PresetGroup { Balance, Level };
enum class PresetPlace { User, Factory };

// The file name of preset `number` (1 to 4), or an empty view outside that range.
std::string_view PresetFileName(PresetGroup group, int number) noexcept;
inline constexpr std::string_view kSelectionFileName = "selected_mode.csv";

// The preset folders: the user's (read and written) and the factory copies
// (read only).
class IPresetFiles {
public:
    virtual ~IPresetFiles() = default;
    virtual bool Exists(PresetPlace place, std::string_view name) = 0;
    // The whole file, or nothing when it cannot be read.
    virtual std::optional<std::string> Read(PresetPlace place, std::string_view name) = 0;
    // Writes the user file completely beside the old one and replaces the old
    // one only then, so a failure leaves the previous file whole.
    virtual bool WriteUser(std::string_view name, std::string_view text) = 0;
};

// The capture library's colour setters and the change broadcast.
class IColorOutput {
public:
    virtual ~IColorOutput() = default;
    virtual void SetLutGammaLut(int channel, const std::vector<int>& curve) = 0;
    virtual void SetTwelveAxes(int axis, const TwelveAxisValues& values) = 0;
    virtual void SetDriveGain(const Rgb& gain) = 0;
    virtual void SetCutoffOffset(const Rgb& offset) = 0;
    virtual void SetColorMuteEnable(const Rgb& mute) = 0;
    // Tells the views; the record and selection are valid during the call only.
    virtual void ColorChanged(const ColorRecord& record, const PresetSelection& selection) = 0;
};

class ColorPresets {
public:
    ColorPresets(IPresetFiles& files, IColorOutput& output) noexcept : files_(files), output_(output) {}

    // The library's default twelve-axis values, read once at start.
    void SetDefaultTwelveAxes(const TwelveAxisValues& values) noexcept { default_axes_ = values; }

    void SelectBalancePreset(int number);
    void SelectLevelPreset(int number);
    [[nodiscard]] int SaveBalancePreset(int number);
    [[nodiscard]] int ResetBalancePreset(int number);
    [[nodiscard]] int SaveLevelPreset(int number);
    [[nodiscard]] int ResetLevelPreset(int number);
    [[nodiscard]] int ResetAllPresets();
    void SetTwelveAxes(int first, int second, int third);
    void SetGammaCurve(int type);
    void SetColorMute(int r, int g, int b);
    void SetDriveGain(int r, int g, int b);
    void SetCutoffOffset(int r, int g, int b);
    // Applies the presets named in the selection file (balance 1 and level 2
    // when it is missing or invalid) and clears the colour mute.
    void RestoreSelection();

    const ColorRecord& Record() const noexcept { return record_; }
    const PresetSelection& Selection() const noexcept { return selection_; }

private:
    std::optional<std::vector<std::vector<std::int32_t>>> ReadPreset(PresetGroup group, int number,
                                                                     std::size_t first, std::size_t second);
    [[nodiscard]] int SavePreset(PresetGroup group, int number, const std::vector<std::vector<std::int32_t>>& lines);
    [[nodiscard]] int ResetPreset(PresetGroup group, int number);
    void SendCurve(const std::vector<int>& curve);
    void Commit(const ColorRecord& record, const PresetSelection& selection);

    IPresetFiles& files_;
    IColorOutput& output_;
    ColorRecord record_;
    PresetSelection selection_;
    TwelveAxisValues default_axes_{};
};

}  // namespace vistrel
