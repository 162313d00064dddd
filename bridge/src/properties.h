// Device properties: validation, register words, packing and commands.
// The caller holds the API lock and has checked the handle.
#pragma once

#include <cstdint>

namespace tolvane {

std::int32_t set_property(std::int32_t id, const void* record);
std::int32_t get_property(std::int32_t id, void* record);
std::int32_t reset_property(std::int32_t id);

}  // namespace tolvane
