// The 16 MiB firmware image both update benchmarks send.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "bridge/src/ShellChannel.h"
#include "bridge/tests/NoiseImage.h"

namespace update_bench {

constexpr std::size_t kImageBytes = 16u << 20;
constexpr double kRoundTrips =
    (kImageBytes + tolvane::shell::kChunkBytes - 1) / tolvane::shell::kChunkBytes;

inline std::vector<std::uint8_t> MakeImage() { return bridgetest::NoiseImage(kImageBytes); }

}  // namespace update_bench
