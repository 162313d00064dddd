#include "viewer/app/Notificators.h"

namespace vistrel {
namespace {

constexpr UINT_PTR kTickTimerId = 1;

// A plain class for the notificators: redraw styles, arrow cursor, null brush.
const wchar_t* RegisterNotificatorClass(const wchar_t* name) {
    return fw::Window::RegisterClassOnce(name, CS_HREDRAW | CS_VREDRAW, static_cast<HBRUSH>(GetStockObject(NULL_BRUSH)));
}

}  // namespace

Notificator::Notificator(const wchar_t* className, UINT message) : className_(className), message_(message) {
    if (RegisterNotificatorClass(className) != nullptr) {
        CreateEx(0, className, L"", 0, RECT{0, 0, 0, 0}, HWND_MESSAGE, 0);
    }
}

int Notificator::Broadcast(const wchar_t* className, UINT message, WPARAM w, LPARAM l) {
    int count = 0;
    HWND previous = nullptr;
    while (HWND hwnd = FindWindowExW(HWND_MESSAGE, previous, className, nullptr)) {
        SendMessageW(hwnd, message, w, l);
        ++count;
        previous = hwnd;
    }
    return count;
}

LRESULT Notificator::HandleMessage(UINT msg, WPARAM w, LPARAM l) {
    if (msg == message_) {
        OnNotify(w, l);
        return 0;
    }
    return Window::HandleMessage(msg, w, l);
}

UIThreadTimer::UIThreadTimer(int intervalMs) : interval_(intervalMs) {
    if (const wchar_t* cls = fw::Window::RegisterClassOnce(L"VistrelUIThreadTimer", 0)) {
        CreateEx(0, cls, L"", 0, RECT{0, 0, 0, 0}, HWND_MESSAGE, 0);
    }
}

UIThreadTimer::~UIThreadTimer() {
    Stop();
    listener_ = nullptr;
}

bool UIThreadTimer::Start() {
    if (timerId_ != 0) return true;
    if (Handle() == nullptr) return false;
    timerId_ = SetTimer(Handle(), kTickTimerId, static_cast<UINT>(interval_), nullptr);
    return timerId_ != 0;
}

void UIThreadTimer::Stop() {
    if (timerId_ != 0 && Handle() != nullptr) KillTimer(Handle(), kTickTimerId);
    timerId_ = 0;
}

LRESULT UIThreadTimer::HandleMessage(UINT msg, WPARAM w, LPARAM l) {
    if (msg == WM_TIMER && w == kTickTimerId && listener_) listener_(TickEventArgs{});
    return Window::HandleMessage(msg, w, l);
}

}  // namespace vistrel
