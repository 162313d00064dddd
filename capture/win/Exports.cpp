// The 38 exports. Each checks, in this order: the object, the pointer
// argument, then the initialised flag; nothing is thrown across them.
#include <windows.h>

#include <cstring>
#include <new>

#include "Capwell.h"
#include "capture/core/CallGate.h"
#include "capture/win/Diagnostics.h"
#include "capture/win/Probes.h"
#include "capture/core/Requests.h"
#include "capture/win/VideoInput.h"
#include "capture/core/Versions.h"
#include "capture/video/win/VideoSupervision.h"
#include "capture/win/MovieFrames.h"

using Capwell::VideoInput;
namespace Lib = Capwell::Lib;
namespace Req = Capwell::Lib::Requests;

namespace {

// The frame pair may run on any client thread, beside a Cpw_Finalize on the
// window thread; the gate keeps the object and its manager alive under them.
Lib::CallGate g_frame_calls;

// The object, with its hidden window made on first use by the calling thread
// (the loading thread in practice) rather than under the loader lock.
VideoInput* Object() {
    VideoInput* v = Capwell::Instance();
    // Without the window the exports still answer; timers and notifications are missing then.
    if (v != nullptr) (void)v->EnsureWindow();
    return v;
}

bool Ready(VideoInput* v) { return v->initialised != 0 && v->manager != nullptr; }

template <typename F>
CpwResult Guarded(F&& f) noexcept {
    try {
        return f();
    } catch (const std::bad_alloc&) {
        return CPW_E_DEVICE;
    } catch (...) {
        return CPW_E_DEVICE;
    }
}

// A queued export: object, then initialised, then the request.
template <typename F>
CpwResult Queued(F&& queue_it) noexcept {
    return Guarded([&]() -> CpwResult {
        VideoInput* v = Object();
        if (v == nullptr) return CPW_E_NOT_READY;
        if (!Ready(v)) return CPW_E_NOT_READY;
        return queue_it(v->manager->Queue());
    });
}

template <typename P, typename F>
CpwResult QueuedPtr(const P* p, F&& queue_it) noexcept {
    return Guarded([&]() -> CpwResult {
        VideoInput* v = Object();
        if (v == nullptr) return CPW_E_NOT_READY;
        if (p == nullptr) return CPW_E_NULL;
        if (!Ready(v)) return CPW_E_NOT_READY;
        return queue_it(v->manager->Queue());
    });
}

template <typename P, typename F>
CpwResult ReadyPtr(P* p, F&& f) noexcept {
    return Guarded([&]() -> CpwResult {
        VideoInput* v = Object();
        if (v == nullptr) return CPW_E_NOT_READY;
        if (p == nullptr) return CPW_E_NULL;
        if (!Ready(v)) return CPW_E_NOT_READY;
        return f(v);
    });
}

}  // namespace

extern "C" {

CpwResult CPWAPI Cpw_Initialize(const CpwInitParams* params) {
    return Guarded([&]() -> CpwResult {
        VideoInput* v = Object();
        if (v == nullptr) return CPW_E_NOT_READY;
        if (params == nullptr) return CPW_E_NULL;
        return v->Initialize(*params);
    });
}

CpwResult CPWAPI Cpw_Finalize(void) {
    return Guarded([&]() -> CpwResult {
        VideoInput* v = Capwell::Instance();
        if (v == nullptr) return CPW_E_NOT_READY;
        // The object is gone after this call: let no frame call start on it
        // and wait for those already inside.
        g_frame_calls.Close();
        const CpwResult r = v->Finalize();
        Capwell::DestroyInstance();
        return r;
    });
}

CpwResult CPWAPI Cpw_GetApiVersion(CpwVersion* version) {
    return ReadyPtr(version, [&](VideoInput* v) -> CpwResult {
        uint32_t w = 0;
        if (!v->manager->ReadApiVersion(w)) return CPW_E_QUERY;
        *version = Lib::UnpackVersion(w);
        return CPW_OK;
    });
}

CpwResult CPWAPI Cpw_GetFirmwareVersion(CpwVersion* version) {
    return ReadyPtr(version, [&](VideoInput* v) -> CpwResult {
        uint32_t w = 0;
        if (!v->manager->ReadFirmware(w)) return CPW_E_QUERY;
        *version = Lib::UnpackVersion(w);
        return CPW_OK;
    });
}

CpwResult CPWAPI Cpw_GetDriverVersion(CpwVersion* version) {
    return ReadyPtr(version, [&](VideoInput*) -> CpwResult {
        std::wstring text;
        uint32_t w = 0;
        if (Lib::Probes::FindDriverVersion(Lib::Probes::ControllerHardwareId(), text) != 0 ||
            !Lib::ParseVersion(text, w))
            return CPW_E_QUERY;
        *version = Lib::UnpackVersion(w);
        return CPW_OK;
    });
}

CpwResult CPWAPI Cpw_RegisterNotifyWindowMessage(CpwWindow window) {
    return Guarded([&]() -> CpwResult {
        VideoInput* v = Object();
        if (v == nullptr) return CPW_E_NOT_READY;
        if (!IsWindow(window)) return CPW_E_PARAM;
        if (!v->initialised) return CPW_E_NOT_READY;
        v->client = window;
        return CPW_OK;
    });
}

CpwResult CPWAPI Cpw_UnRegisterNotifyWindowMessage(void) {
    return Guarded([&]() -> CpwResult {
        VideoInput* v = Object();
        if (v == nullptr || !v->initialised) return CPW_E_NOT_READY;
        v->client = nullptr;
        return CPW_OK;
    });
}

CpwResult CPWAPI Cpw_GetNotifyWindowMessageCode(uint32_t* code) {
    return Guarded([&]() -> CpwResult {
        VideoInput* v = Object();
        if (v == nullptr) return CPW_E_NOT_READY;
        if (code == nullptr) return CPW_E_NULL;
        if (!v->initialised) return CPW_E_NOT_READY;
        *code = v->message;
        return CPW_OK;
    });
}

CpwResult CPWAPI Cpw_SetState(uint32_t mode, uint32_t video, uint32_t audio) {
    return Guarded([&]() -> CpwResult {
        VideoInput* v = Object();
        if (v == nullptr || !v->initialised) return CPW_E_NOT_READY;
        uint32_t batch[3];
        size_t n = 0;
        if (mode == 0) batch[n++] = Lib::EV_LIVE;
        else if (mode == 1) batch[n++] = Lib::EV_PAUSE;
        else if (mode == 2) batch[n++] = Lib::EV_MOVIE_FORMAT1;
        batch[n++] = video != 0 ? Lib::EV_VIDEO_ON : Lib::EV_VIDEO_OFF;
        batch[n++] = audio != 0 ? Lib::EV_AUDIO_ON : Lib::EV_AUDIO_OFF;
        v->state.Post(batch, n);
        return CPW_OK;
    });
}

CpwResult CPWAPI Cpw_GetState(CpwVideoState* out) {
    return Guarded([&]() -> CpwResult {
        VideoInput* v = Object();
        if (v == nullptr) return CPW_E_NOT_READY;
        if (out == nullptr) return CPW_E_NULL;
        if (!v->initialised) return CPW_E_NOT_READY;
        const auto& w = v->state.Words();
        out->available = w.available;
        out->mode = w.mode;
        out->video = w.video;
        out->audio = w.audio;
        return CPW_OK;
    });
}

CpwResult CPWAPI Cpw_GetHdmiInfo(CpwHdmiInfo* info) {
    return ReadyPtr(info, [&](VideoInput* v) -> CpwResult {
        CpwHdmiInfo out{};
        if (v->manager->ReadHdmi(&out) == Lib::kHdmiError) return CPW_E_QUERY;
        *info = out;
        return CPW_OK;
    });
}

// Movie frames: any client thread; only the gate and the frame pool's lock
// are taken, and no window is made here.
CpwResult CPWAPI Cpw_GetCaptureData(CpwCaptureFrame** frame) {
    return Guarded([&]() -> CpwResult {
        const Lib::GatePass pass(g_frame_calls);
        if (!pass) return CPW_E_NOT_READY;
        VideoInput* v = Capwell::Instance();
        if (v == nullptr) return CPW_E_NOT_READY;
        if (frame == nullptr) return CPW_E_NULL;
        if (!v->initialised) return CPW_E_NOT_READY;
        if (v->manager == nullptr || !v->manager->IsOpen()) return CPW_OK;
        *frame = Lib::Frames().Take();
        return CPW_OK;
    });
}

CpwResult CPWAPI Cpw_ReleaseCaptureData(void) {
    return Guarded([&]() -> CpwResult {
        const Lib::GatePass pass(g_frame_calls);
        if (!pass) return CPW_E_NOT_READY;
        VideoInput* v = Capwell::Instance();
        if (v == nullptr || !v->initialised) return CPW_E_NOT_READY;
        if (v->manager != nullptr && v->manager->IsOpen()) Lib::Frames().Release();
        return CPW_OK;
    });
}

CpwResult CPWAPI Cpw_SetVideoPosition(const struct tagRECT* rect) {
    return Guarded([&]() -> CpwResult {
        VideoInput* v = Object();
        if (v == nullptr) return CPW_E_NOT_READY;
        if (rect == nullptr) return CPW_E_NULL;
        if (!Ready(v)) return CPW_E_NOT_READY;
        v->video->Control().SetVideoPosition(rect->left, rect->top, rect->right, rect->bottom);
        return CPW_OK;
    });
}

CpwResult CPWAPI Cpw_ZoomVideo(const CpwZoomRect* zoom) {
    return QueuedPtr(zoom, [&](Lib::RequestQueue& q) {
        Req::Zoom(q, zoom->x, zoom->y, zoom->width, zoom->height);
        return CPW_OK;
    });
}

CpwResult CPWAPI Cpw_ResetZoomVideo(void) {
    return Queued([&](Lib::RequestQueue& q) {
        Req::ZoomWhole(q);
        return CPW_OK;
    });
}

CpwResult CPWAPI Cpw_SaveBitmapImage(const CpwWChar* path) {
    return ReadyPtr(path, [&](VideoInput* v) -> CpwResult { return v->video->SaveBitmapImage(path); });
}

// ---- Colour ------------------------------------------------------------------

CpwResult CPWAPI Cpw_SetLutGammaLut(const CpwLutGammaLut* lut) {
    return QueuedPtr(lut, [&](Lib::RequestQueue& q) {
        uint16_t points[CPW_LUT_POINTS];
        std::memcpy(points, reinterpret_cast<const char*>(lut) + offsetof(CpwLutGammaLut, lut), sizeof points);
        return Req::LutChannel(q, lut->channel, points);
    });
}

CpwResult CPWAPI Cpw_ResetLutGammaLut(uint32_t channel) {
    return Queued([&](Lib::RequestQueue& q) { return Req::LutDefault(q, channel); });
}

CpwResult CPWAPI Cpw_GetDefaultLutGammaLut(uint32_t channel, CpwLutGammaLut* lut) {
    return ReadyPtr(lut, [&](VideoInput*) {
        CpwLutGammaLut out;
        const CpwResult r = Req::DefaultLut(channel, out);
        if (r == CPW_OK) std::memcpy(lut, &out, sizeof out);
        return r;
    });
}

CpwResult CPWAPI Cpw_SetRgbMatrix(const CpwRgbMatrix* m) {
    return QueuedPtr(m, [&](Lib::RequestQueue& q) {
        uint16_t coef[6];
        std::memcpy(coef, m->coef, sizeof coef);
        Req::Matrix(q, coef, m->pede, m->y_gain);
        return CPW_OK;
    });
}

CpwResult CPWAPI Cpw_ResetRgbMatrix(void) {
    return Queued([&](Lib::RequestQueue& q) {
        Req::MatrixDefault(q);
        return CPW_OK;
    });
}

CpwResult CPWAPI Cpw_GetDefaultRgbMatrix(CpwRgbMatrix* m) {
    return ReadyPtr(m, [&](VideoInput*) {
        CpwRgbMatrix out;
        Req::DefaultMatrix(out);
        std::memcpy(m, &out, sizeof out);
        return CPW_OK;
    });
}

CpwResult CPWAPI Cpw_SetDriveCutoffPos(uint32_t post_lutgamma) {
    return Queued([&](Lib::RequestQueue& q) {
        Req::DriveCutoffPos(q, post_lutgamma);
        return CPW_OK;
    });
}

CpwResult CPWAPI Cpw_ResetDriveCutoffPos(void) {
    return Queued([&](Lib::RequestQueue& q) {
        Req::DriveCutoffPos(q, static_cast<uint32_t>(Lib::DefaultColors().post_lutgamma));
        return CPW_OK;
    });
}

CpwResult CPWAPI Cpw_GetDefaultDriveCutoffPos(uint32_t* post_lutgamma) {
    return ReadyPtr(post_lutgamma, [&](VideoInput*) {
        *post_lutgamma = static_cast<uint32_t>(Lib::DefaultColors().post_lutgamma);
        return CPW_OK;
    });
}

CpwResult CPWAPI Cpw_SetDriveGain(const CpwDriveGain* gain) {
    return QueuedPtr(gain, [&](Lib::RequestQueue& q) {
        uint16_t g[3];
        std::memcpy(g, gain->gain, sizeof g);
        Req::DriveGain(q, g);
        return CPW_OK;
    });
}

CpwResult CPWAPI Cpw_ResetDriveGain(void) {
    return Queued([&](Lib::RequestQueue& q) {
        Req::DriveGain(q, Lib::DefaultColors().drive_gain);
        return CPW_OK;
    });
}

CpwResult CPWAPI Cpw_GetDefaultDriveGain(uint16_t gain[3]) {
    return ReadyPtr(gain, [&](VideoInput*) {
        std::memcpy(gain, Lib::DefaultColors().drive_gain, 3 * sizeof(uint16_t));
        return CPW_OK;
    });
}

CpwResult CPWAPI Cpw_SetCutoffOffset(const CpwCutoffOffset* offset) {
    return QueuedPtr(offset, [&](Lib::RequestQueue& q) {
        uint16_t o[3];
        std::memcpy(o, offset->offset, sizeof o);
        Req::CutoffOffset(q, o);
        return CPW_OK;
    });
}

CpwResult CPWAPI Cpw_ResetCutoffOffset(void) {
    return Queued([&](Lib::RequestQueue& q) {
        Req::CutoffOffset(q, Lib::DefaultColors().cutoff_offset);
        return CPW_OK;
    });
}

CpwResult CPWAPI Cpw_GetDefaultCutoffOffset(uint16_t offset[3]) {
    return ReadyPtr(offset, [&](VideoInput*) {
        std::memcpy(offset, Lib::DefaultColors().cutoff_offset, 3 * sizeof(uint16_t));
        return CPW_OK;
    });
}

CpwResult CPWAPI Cpw_SetColorMuteEnable(uint32_t r, uint32_t g, uint32_t b) {
    return Queued([&](Lib::RequestQueue& q) {
        Req::Mute(q, r, g, b);
        return CPW_OK;
    });
}

CpwResult CPWAPI Cpw_ResetColorMute(void) {
    return Queued([&](Lib::RequestQueue& q) {
        const auto& d = Lib::DefaultColors();
        Req::Mute(q, static_cast<uint32_t>(d.mute[0]), static_cast<uint32_t>(d.mute[1]),
                  static_cast<uint32_t>(d.mute[2]));
        return CPW_OK;
    });
}

CpwResult CPWAPI Cpw_SetTwelveAxes(const CpwTwelveAxes* axes) {
    return QueuedPtr(axes, [&](Lib::RequestQueue& q) { return Req::AxisColor(q, *axes); });
}

CpwResult CPWAPI Cpw_ResetTwelveAxes(uint32_t color) {
    return Queued([&](Lib::RequestQueue& q) { return Req::AxisColorDefault(q, color); });
}

CpwResult CPWAPI Cpw_GetDefaultTwelveAxes(uint32_t color, CpwTwelveAxes* axes) {
    return ReadyPtr(axes, [&](VideoInput*) {
        CpwTwelveAxes out;
        const CpwResult r = Req::DefaultTwelveAxes(color, out);
        if (r == CPW_OK) *axes = out;
        return r;
    });
}

CpwResult CPWAPI Cpw_ResetColorSetting(void) {
    return Queued([&](Lib::RequestQueue& q) {
        Req::ColorReset(q);
        return CPW_OK;
    });
}

}  // extern "C"
