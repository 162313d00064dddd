// The waveform displays' source: borrows the current movie frame from the
// capture library, has Okumo count it into the four data blocks (red, green,
// blue, luma) and gives the frame back.
#pragma once

#include <cstdint>

#include "viewer/app/FrameListeners.h"

namespace vistrel {

class WaveformSource {
public:
    explicit WaveformSource(CaptureDataAccessors accessors) noexcept : accessors_(accessors) {}

    // Fails without both accessors or any block, without a frame to borrow,
    // when the conversion fails or the frame cannot be given back.
    [[nodiscard]] bool Convert(std::uint8_t* red, std::uint8_t* green, std::uint8_t* blue, std::uint8_t* luma) const;

private:
    CaptureDataAccessors accessors_;
};

}  // namespace vistrel
