// The bridge session of the capture library: device and plane, the worker
// that applies queued requests, HDMI and watchdog reads, the bridge callbacks
// (which only raise flags), suspend and resume.
//
// Lock order (outermost first): the queue's apply lock, the queue lock, the
// log lock. The bridge's own locks are never held across a call into this
// library's callbacks.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "Capwell.h"
#include "Handle.h"
#include "RequestQueue.h"
#include "Tolvane.h"

namespace Capwell::Lib {

class AudioPassThrough;

// Flags the bridge callbacks raise and the window thread reads (plain 32-bit
// words in effect; atomics so the threads agree without locks).
struct CallbackFlags {
    std::atomic<uint32_t> hdmi_changed{0};
    std::atomic<uint32_t> state_changed{0};
    std::atomic<uint32_t> settle{1};
};
CallbackFlags& Flags();

// Process-wide bridge handles: zero while no session exists.
extern KdrHandle g_device;
extern int32_t g_plane;

class InputManager {
public:
    // The single manager; null when one exists already or the start failed.
    static InputManager* Create(bool api_log, const std::wstring& name);
    static InputManager* Instance();

    bool StartPlane(int32_t display_width, int32_t display_height, uint16_t interval,
                    uint16_t time, uint16_t wdt_interval, uint16_t wdt_err_count);
    // Drains and stops the worker, closes the session, destroys the manager.
    void Shutdown();
    bool Suspend();
    bool Resume();

    // Reads the HDMI record (when the session is open) and returns the input
    // state 0..3; fills `out` when given.
    uint32_t ReadHdmi(CpwHdmiInfo* out);
    bool CheckWatchdog();
    bool ReadFirmware(uint32_t& version_no);
    bool ReadApiVersion(uint32_t& version_no);
    // Plane switches, called on the window thread.
    bool SwitchToLive();
    bool SwitchToPause();
    bool ReadPlaneState(int32_t& state);

    RequestQueue& queue() { return queue_; }
    bool open() const { return open_; }
    uint32_t input_state() const { return input_state_; }
    const KdrWdtInfo& wdt() const { return wdt_; }
    const KdrHdmiInfo& hdmi() const { return hdmi_; }
    uint8_t* movie_buffer() { return movie_buffer_.get(); }

private:
    InputManager() = default;
    ~InputManager();
    bool ConfigureOutput(uint16_t time, uint16_t wdt_interval, uint16_t wdt_err_count);
    bool RegisterCallbacks();
    void StartWorker();
    void WorkerLoop();
    bool ReadWdt();

    uint32_t open_ = 0;
    uint32_t plane_created_ = 0;
    uint32_t hdmi_cb_ = 0, state_cb_ = 0, movie_cb_ = 0;
    KdrHdmiInfo hdmi_{};
    KdrWdtInfo wdt_{};
    std::unique_ptr<AudioPassThrough> audio_;
    UniqueHandle worker_;  // the worker thread
    RequestQueue queue_;
    std::atomic<uint32_t> stop_{0};
    UniqueHandle wake_;    // set to end the worker's sleep at a stop request
    uint32_t input_state_ = 2;
    std::atomic<uint32_t> interval_{16};
    uint16_t saved_time_ = 0, saved_wdt_interval_ = 0, saved_wdt_err_count_ = 0;
    std::unique_ptr<uint8_t[]> movie_buffer_;
};

}  // namespace Capwell::Lib
