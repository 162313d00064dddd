// Window messages inside the viewer: numbered from WM_APP (0x8000), sent
// synchronously, named by meaning. The one place these numbers are written.
#pragma once

#include <cstdint>

namespace vistrel::msg {

inline constexpr std::uint32_t kApp = 0x8000;                   // WM_APP
inline constexpr std::uint32_t kContinue = kApp + 1;            // WM_APP+1: message view -> frame
inline constexpr std::uint32_t kDisplayKind = kApp + 2;         // WM_APP+2: resolver -> layout (kind, controller bar)
inline constexpr std::uint32_t kScreenMode = kApp + 3;          // WM_APP+3: resolver -> frame (screen mode, resize)
inline constexpr std::uint32_t kStatusChanging = kApp + 4;      // WM_APP+4: resolver -> frame
inline constexpr std::uint32_t kStatusChanged = kApp + 5;       // WM_APP+5: resolver -> frame
inline constexpr std::uint32_t kToggleState = kApp + 6;         // WM_APP+6: toggle or radio -> parent
inline constexpr std::uint32_t kSettingViewVisible = kApp + 7;  // WM_APP+7: resolver -> layout
inline constexpr std::uint32_t kColorChanged = kApp + 8;        // WM_APP+8: to the notificators' windows
inline constexpr std::uint32_t kHdmiInfoChanged = kApp + 9;     // WM_APP+9: to the notificators' windows
inline constexpr std::uint32_t kNumberValue = kApp + 10;        // WM_APP+10: up-down -> parent
inline constexpr std::uint32_t kPointerInput = kApp + 11;       // WM_APP+11: image button -> parent
inline constexpr std::uint32_t kPlayCode = kApp + 12;           // WM_APP+12: resolver -> layout
inline constexpr std::uint32_t kSaveErrorClosed = kApp + 13;    // WM_APP+13: message view -> frame
inline constexpr std::uint32_t kPowerChanged = kApp + 14;       // WM_APP+14: to the notificators' windows

}  // namespace vistrel::msg
