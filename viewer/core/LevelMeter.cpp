#include "viewer/core/LevelMeter.h"

#include <algorithm>
#include <cmath>

namespace vistrel::controls {

int MeterBarWidth(int client_width, float level) noexcept {
    if (!(level > 0.0f)) return 0;  // also NaN
    const double bar = std::trunc(client_width * static_cast<double>(std::min(level, 1.0f)) - 1.5);
    return bar < 0 ? 0 : static_cast<int>(bar);
}

int MeterChannel(int channel_index, int channel_count) noexcept {
    if (channel_index < 0 || channel_count <= 0) return -1;
    return std::min({channel_index, 15, channel_count - 1});
}

}  // namespace vistrel::controls
