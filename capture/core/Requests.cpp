#include "capture/core/Requests.h"

#include <cstring>

namespace Capwell::Lib::Requests {

namespace {

// Reserve, let `fill` write the group, commit.
template <typename Fill>
void Queue(RequestQueue& q, uint32_t bits, Fill&& fill, bool force = false) {
    RequestSlot* slot = q.Reserve();
    fill(slot->body);
    slot->body.flags |= bits;
    RequestQueue::Commit(slot, force);
}

constexpr uint32_t kLutBits[3] = {kGroupLutR, kGroupLutG, kGroupLutB};

}  // namespace

void Position(RequestQueue& q, int32_t x, int32_t y, int32_t w, int32_t h) {
    Queue(q, kGroupPosition, [&](PropertySet& b) { b.position = {x, y, w, h}; });
}

void Angle(RequestQueue& q, int32_t angle) {
    Queue(q, kGroupAngle, [&](PropertySet& b) { b.angle = angle; });
}

void Display(RequestQueue& q, int32_t width, int32_t height) {
    Queue(q, kGroupDisplay, [&](PropertySet& b) {
        b.display_width = width;
        b.display_height = height;
        b.display_extra = 0;
    });
}

void Zoom(RequestQueue& q, int32_t x, int32_t y, uint16_t width, uint16_t height) {
    Queue(q, kGroupZoom, [&](PropertySet& b) {
        b.zoom.parts = {kZoomReferenceWidth, kZoomReferenceHeight};
        b.zoom.top = {x, y};
        b.zoom.size = {width, height};
        b.zoom_mode = kZoomParts;
    });
}

void ZoomWhole(RequestQueue& q) {
    // The rectangle stays as the slot holds it; only the mode changes.
    Queue(q, kGroupZoom, [&](PropertySet& b) {
        b.zoom.parts = {kZoomReferenceWidth, kZoomReferenceHeight};
        b.zoom_mode = kZoomWhole;
    });
}

void Video(RequestQueue& q, uint32_t on) {
    Queue(q, kGroupVideo, [&](PropertySet& b) { b.video = on != 0 ? 1 : 0; });
}

void Audio(RequestQueue& q, uint32_t on) {
    Queue(q, kGroupAudio, [&](PropertySet& b) { b.audio = static_cast<int32_t>(on); });
}

void Force(RequestQueue& q) {
    Queue(q, 0, [](PropertySet&) {}, true);
}

void PlaneStart(RequestQueue& q, int32_t display_width, int32_t display_height) {
    Queue(q,
          kGroupPosition | kGroupAngle | kGroupZoom | kGroupDisplay | kGroupVideo | kGroupAudio,
          [&](PropertySet& b) {
              b.position = {1, 1, 1, 1};
              b.angle = 0;
              b.zoom.parts = {kZoomReferenceWidth, kZoomReferenceHeight};
              b.zoom_mode = kZoomWhole;
              b.display_width = display_width;
              b.display_height = display_height;
              b.display_extra = 0;
              b.video = 0;
              b.audio = 0;
          },
          true);
}

CpwResult LutChannel(RequestQueue& q, uint32_t channel, const uint16_t points[33]) {
    if (channel > 2) return CPW_E_PARAM;
    Queue(q, kLutBits[channel], [&](PropertySet& b) {
        for (int i = 0; i < kLutPoints; ++i) b.lut.lut[channel][i] = ClampLutPoint(points[i]);
    });
    return CPW_OK;
}

CpwResult LutDefault(RequestQueue& q, uint32_t channel) {
    if (channel > 2) return CPW_E_PARAM;
    return LutChannel(q, channel, DefaultColors().lut[channel]);
}

void Matrix(RequestQueue& q, const uint16_t coef[6], uint16_t pede, uint16_t y_gain) {
    Queue(q, kGroupMatrixCoef, [&](PropertySet& b) {
        std::memcpy(b.matrix.coef, coef, sizeof b.matrix.coef);
    });
    Queue(q, kGroupMatrixPede, [&](PropertySet& b) { b.matrix.pede = pede; });
    Queue(q, kGroupMatrixYGain, [&](PropertySet& b) { b.matrix.y_gain = y_gain; });
}

void MatrixDefault(RequestQueue& q) {
    const KdrRgbMatrix& m = DefaultColors().matrix;
    uint16_t coef[6];
    std::memcpy(coef, m.coef, sizeof coef);
    Matrix(q, coef, m.pede, m.y_gain);
}

void DriveCutoffPos(RequestQueue& q, uint32_t post_lutgamma) {
    Queue(q, kGroupPostLutGamma,
          [&](PropertySet& b) { b.drive_cutoff.post_lutgamma = post_lutgamma != 0 ? 1 : 0; });
}

void DriveGain(RequestQueue& q, const uint16_t gain[3]) {
    Queue(q, kGroupDriveGain, [&](PropertySet& b) {
        std::memcpy(b.drive_cutoff.drive.gain, gain, sizeof b.drive_cutoff.drive.gain);
    });
}

void CutoffOffset(RequestQueue& q, const uint16_t offset[3]) {
    Queue(q, kGroupCutoffOffset, [&](PropertySet& b) {
        std::memcpy(b.drive_cutoff.cutoff.offset, offset, sizeof b.drive_cutoff.cutoff.offset);
    });
}

void Mute(RequestQueue& q, uint32_t r, uint32_t g, uint32_t b) {
    Queue(q, kGroupMute, [&](PropertySet& s) {
        s.mute.enb[0] = r != 0 ? 1 : 0;
        s.mute.enb[1] = g != 0 ? 1 : 0;
        s.mute.enb[2] = b != 0 ? 1 : 0;
    });
}

namespace {
void QueueAxisBlock(RequestQueue& q, uint32_t color, const KdrAxisColor& block) {
    RequestSlot* slot = q.Reserve();
    slot->body.axes.color[color] = block;
    slot->body.color_changed[color] = 1;
    slot->body.flags |= kGroupAxesColor;
    RequestQueue::Commit(slot);
}
}  // namespace

CpwResult AxisColor(RequestQueue& q, const CpwTwelveAxes& axes) {
    if (axes.color > 11) return CPW_E_PARAM;
    KdrAxisColor block;
    block.h_offset = axes.h_offset;
    block.s_gain = axes.s_gain;
    block.v_gain = axes.v_gain;
    for (int i = 0; i < 3; ++i) {
        block.hs_gain[i] = axes.hs_gain[i];
        block.hv_gain[i] = axes.hv_gain[i];
        block.sv_gain[i] = axes.sv_gain[i];
    }
    QueueAxisBlock(q, axes.color, block);
    return CPW_OK;
}

CpwResult AxisColorDefault(RequestQueue& q, uint32_t color) {
    if (color > 11) return CPW_E_PARAM;
    QueueAxisBlock(q, color, DefaultColors().axis);
    return CPW_OK;
}

void StageEnables(RequestQueue& q) {
    Queue(q, kGroupLutEnb, [](PropertySet& b) { b.lut.enb = 1; });
    Queue(q, kGroupDriveEnb, [](PropertySet& b) { b.drive_cutoff.drive.enb = 1; });
    Queue(q, kGroupCutoffEnb, [](PropertySet& b) { b.drive_cutoff.cutoff.enb = 1; });
    Queue(q, kGroupAxesEnb, [](PropertySet& b) { b.axes.enb = 1; });
}

void ColorReset(RequestQueue& q) {
    const ColorDefaults& d = DefaultColors();
    for (uint32_t c = 0; c < 3; ++c) LutChannel(q, c, d.lut[c]);
    MatrixDefault(q);
    DriveCutoffPos(q, static_cast<uint32_t>(d.post_lutgamma));
    DriveGain(q, d.drive_gain);
    CutoffOffset(q, d.cutoff_offset);
    Mute(q, static_cast<uint32_t>(d.mute[0]), static_cast<uint32_t>(d.mute[1]),
         static_cast<uint32_t>(d.mute[2]));
    for (uint32_t c = 0; c < kAxisColors; ++c) QueueAxisBlock(q, c, d.axis);
}

CpwResult DefaultLut(uint32_t channel, CpwLutGammaLut& out) {
    if (channel > 2) return CPW_E_PARAM;
    out.channel = channel;
    std::memcpy(out.lut, DefaultColors().lut[channel], sizeof out.lut);
    return CPW_OK;
}

void DefaultMatrix(CpwRgbMatrix& out) {
    const KdrRgbMatrix& m = DefaultColors().matrix;
    std::memcpy(out.coef, m.coef, sizeof out.coef);
    out.pede = m.pede;
    out.y_gain = m.y_gain;
}

CpwResult DefaultTwelveAxes(uint32_t color, CpwTwelveAxes& out) {
    if (color > 11) return CPW_E_PARAM;
    const KdrAxisColor& a = DefaultColors().axis;
    out.color = color;
    out.h_offset = a.h_offset;
    out.s_gain = a.s_gain;
    out.v_gain = a.v_gain;
    for (int i = 0; i < 3; ++i) {
        out.hs_gain[i] = a.hs_gain[i];
        out.hv_gain[i] = a.hv_gain[i];
        out.sv_gain[i] = a.sv_gain[i];
    }
    return CPW_OK;
}

}  // namespace Capwell::Lib::Requests
