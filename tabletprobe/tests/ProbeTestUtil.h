// Helpers shared by the probe tests: a window to receive the change message,
// and counts of what the process has left behind.
#pragma once

#include <windows.h>
#include <tlhelp32.h>

#include <cstdint>
#include <optional>

namespace probe_test {

// A message-only window on the calling thread for the change message.
class NotifyWindow {
public:
    NotifyWindow() {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"TavrinTestNotify";
        RegisterClassExW(&wc);  // may exist from an earlier test
        hwnd_ = CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    }
    ~NotifyWindow() {
        if (hwnd_) DestroyWindow(hwnd_);
    }
    NotifyWindow(const NotifyWindow&) = delete;
    NotifyWindow& operator=(const NotifyWindow&) = delete;

    HWND Window() const { return hwnd_; }

    // The next change message already in the queue, if any.
    std::optional<MSG> TakeChange() {
        const UINT id = RegisterWindowMessageW(L"Harlowe_Tavrin_ModChg");
        MSG msg;
        if (PeekMessageW(&msg, hwnd_, id, id, PM_REMOVE)) return msg;
        return std::nullopt;
    }

private:
    HWND hwnd_ = nullptr;
};

inline int ThreadsOfThisProcess() {
    const HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snap == INVALID_HANDLE_VALUE) return -1;
    int count = 0;
    THREADENTRY32 te{};
    te.dwSize = sizeof te;
    for (BOOL ok = Thread32First(snap, &te); ok; ok = Thread32Next(snap, &te)) {
        if (te.th32OwnerProcessID == GetCurrentProcessId()) ++count;
        te.dwSize = sizeof te;
    }
    CloseHandle(snap);
    return count;
}

inline bool RunningUnderWine() {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

}  // namespace probe_test
