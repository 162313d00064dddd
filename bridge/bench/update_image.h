// The 16 MiB firmware image both update benchmarks send: deterministic noise, so
// nothing in the path can shortcut runs of equal bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "shell_channel.h"

namespace update_bench {

constexpr std::size_t kImageBytes = 16u << 20;
constexpr double kRoundTrips =
    (kImageBytes + tolvane::shell::kChunkBytes - 1) / tolvane::shell::kChunkBytes;

inline std::vector<std::uint8_t> MakeImage() {
    std::vector<std::uint8_t> out(kImageBytes);
    std::uint32_t x = 2463534242u;
    for (auto& b : out) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        b = static_cast<std::uint8_t>(x);
    }
    return out;
}

}  // namespace update_bench
