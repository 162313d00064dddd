// What the Etc setting view asks of the platform: the speakers' volume (whose
// mixer sends its change notice to a window), the display brightness and the
// start-up shortcut. An interface, so the view also runs where the platform
// has no mixer (Wine without a sound card); tests hand over their own.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <optional>

#include "viewer/app/PlatformProbes.h"

namespace vistrel {

class IEtcProbes {
public:
    virtual ~IEtcProbes() = default;
    // Opens the speakers' volume control; its changes arrive at `notify` as
    // MM_MIXM_CONTROL_CHANGE.
    virtual bool OpenVolume(HWND notify) = 0;
    virtual std::optional<std::uint32_t> ReadVolume() = 0;  // percent
    virtual bool SetVolume(std::uint32_t percent) = 0;
    virtual std::optional<std::uint32_t> ReadBrightness() = 0;
    virtual bool SetBrightness(std::uint32_t value) = 0;
    virtual bool StartupRegistered() = 0;
    virtual bool RegisterStartup() = 0;
    virtual bool UnregisterStartup() = 0;
};

// The platform itself: mixer 0, the active power scheme, the user's Startup folder.
class SystemEtcProbes final : public IEtcProbes {
public:
    bool OpenVolume(HWND notify) override { return volume_.Open(notify); }
    std::optional<std::uint32_t> ReadVolume() override { return volume_.ReadVolume(); }
    bool SetVolume(std::uint32_t percent) override { return volume_.SetVolume(percent); }
    std::optional<std::uint32_t> ReadBrightness() override;
    bool SetBrightness(std::uint32_t value) override { return vistrel::SetBrightness(value); }
    bool StartupRegistered() override { return startup_.IsRegistered(); }
    bool RegisterStartup() override { return startup_.Register(); }
    bool UnregisterStartup() override { return startup_.Unregister(); }

private:
    SpeakerVolume volume_;
    StartupShortcut startup_;
};

}  // namespace vistrel
