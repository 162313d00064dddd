// The Win32 side of the colour presets: the user and factory folders, file
// access that never leaves a half-written preset, the capture library's
// colour setters and the colour-change broadcast.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "viewer/core/ColorPresets.h"

namespace vistrel {

inline constexpr const wchar_t* kFactoryPresetFolder = L".\\setting\\default\\";

// LocalAppData\<company, white space as "_">\<internal name>\Custom\ from the
// version information of `modulePath`, created when missing; empty (file
// names alone, relative to the current folder) when the known folder or a
// version item cannot be read or a folder cannot be made.
std::wstring UserPresetFolder(const std::wstring& modulePath);

class PresetFolders : public IPresetFiles {
public:
    PresetFolders(std::wstring userFolder, std::wstring factoryFolder) noexcept
        : user_(std::move(userFolder)), factory_(std::move(factoryFolder)) {}

    bool Exists(PresetPlace place, std::string_view name) override;
    std::optional<std::string> Read(PresetPlace place, std::string_view name) override;
    bool WriteUser(std::string_view name, std::string_view text) override;

    std::wstring PathOf(PresetPlace place, std::string_view name) const;
    // The name a save writes before it replaces the user file.
    static std::wstring PendingPath(const std::wstring& path) { return path + L".new"; }

protected:
    // Writes all of `text` to the open file; a full disk answers false.
    virtual bool WriteBytes(HANDLE file, std::string_view text);

private:
    std::wstring user_;
    std::wstring factory_;
};

// Sends through Capwell's colour exports (values truncated to 16 bits) and
// broadcasts the change through ColorSettingChangedNotificator: the event's
// `color` points to a ColorRecord, its `selection` to a PresetSelection.
class CapwellColorOutput : public IColorOutput {
public:
    void SetLutGammaLut(int channel, const std::vector<int>& curve) override;
    void SetTwelveAxes(int axis, const TwelveAxisValues& values) override;
    void SetDriveGain(const Rgb& gain) override;
    void SetCutoffOffset(const Rgb& offset) override;
    void SetColorMuteEnable(const Rgb& mute) override;
    void ColorChanged(const ColorRecord& record, const PresetSelection& selection) override;
};

// What the main frame owns: the folders of this program, the output and the
// preset logic. Start() after Cpw_Initialize reads the default twelve-axis
// values and restores the selected presets.
class FramePresets {
public:
    FramePresets();
    FramePresets(std::wstring userFolder, std::wstring factoryFolder);
    FramePresets(const FramePresets&) = delete;
    FramePresets& operator=(const FramePresets&) = delete;

    void Start();
    ColorPresets& Presets() noexcept { return presets_; }
    const PresetFolders& Folders() const noexcept { return folders_; }

private:
    PresetFolders folders_;
    CapwellColorOutput output_;
    ColorPresets presets_{folders_, output_};
};

}  // namespace vistrel
