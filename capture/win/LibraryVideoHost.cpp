#include "capture/win/LibraryVideoHost.h"

#include <windows.h>

#include <mutex>

#include "capture/video/Picture.h"
#include "capture/core/Requests.h"
#include "capture/core/Versions.h"
#include "capture/win/Diagnostics.h"
#include "capture/win/InputManager.h"
#include "capture/win/VideoInput.h"

namespace Capwell::Lib {

namespace {

constexpr UINT kTimerMs = 1000;

const void* Dev() { return &g_device; }
const void* Vp() { return &g_plane; }

class LibraryVideoHost final : public VideoHost {
public:
    explicit LibraryVideoHost(VideoInput& v) : v_(v) {}

    bool SessionOpen() override { return m() != nullptr && m()->IsOpen(); }
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
        if (m() != nullptr) hold_ = std::unique_lock<std::mutex>(m()->Queue().ApplyMutex());
    }
    void ReleaseRequests() override {
        if (hold_.owns_lock()) hold_.unlock();
        hold_ = std::unique_lock<std::mutex>();
    }
    void* MovieBuffer(uint32_t& bytes) override {
        if (m() == nullptr || m()->MovieBuffer() == nullptr) return nullptr;
        bytes = kMovieBufferBytes;
        return m()->MovieBuffer();
    }

    uint32_t ReadHdmi(CpwHdmiInfo& info) override {
        return m() != nullptr ? m()->ReadHdmi(&info) : static_cast<uint32_t>(kInputError);
    }
    uint32_t QueryHdmi(CpwHdmiInfo& info) override {
        if (m() == nullptr) return kInputError;
        if (!m()->IsOpen()) {
            info = ToCpwHdmiInfo(m()->Hdmi(), m()->CurrentInputState());
            return m()->CurrentInputState();
        }
        // A read of its own: the manager's read would consume an HDMI change
        // that timer 1 has not reported yet.
        KdrHdmiInfo h{};
        if (Diagnostics::Traced(Kdr_DevGetProp(&g_device, KDR_DEV_HDMI, &h), "Kdr_DevGetProp",
                                [&] { return LogText::Hdmi(Dev(), h); }) != 0)
            return kInputError;
        const uint32_t state = DeriveInputState(h, m()->CurrentInputState());
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
        if (m() != nullptr) Requests::Audio(m()->Queue(), on);
    }
    void QueueVideo(uint32_t on) override {
        if (m() != nullptr) Requests::Video(m()->Queue(), on);
    }
    void QueuePosition(int32_t x, int32_t y, int32_t w, int32_t h) override {
        if (m() != nullptr) Requests::Position(m()->Queue(), x, y, w, h);
    }
    void QueueZoom(int32_t x, int32_t y, uint16_t w, uint16_t h) override {
        if (m() != nullptr) Requests::Zoom(m()->Queue(), x, y, w, h);
    }
    void QueueZoomWhole() override {
        if (m() != nullptr) Requests::ZoomWhole(m()->Queue());
    }
    void RefreshDisplay() override { v_.ReprobeDisplay(); }

    void Notify(uint32_t code) override { v_.Notify(code); }
    void StartTimer(int id) override {
        UINT_PTR& t = id == kTimerSupervision ? v_.timer1 : v_.timer2;
        if (t == 0) t = SetTimer(v_.Window(), static_cast<UINT_PTR>(id), kTimerMs, nullptr);
    }
    void StopTimer(int id) override {
        UINT_PTR& t = id == kTimerSupervision ? v_.timer1 : v_.timer2;
        if (t != 0) KillTimer(v_.Window(), static_cast<UINT_PTR>(id));
        t = 0;
    }
    void Sleep(uint32_t ms) override { ::Sleep(ms); }

private:
    InputManager* m() { return v_.manager.get(); }
    VideoInput& v_;
    std::unique_lock<std::mutex> hold_;  // the queue's apply lock while a still is read
};

}  // namespace

std::unique_ptr<VideoHost> MakeLibraryVideoHost(VideoInput& owner) { return std::make_unique<LibraryVideoHost>(owner); }

}  // namespace Capwell::Lib
