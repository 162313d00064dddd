// A client window for the Wine tests: it registers nothing itself, but records
// every "Capwell_NotifyMessage" it receives (g_code, once the test has asked the
// library for it) in order, and helpers pump its messages while a test waits.
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <vector>

inline std::vector<WPARAM> g_notes;
inline UINT g_code = 0;
// What the client does on a notification, on its own thread (none: only record).
inline std::function<void(WPARAM)> g_react;

inline LRESULT CALLBACK ClientProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    if (g_code != 0 && msg == g_code) {
        g_notes.push_back(wp);
        if (g_react) g_react(wp);
        return 0;
    }
    return DefWindowProcW(h, msg, wp, lp);
}

inline HWND MakeClient() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = ClientProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"CwVideoTestClient";
    RegisterClassW(&wc);
    return CreateWindowExW(0, wc.lpszClassName, L"client", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100,
                           nullptr, nullptr, wc.hInstance, nullptr);
}

inline void Pump(int ms) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    do {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(5);
    } while (std::chrono::steady_clock::now() < end);
}

inline bool PumpUntil(const std::function<bool()>& done, int timeout_ms) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    while (std::chrono::steady_clock::now() < end) {
        if (done()) return true;
        Pump(10);
    }
    return done();
}

inline int Count(WPARAM code) {
    int n = 0;
    for (WPARAM w : g_notes) n += w == code;
    return n;
}
