#include "capture/core/ApplyPass.h"

#include <algorithm>
#include <limits>
#include <mutex>

namespace Capwell::Lib {

namespace {
// A client may pass any rectangle; out-of-range results stay at the int
// limits instead of wrapping to a negative size.
int32_t Saturate(double v) {
    if (!(v > static_cast<double>(std::numeric_limits<int32_t>::min())))  // NaN too
        return std::numeric_limits<int32_t>::min();
    if (v >= static_cast<double>(std::numeric_limits<int32_t>::max())) return std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(v);
}
int32_t Saturate(int64_t v) {
    return static_cast<int32_t>(std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(),
                                                     std::numeric_limits<int32_t>::max()));
}
}  // namespace

KdrRect MapPosition(const Position& p, int32_t dw, int32_t dh, int32_t ow, int32_t oh,
                    int32_t angle) {
    const bool rotated = angle == 90 || angle == 270;
    int32_t X = 0, Y = 0, W = 0, H = 0;
    if (dw != 0 && dh != 0) {
        if (rotated) {
            const int32_t t = dw;
            dw = dh;
            dh = t;
        }
        const int64_t rx = static_cast<int64_t>(ow) * 10000 / dw;
        const int64_t ry = static_cast<int64_t>(oh) * 10000 / dh;
        const double s = rx < ry ? static_cast<double>(ow) / dw : static_cast<double>(oh) / dh;
        double ox = (ow - dw * s) * 0.5;
        double oy = (oh - dh * s) * 0.5;
        if (rotated) {
            ox = (oh - dh * s) * 0.5;
            oy = (ow - dw * s) * 0.5;
        }
        X = Saturate(p.x * s + 0.5 + ox);
        Y = Saturate(p.y * s + 0.5 + oy);
        W = Saturate(p.w * s);
        H = Saturate(p.h * s);
    }
    // The far edge measured from the other side, in 64 bits.
    auto from_end = [](int32_t extent, int32_t at, int32_t size) {
        return Saturate(static_cast<int64_t>(extent) - at - size);
    };
    switch (angle) {
    case 90: return KdrRect{{from_end(ow, Y, H), X}, {H, W}};
    case 180: return KdrRect{{from_end(ow, X, W), from_end(oh, Y, H)}, {W, H}};
    case 270: return KdrRect{{Y, from_end(oh, X, W)}, {H, W}};
    default: return KdrRect{{X, Y}, {W, H}};
    }
}

KdrRect MapPosition(const PropertySet& s) {
    return MapPosition(s.position, s.display_width, s.display_height, s.output_width,
                       s.output_height, s.angle);
}

namespace {
bool SameRect(const KdrRect& a, const KdrRect& b) {
    return a.top.x == b.top.x && a.top.y == b.top.y && a.size.x == b.size.x &&
           a.size.y == b.size.y;
}
bool SamePosition(const Position& a, const Position& b) {
    return a.x == b.x && a.y == b.y && a.w == b.w && a.h == b.h;
}
}  // namespace

bool ApplyPass(PropertySet& applied, const PropertySet& work, bool force, ApplySink& sink) {
    bool sent = false;

    // 1. Display: copied only; it moves the position below.
    bool display_changed = false;
    if (force || !SameDisplay(applied, work)) {
        applied.display_width = work.display_width;
        applied.display_height = work.display_height;
        applied.display_extra = work.display_extra;
        display_changed = true;
    }

    // 2. Angle.
    bool angle_changed = false;
    if (force || applied.angle != work.angle) {
        applied.angle = work.angle;
        angle_changed = true;
        sent = true;
        if (sink.SetAngle(applied.angle) != 0) return false;
    }

    // 3. Position, compared as mapped output rectangles.
    {
        const KdrRect before = MapPosition(applied);
        PropertySet probe = applied;
        probe.position = work.position;
        const KdrRect after = MapPosition(probe);
        if (force || display_changed || angle_changed || !SameRect(before, after)) {
            applied.position = work.position;
            sent = true;
            if (sink.SetPosition(after) != 0) return false;
        } else if (!SamePosition(applied.position, work.position)) {
            applied.position = work.position;  // same output rectangle: nothing to send
        }
    }

    // 4. Zoom: the mode is the property id.
    if (force || !SameZoom(applied, work)) {
        applied.zoom = work.zoom;
        if (work.zoom_mode == kZoomWhole || work.zoom_mode == kZoomParts)
            applied.zoom_mode = work.zoom_mode;
        sent = true;
        if (sink.SetZoom(applied.zoom_mode, applied.zoom) != 0) return false;
    }

    // 5. Audio: no bridge call.
    if (force || applied.audio != work.audio) {
        applied.audio = work.audio;
        sink.SetAudio(applied.audio != 0);
    }

    // 6. Video.
    if (force || applied.video != work.video) {
        applied.video = work.video == 1 ? 1 : 0;
        sent = true;
        if (sink.SetVideo(applied.video) != 0) return false;
    }

    // 7 to 11. Colour stages, whole records.
    if (force || !SameLut(applied.lut, work.lut)) {
        applied.lut = work.lut;
        sent = true;
        if (sink.SetLut(applied.lut) != 0) return false;
    }
    if (force || !SameMatrix(applied.matrix, work.matrix)) {
        applied.matrix = work.matrix;
        sent = true;
        if (sink.SetMatrix(applied.matrix) != 0) return false;
    }
    if (force || !SameDriveCutoff(applied.drive_cutoff, work.drive_cutoff)) {
        applied.drive_cutoff = work.drive_cutoff;
        sent = true;
        if (sink.SetDriveCutoff(applied.drive_cutoff) != 0) return false;
    }
    if (force || !SameMute(applied.mute, work.mute)) {
        applied.mute = work.mute;
        sent = true;
        if (sink.SetMute(applied.mute) != 0) return false;
    }
    if (force || !SameTwelveAxes(applied.axes, work.axes)) {
        applied.axes = work.axes;
        sent = true;
        if (sink.SetTwelveAxes(applied.axes) != 0) return false;
    }

    // 12. One draw per pass that sent something.
    if (sent) return sink.DrawAll() == 0;
    return true;
}

bool RunOnePass(RequestQueue& queue, ApplySink& sink, bool* pass_ok) {
    std::lock_guard<std::mutex> apply(queue.ApplyMutex());
    bool force = false;
    if (!queue.MergePass(force)) return false;
    const PropertySet work = queue.Desired();
    const bool ok = ApplyPass(queue.Applied(), work, force, sink);
    if (pass_ok != nullptr) *pass_ok = ok;
    return true;
}

}  // namespace Capwell::Lib
