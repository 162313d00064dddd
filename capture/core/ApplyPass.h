// Apply pass: sends the groups of a merged working set that differ from what
// the controller has, in the fixed group order, then one draw. Platform-free;
// the bridge is reached through the ApplySink seam.
#pragma once

#include <cstdint>

#include "capture/core/PropertySet.h"
#include "capture/core/RequestQueue.h"

namespace Capwell::Lib {

// The bridge calls of a pass. Each returns the bridge result (0 success).
class ApplySink {
public:
    virtual ~ApplySink() = default;
    [[nodiscard]] virtual int32_t SetAngle(int32_t angle) = 0;
    [[nodiscard]] virtual int32_t SetPosition(const KdrRect& rect) = 0;
    [[nodiscard]] virtual int32_t SetZoom(int32_t mode, const KdrParts& zoom) = 0;
    [[nodiscard]] virtual int32_t SetVideo(int32_t enable) = 0;
    [[nodiscard]] virtual int32_t SetLut(const KdrLutGamma& lut) = 0;
    [[nodiscard]] virtual int32_t SetMatrix(const KdrRgbMatrix& matrix) = 0;
    [[nodiscard]] virtual int32_t SetDriveCutoff(const KdrDriveCutoff& dc) = 0;
    [[nodiscard]] virtual int32_t SetMute(const KdrColorMute& mute) = 0;
    [[nodiscard]] virtual int32_t SetTwelveAxes(const KdrTwelveAxes& axes) = 0;
    [[nodiscard]] virtual int32_t DrawAll() = 0;
    // Audio pass-through switch; no bridge call.
    virtual void SetAudio(bool on) = 0;
};

// Maps a picture rectangle in client pixels to output pixels for a display of
// dw x dh rotated by `angle` on an output of ow x oh.
KdrRect MapPosition(const Position& p, int32_t dw, int32_t dh, int32_t ow, int32_t oh,
                    int32_t angle);
KdrRect MapPosition(const PropertySet& s);

// Applies `work` against `applied`. Returns true when the pass succeeded (the
// draw returned 0, or nothing needed sending); false when a send or the draw
// failed. A failed send ends the pass with the failed group already recorded
// in `applied`.
[[nodiscard]] bool ApplyPass(PropertySet& applied, const PropertySet& work, bool force, ApplySink& sink);

// One worker period without the sleep: merge, then apply under the queue's
// apply lock. Returns true when a pass ran.
bool RunOnePass(RequestQueue& queue, ApplySink& sink, bool* pass_ok = nullptr);

}  // namespace Capwell::Lib
