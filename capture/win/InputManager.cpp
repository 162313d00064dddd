#include "capture/win/InputManager.h"

#include <cstring>
#include <system_error>

#include "capture/core/ApplyPass.h"
#include "capture/win/Diagnostics.h"
#include "capture/core/Requests.h"
#include "capture/core/Versions.h"
#include "capture/win/MovieFrames.h"

#include "capture/audio/AudioPassThrough.h"

namespace Capwell::Lib {

KdrHandle g_device = nullptr;
int32_t g_plane = 0;

namespace {

// Set while a manager exists (there is one at most); the owner is the library object.
InputManager* g_manager = nullptr;
constexpr size_t kMovieBufferBytes = 27648000;
constexpr uint32_t kWatchDogFired = 101;

const void* Dev() { return &g_device; }
const void* Vp() { return &g_plane; }

// The bridge calls of the apply pass, each traced.
class BridgeSink : public ApplySink {
public:
    explicit BridgeSink(AudioPassThrough* audio) : audio_(audio) {}
    int32_t SetAngle(int32_t angle) override {
        return Diagnostics::Traced(Kdr_VpSetProp(&g_device, &g_plane, KDR_VP_ANGLE, &angle),
                                   "Kdr_VpSetProp", [&] { return LogText::VpAngle(Dev(), Vp(), angle); });
    }
    int32_t SetPosition(const KdrRect& rect) override {
        return Diagnostics::Traced(Kdr_VpSetProp(&g_device, &g_plane, KDR_VP_POSITION, &rect),
                                   "Kdr_VpSetProp", [&] { return LogText::VpPosition(Dev(), Vp(), rect); });
    }
    int32_t SetZoom(int32_t mode, const KdrParts& zoom) override {
        return Diagnostics::Traced(Kdr_VpSetProp(&g_device, &g_plane, mode, &zoom), "Kdr_VpSetProp",
                                   [&] { return LogText::VpZoom(Dev(), Vp(), mode, zoom); });
    }
    int32_t SetVideo(int32_t enable) override {
        return Diagnostics::Traced(Kdr_VpSetProp(&g_device, &g_plane, KDR_VP_ENABLE, &enable),
                                   "Kdr_VpSetProp", [&] { return LogText::VpEnable(Dev(), Vp(), enable); });
    }
    int32_t SetLut(const KdrLutGamma& lut) override {
        return Diagnostics::Traced(Kdr_DevSetProp(&g_device, KDR_DEV_LUT, &lut), "Kdr_DevSetProp",
                                   [&] { return LogText::Lut(Dev(), lut); });
    }
    int32_t SetMatrix(const KdrRgbMatrix& m) override {
        return Diagnostics::Traced(Kdr_DevSetProp(&g_device, KDR_DEV_MATRIX, &m), "Kdr_DevSetProp",
                                   [&] { return LogText::Matrix(Dev(), m); });
    }
    int32_t SetDriveCutoff(const KdrDriveCutoff& dc) override {
        KdrDriveCutoff rec = dc;
        rec.drive.reserved = 0;
        rec.cutoff.reserved = 0;
        return Diagnostics::Traced(Kdr_DevSetProp(&g_device, KDR_DEV_DRIVE_CUTOFF, &rec),
                                   "Kdr_DevSetProp", [&] { return LogText::DriveCutoff(Dev(), rec); });
    }
    int32_t SetMute(const KdrColorMute& m) override {
        return Diagnostics::Traced(Kdr_DevSetProp(&g_device, KDR_DEV_MUTE, &m), "Kdr_DevSetProp",
                                   [&] { return LogText::Mute(Dev(), m); });
    }
    int32_t SetTwelveAxes(const KdrTwelveAxes& a) override {
        return Diagnostics::Traced(Kdr_DevSetProp(&g_device, KDR_DEV_TWELVE_AXES, &a),
                                   "Kdr_DevSetProp", [&] { return LogText::TwelveAxes(Dev(), a); });
    }
    int32_t DrawAll() override { return Kdr_VpDrawAll(&g_device); }  // neither logged nor reported
    void SetAudio(bool on) override {
        if (audio_ == nullptr) return;
        if (!on)
            audio_->Stop();
        else if (!audio_->IsRunning())
            audio_->Start();
    }

private:
    AudioPassThrough* audio_;
};

void KDR_CALL OnHdmiInfo(const KdrHdmiInfo* info) {
    if (info == nullptr || (info->event & kHdmiEventMask) == 0) return;
    Diagnostics::LogCall(0, LogText::kHdmiCallbackName, [&] { return LogText::HdmiCallback(*info); });
    if (Flags().settle.load()) Flags().hdmi_changed.store(1);
}

void KDR_CALL OnStateChanged(void*, const int32_t* state) {
    const int s = state != nullptr ? *state : 0;
    Diagnostics::LogCall(0, LogText::kStateCallbackName, [&] { return LogText::StateCallback(s); });
    Flags().state_changed.store(1);
}

// Each frame is copied into the frame pool, then given back to the bridge at
// once so the bridge's slots never run out.
void KDR_CALL OnMovieFrame(void*, const KdrMovieFrame* frame) {
    if (frame == nullptr) return;
    Diagnostics::LogCall(0, LogText::kMovieCallbackName, [&] { return LogText::MovieCallback(*frame); });
    DeliverMovieFrame(*frame);
    if (g_device != nullptr && g_plane != 0) {
        uint64_t id = frame->frame_id;
        // a failed release is reported and logged; the callback has no one to tell
        (void)Diagnostics::Traced(Kdr_VpSetProp(&g_device, &g_plane, KDR_VP_FRAME_RELEASE, &id),
                                  "Kdr_VpSetProp", [&] { return LogText::FrameRelease(Dev(), Vp(), id); });
    }
}

}  // namespace

namespace {
CallbackFlags g_flags;  // constant-initialised; no guard for a local static
}  // namespace

CallbackFlags& Flags() { return g_flags; }

std::unique_ptr<InputManager> InputManager::Create(bool api_log, const std::wstring& name) {
    if (g_manager != nullptr) return nullptr;
    Diagnostics::SetSourceName(name);
    std::unique_ptr<InputManager> m(new InputManager());
    g_manager = m.get();
    if (api_log) (void)Diagnostics::OpenApiLog();  // without the folder or file nothing is logged
    m->movie_buffer_.reset(new (std::nothrow) uint8_t[kMovieBufferBytes]);
    m->audio_ = std::make_unique<AudioPassThrough>();

    const int32_t r = Diagnostics::Traced(Kdr_DevOpen(&g_device, 0), "Kdr_DevOpen",
                                          [] { return LogText::DevOpen(Dev()); });
    if (r != 0) return nullptr;
    m->open_ = 1;
    m->StartWorker();
    if (!m->ReadWdt()) return nullptr;
    if (m->wdt_.err_count <= m->wdt_.kdr_err) Diagnostics::ReportResource(kWatchDogFired);
    return m;
}

bool InputManager::ReadWdt() {
    KdrWdtInfo w{};
    const int32_t r = Diagnostics::Traced(Kdr_DevGetProp(&g_device, KDR_DEV_WDT, &w), "Kdr_DevGetProp",
                                          [&] { return LogText::Wdt(Dev(), w); });
    if (r != 0) return false;
    wdt_ = w;
    return true;
}

void InputManager::StartWorker() {
    if (worker_.joinable()) return;
    stop_.store(0);
    // A system thread and event rather than std::thread and a condition
    // variable: the thread runtime is linked into this library, and its
    // records of the threads and waits it served would stay behind at every
    // unload (see "Locks at unload" in docs/build.md).
    if (!wake_) wake_.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    try {
        worker_ = winkit::Thread([this] { WorkerLoop(); });
    } catch (const std::system_error&) {
        // No worker: requests stay queued, as they did when the system refused a thread.
    }
}

void InputManager::WorkerLoop() {
    BridgeSink sink(audio_.get());
    for (;;) {
        if (stop_.load() != 0 && queue_.Idle()) return;
        RunOnePass(queue_, sink);
        // A stop request cuts the sleep short; the drain goes on at once.
        if (stop_.load() == 0) WaitForSingleObject(wake_.Get(), interval_.load());
    }
}

bool InputManager::ConfigureOutput(uint16_t time, uint16_t wdt_interval, uint16_t wdt_err_count) {
    KdrOutputInfo out{};
    if (Diagnostics::Traced(Kdr_DevGetProp(&g_device, KDR_DEV_OUTPUT, &out), "Kdr_DevGetProp",
                            [&] { return LogText::Output(Dev(), out); }) != 0)
        return false;
    queue_.SetOutputSize(out.size.x, out.size.y);
    int32_t t = time;
    if (Diagnostics::Traced(Kdr_DevSetProp(&g_device, KDR_DEV_TIME, &t), "Kdr_DevSetProp",
                            [&] { return LogText::DevTime(Dev(), t); }) != 0)
        return false;
    uint8_t index = 0;
    if (Diagnostics::Traced(Kdr_VpSetProp(&g_device, &g_plane, KDR_VP_INDEX, &index), "Kdr_VpSetProp",
                            [&] { return LogText::VpIndex(Dev(), Vp(), index); }) != 0)
        return false;
    int32_t edp = 0;
    if (Diagnostics::Traced(Kdr_DevSetProp(&g_device, KDR_DEV_EDP, &edp), "Kdr_DevSetProp",
                            [&] { return LogText::DevEdp(Dev(), edp); }) != 0)
        return false;
    if (Diagnostics::Traced(Kdr_DevWdtInit(&g_device, wdt_interval, wdt_err_count), "Kdr_DevWdtInit",
                            [&] { return LogText::DevWdtInit(Dev(), wdt_interval, wdt_err_count); }) != 0)
        return false;
    return true;
}

bool InputManager::RegisterCallbacks() {
    if (!movie_cb_) {
        if (Diagnostics::Traced(Kdr_VpSetCb(&g_device, &g_plane, KDR_CB_MOVIE, KDR_CALLBACK(OnMovieFrame), nullptr),
                                "Kdr_VpSetCb",
                                [] { return LogText::VpSetCb(Dev(), Vp(), KDR_CB_MOVIE, reinterpret_cast<const void*>(&OnMovieFrame)); }) != 0)
            return false;
        movie_cb_ = 1;
    }
    if (!state_cb_) {
        if (Diagnostics::Traced(Kdr_VpSetCb(&g_device, &g_plane, KDR_CB_STATE, KDR_CALLBACK(OnStateChanged), nullptr),
                                "Kdr_VpSetCb",
                                [] { return LogText::VpSetCb(Dev(), Vp(), KDR_CB_STATE, reinterpret_cast<const void*>(&OnStateChanged)); }) != 0)
            return false;
        state_cb_ = 1;
    }
    if (!hdmi_cb_) {
        if (Diagnostics::Traced(Kdr_DevSetCb(&g_device, KDR_CB_HDMI_INFO, KDR_CALLBACK(OnHdmiInfo)),
                                "Kdr_DevSetCb",
                                [] { return LogText::DevSetCb(Dev(), KDR_CB_HDMI_INFO, reinterpret_cast<const void*>(&OnHdmiInfo)); }) != 0)
            return false;
        hdmi_cb_ = 1;
    }
    return true;
}

bool InputManager::StartPlane(int32_t display_width, int32_t display_height, uint16_t interval,
                              uint16_t time, uint16_t wdt_interval, uint16_t wdt_err_count) {
    if (!open_) return false;
    interval_.store(interval);
    if (Diagnostics::Traced(Kdr_VpCreate(&g_device, &g_plane, KDR_PLANE_VIDEO, 0), "Kdr_VpCreate",
                            [] { return LogText::VpCreate(Dev(), Vp()); }) != 0)
        return false;
    plane_created_ = 1;
    if (!ConfigureOutput(time, wdt_interval, wdt_err_count)) return false;
    Requests::PlaneStart(queue_, display_width, display_height);
    Requests::ColorReset(queue_);
    (void)SwitchToLive();  // the plane's state is supervised from here on; a failure is reported by the trace
    if (!RegisterCallbacks()) return false;
    input_state_ = kHdmiSignal;
    return true;
}

bool InputManager::ReadPlaneState(int32_t& state) {
    int32_t s = 0;
    const int32_t r = Diagnostics::Traced(Kdr_VpGetProp(&g_device, &g_plane, KDR_VP_STATE, &s),
                                          "Kdr_VpGetProp", [&] { return LogText::VpState(Dev(), Vp(), s); });
    if (r != 0) return false;
    state = s;
    return true;
}

bool InputManager::SwitchToLive() {
    int32_t state = 0;
    if (!ReadPlaneState(state)) return false;
    if (state == KDR_STATE_LIVE) return true;
    return Diagnostics::Traced(Kdr_VpPlay(&g_device, &g_plane), "Kdr_VpPlay",
                               [] { return LogText::VpPlain(Dev(), Vp()); }) == 0;
}

bool InputManager::SwitchToPause() {
    int32_t state = 0;
    if (!ReadPlaneState(state)) return false;
    if (state != KDR_STATE_LIVE) return true;  // paused already, or not switchable
    return Diagnostics::Traced(Kdr_VpPause(&g_device, &g_plane), "Kdr_VpPause",
                               [] { return LogText::VpPlain(Dev(), Vp()); }) == 0;
}

void InputManager::Shutdown() {
    if (shut_down_) return;
    shut_down_ = true;
    // A start that failed before the plane existed has nothing to reset.
    if (open_ && plane_created_) {
        Requests::ColorReset(queue_);
        (void)SwitchToLive();  // a failure is reported by the trace; the shutdown goes on
        Requests::Video(queue_, 0);
    }
    if (worker_.joinable()) {
        stop_.store(1);
        SetEvent(wake_.Get());
        worker_.join();
    }
    if (open_) {
        if (Diagnostics::Traced(Kdr_DevClose(&g_device), "Kdr_DevClose",
                                [] { return LogText::DevClose(Dev()); }) == 0)
            open_ = 0;
    }
    g_device = nullptr;
    g_plane = 0;
    if (audio_) audio_->Stop();
    audio_.reset();
    movie_buffer_.reset();
    Diagnostics::CloseApiLog();
    g_manager = nullptr;
}

InputManager::~InputManager() { Shutdown(); }

uint32_t InputManager::ReadHdmi(CpwHdmiInfo* out) {
    Flags().hdmi_changed.store(0);
    if (open_) {
        KdrHdmiInfo h{};
        const int32_t r = Diagnostics::Traced(Kdr_DevGetProp(&g_device, KDR_DEV_HDMI, &h), "Kdr_DevGetProp",
                                              [&] { return LogText::Hdmi(Dev(), h); });
        if (r != 0) {
            input_state_ = kHdmiError;
        } else {
            hdmi_ = h;
            input_state_ = DeriveInputState(h, input_state_);
        }
    }
    if (out != nullptr) *out = ToCpwHdmiInfo(hdmi_, input_state_);
    return input_state_;
}

bool InputManager::CheckWatchdog() {
    if (!ReadWdt()) return false;
    if (wdt_.err_count > wdt_.kdr_err) return true;
    Diagnostics::ReportResource(kWatchDogFired);
    return false;
}

bool InputManager::ReadFirmware(uint32_t& version_no) {
    KdrFirmInfo f{};
    const int32_t r = Diagnostics::Traced(Kdr_DevGetProp(&g_device, KDR_DEV_FIRMINFO, &f), "Kdr_DevGetProp",
                                          [&] { return LogText::FirmInfo(Dev(), f); });
    if (r != 0) return false;
    version_no = f.version_no;
    return true;
}

bool InputManager::ReadApiVersion(uint32_t& version_no) {
    uint32_t v = 0;
    const int32_t r = Diagnostics::Traced(Kdr_DevGetProp(&g_device, KDR_DEV_VERSION, &v), "Kdr_DevGetProp",
                                          [&] { return LogText::ApiVersion(Dev(), v); });
    if (r != 0) return false;
    version_no = v;
    return true;
}

bool InputManager::Suspend() {
    bool ok = true;
    if (hdmi_cb_) {
        ok = Diagnostics::Traced(Kdr_DevSetCb(&g_device, KDR_CB_HDMI_INFO, nullptr), "Kdr_DevSetCb",
                                 [] { return LogText::DevSetCb(Dev(), KDR_CB_HDMI_INFO, nullptr); }) == 0 && ok;
        hdmi_cb_ = 0;
    }
    if (state_cb_) {
        ok = Diagnostics::Traced(Kdr_VpSetCb(&g_device, &g_plane, KDR_CB_STATE, nullptr, nullptr), "Kdr_VpSetCb",
                                 [] { return LogText::VpSetCb(Dev(), Vp(), KDR_CB_STATE, nullptr); }) == 0 && ok;
        state_cb_ = 0;
    }
    if (movie_cb_) {
        ok = Diagnostics::Traced(Kdr_VpSetCb(&g_device, &g_plane, KDR_CB_MOVIE, nullptr, nullptr), "Kdr_VpSetCb",
                                 [] { return LogText::VpSetCb(Dev(), Vp(), KDR_CB_MOVIE, nullptr); }) == 0 && ok;
        movie_cb_ = 0;
    }
    if (!ok) return false;
    if (!ReadWdt()) return false;
    saved_wdt_interval_ = static_cast<uint16_t>(wdt_.interval);
    saved_wdt_err_count_ = static_cast<uint16_t>(wdt_.err_count);
    int32_t t = 0;
    if (Diagnostics::Traced(Kdr_DevGetProp(&g_device, KDR_DEV_TIME, &t), "Kdr_DevGetProp",
                            [&] { return LogText::DevTime(Dev(), t); }) != 0)
        return false;
    saved_time_ = static_cast<uint16_t>(t);
    return true;
}

bool InputManager::Resume() {
    if (!ConfigureOutput(saved_time_, saved_wdt_interval_, saved_wdt_err_count_)) return false;
    if (!RegisterCallbacks()) return false;
    Requests::Force(queue_);
    Sleep(100);
    return true;
}

}  // namespace Capwell::Lib
