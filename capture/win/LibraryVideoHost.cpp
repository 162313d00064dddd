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

    bool SessionOpen() override { return Manager() != nullptr && Manager()->IsOpen(); }
    int32_t GetPlaneState(int32_t& state) override {
        if (!SessionOpen()) return KDR_ERR_FAIL;
        return Manager()->ReadPlaneState(state) ? KDR_OK : KDR_ERR_FAIL;
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
        if (Manager() != nullptr) hold_ = std::unique_lock<std::mutex>(Manager()->Queue().ApplyMutex());
    }
    void ReleaseRequests() override {
        if (hold_.owns_lock()) hold_.unlock();
        hold_ = std::unique_lock<std::mutex>();
    }
    void* MovieBuffer(uint32_t& bytes) override {
        if (Manager() == nullptr || Manager()->MovieBuffer() == nullptr) return nullptr;
        bytes = kMovieBufferBytes;
        return Manager()->MovieBuffer();
    }

    uint32_t ReadHdmi(CpwHdmiInfo& info) override {
        return Manager() != nullptr ? Manager()->ReadHdmi(&info) : static_cast<uint32_t>(kInputError);
    }
    uint32_t QueryHdmi(CpwHdmiInfo& info) override {
        if (Manager() == nullptr) return kInputError;
        if (!Manager()->IsOpen()) {
            info = ToCpwHdmiInfo(Manager()->Hdmi(), Manager()->CurrentInputState());
            return Manager()->CurrentInputState();
        }
        // A read of its own: the manager's read would consume an HDMI change
        // that timer 1 has not reported yet.
        KdrHdmiInfo h{};
        if (Diagnostics::Traced(Kdr_DevGetProp(&g_device, KDR_DEV_HDMI, &h), "Kdr_DevGetProp",
                                [&] { return LogText::Hdmi(Dev(), h); }) != 0)
            return kInputError;
        const uint32_t state = DeriveInputState(h, Manager()->CurrentInputState());
        info = ToCpwHdmiInfo(h, state);
        return state;
    }
    bool CheckWatchdog() override { return Manager() != nullptr && Manager()->CheckWatchdog(); }
    bool SuspendDevice() override { return Manager() != nullptr && Manager()->Suspend(); }
    bool ResumeDevice() override { return Manager() != nullptr && Manager()->Resume(); }
    bool HdmiChanged() override { return Flags().hdmi_changed.load() != 0; }
    bool TakeStateChanged() override { return Flags().state_changed.exchange(0) != 0; }
    void RestoreStateChanged() override { Flags().state_changed.store(1); }
    void SetSettle(bool on) override { Flags().settle.store(on ? 1 : 0); }

    void QueueAudio(uint32_t on) override {
        if (Manager() != nullptr) Requests::Audio(Manager()->Queue(), on);
    }
    void QueueVideo(uint32_t on) override {
        if (Manager() != nullptr) Requests::Video(Manager()->Queue(), on);
    }
    void QueuePosition(int32_t x, int32_t y, int32_t w, int32_t h) override {
        if (Manager() != nullptr) Requests::Position(Manager()->Queue(), x, y, w, h);
    }
    void QueueZoom(int32_t x, int32_t y, uint16_t w, uint16_t h) override {
        if (Manager() != nullptr) Requests::Zoom(Manager()->Queue(), x, y, w, h);
    }
    void QueueZoomWhole() override {
        if (Manager() != nullptr) Requests::ZoomWhole(Manager()->Queue());
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
    InputManager* Manager() { return v_.manager.get(); }
    VideoInput& v_;
    std::unique_lock<std::mutex> hold_;  // the queue's apply lock while a still is read
};

}  // namespace

std::unique_ptr<VideoHost> MakeLibraryVideoHost(VideoInput& owner) { return std::make_unique<LibraryVideoHost>(owner); }

}  // namespace Capwell::Lib
