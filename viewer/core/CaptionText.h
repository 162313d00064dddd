// Texts of the caption bar: the input's signal format and the power source.
// Free of platform headers.
#pragma once

#include <string>

#include "Capwell.h"

namespace vistrel {

// True when every field the caption shows or compares is equal.
bool SameHdmiInfo(const CpwHdmiInfo& a, const CpwHdmiInfo& b) noexcept;

// "1920x1080 59.94p YUV 4:2:2"; empty while there is no signal (status not 0).
std::wstring SignalText(const CpwHdmiInfo& info);

// The power text from the line status (0 battery, 1 AC, 255 unknown) and the
// battery level (255 unknown): `external` on AC, otherwise `internal`, with
// " [NN%]" on battery when the level is known.
std::wstring PowerText(int ac_line_status, int battery_percent, const std::wstring& external,
                       const std::wstring& internal);

}  // namespace vistrel
