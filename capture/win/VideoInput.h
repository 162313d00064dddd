// The process-wide object behind the exports and its hidden window.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "Capwell.h"
#include "capture/win/InputManager.h"
#include "capture/core/VideoState.h"
#include "capture/win/Probes.h"
#include "winkit/Handle.h"

namespace Capwell::Lib {
class VideoHost;
class VideoSupervision;
}  // namespace Capwell::Lib

namespace Capwell {

class VideoInput {
public:
    VideoInput();
    ~VideoInput();
    VideoInput(const VideoInput&) = delete;
    VideoInput& operator=(const VideoInput&) = delete;

    // Registers the window class when needed and creates the hidden window on
    // the calling thread; registers "Capwell_NotifyMessage" and the session
    // notification. Idempotent.
    [[nodiscard]] bool EnsureWindow();
    void DestroyHiddenWindow();

    CpwResult Initialize(const CpwInitParams& params);
    CpwResult Finalize();

    void Notify(uint32_t code);
    void Post(std::initializer_list<uint32_t> events) { state.Post(events); }
    void OnVideoStateChanged(Lib::VideoStateChangedEventArgs args);
    // Probes the display again and queues the display and angle groups.
    void ReprobeDisplay();

    // Members in the documented order.
    std::unique_ptr<Lib::InputManager> manager;
    uint32_t initialised = 0;
    HWND client = nullptr;
    UINT message = 0;
    UINT_PTR timer1 = 0, timer2 = 0;
    int32_t display_size[3] = {0, 0, 0};
    int32_t display_angle = 0;
    std::wstring display_name;
    Lib::VideoState state;
    uint32_t reserved = 0;
    // The state handler, timers, power and session reactions, movie and stills.
    std::unique_ptr<Lib::VideoSupervision> video;

    HWND Window() const { return hwnd_.Get(); }

private:
    static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp);

    std::unique_ptr<Lib::VideoHost> host_;  // what `video` drives
    winkit::UniqueWindow hwnd_;
    bool session_registered_ = false;
    // A reference on this library's own image from a successful
    // initialisation to Cpw_Finalize: a client's FreeLibrary before
    // Cpw_Finalize then leaves the image loaded under the hidden window's
    // timer, the worker and the bridge's callbacks instead of unmapping it
    // beneath them (none of those can be stopped under the loader lock).
    winkit::UniqueModule pin_;
};

// The single object; null before load and after Cpw_Finalize.
VideoInput* Instance();
void CreateInstance();
void DestroyInstance();

}  // namespace Capwell
