// Thread and handle counts of this process.
#pragma once

#include <cstdint>

namespace bridgetest {

struct Resources {
    std::uint32_t threads = 0;
    std::uint32_t handles = 0;  // open handles (Windows) or file descriptors
};

Resources CurrentResources();

}  // namespace bridgetest
