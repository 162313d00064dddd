#include "capture/core/PropertySet.h"

#include <cstring>

namespace Capwell::Lib {

PropertySet FreshPropertySet() {
    PropertySet s;
    std::memset(&s, 0, sizeof s);
    s.position = {1, 1, 1, 1};
    s.zoom.parts = {kZoomReferenceWidth, kZoomReferenceHeight};
    s.zoom_mode = kZoomWhole;
    return s;
}

bool SameDisplay(const PropertySet& a, const PropertySet& b) {
    return a.display_width == b.display_width && a.display_height == b.display_height &&
           a.display_extra == b.display_extra;
}

bool SameZoom(const PropertySet& a, const PropertySet& b) {
    return a.zoom.parts.x == b.zoom.parts.x && a.zoom.parts.y == b.zoom.parts.y &&
           a.zoom.top.x == b.zoom.top.x && a.zoom.top.y == b.zoom.top.y &&
           a.zoom.size.x == b.zoom.size.x && a.zoom.size.y == b.zoom.size.y &&
           a.zoom_mode == b.zoom_mode;
}

bool SameLut(const KdrLutGamma& a, const KdrLutGamma& b) {
    return a.enb == b.enb && std::memcmp(a.lut, b.lut, sizeof a.lut) == 0;
}

bool SameMatrix(const KdrRgbMatrix& a, const KdrRgbMatrix& b) {
    return std::memcmp(a.coef, b.coef, sizeof a.coef) == 0 && a.pede == b.pede &&
           a.y_gain == b.y_gain;
}

bool SameDriveCutoff(const KdrDriveCutoff& a, const KdrDriveCutoff& b) {
    return a.post_lutgamma == b.post_lutgamma && a.drive.enb == b.drive.enb &&
           std::memcmp(a.drive.gain, b.drive.gain, sizeof a.drive.gain) == 0 &&
           a.cutoff.enb == b.cutoff.enb &&
           std::memcmp(a.cutoff.offset, b.cutoff.offset, sizeof a.cutoff.offset) == 0;
}

bool SameMute(const KdrColorMute& a, const KdrColorMute& b) {
    return a.enb[0] == b.enb[0] && a.enb[1] == b.enb[1] && a.enb[2] == b.enb[2];
}

bool SameAxisColor(const KdrAxisColor& a, const KdrAxisColor& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;  // twelve uint16, no padding
}

bool SameTwelveAxes(const KdrTwelveAxes& a, const KdrTwelveAxes& b) {
    if (a.enb != b.enb) return false;
    for (int c = 0; c < kAxisColors; ++c)
        if (!SameAxisColor(a.color[c], b.color[c])) return false;
    return true;
}

namespace {
constexpr ColorDefaults MakeDefaults() {
    ColorDefaults d{};
    for (auto& channel : d.lut) {
        for (int i = 0; i < 32; ++i) channel[i] = static_cast<uint16_t>(32 * i);
        channel[32] = 1023;
    }
    d.matrix.coef[0][0] = 0;
    d.matrix.coef[0][1] = 115;
    d.matrix.coef[1][0] = 135;
    d.matrix.coef[1][1] = 0;
    d.matrix.coef[2][0] = 498;
    d.matrix.coef[2][1] = 478;
    d.matrix.pede = 0x40;
    d.matrix.y_gain = 0x95;
    d.post_lutgamma = 0;
    for (int i = 0; i < 3; ++i) {
        d.drive_gain[i] = 512;
        d.cutoff_offset[i] = 2048;
        d.mute[i] = 0;
        d.axis.hs_gain[i] = 15;
        d.axis.hv_gain[i] = 15;
        d.axis.sv_gain[i] = 15;
    }
    d.axis.h_offset = 128;
    d.axis.s_gain = 128;
    d.axis.v_gain = 128;
    return d;
}
}  // namespace

// Built at compile time: a function-local static would need the runtime's
// initialisation guard, whose synchronisation objects outlive an unload.
constexpr ColorDefaults kDefaults = MakeDefaults();

const ColorDefaults& DefaultColors() { return kDefaults; }

}  // namespace Capwell::Lib
