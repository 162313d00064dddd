// Device properties: validation, register words, packing and commands.
// The caller holds the API lock and has checked the handle.
#pragma once

#include <cstdint>

namespace tolvane {

[[nodiscard]] std::int32_t SetProperty(std::int32_t id, const void* record);
[[nodiscard]] std::int32_t GetProperty(std::int32_t id, void* record);
[[nodiscard]] std::int32_t ResetProperty(std::int32_t id);

}  // namespace tolvane
