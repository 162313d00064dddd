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
#include "capture/core/RequestQueue.h"
#include "Tolvane.h"
#include "winkit/Handle.h"
#include "winkit/Sync.h"

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
    // The single manager; null when one exists already or the start failed
    // (the session is shut down again then).
    [[nodiscard]] static std::unique_ptr<InputManager> Create(bool api_log, const std::wstring& name);
    // Shuts down what is still open.
    ~InputManager();
    InputManager(const InputManager&) = delete;
    InputManager& operator=(const InputManager&) = delete;

    [[nodiscard]] bool StartPlane(int32_t display_width, int32_t display_height, uint16_t interval,
                    uint16_t time, uint16_t wdt_interval, uint16_t wdt_err_count);
    // Drains and stops the worker and closes the session; once.
    void Shutdown();
    [[nodiscard]] bool Suspend();
    [[nodiscard]] bool Resume();

    // Reads the HDMI record (when the session is open) and returns the input
    // state 0..3; fills `out` when given.
    [[nodiscard]] uint32_t ReadHdmi(CpwHdmiInfo* out);
    [[nodiscard]] bool CheckWatchdog();
    [[nodiscard]] bool ReadFirmware(uint32_t& version_no);
    [[nodiscard]] bool ReadApiVersion(uint32_t& version_no);
    // Plane switches, called on the window thread.
    [[nodiscard]] bool SwitchToLive();
    [[nodiscard]] bool SwitchToPause();
    [[nodiscard]] bool ReadPlaneState(int32_t& state);

    RequestQueue& Queue() { return queue_; }
    bool IsOpen() const { return open_; }
    uint32_t CurrentInputState() const { return input_state_; }
    const KdrWdtInfo& Wdt() const { return wdt_; }
    const KdrHdmiInfo& Hdmi() const { return hdmi_; }
    uint8_t* MovieBuffer() { return movie_buffer_.get(); }

private:
    InputManager() = default;
    [[nodiscard]] bool ConfigureOutput(uint16_t time, uint16_t wdt_interval, uint16_t wdt_err_count);
    [[nodiscard]] bool RegisterCallbacks();
    void StartWorker();
    void WorkerLoop();
    [[nodiscard]] bool ReadWdt();

    bool shut_down_ = false;
    uint32_t open_ = 0;
    uint32_t plane_created_ = 0;
    uint32_t hdmi_cb_ = 0, state_cb_ = 0, movie_cb_ = 0;
    KdrHdmiInfo hdmi_{};
    KdrWdtInfo wdt_{};
    std::unique_ptr<AudioPassThrough> audio_;
    RequestQueue queue_;
    std::atomic<uint32_t> stop_{0};
    winkit::UniqueHandle wake_;  // set to end the worker's sleep at a stop request
    winkit::Thread worker_;
    uint32_t input_state_ = 2;
    std::atomic<uint32_t> interval_{16};
    uint16_t saved_time_ = 0, saved_wdt_interval_ = 0, saved_wdt_err_count_ = 0;
    std::unique_ptr<uint8_t[]> movie_buffer_;
};

}  // namespace Capwell::Lib
