// Layout of the video plane for a draw: the destination on the output and the source
// in the input, clipped to the output, rotated and made even. Pure arithmetic.
#pragma once

#include <cstdint>

namespace tolvane {

struct Box {
    std::int32_t x = 0, y = 0, w = 0, h = 0;
    friend bool operator==(const Box&, const Box&) = default;
};

// Source modes of a plane.
constexpr std::int32_t kSourceWhole = 3;
constexpr std::int32_t kSourceCrop = 4;
constexpr std::int32_t kSourceParts = 5;

struct LayoutInput {
    Box position;               // destination before clipping, output pixels
    std::int32_t source_mode = kSourceWhole;
    Box crop;                   // input pixels (mode 4)
    std::int32_t parts[6] = {}; // parts.x, parts.y, top.x, top.y, size.x, size.y (mode 5)
    std::int32_t angle = 0;
    std::int32_t output_w = 0, output_h = 0;
    std::int32_t input_w = 0, input_h = 0;
};

struct LayoutResult {
    Box dst;
    Box src;
};

// False when the source mode is not 3, 4 or 5.
[[nodiscard]] bool ComputeLayout(const LayoutInput& in, LayoutResult& out);

// The integer part of v + 0.5 (0 for a value that is not finite or does not fit).
std::int32_t RoundHalf(double v);

}  // namespace tolvane
