// The platform probes' small rules as plain functions: display orientation
// to degrees, the mixer value of a volume percentage, the WMI monitor row that
// names the built-in panel. Free of platform headers.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace vistrel {

// Display orientation of the current mode (0 landscape, 1 portrait, 2
// landscape flipped, 3 portrait flipped) in degrees: 1 is 270, not 90.
constexpr int RotationOfOrientation(std::uint32_t orientation) noexcept {
    switch (orientation) {
        case 1: return 270;
        case 2: return 180;
        case 3: return 90;
        default: return 0;
    }
}

// The mixer value of `percent` in [minimum, maximum]; none above 100 %.
constexpr std::optional<std::uint32_t> VolumeValue(std::uint32_t minimum, std::uint32_t maximum,
                                                   std::uint32_t percent) noexcept {
    if (percent > 100) return std::nullopt;
    return static_cast<std::uint32_t>(minimum + static_cast<std::uint64_t>(percent) * (maximum - minimum) / 100);
}

// The percentage a mixer value stands for in [minimum, maximum], to the
// nearest whole percent. Computed in 64 bits with the value held inside the
// range, so a full 32-bit range, a value outside the range or an empty range
// (none) cannot divide by zero, wrap or exceed 100.
constexpr std::optional<std::uint32_t> VolumePercent(std::uint32_t minimum, std::uint32_t maximum,
                                                     std::uint32_t value) noexcept {
    if (maximum <= minimum) return std::nullopt;
    const std::uint64_t span = maximum - minimum;
    const std::uint64_t above = value < minimum ? 0 : (value > maximum ? span : value - minimum);
    return static_cast<std::uint32_t>((above * 100 + span / 2) / span);
}

// The hardware identifier of a WMI monitor instance ("DISPLAY\ABC1234\4&..."
// gives "ABC1234") when its output technology marks an internal connection
// (negative as a signed 32-bit value); none otherwise.
std::optional<std::wstring> InternalMonitorId(std::int32_t output_technology, const std::wstring& instance_name);

// The tablet probe runs only on a system above version 9.
constexpr bool TabletProbeEnabled(std::uint32_t major_version) noexcept { return major_version > 9; }

}  // namespace vistrel
