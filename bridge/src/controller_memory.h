// Controller memory beyond single words: block reads (stills, movie frames) and the 64-bit
// movie counters. Like read_word/write_word, each is done only while the connection is open
// and the component loaded (else -1); 0 on success.
#pragma once

#include <cstdint>

namespace tolvane {

std::int32_t read_block(std::uint32_t address, void* buffer, std::uint32_t length);
std::int32_t read_double(std::uint32_t address, double& value);
std::int32_t write_double(std::uint32_t address, double value);

}  // namespace tolvane
