#include "viewer/app/PelmoraApp.h"

#include <commctrl.h>

#include <memory>

#include "viewer/app/MainFrame.h"

namespace vistrel {

bool CPelmoraApp::InitInstance() {
    INITCOMMONCONTROLSEX icc{sizeof icc, 0xFF};
    InitCommonControlsEx(&icc);

    SetLastError(ERROR_SUCCESS);
    const bool global_created = global_mutex_.Create(kGlobalMutexName);
    const bool user_created = user_mutex_.Create(kUserMutexName);
    if (!internal_display_) internal_display_.emplace();

    if (!global_created && !user_created) {
        // Another instance runs in this session: bring it forward and end.
        if (HWND other = FindWindowW(kMainWindowClass, nullptr)) {
            if (IsIconic(other)) ShowWindow(other, SW_RESTORE);
            SetForegroundWindow(other);
        }
        return true;
    }

    auto frame = std::make_unique<CVideoInputFrame>(global_created ? 0 : 1, *internal_display_);
    if (!frame->LoadFrame(kFrameStyle)) return false;
    // From here the window owns the frame (it deletes itself when the window is gone).
    frame_ = frame.release();
    SetMainWindow(frame_);
    ShowWindow(frame_->Handle(), SW_SHOW);
    UpdateWindow(frame_->Handle());
    return true;
}

bool CPelmoraApp::PreTranslateMessage(MSG& msg) {
    if (MainWindow() != nullptr && frame_ != nullptr) frame_->PreTranslate(msg);
    return Application::PreTranslateMessage(msg);
}

int CPelmoraApp::ExitInstance() {
    frame_ = nullptr;
    internal_display_.reset();
    global_mutex_.Close();
    user_mutex_.Close();
    return Application::ExitInstance();
}

}  // namespace vistrel
