// Audio pass-through: copies the samples of the line-level capture endpoint
// (the controller's HDMI audio) to the default playback endpoint in real
// time, on a thread of its own, with Core Audio in shared mode.
//
// Start() and Stop() are called by the library's worker thread when it
// applies the audio switch; IsRunning() and the endpoint names may be read
// from any thread.
#pragma once

#include <windows.h>
#include <mmdeviceapi.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "winkit/Sync.h"

namespace Capwell::Lib {

// What the last run found out about one endpoint.
struct AudioEndpointInfo {
    std::wstring description;     // device description, at most 256 characters
    std::wstring interface_name;  // interface friendly name, at most 256 characters
    uint32_t form_factor = 0;     // EndpointFormFactor; 0 until read
};

class AudioPassThrough {
public:
    // How long Stop() waits for the thread.
    static constexpr DWORD kStopWaitMs = 2000;
    // How long the copy loop waits for the playback event before giving up.
    static constexpr DWORD kPlaybackWaitMs = 2000;
    // Shared-mode buffer duration asked of both endpoints (10 ms).
    static constexpr LONGLONG kBufferDuration = 100000;  // REFERENCE_TIME units of 100 ns

    // The endpoints come from `enumerator` (AddRef'd and kept); it must be
    // usable from any thread, as the system's is. Null: every run creates
    // the system's MMDeviceEnumerator on its own thread.
    explicit AudioPassThrough(IMMDeviceEnumerator* enumerator = nullptr);
    ~AudioPassThrough();  // Stop()
    AudioPassThrough(const AudioPassThrough&) = delete;
    AudioPassThrough& operator=(const AudioPassThrough&) = delete;

    // Starts the copy thread, unless one was started and not yet stopped
    // (even one that has ended by itself: it is started again only after
    // Stop()).
    void Start();
    // Asks the thread to end and waits for it at most kStopWaitMs. A thread
    // that has not ended by then finishes on its own later without touching
    // this object.
    void Stop();
    // A thread was started and has not ended yet.
    [[nodiscard]] bool IsRunning() const;

    AudioEndpointInfo CaptureEndpoint() const;
    AudioEndpointInfo PlaybackEndpoint() const;
    // How the last thread ended: S_OK after a normal stop, otherwise the
    // result of the call that failed (E_FAIL: no line-level capture endpoint).
    [[nodiscard]] HRESULT LastResult() const;

    struct Shared;  // state the object shares with its threads
    struct Run;     // one started thread

private:
    std::shared_ptr<Shared> shared_;
    mutable winkit::Mutex mutex_;  // guards run_
    std::shared_ptr<Run> run_;
};

}  // namespace Capwell::Lib
