// What the viewer asks the platform about the tablet: the built-in panel and
// its screen, tablet mode, brightness, speaker volume, start at sign-in.
// Each probe reports failure through its result only.
//
// Seams for a platform that lacks what a tablet has (docs/viewer-frame.md):
// the simulated set-up (a Wine prefix with the simulated panel's registry
// values) takes the primary monitor as the built-in panel, because Wine's
// WMI has no monitor rows. The stand-in is chosen only when both the
// registry value is present and the program runs on Wine, so it can never
// switch itself on on a tablet.
#pragma once

#include <windows.h>

#include <mmsystem.h>

#include <cstdint>
#include <optional>
#include <string>

#include "Tavrin.h"
#include "viewer/core/DisplayInfo.h"
#include "viewer/framework/Raii.h"

namespace vistrel {

// The operating system's own version (not the compatibility answer that a
// program without a manifest entry gets).
std::uint32_t OsMajorVersion() noexcept;

// True when the program runs on Wine (ntdll exports wine_get_version).
bool RunningOnWine() noexcept;

// The simulated set-up's choice, read from the machine-wide key
// Software\Harlowe Simulator\Tablet: "InternalDisplay" = 1 takes the primary
// monitor as the panel.
// Always false off Wine.
bool SimulatedPanelSelected() noexcept;

// The built-in panel's hardware identifier over WMI; empty when none.
std::wstring QueryInternalMonitorIdWmi();
// The adapter device name whose monitor's device identifier contains `id`;
// empty when none (adapters not attached to the desktop are skipped).
std::wstring DeviceNameOfMonitor(const std::wstring& id);
// The internal display's device name: WMI and the display devices, or the
// primary monitor's device name under the simulated set-up.
std::wstring FindInternalDisplayName();

// Monitor, work rectangle, resolution and rotation of the display `name`;
// false when the name is empty, the monitor is not found or its current
// mode cannot be read.
[[nodiscard]] bool ReadScreenInfo(const std::wstring& name, ScreenInfo& info);

// SetDisplayAutoRotationPreferences(landscape). A system without the
// function is an old one, not a failure.
[[nodiscard]] bool PreferLandscape() noexcept;

// The tablet-mode probe Tavrin_x64.dll, bound to the main frame.
class TabletModeBinding {
public:
    TabletModeBinding() = default;
    TabletModeBinding(const TabletModeBinding&) = delete;
    TabletModeBinding& operator=(const TabletModeBinding&) = delete;
    ~TabletModeBinding() { Unbind(); }

    // Disabled (and successful) at version 9 or lower; otherwise loads the
    // probe, binds its three functions, registers its message and starts it.
    [[nodiscard]] bool Bind(HWND frame, std::uint32_t os_major = OsMajorVersion());
    // 1 in tablet mode, else 0 (also when disabled or unbound).
    int CurrentMode() const noexcept;
    void Unbind() noexcept;

    bool Enabled() const noexcept { return enabled_; }
    UINT Message() const noexcept { return message_; }

private:
    winkit::UniqueModule module_;
    PFN_InitTavrin init_ = nullptr;
    PFN_GetTavrin get_ = nullptr;
    PFN_FinalizeTavrin finalize_ = nullptr;
    UINT message_ = 0;
    bool enabled_ = false;
};

// Display brightness of the active power scheme (AC or DC by the power line).
[[nodiscard]] bool SetBrightness(DWORD value) noexcept;
// The brightness value of the active power scheme for the current power line;
// none when the scheme or the value cannot be read.
std::optional<DWORD> ReadBrightness() noexcept;

// The speakers' volume control of mixer 0.
class SpeakerVolume {
public:
    SpeakerVolume() = default;
    SpeakerVolume(const SpeakerVolume&) = delete;
    SpeakerVolume& operator=(const SpeakerVolume&) = delete;
    ~SpeakerVolume() { Close(); }

    [[nodiscard]] bool Open(HWND notify);
    // Fails when closed or above 100 %.
    [[nodiscard]] bool SetVolume(std::uint32_t percent) noexcept;
    // The control's value in percent (to the nearest); none when closed or unreadable.
    std::optional<std::uint32_t> ReadVolume() const noexcept;
    void Close() noexcept;
    bool IsOpen() const noexcept { return open_; }

private:
    HMIXER mixer_ = nullptr;
    DWORD minimum_ = 0;
    DWORD maximum_ = 0;
    DWORD control_id_ = 0xFFFFFFFF;
    bool open_ = false;
};

// The shortcut in the user's Startup folder that starts the viewer at sign-in.
class StartupShortcut {
public:
    // The Startup known folder and the program's name stem.
    StartupShortcut();
    // A shortcut at `path` to `target` (tests).
    StartupShortcut(std::wstring path, std::wstring target);

    const std::wstring& Path() const noexcept { return path_; }
    bool IsRegistered() const noexcept;
    [[nodiscard]] bool Register();
    [[nodiscard]] bool Unregister() noexcept;

private:
    std::wstring path_;
    std::wstring target_;
};

}  // namespace vistrel
