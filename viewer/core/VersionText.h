// Version texts of the version dialog.
#pragma once

#include <cstdint>
#include <string>

namespace vistrel::controls {

// "a.b.c.d" of a packed version: four unsigned 16-bit fields, lowest first.
std::wstring FormatPackedVersion(std::uint64_t packed);
// A product version without its trailing ".0" groups ("1.2.0.0" -> "1.2",
// "10.0.0.0" -> "10", "1.0.0.1" unchanged); surrounding blanks are dropped.
std::wstring TrimVersion(std::wstring_view version);

}  // namespace vistrel::controls
