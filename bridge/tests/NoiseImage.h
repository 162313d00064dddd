// Deterministic noise of any length: the update tests' and benchmarks' firmware images.
// Noise, so nothing in the path can shortcut runs of equal bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace bridgetest {

inline std::vector<std::uint8_t> NoiseImage(std::size_t n, std::uint32_t seed = 1) {
    std::vector<std::uint8_t> out(n);
    std::uint32_t x = seed * 2654435761u + 12345u;  // never 0: xorshift would stay at 0
    for (auto& b : out) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        b = static_cast<std::uint8_t>(x);
    }
    return out;
}

}  // namespace bridgetest
