#include "ControlsTestSupport.h"

#include "viewer/core/Messages.h"

namespace controls_test {

bool RecordingParent::Create(int width, int height) {
    LPCWSTR cls = fw::Window::RegisterClassOnce(L"ControlsTestParent", CS_DBLCLKS,
                                                static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    return CreateEx(0, cls, L"controls", WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_CLIPCHILDREN,
                    RECT{0, 0, width, height}, nullptr, 0);
}

std::vector<Sent> RecordingParent::Of(UINT msg) const {
    std::vector<Sent> out;
    for (const Sent& s : sent) {
        if (s.msg == msg) out.push_back(s);
    }
    return out;
}

LRESULT RecordingParent::HandleMessage(UINT msg, WPARAM w, LPARAM l) {
    if (msg == vistrel::msg::kToggleState || msg == vistrel::msg::kPointerInput ||
        msg == vistrel::msg::kNumberValue) {
        sent.push_back({msg, w, l});
        return 0;
    }
    if (msg == WM_COMMAND && l != 0) sent.push_back({msg, LOWORD(w), HIWORD(w)});
    return fw::Window::HandleMessage(msg, w, l);
}

bool PumpUntil(const std::function<bool()>& done, DWORD ms) {
    const ULONGLONG end = GetTickCount64() + ms;
    MSG m;
    while (!done()) {
        if (GetTickCount64() > end) return false;
        while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&m);
            DispatchMessageW(&m);
        }
        Sleep(5);
    }
    return true;
}

void Pump(DWORD ms) {
    PumpUntil([] { return false; }, ms);
}

COLORREF PixelOf(HWND hwnd, int x, int y) {
    // Drawn into a bitmap of our own through WM_PRINTCLIENT, so nothing on
    // screen (another window, the display) can change what is read.
    RECT r{};
    GetClientRect(hwnd, &r);
    HDC screen = GetDC(hwnd);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bmp = CreateCompatibleBitmap(screen, r.right, r.bottom);
    HGDIOBJ old = SelectObject(dc, bmp);
    SendMessageW(hwnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT | PRF_ERASEBKGND);
    const COLORREF c = GetPixel(dc, x, y);
    SelectObject(dc, old);
    DeleteObject(bmp);
    DeleteDC(dc);
    ReleaseDC(hwnd, screen);
    return c;
}

}  // namespace controls_test
