#include "bridge/src/Layout.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tolvane {

std::int32_t RoundHalf(double v) {
    const double t = std::trunc(v + 0.5);
    if (!std::isfinite(t) || t < static_cast<double>(std::numeric_limits<std::int32_t>::min()) ||
        t > static_cast<double>(std::numeric_limits<std::int32_t>::max())) {
        return 0;
    }
    return static_cast<std::int32_t>(t);
}

namespace {

struct Span {
    bool empty = false;
    std::int64_t start = 0;    // new start
    std::int64_t end = 0;      // new end
    std::int64_t visible = 0;  // visible length
    std::int64_t cut = 0;      // cut at the start
};

// Clips [pos, pos + len) to [0, limit] along one axis.
Span Clip(std::int64_t pos, std::int64_t len, std::int64_t limit) {
    Span s;
    const std::int64_t end = pos + len;
    if (pos < 0) {
        if (end < 0) {
            s.empty = true;
            return s;
        }
        s.cut = -pos;
        s.start = 0;
        s.end = std::min(end, limit);
        s.visible = s.end;
        return s;
    }
    if (pos > limit || end < 0) {
        s.empty = true;
        return s;
    }
    s.start = pos;
    if (end <= limit) {
        s.end = end;
        s.visible = len;
    } else {
        s.end = limit;
        s.visible = limit - pos;
    }
    return s;
}

// A ratio whose divisor is 0 counts as 0 (a plane or grid without extent).
double Ratio(double n, double d) { return d == 0 ? 0.0 : n / d; }

std::int32_t NormalisedAngle(std::int32_t angle) {
    return (angle == 90 || angle == 180 || angle == 270) ? angle : 0;
}

}  // namespace

bool ComputeLayout(const LayoutInput& in, LayoutResult& out) {
    Box src;
    switch (in.source_mode) {
        case kSourceWhole:
            src = {0, 0, in.input_w, in.input_h};
            break;
        case kSourceCrop:
            src = in.crop;
            break;
        case kSourceParts: {
            const double fx = Ratio(in.input_w, in.parts[0]);
            const double fy = Ratio(in.input_h, in.parts[1]);
            src = {RoundHalf(in.parts[2] * fx), RoundHalf(in.parts[3] * fy),
                   RoundHalf(in.parts[4] * fx), RoundHalf(in.parts[5] * fy)};
            break;
        }
        default:
            return false;
    }

    const Box& pos = in.position;
    const Span h = Clip(pos.x, pos.w, in.output_w);
    const Span v = Clip(pos.y, pos.h, in.output_h);
    if (h.empty || v.empty) {
        out.dst = Box{};
        out.src = Box{};
        return true;
    }
    Box dst{static_cast<std::int32_t>(h.start), static_cast<std::int32_t>(v.start),
            static_cast<std::int32_t>(h.end - h.start), static_cast<std::int32_t>(v.end - v.start)};

    const double fx0 = Ratio(static_cast<double>(h.cut), pos.w);
    const double fx1 = Ratio(static_cast<double>(h.visible + h.cut), pos.w);
    const double fy0 = Ratio(static_cast<double>(v.cut), pos.h);
    const double fy1 = Ratio(static_cast<double>(v.visible + v.cut), pos.h);
    double a0, a1, b0, b1;
    const std::int32_t angle = NormalisedAngle(in.angle);
    switch (angle) {
        case 90:
            a0 = fy0, a1 = fy1, b0 = 1 - fx1, b1 = 1 - fx0;
            break;
        case 180:
            a0 = 1 - fx1, a1 = 1 - fx0, b0 = 1 - fy1, b1 = 1 - fy0;
            break;
        case 270:
            a0 = 1 - fy1, a1 = 1 - fy0, b0 = fx0, b1 = fx1;
            break;
        default:
            a0 = fx0, a1 = fx1, b0 = fy0, b1 = fy1;
            break;
    }
    out.src = {RoundHalf(src.w * a0 + src.x), RoundHalf(src.h * b0 + src.y),
               RoundHalf((a1 - a0) * src.w), RoundHalf((b1 - b0) * src.h)};

    // Even size along the axis that the controller halves.
    if (angle == 90 || angle == 270) {
        if (dst.h % 2 != 0) {
            if (static_cast<std::int64_t>(dst.y) + dst.h == in.output_h) dst.y += 1;
            dst.h -= 1;
        }
    } else if (dst.w % 2 != 0) {
        if (static_cast<std::int64_t>(dst.x) + dst.w == in.output_w) dst.x += 1;
        dst.w -= 1;
    }
    out.dst = dst;
    return true;
}

}  // namespace tolvane
