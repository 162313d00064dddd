// For the viewer's screenshots (tools/shots/viewer.sh): switches the running
// Vistrel between full screen and the framed window as its user does, with a
// click on the controller bar's screen-mode button (a mouse move first brings
// back controls hidden for want of input). Exit 0 when the click was made.
#include <windows.h>

#include "resource.h"

namespace {

HWND VisibleControl(HWND frame, int id) {
    struct Search {
        int id;
        HWND found = nullptr;
    } search{id};
    EnumChildWindows(
        frame,
        [](HWND w, LPARAM p) -> BOOL {
            auto* s = reinterpret_cast<Search*>(p);
            if (GetDlgCtrlID(w) == s->id && IsWindowVisible(w)) s->found = w;
            return s->found == nullptr;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

}  // namespace

int wmain() {
    HWND frame = FindWindowW(L"Harlowe Vistrel MainWndClass", nullptr);
    if (frame == nullptr) return 1;
    PostMessageW(frame, WM_MOUSEMOVE, 0, MAKELPARAM(GetTickCount() % 200 + 1, 1));
    HWND button = nullptr;
    for (int i = 0; i < 40 && (button = VisibleControl(frame, IDC_BAR_FULL_SCREEN)) == nullptr; ++i) Sleep(50);
    if (button == nullptr) return 2;
    RECT r{};
    GetClientRect(button, &r);
    const LPARAM at = MAKELPARAM(r.right / 2, r.bottom / 2);
    PostMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageW(button, WM_LBUTTONUP, 0, at);
    return 0;
}
