#include "viewer/core/VersionText.h"

#include <string_view>

namespace vistrel::controls {

std::wstring FormatPackedVersion(std::uint64_t packed) {
    std::wstring out;
    for (int i = 0; i < 4; ++i) {
        if (i != 0) out += L'.';
        out += std::to_wstring((packed >> (16 * i)) & 0xFFFF);
    }
    return out;
}

std::wstring TrimVersion(std::wstring_view v) {
    const auto blank = [](wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n' || c == 0; };
    while (!v.empty() && blank(v.front())) v.remove_prefix(1);
    while (!v.empty() && blank(v.back())) v.remove_suffix(1);
    // Drop ".0" groups from the end; the first group always stays.
    while (true) {
        const std::size_t dot = v.rfind(L'.');
        if (dot == std::wstring_view::npos) break;
        const std::wstring_view group = v.substr(dot + 1);
        if (group.empty() || group.find_first_not_of(L'0') != std::wstring_view::npos) break;
        v = v.substr(0, dot);
    }
    return std::wstring(v);
}

}  // namespace vistrel::controls
