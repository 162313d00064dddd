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
void set_preparing_pause(std::chrono::milliseconds pause);

// The update itself; the caller holds the API lock and checked the handle.
std::int32_t run(const char* path, KdrUpdateProgress* progress, KdrUpdateCb callback);

}  // namespace tolvane::update
