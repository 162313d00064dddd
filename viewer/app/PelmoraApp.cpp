#include "viewer/app/PelmoraApp.h"

#include <commctrl.h>

#include "viewer/app/MainFrame.h"

namespace vistrel {

bool CPelmoraApp::InitInstance() {
    INITCOMMONCONTROLSEX icc{sizeof icc, 0xFF};
    InitCommonControlsEx(&icc);

    SetLastError(ERROR_SUCCESS);
    const bool globalCreated = globalMutex_.Create(kGlobalMutexName);
    const bool userCreated = userMutex_.Create(kUserMutexName);

    if (!globalCreated && !userCreated) {
        // Another instance runs in this session: bring it forward and end.
        if (HWND other = FindWindowW(kMainWindowClass, nullptr)) {
            if (IsIconic(other)) ShowWindow(other, SW_RESTORE);
            SetForegroundWindow(other);
        }
        return true;
    }

    auto* frame = new CVideoInputFrame(globalCreated ? 0 : 1);
    if (!frame->LoadFrame(kFrameStyle)) {
        delete frame;
        return false;
    }
    SetMainWindow(frame);
    ShowWindow(frame->Handle(), SW_SHOW);
    UpdateWindow(frame->Handle());
    return true;
}

int CPelmoraApp::ExitInstance() {
    globalMutex_.Close();
    userMutex_.Close();
    return Application::ExitInstance();
}

}  // namespace vistrel
