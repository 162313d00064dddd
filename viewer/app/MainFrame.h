// The main frame window: it owns the layout, talks to the capture library and
// feeds every state change to the resolver.
#pragma once

#include <windows.h>

#include "viewer/framework/Frame.h"
#include "viewer/framework/Raii.h"

namespace vistrel {

inline constexpr const wchar_t* kMainWindowClass = L"Harlowe Vistrel MainWndClass";
inline constexpr const wchar_t* kGlobalMutexName = L"Global\\VistrelGlobalMutex";
inline constexpr const wchar_t* kUserMutexName = L"VistrelUserMutex";
// WS_OVERLAPPEDWINDOW with the add-title style.
inline constexpr DWORD kFrameStyle = 0xCF8000;

class CVideoInputFrame : public fw::FrameWindow {
public:
    explicit CVideoInputFrame(int alreadyRunning) noexcept : alreadyRunning_(alreadyRunning) {}
    static LPCWSTR RegisterMainClass() noexcept;
    bool LoadFrame(DWORD style);
    int AlreadyRunning() const noexcept { return alreadyRunning_; }

protected:
    LRESULT HandleMessage(UINT msg, WPARAM w, LPARAM l) override;
    // Once loaded the frame owns itself: it is deleted when its window is gone.
    void OnFinalMessage() override {
        if (selfOwned_) delete this;
    }

private:
    int alreadyRunning_;
    bool selfOwned_ = false;
    fw::UniqueIcon icon_;
};

}  // namespace vistrel
