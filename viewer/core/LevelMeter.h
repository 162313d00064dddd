// The audio level meter's arithmetic: the bar for a level and the channel read.
#pragma once

namespace vistrel::controls {

// Width of the level bar in a meter `client_width` pixels wide (level 0 to 1).
int MeterBarWidth(int client_width, float level) noexcept;
// The channel read for the meter's channel index on a device with
// `channel_count` channels (at most 16 are read); -1 when there is none.
int MeterChannel(int channel_index, int channel_count) noexcept;

}  // namespace vistrel::controls
