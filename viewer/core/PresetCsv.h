// The grammar of the colour preset files: comma-separated decimal integers,
// one record per line. Free of any platform header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vistrel {

using CsvLines = std::vector<std::vector<std::int32_t>>;

// Preset files are a few hundred bytes; anything far larger is not one.
inline constexpr std::size_t kMaxPresetFileBytes = 64 * 1024;

// Splits `text` into lines (LF or CR LF; a Ctrl-Z ends the text, as the C
// runtime's text mode reads it) and each line into fields at ",", dropping
// empty fields. A field is read like strtol in base 10: leading white space
// and a sign are allowed and whatever follows the digits is ignored. A field
// without a number or outside the 32-bit range makes the whole text invalid.
std::optional<CsvLines> ParseCsv(std::string_view text);

// A preset file is valid only with exactly two lines holding `first` and
// `second` fields.
std::optional<CsvLines> ParsePresetFile(std::string_view text, std::size_t first, std::size_t second);

// "%d" per field, joined by ",", every line ended by CR LF.
std::string FormatCsv(const CsvLines& lines);

}  // namespace vistrel
