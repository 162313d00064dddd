// The picture and colour settings of the video plane as one flat record.
//
// One layout serves three purposes: the body of every request slot (the groups
// a request wrote, marked in `flags`), the desired state the worker merged, and
// the applied state the controller has. Platform-free.
#pragma once

#include <cstdint>

#include "Tolvane.h"

namespace Capwell::Lib {

// Group bits of PropertySet::flags.
enum Group : uint32_t {
    kGroupPosition = 0x1,
    kGroupAngle = 0x2,
    kGroupZoom = 0x4,
    kGroupVideo = 0x8,
    kGroupDisplay = 0x10,
    kGroupAudio = 0x20,
    kGroupLutAll = 0x40,
    kGroupLutEnb = 0x80,
    kGroupLutR = 0x100,
    kGroupLutG = 0x200,
    kGroupLutB = 0x400,
    kGroupMatrixAll = 0x800,
    kGroupMatrixCoef = 0x1000,
    kGroupMatrixPede = 0x2000,
    kGroupMatrixYGain = 0x4000,
    kGroupDriveCutoffAll = 0x8000,
    kGroupPostLutGamma = 0x10000,
    kGroupDriveEnb = 0x20000,
    kGroupDriveGain = 0x40000,
    kGroupCutoffEnb = 0x80000,
    kGroupCutoffOffset = 0x100000,
    kGroupMute = 0x200000,
    kGroupAxesAll = 0x400000,
    kGroupAxesEnb = 0x800000,
    kGroupAxesColor = 0x1000000,
};

constexpr int kAxisColors = 12;
constexpr int kLutPoints = 33;
constexpr int32_t kZoomWhole = KDR_VP_SRC_WHOLE;  // 3
constexpr int32_t kZoomParts = KDR_VP_SRC_PARTS;  // 5
constexpr int32_t kZoomReferenceWidth = 3840;
constexpr int32_t kZoomReferenceHeight = 2160;

struct Position {
    int32_t x, y, w, h;
};

struct PropertySet {
    uint32_t flags;
    uint32_t color_changed[kAxisColors];
    int32_t output_width, output_height;
    Position position;
    int32_t angle;
    KdrParts zoom;
    int32_t zoom_mode;
    int32_t video;
    int32_t display_width, display_height, display_extra;
    int32_t audio;
    KdrLutGamma lut;
    KdrRgbMatrix matrix;
    KdrDriveCutoff drive_cutoff;
    KdrColorMute mute;
    KdrTwelveAxes axes;
};

// A fresh set: every group zero except position (1, 1, 1, 1), the zoom parts
// (3840, 2160) and the whole-picture zoom mode.
PropertySet FreshPropertySet();

// 10-bit LUT point: above 1023 becomes 1023 up to 32768 and 0 beyond (those
// are negative 16-bit values).
constexpr uint16_t ClampLutPoint(uint16_t v) {
    return v <= 1023 ? v : (v <= 32768 ? uint16_t{1023} : uint16_t{0});
}

// Group equality as the apply pass sees it (explicit fields, never padding).
bool SameDisplay(const PropertySet& a, const PropertySet& b);
bool SameZoom(const PropertySet& a, const PropertySet& b);
bool SameLut(const KdrLutGamma& a, const KdrLutGamma& b);
bool SameMatrix(const KdrRgbMatrix& a, const KdrRgbMatrix& b);
bool SameDriveCutoff(const KdrDriveCutoff& a, const KdrDriveCutoff& b);
bool SameMute(const KdrColorMute& a, const KdrColorMute& b);
bool SameAxisColor(const KdrAxisColor& a, const KdrAxisColor& b);
bool SameTwelveAxes(const KdrTwelveAxes& a, const KdrTwelveAxes& b);

// The colour defaults the library resets to.
struct ColorDefaults {
    uint16_t lut[3][kLutPoints];
    KdrRgbMatrix matrix;
    int32_t post_lutgamma;
    uint16_t drive_gain[3];
    uint16_t cutoff_offset[3];
    int32_t mute[3];
    KdrAxisColor axis;  // every colour has the same default block
};

const ColorDefaults& DefaultColors();

}  // namespace Capwell::Lib
