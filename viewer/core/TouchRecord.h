// The touch point record the recognisers read. On Windows it is the
// platform's TOUCHINPUT; elsewhere a record with the same fields, so the
// recognisers and their tests build on any host.
#pragma once

#include <cstdint>

#if defined(_WIN32)
#include <windows.h>
#endif

namespace vistrel {

#if defined(_WIN32)
using TouchRecord = TOUCHINPUT;
#else
struct TouchRecord {
    std::int32_t x;  // hundredths of a screen pixel
    std::int32_t y;
    void* hSource;
    std::uint32_t dwID;
    std::uint32_t dwFlags;
    std::uint32_t dwMask;
    std::uint32_t dwTime;
    std::uintptr_t dwExtraInfo;
    std::uint32_t cxContact;
    std::uint32_t cyContact;
};
#endif

inline constexpr std::uint32_t kTouchMove = 0x1;  // TOUCHEVENTF_MOVE
inline constexpr std::uint32_t kTouchDown = 0x2;  // TOUCHEVENTF_DOWN
inline constexpr std::uint32_t kTouchUp = 0x4;    // TOUCHEVENTF_UP

}  // namespace vistrel
