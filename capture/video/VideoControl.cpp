#include "capture/video/VideoControl.h"

#include <algorithm>
#include <limits>
#include <memory>
#include <new>

#include "capture/video/Picture.h"

namespace Capwell::Lib {

namespace {
constexpr uint32_t kBitmapHeaderBytes = 54;
constexpr uint32_t kSuspendAnswerDelayMs = 1000;

// Holds the worker's passes for a scope.
class RequestHold {
public:
    explicit RequestHold(VideoHost& host) : host_(host) { host_.HoldRequests(); }
    ~RequestHold() { host_.ReleaseRequests(); }
    RequestHold(const RequestHold&) = delete;
    RequestHold& operator=(const RequestHold&) = delete;

private:
    VideoHost& host_;
};

int32_t ClampedDifference(int32_t a, int32_t b) {
    const int64_t d = static_cast<int64_t>(a) - b;
    return static_cast<int32_t>(std::clamp<int64_t>(d, std::numeric_limits<int32_t>::min(),
                                                     std::numeric_limits<int32_t>::max()));
}
}  // namespace

PowerAction PowerBroadcastAction(uint32_t code, bool display_setting, const uint8_t* data,
                                 uint32_t data_length) {
    switch (code) {
    case 4:  // PBT_APMSUSPEND
    case 5:  // PBT_APMSTANDBY
        return PowerAction::kSuspend;
    case 7:  // PBT_APMRESUMESUSPEND
    case 8:  // PBT_APMRESUMESTANDBY
        return PowerAction::kResume;
    case 0x8013:  // PBT_POWERSETTINGCHANGE
        if (!display_setting || data == nullptr || data_length < 1) return PowerAction::kNone;
        if (data[0] == 0) return PowerAction::kSuspend;
        if (data[0] == 1) return PowerAction::kResume;
        return PowerAction::kNone;  // 2 = dimmed: the display still shows the picture
    default:
        return PowerAction::kNone;
    }
}

PowerAction SessionChangeAction(uint32_t code) {
    switch (code) {
    case 2:  // WTS_CONSOLE_DISCONNECT
    case 7:  // WTS_SESSION_LOCK
        return PowerAction::kSuspend;
    case 1:  // WTS_CONSOLE_CONNECT
    case 8:  // WTS_SESSION_UNLOCK
        return PowerAction::kResume;
    default:
        return PowerAction::kNone;
    }
}

VideoControl::VideoControl(VideoHost& host, VideoState& state) : host_(host), state_(state) {}

std::size_t SetStateBatch(uint32_t mode, uint32_t video, uint32_t audio, uint32_t out[3]) {
    std::size_t n = 0;
    switch (mode) {
    case CPW_MODE_LIVE: out[n++] = EV_LIVE; break;
    case CPW_MODE_PAUSE: out[n++] = EV_PAUSE; break;
    // The client asks for movie format 1; formats 2 and 3 come only from a
    // plane state report.
    case CPW_MODE_MOVIE: out[n++] = EV_MOVIE_FORMAT1; break;
    default: break;
    }
    out[n++] = video ? EV_VIDEO_ON : EV_VIDEO_OFF;
    out[n++] = audio ? EV_AUDIO_ON : EV_AUDIO_OFF;
    return n;
}

// ---- Handler ---------------------------------------------------------------

void VideoControl::OnVideoStateChanged(const VideoStateChangedEventArgs& args) {
    const VideoWords& o = args.old_words;
    const VideoWords& n = args.new_words;
    if (o.mode != n.mode) SwitchPlane(n);
    if (o.audio != n.audio) host_.QueueAudio(n.audio);
    if (o.video != n.video) host_.QueueVideo(n.video != 0 ? 1 : 0);
    host_.Notify(CPW_NOTIFY_STATE);
}

void VideoControl::SwitchPlane(const VideoWords& now) {
    int32_t plane = 0;
    switch (now.mode) {
    case CPW_MODE_LIVE:
        if (host_.GetPlaneState(plane) == KDR_OK && plane != KDR_STATE_LIVE) host_.Play();
        break;
    case CPW_MODE_PAUSE:
        if (host_.GetPlaneState(plane) != KDR_OK) break;
        // The controller cannot pause a running movie directly: back to live
        // first, or a still taken with the waveform open could never succeed.
        if (plane == KDR_STATE_MOVIE && host_.Play() != KDR_OK) break;
        if (plane != KDR_STATE_PAUSED) host_.Pause();
        break;
    case CPW_MODE_MOVIE:
        StartMovie(now.movie_format);
        break;
    default:
        break;
    }
}

void VideoControl::StartMovie(uint32_t movie_format) {
    if (!host_.SessionOpen()) return;
    int32_t plane = 0;
    if (host_.GetPlaneState(plane) != KDR_OK || plane == KDR_STATE_MOVIE) return;
    if (plane != KDR_STATE_LIVE && plane != KDR_STATE_PAUSED) return;
    CpwHdmiInfo info{};
    if (host_.QueryHdmi(info) != kInputSignal || info.detect_hdcp != 0) return;
    KdrXY size{};
    if (!FitMovieSize(info.width, info.height, size)) return;
    uint32_t bytes = 0;
    void* buffer = host_.MovieBuffer(bytes);
    if (buffer == nullptr) return;
    // A paused plane goes live first: the controller starts a movie only from live.
    if (plane == KDR_STATE_PAUSED && host_.Play() != KDR_OK) return;
    const KdrMovieSetting setting = MakeMovieSetting(size, movie_format, buffer, bytes);
    if (host_.SetMovieSetting(setting) != KDR_OK) return;
    last_movie_format_ = setting.format;
    host_.Movie();
}

// ---- Exports ---------------------------------------------------------------

void VideoControl::SetState(uint32_t mode, uint32_t video, uint32_t audio) {
    uint32_t batch[3];
    const std::size_t n = SetStateBatch(mode, video, audio, batch);
    state_.Post(batch, n);
}

void VideoControl::SetVideoPosition(int32_t left, int32_t top, int32_t right, int32_t bottom) {
    host_.RefreshDisplay();
    host_.QueuePosition(left, top, ClampedDifference(right, left), ClampedDifference(bottom, top));
}

void VideoControl::Zoom(const CpwZoomRect& zoom) {
    host_.QueueZoom(zoom.x, zoom.y, zoom.width, zoom.height);
}

void VideoControl::ResetZoom() { host_.QueueZoomWhole(); }

void VideoControl::PostInitDone(uint32_t input_state) {
    uint32_t batch[2] = {EV_INIT_DONE, 0};
    std::size_t n = 1;
    switch (input_state) {
    case kInputSignal: batch[n++] = EV_SIGNAL; break;
    case kInputCableLost: batch[n++] = EV_CABLE_LOST; break;
    case kInputNoSignal: batch[n++] = EV_NO_SIGNAL; break;
    default: break;
    }
    state_.Post(batch, n);
}

CpwResult VideoControl::SaveBitmapImage(const CpwWChar* path, StillFile& file) {
    const bool was_paused = state_.Words().mode == CPW_MODE_PAUSE;
    if (!was_paused) state_.Post({EV_PAUSE});
    const CpwResult result = CaptureStill(path, file);
    if (!was_paused) state_.Post({EV_LIVE});
    return result;
}

CpwResult VideoControl::CaptureStill(const CpwWChar* path, StillFile& file) {
    if (!host_.SessionOpen()) return CPW_E_NOT_READY;
    CpwHdmiInfo info{};
    if (host_.QueryHdmi(info) != kInputSignal || info.detect_hdcp != 0) return CPW_E_QUERY;
    std::unique_ptr<uint8_t[]> data;
    uint32_t size = 0;
    {
        // A worker pass between the still info and the bitmap would redraw the
        // plane and the bridge would refuse the bitmap.
        RequestHold hold(host_);
        int32_t plane = 0;
        if (host_.GetPlaneState(plane) != KDR_OK || plane != KDR_STATE_PAUSED) return CPW_E_QUERY;
        KdrStillInfo still{};
        if (host_.GetStillInfo(still) != KDR_OK) return CPW_E_QUERY;
        // Not even a bitmap header: nothing that could be written as an image.
        if (still.datasize < kBitmapHeaderBytes) return CPW_E_QUERY;
        data.reset(new (std::nothrow) uint8_t[still.datasize]);
        if (!data) return CPW_E_QUERY;
        KdrBuffer bitmap{data.get(), still.datasize};
        if (host_.GetStillBitmap(bitmap) != KDR_OK) return CPW_E_QUERY;
        size = std::min(bitmap.size, still.datasize);
    }
    return WriteStillFile(file, path, data.get(), size);
}

CpwResult WriteStillFile(StillFile& file, const CpwWChar* path, const uint8_t* data,
                         std::size_t size) {
    if (!file.Create(path)) return CPW_E_OPEN;
    bool ok = file.Write(data, size);
    ok = file.Close() && ok;  // a close can report a failed deferred write
    if (ok) return CPW_OK;
    if (file.Exists(path)) file.Remove(path);
    return CPW_E_WRITE;
}

// ---- Hidden window ---------------------------------------------------------

uint32_t VideoControl::InputEvent(uint32_t status) const {
    switch (status) {
    case 0: return EV_SIGNAL;
    case 1: return EV_NO_SIGNAL;
    default: return EV_CABLE_LOST;
    }
}

void VideoControl::OnSupervisionTimer() {
    if (!host_.CheckWatchdog()) host_.Notify(CPW_NOTIFY_WATCHDOG);

    if (host_.TakeStateChanged()) {
        int32_t plane = 0;
        if (host_.GetPlaneState(plane) != KDR_OK) {
            host_.RestoreStateChanged();
        } else if (plane == KDR_STATE_PAUSED) {
            state_.Post({EV_PAUSE});
        } else if (plane == KDR_STATE_MOVIE) {
            uint32_t ev = EV_MOVIE_FORMAT2;
            if (!host_.SessionOpen() || last_movie_format_ == KDR_MOVIE_FORMAT_3) {
                ev = EV_MOVIE_FORMAT3;
            } else if (last_movie_format_ == KDR_MOVIE_FORMAT_1) {
                ev = EV_MOVIE_FORMAT1;
            }
            state_.Post({ev});
        } else {
            state_.Post({EV_LIVE});
        }
    }

    if (host_.HdmiChanged()) {
        CpwHdmiInfo info{};
        const uint32_t input = host_.ReadHdmi(info);
        state_.Post({input == kInputError ? static_cast<uint32_t>(EV_DEVICE_ERROR)
                                          : InputEvent(info.status)});
        host_.Notify(CPW_NOTIFY_HDMI);
    }
}

void VideoControl::OnSettleTimer() { host_.SetSettle(true); }

void VideoControl::OnDisplayChange(bool initialised) {
    if (initialised) host_.RefreshDisplay();
    state_.Post({EV_DISPLAY_CHANGED});
}

void VideoControl::Suspend() {
    if (state_.Suspended()) return;
    state_.Post({EV_SUSPEND});
    host_.StopTimer(kTimerSupervision);
    if (!host_.SuspendDevice()) host_.Notify(CPW_NOTIFY_POWER);
}

void VideoControl::Resume() {
    // Without a suspend there is nothing saved to restore the device from.
    if (!state_.Suspended()) return;
    host_.SetSettle(false);
    const bool resumed = host_.ResumeDevice();
    host_.StartTimer(kTimerSupervision);
    host_.StartTimer(kTimerSettle);
    CpwHdmiInfo info{};
    const uint32_t input = host_.ReadHdmi(info);
    state_.Post({EV_RESUME, input == kInputError ? static_cast<uint32_t>(EV_DEVICE_ERROR)
                                                 : InputEvent(info.status)});
    if (!resumed || input == kInputError) host_.Notify(CPW_NOTIFY_POWER);
}

void VideoControl::OnPowerAction(PowerAction action, bool initialised, bool sleep_after_suspend) {
    if (!initialised) return;
    if (action == PowerAction::kSuspend) {
        const bool was = state_.Suspended();
        Suspend();
        // Give the device its time before the system goes down.
        if (!was && sleep_after_suspend) host_.Sleep(kSuspendAnswerDelayMs);
    } else if (action == PowerAction::kResume) {
        Resume();
    }
}

}  // namespace Capwell::Lib
