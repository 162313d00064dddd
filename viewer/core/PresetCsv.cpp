#include "viewer/core/PresetCsv.h"

#include <limits>

namespace vistrel {
namespace {

bool IsSpace(char c) noexcept { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

std::optional<std::int32_t> ParseField(std::string_view field) noexcept {
    std::size_t i = 0;
    while (i < field.size() && IsSpace(field[i])) ++i;
    bool negative = false;
    if (i < field.size() && (field[i] == '+' || field[i] == '-')) negative = field[i++] == '-';
    const std::size_t digits = i;
    // One past the largest magnitude a 32-bit int holds, so -2147483648 is read.
    constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    std::int64_t value = 0;
    while (i < field.size() && field[i] >= '0' && field[i] <= '9') {
        value = value * 10 + (field[i] - '0');
        if (value > kLimit) return std::nullopt;
        ++i;
    }
    if (i == digits) return std::nullopt;
    if (negative) value = -value;
    if (value > std::numeric_limits<std::int32_t>::max()) return std::nullopt;
    return static_cast<std::int32_t>(value);
}

bool ParseLine(std::string_view line, std::vector<std::int32_t>& out) {
    std::size_t start = 0;
    while (start <= line.size()) {
        std::size_t end = line.find(',', start);
        if (end == std::string_view::npos) end = line.size();
        if (end > start) {
            const auto value = ParseField(line.substr(start, end - start));
            if (!value) return false;
            out.push_back(*value);
        }
        start = end + 1;
    }
    return true;
}

}  // namespace

std::optional<CsvLines> ParseCsv(std::string_view text) {
    if (text.size() > kMaxPresetFileBytes) return std::nullopt;
    if (const std::size_t eof = text.find('\x1A'); eof != std::string_view::npos) text = text.substr(0, eof);
    CsvLines lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        const std::size_t next = end == std::string_view::npos ? text.size() : end + 1;
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r' && end < text.size()) line.remove_suffix(1);
        std::vector<std::int32_t> fields;
        if (!ParseLine(line, fields)) return std::nullopt;
        lines.push_back(std::move(fields));
        start = next;
    }
    return lines;
}

std::optional<CsvLines> ParsePresetFile(std::string_view text, std::size_t first, std::size_t second) {
    auto lines = ParseCsv(text);
    if (!lines || lines->size() != 2 || (*lines)[0].size() != first || (*lines)[1].size() != second)
        return std::nullopt;
    return lines;
}

std::string FormatCsv(const CsvLines& lines) {
    std::string out;
    for (const auto& line : lines) {
        for (std::size_t i = 0; i < line.size(); ++i) {
            if (i != 0) out += ',';
            out += std::to_string(line[i]);
        }
        out += "\r\n";
    }
    return out;
}

}  // namespace vistrel
