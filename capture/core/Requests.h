// The requests the exports and the manager queue: each reserves a slot,
// writes its group and commits. Platform-free.
#pragma once

#include <cstdint>

#include "Capwell.h"
#include "capture/core/RequestQueue.h"

namespace Capwell::Lib::Requests {

// Picture groups.
void Position(RequestQueue& q, int32_t x, int32_t y, int32_t w, int32_t h);
void Angle(RequestQueue& q, int32_t angle);
void Display(RequestQueue& q, int32_t width, int32_t height);
void Zoom(RequestQueue& q, int32_t x, int32_t y, uint16_t width, uint16_t height);
void ZoomWhole(RequestQueue& q);
void Video(RequestQueue& q, uint32_t on);
void Audio(RequestQueue& q, uint32_t on);
// An empty request that makes the next pass send every group.
void Force(RequestQueue& q);
// The first request of a started plane: position 1, 1, 1, 1, angle 0, whole
// picture, the display size, video and audio off; forced.
void PlaneStart(RequestQueue& q, int32_t display_width, int32_t display_height);

// Colour stages. Channel and colour indexes are checked: CPW_E_PARAM.
CpwResult LutChannel(RequestQueue& q, uint32_t channel, const uint16_t points[33]);
CpwResult LutDefault(RequestQueue& q, uint32_t channel);
void Matrix(RequestQueue& q, const uint16_t coef[6], uint16_t pede, uint16_t y_gain);
void MatrixDefault(RequestQueue& q);
void DriveCutoffPos(RequestQueue& q, uint32_t post_lutgamma);
void DriveGain(RequestQueue& q, const uint16_t gain[3]);
void CutoffOffset(RequestQueue& q, const uint16_t offset[3]);
void Mute(RequestQueue& q, uint32_t r, uint32_t g, uint32_t b);
CpwResult AxisColor(RequestQueue& q, const CpwTwelveAxes& axes);
CpwResult AxisColorDefault(RequestQueue& q, uint32_t color);
// The enables set once at initialisation: LUT, drive, cutoff, twelve axes.
void StageEnables(RequestQueue& q);
// Every stage back to its default, in the fixed order; enables untouched.
void ColorReset(RequestQueue& q);

// Defaults for the getters.
CpwResult DefaultLut(uint32_t channel, CpwLutGammaLut& out);
void DefaultMatrix(CpwRgbMatrix& out);
CpwResult DefaultTwelveAxes(uint32_t color, CpwTwelveAxes& out);

}  // namespace Capwell::Lib::Requests
