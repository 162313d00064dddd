// Firmware update of the controller from an image file on the host (Kdr_DevUpdate).
#pragma once

#include <chrono>
#include <cstdint>

#include "Tolvane.h"

namespace tolvane::update {

// Controller-side files and tool.
constexpr const char kWriteImage[] = "/dev/shm/firmupdate_write.img";
constexpr const char kReadImage[] = "/dev/shm/firmupdate_read.img";
constexpr int kAttempts = 3;

// The preparing phase pauses this long after each of its first ten reports (tests shorten it).
void SetPreparingPause(std::chrono::milliseconds pause);

// The update itself; the caller holds the API lock and checked the handle.
[[nodiscard]] std::int32_t Run(const char* path, KdrUpdateProgress* progress, KdrUpdateCb callback);

}  // namespace tolvane::update
