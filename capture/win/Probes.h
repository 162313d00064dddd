// Display and driver probes: the built-in panel (WMI, display devices, the
// current mode) and the installed driver of the controller (SetupAPI and the
// driver class key).
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace Capwell::Lib::Probes {

struct DisplayInfo {
    std::wstring name;  // GDI device name of the panel's adapter output, or empty
    int32_t width = 0;
    int32_t height = 0;
    int32_t angle = 0;
};

// Hardware id of the controller's internal monitor as WMI reports it, or
// empty when no internal monitor was found; false when WMI failed.
[[nodiscard]] bool FindInternalMonitorId(std::wstring& id);
std::wstring FindPanelName();
// Updates name, then size and angle when the mode could be read.
void ProbeDisplay(DisplayInfo& display);

// 0 found, 1 not found, -1 error.
[[nodiscard]] int FindDriverVersion(const std::wstring& hardware_id, std::wstring& version);
// The controller's hardware id (a build constant).
const wchar_t* ControllerHardwareId();

}  // namespace Capwell::Lib::Probes
