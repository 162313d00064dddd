// Command line and field selection of Dornet.
#pragma once

#include <cstdint>

namespace dornet {

// Exactly one argument whose first character is '1' to '4'; false otherwise.
[[nodiscard]] inline bool ParseSelector(int argc, wchar_t** argv, int& field) {
    if (argc != 2 || argv[1] == nullptr) return false;
    const wchar_t first = argv[1][0];
    if (first < L'1' || first > L'4') return false;
    field = first - L'0';
    return true;
}

inline int SelectField(std::uint32_t version_no, int field) {
    switch (field) {
        case 1: return static_cast<int>((version_no >> 28) & 0xFu);
        case 2: return static_cast<int>((version_no >> 24) & 0xFu);
        case 3: return static_cast<int>((version_no >> 8) & 0xFFFFu);
        case 4: return static_cast<int>(version_no & 0xFFu);
        default: return -1;
    }
}

}  // namespace dornet
