// Controller memory beyond single words: block reads (stills, movie frames) and the 64-bit
// movie counters. Like ReadWord/WriteWord, each is done only while the connection is open
// and the component loaded (else -1); 0 on success.
#pragma once

#include <cstdint>

namespace tolvane {

[[nodiscard]] std::int32_t ReadBlock(std::uint32_t address, void* buffer, std::uint32_t length);
[[nodiscard]] std::int32_t ReadDouble(std::uint32_t address, double& value);
[[nodiscard]] std::int32_t WriteDouble(std::uint32_t address, double value);

}  // namespace tolvane
