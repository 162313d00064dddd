// Display orientation (DEVMODE dmDisplayOrientation: 0 default, 1 90, 2 180,
// 3 270 degrees) to the angle that turns the picture back to the panel's own
// orientation. Platform-free.
#pragma once

#include <cstdint>

namespace Capwell::Lib {

constexpr int32_t AngleFromOrientation(uint32_t orientation) {
    switch (orientation) {
    case 1: return 270;  // DMDO_90
    case 2: return 180;  // DMDO_180
    case 3: return 90;   // DMDO_270
    default: return 0;   // DMDO_DEFAULT
    }
}

}  // namespace Capwell::Lib
