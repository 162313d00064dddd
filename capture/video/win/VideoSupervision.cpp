#include "VideoSupervision.h"

#include <cstring>

#include "Diagnostics.h"
#include "InputManager.h"
#include "Picture.h"
#include "Requests.h"
#include "StillFileWin.h"
#include "Versions.h"
#include "VideoInput.h"

namespace Capwell::Lib {

namespace {

constexpr UINT kTimerMs = 1000;

// The display power settings whose changes switch the device off and on.
constexpr GUID kConsoleDisplayState = {0x6fe69556, 0x704a, 0x47a0, {0x8f, 0x24, 0xc2, 0x8d, 0x93, 0x6f, 0xda, 0x47}};
constexpr GUID kMonitorPowerOn = {0x02731015, 0x4510, 0x4526, {0x99, 0xe6, 0xe5, 0xa1, 0x7e, 0xbd, 0x1a, 0xea}};
constexpr GUID kSessionDisplayStatus = {0x2b84c20e, 0xad23, 0x4ddf, {0x93, 0xdb, 0x05, 0xff, 0xbd, 0x7e, 0xfc, 0xa5}};

bool SameGuid(const GUID& a, const GUID& b) {
    return a.Data1 == b.Data1 && a.Data2 == b.Data2 && a.Data3 == b.Data3 &&
           std::memcmp(a.Data4, b.Data4, sizeof a.Data4) == 0;
}

const void* Dev() { return &g_device; }
const void* Vp() { return &g_plane; }

}  // namespace

class VideoSupervision::Host : public VideoHost {
public:
    explicit Host(VideoInput& v) : v_(v) {}

    bool SessionOpen() override { return m() != nullptr && m()->open(); }
    int32_t GetPlaneState(int32_t& state) override {
        if (!SessionOpen()) return KDR_ERR_FAIL;
        return m()->ReadPlaneState(state) ? KDR_OK : KDR_ERR_FAIL;
    }
    int32_t Play() override {
        return Diagnostics::Traced(Kdr_VpPlay(&g_device, &g_plane), "Kdr_VpPlay",
                                   [] { return LogText::VpPlain(Dev(), Vp()); });
    }
    int32_t Pause() override {
        return Diagnostics::Traced(Kdr_VpPause(&g_device, &g_plane), "Kdr_VpPause",
                                   [] { return LogText::VpPlain(Dev(), Vp()); });
    }
    int32_t Movie() override {
        return Diagnostics::Traced(Kdr_VpMovie(&g_device, &g_plane), "Kdr_VpMovie",
                                   [] { return LogText::VpPlain(Dev(), Vp()); });
    }
    int32_t SetMovieSetting(const KdrMovieSetting& s) override {
        return Diagnostics::Traced(Kdr_VpSetProp(&g_device, &g_plane, KDR_VP_MOVIE_SETTING, &s),
                                   "Kdr_VpSetProp", [&] { return LogText::MovieSetting(Dev(), Vp(), s); });
    }
    int32_t GetStillInfo(KdrStillInfo& info) override {
        return Diagnostics::Traced(Kdr_VpGetProp(&g_device, &g_plane, KDR_VP_STILL_INFO, &info),
                                   "Kdr_VpGetProp", [&] { return LogText::StillInfo(Dev(), Vp(), info); });
    }
    int32_t GetStillBitmap(KdrBuffer& b) override {
        return Diagnostics::Traced(Kdr_VpGetProp(&g_device, &g_plane, KDR_VP_STILL_BITMAP, &b),
                                   "Kdr_VpGetProp",
                                   [&] { return LogText::StillBitmap(Dev(), Vp(), b.buffer, b.size); });
    }
    void HoldRequests() override {
        if (m() != nullptr) hold_ = std::unique_lock<std::mutex>(m()->queue().apply_mutex());
    }
    void ReleaseRequests() override {
        if (hold_.owns_lock()) hold_.unlock();
        hold_ = std::unique_lock<std::mutex>();
    }
    void* MovieBuffer(uint32_t& bytes) override {
        if (m() == nullptr || m()->movie_buffer() == nullptr) return nullptr;
        bytes = kMovieBufferBytes;
        return m()->movie_buffer();
    }

    uint32_t ReadHdmi(CpwHdmiInfo& info) override {
        return m() != nullptr ? m()->ReadHdmi(&info) : static_cast<uint32_t>(kInputError);
    }
    uint32_t QueryHdmi(CpwHdmiInfo& info) override {
        if (m() == nullptr) return kInputError;
        if (!m()->open()) {
            info = ToCpwHdmiInfo(m()->hdmi(), m()->input_state());
            return m()->input_state();
        }
        // A read of its own: the manager's read would consume an HDMI change
        // that timer 1 has not reported yet.
        KdrHdmiInfo h{};
        if (Diagnostics::Traced(Kdr_DevGetProp(&g_device, KDR_DEV_HDMI, &h), "Kdr_DevGetProp",
                                [&] { return LogText::Hdmi(Dev(), h); }) != 0)
            return kInputError;
        const uint32_t state = DeriveInputState(h, m()->input_state());
        info = ToCpwHdmiInfo(h, state);
        return state;
    }
    bool CheckWatchdog() override { return m() != nullptr && m()->CheckWatchdog(); }
    bool SuspendDevice() override { return m() != nullptr && m()->Suspend(); }
    bool ResumeDevice() override { return m() != nullptr && m()->Resume(); }
    bool HdmiChanged() override { return Flags().hdmi_changed.load() != 0; }
    bool TakeStateChanged() override { return Flags().state_changed.exchange(0) != 0; }
    void RestoreStateChanged() override { Flags().state_changed.store(1); }
    void SetSettle(bool on) override { Flags().settle.store(on ? 1 : 0); }

    void QueueAudio(uint32_t on) override {
        if (m() != nullptr) Requests::Audio(m()->queue(), on);
    }
    void QueueVideo(uint32_t on) override {
        if (m() != nullptr) Requests::Video(m()->queue(), on);
    }
    void QueuePosition(int32_t x, int32_t y, int32_t w, int32_t h) override {
        if (m() != nullptr) Requests::Position(m()->queue(), x, y, w, h);
    }
    void QueueZoom(int32_t x, int32_t y, uint16_t w, uint16_t h) override {
        if (m() != nullptr) Requests::Zoom(m()->queue(), x, y, w, h);
    }
    void QueueZoomWhole() override {
        if (m() != nullptr) Requests::ZoomWhole(m()->queue());
    }
    void RefreshDisplay() override { v_.ReprobeDisplay(); }

    void Notify(uint32_t code) override { v_.Notify(code); }
    void StartTimer(int id) override {
        UINT_PTR& t = id == kTimerSupervision ? v_.timer1 : v_.timer2;
        if (t == 0) t = SetTimer(v_.hwnd(), static_cast<UINT_PTR>(id), kTimerMs, nullptr);
    }
    void StopTimer(int id) override {
        UINT_PTR& t = id == kTimerSupervision ? v_.timer1 : v_.timer2;
        if (t != 0) KillTimer(v_.hwnd(), static_cast<UINT_PTR>(id));
        t = 0;
    }
    void Sleep(uint32_t ms) override { ::Sleep(ms); }

private:
    InputManager* m() { return v_.manager; }
    VideoInput& v_;
    std::unique_lock<std::mutex> hold_;  // the queue's apply lock while a still is read
};

VideoSupervision::VideoSupervision(VideoInput& owner)
    : host_(std::make_unique<Host>(owner)), control_(*host_, owner.state), owner_(owner) {}

VideoSupervision::~VideoSupervision() = default;

void VideoSupervision::OnPowerBroadcast(WPARAM wp, LPARAM lp) {
    bool display = false;
    const uint8_t* data = nullptr;
    uint32_t length = 0;
    if (wp == PBT_POWERSETTINGCHANGE && lp != 0) {
        const auto* s = reinterpret_cast<const POWERBROADCAST_SETTING*>(lp);
        display = SameGuid(s->PowerSetting, kConsoleDisplayState) ||
                  SameGuid(s->PowerSetting, kMonitorPowerOn) ||
                  SameGuid(s->PowerSetting, kSessionDisplayStatus);
        data = s->Data;
        length = s->DataLength;
    }
    const PowerAction action = PowerBroadcastAction(static_cast<uint32_t>(wp), display, data, length);
    control_.OnPowerAction(action, owner_.initialised != 0,
                           wp == PBT_APMSUSPEND || wp == PBT_APMSTANDBY);
}

void VideoSupervision::OnSessionChange(WPARAM wp) {
    control_.OnPowerAction(SessionChangeAction(static_cast<uint32_t>(wp)), owner_.initialised != 0,
                           false);
}

CpwResult VideoSupervision::SaveBitmapImage(const wchar_t* path) {
    StillFileWin file;
    return control_.SaveBitmapImage(path, file);
}

namespace {
// From load to unload; a function-local static's guard would leave the thread
// runtime's lock and condition behind at every unload.
FramePool g_frames;
}  // namespace

FramePool& Frames() { return g_frames; }

void DeliverMovieFrame(const KdrMovieFrame& frame) {
    const FramePool::FillResult r = Frames().Fill(frame);
    if (r == FramePool::FillResult::kTooLarge)
        Diagnostics::Report(LogText::Printf("MovieCapture frame of %u bytes dropped: larger than a capture buffer",
                                            frame.data.size));
}

}  // namespace Capwell::Lib
