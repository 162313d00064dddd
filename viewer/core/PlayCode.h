// Play codes: one small number standing for the (mode, video, audio) triple
// that the capture library is asked to play. Free of any platform header.
#pragma once

#include <cstdint>

namespace vistrel {

struct PlayTriple {
    std::int32_t mode = 0;   // 0 live, 1 pause, 2 movie (frames handed to the viewer)
    std::int32_t video = 0;  // 1 on, 0 off
    std::int32_t audio = 0;  // 1 on, 0 off

    friend bool operator==(const PlayTriple&, const PlayTriple&) = default;
};

inline constexpr std::int32_t kPlayCodeLive = 0;
inline constexpr std::int32_t kPlayCodeStopped = 8;  // no play request stands
inline constexpr std::int32_t kPlayCodeOther = 9;    // a triple outside the table

// Code 9, negative codes and codes above 9 decode to (0, 0, 0).
PlayTriple DecodePlayCode(std::int32_t code) noexcept;
// A triple outside the table encodes to 9.
std::int32_t EncodePlayCode(const PlayTriple& triple) noexcept;

}  // namespace vistrel
