// Plane descriptions, the playback-state query and transitions, and the draw.
// The Kdr_Vp plane and movie exports build on these (plane_exports.cpp).
#pragma once

#include <cstdint>

#include "Tolvane.h"
#include "bridge/src/Layout.h"

namespace tolvane {

struct Plane {
    bool exists = false;
    std::int32_t enb = 0;
    KdrRect position{};
    std::int32_t source_mode = kSourceWhole;
    KdrRect crop{};
    KdrParts parts{};
    std::int32_t angle = 0;
    std::uint8_t index = 0;
    std::int32_t draw_mode = 1;
    KdrMovieSetting movie{};  // video plane only
};

// Process-wide plane state; guarded by the API lock.
struct PlaneSet {
    Plane base;   // plane 1
    Plane video;  // plane 2
    Plane extra;  // plane 100
    bool still_ready = false;
    std::uint32_t still_address = 0;
    std::int32_t still_width = 0;
    std::int32_t still_height = 0;
};

PlaneSet& ThePlanes();

// Re-initialises planes 1 and 2 for a new connection (plane 100 keeps its values).
void InitPlanes(const KdrXY& panel);

// Playback state query (under the state lock); posts the state-changed event when asked
// and the state differs from the last one. Exported result code.
[[nodiscard]] std::int32_t QueryState(bool notify, std::int32_t& state);

// Playback state transition of the plane held in *plane to `target`. Exported result code.
[[nodiscard]] std::int32_t TransitionState(const std::int32_t* plane, std::int32_t target, bool notify);

// Draws all planes (no API lock taken here; the caller holds it). Exported result code.
[[nodiscard]] std::int32_t DrawAll();

}  // namespace tolvane
