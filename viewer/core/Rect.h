// A rectangle in pixels, laid out like the platform's RECT (left, top, right,
// bottom as 32-bit ints) so the Win32 side converts it by copying the fields.
// Free of platform headers.
#pragma once

#include <cstdint>

namespace vistrel {

struct Rect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;

    constexpr std::int32_t Width() const noexcept { return right - left; }
    constexpr std::int32_t Height() const noexcept { return bottom - top; }
    constexpr bool Empty() const noexcept { return left == 0 && top == 0 && right == 0 && bottom == 0; }
    friend constexpr bool operator==(const Rect&, const Rect&) = default;
};

}  // namespace vistrel
