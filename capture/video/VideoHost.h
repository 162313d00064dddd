// What the video control needs from the rest of the library: the bridge's
// plane calls, the input manager's reads and request queue, and the hidden
// window's timers and client notification. The library implements it over
// Tolvane and Win32; tests implement it with fakes. Platform-free.
#pragma once

#include <cstddef>
#include <cstdint>

#include "Capwell.h"
#include "Tolvane.h"

namespace Capwell::Lib {

enum : int { kTimerSupervision = 1, kTimerSettle = 2 };

// Input states of the manager's HDMI read.
enum InputState : uint32_t {
    kInputCableLost = 0,
    kInputNoSignal = 1,
    kInputSignal = 2,
    kInputError = 3,
};

class VideoHost {
public:
    virtual ~VideoHost() = default;

    // Bridge calls on the video plane (bridge result codes; the host reports
    // and logs failures).
    virtual bool SessionOpen() = 0;
    [[nodiscard]] virtual int32_t GetPlaneState(int32_t& state) = 0;  // KDR_VP_STATE
    [[nodiscard]] virtual int32_t Play() = 0;
    [[nodiscard]] virtual int32_t Pause() = 0;
    [[nodiscard]] virtual int32_t Movie() = 0;
    [[nodiscard]] virtual int32_t SetMovieSetting(const KdrMovieSetting& setting) = 0;
    [[nodiscard]] virtual int32_t GetStillInfo(KdrStillInfo& info) = 0;
    [[nodiscard]] virtual int32_t GetStillBitmap(KdrBuffer& bitmap) = 0;
    // Keep the worker's apply passes off the bridge until released: each pass
    // ends with a redraw, and a redraw drops the still the controller prepared.
    virtual void HoldRequests() = 0;
    virtual void ReleaseRequests() = 0;
    // The manager's movie buffer (null while there is no manager).
    virtual void* MovieBuffer(uint32_t& bytes) = 0;

    // Input manager.
    // Reads the HDMI state (InputState) and clears the HDMI-changed flag.
    virtual uint32_t ReadHdmi(CpwHdmiInfo& info) = 0;
    // Reads the HDMI state but leaves a pending HDMI change for timer 1.
    virtual uint32_t QueryHdmi(CpwHdmiInfo& info) = 0;
    [[nodiscard]] virtual bool CheckWatchdog() = 0;
    [[nodiscard]] virtual bool SuspendDevice() = 0;
    [[nodiscard]] virtual bool ResumeDevice() = 0;
    virtual bool HdmiChanged() = 0;
    // Takes the state-changed flag (reads and clears it); Restore raises it
    // again after a failed plane state read.
    virtual bool TakeStateChanged() = 0;
    virtual void RestoreStateChanged() = 0;
    virtual void SetSettle(bool on) = 0;

    // Requests for the worker.
    virtual void QueueAudio(uint32_t on) = 0;
    virtual void QueueVideo(uint32_t on) = 0;
    virtual void QueuePosition(int32_t x, int32_t y, int32_t w, int32_t h) = 0;
    virtual void QueueZoom(int32_t x, int32_t y, uint16_t width, uint16_t height) = 0;
    virtual void QueueZoomWhole() = 0;
    // Probes the display again and queues the display and the angle group.
    virtual void RefreshDisplay() = 0;

    // Hidden window.
    virtual void Notify(uint32_t code) = 0;  // to the registered client, if it is a window
    virtual void StartTimer(int id) = 0;     // unless it runs
    virtual void StopTimer(int id) = 0;
    virtual void Sleep(uint32_t ms) = 0;
};

// The file a still image is written to.
class StillFile {
public:
    virtual ~StillFile() = default;
    [[nodiscard]] virtual bool Create(const CpwWChar* path) = 0;  // truncating, shared
    [[nodiscard]] virtual bool Write(const uint8_t* data, std::size_t size) = 0;
    [[nodiscard]] virtual bool Close() = 0;
    [[nodiscard]] virtual bool Exists(const CpwWChar* path) = 0;
    virtual void Remove(const CpwWChar* path) = 0;
};

}  // namespace Capwell::Lib
