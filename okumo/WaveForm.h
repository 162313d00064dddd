// The waveform counting behind Okm_ConvertToWaveFormData. Free of platform
// headers, so it is tested and measured natively.
#pragma once

#include <cstdint>

#include "okumo/Okumo.h"

namespace okumo {

inline constexpr int kLevelOfZero = 8;
inline constexpr int kLevelOfFull = 108;

// The level of an 8-bit value.
constexpr int LevelOf(int value) noexcept { return kLevelOfZero + (value * 100 + 127) / 255; }

// Luma of a full-range pixel (BT.709 weights in 1/256).
constexpr int LumaOf(int r, int g, int b) noexcept { return (54 * r + 183 * g + 19 * b + 128) >> 8; }

struct Blocks {
    std::uint8_t* red;
    std::uint8_t* green;
    std::uint8_t* blue;
    std::uint8_t* luma;
};

// Argument check of the export; true when the conversion may run.
bool Valid(const OkmPicture* picture, const Blocks& blocks) noexcept;

// Writes the headers and the bins of columns [first, last) of a valid
// picture. Disjoint column ranges may run on different threads.
void ConvertColumns(const OkmPicture& picture, const Blocks& blocks, int first, int last) noexcept;

// Where a picture of `width` columns is split between two threads: a strip
// boundary near the middle, so the halves share no bins; 0 when the picture
// is too narrow to be worth a second thread.
int SplitColumn(int width) noexcept;

// The whole picture, split into `threads` column ranges (1 or 2), the second
// range on a thread started for the call.
void Convert(const OkmPicture& picture, const Blocks& blocks, int threads);

}  // namespace okumo
