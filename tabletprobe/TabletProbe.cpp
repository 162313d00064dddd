// Tablet-mode probe: a thread with a hidden window that watches setting
// changes and posts "Harlowe_Tavrin_ModChg" to the caller's window whenever
// the user-interaction mode differs from the last one seen.
//
// Threads: InitTavrin, GetTavrin and FinalizeTavrin run on the caller's
// thread (Init and Finalize never overlap); the window procedure runs on the
// probe thread. No locks: what both sides touch is atomic, and the probe
// thread's class name is its own copy.
#include "Tavrin.h"

#include <objbase.h>
#include <process.h>
#include <windows.h>

#include <atomic>
#include <memory>
#include <new>
#include <string>

#include "tabletprobe/ModeQuery.h"
#include "winkit/Handle.h"
#if defined(TAVRIN_TEST_HOOKS)
#include "tabletprobe/TestHooks.h"
#endif

namespace {

using ModeQuery = int32_t (*)(HWND);

int32_t SystemModeQuery(HWND window) { return Tavrin::QueryInteractionMode(window, Tavrin::SystemWinRt()); }

std::atomic<ModeQuery> g_query{&SystemModeQuery};
std::atomic<HWND> g_notify{nullptr};
std::atomic<HWND> g_hidden{nullptr};
std::atomic<UINT> g_change_message{0};
// Caller's thread only. A handle rather than a winkit::Thread: a probe thread
// that does not end within the finalisation bound is let go, not joined.
winkit::UniqueHandle g_thread;

// Probe thread only.
int32_t g_last_mode = -1;
bool g_com_initialised = false;

constexpr DWORD kFinalizeWaitMs = 5000;

HINSTANCE ThisModule() {
    // The module holding this code: Tavrin_x64.dll in the product, the test
    // program in the test build.
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&ThisModule), &module);
    return module;
}

void PostChange(int32_t mode) {
    PostMessageW(g_notify.load(), g_change_message.load(), static_cast<WPARAM>(static_cast<intptr_t>(mode)), 0);
}

LRESULT CALLBACK ProbeWndProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_CREATE: {
            const UINT id = RegisterWindowMessageW(TAVRIN_CHANGE_MESSAGE_NAME);
            if (id == 0) return -1;
            g_change_message = id;
            return 0;
        }
        case WM_SETTINGCHANGE: {
            const int32_t mode = g_query.load()(window);
            if (mode != g_last_mode) {
                PostChange(mode);
                g_last_mode = mode;
            }
            return 0;
        }
        case WM_DESTROY:
            if (g_com_initialised) {
                CoUninitialize();
                g_com_initialised = false;
            }
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcW(window, message, wparam, lparam);
    }
}

unsigned __stdcall ProbeThread(void* arg) {
    const std::unique_ptr<std::wstring> class_name(static_cast<std::wstring*>(arg));
    const HINSTANCE instance = ThisModule();

    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = ProbeWndProc;
    wc.hInstance = instance;
    wc.lpszClassName = class_name->c_str();
    if (!RegisterClassExW(&wc)) return 0;

    g_last_mode = -1;
    const HWND window = CreateWindowExW(WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW, class_name->c_str(), class_name->c_str(), 0,
                                        0, 0, 0, 0, nullptr, nullptr, instance, nullptr);
    if (!window) {
        UnregisterClassW(class_name->c_str(), instance);
        return 0;
    }
    ShowWindow(window, SW_HIDE);

    g_com_initialised = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    if (g_com_initialised) g_last_mode = g_query.load()(window);
    // Published only now, so once InitTavrin has returned, the mode it started
    // with is known and every later change is compared against it.
    g_hidden = window;

    MSG msg;
    for (;;) {
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) break;
        if (got == -1) {
            PostChange(TAVRIN_MODE_LOOP_FAILED);
            break;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }

    // Leave nothing behind, so the next InitTavrin can register the same
    // class name again.
    if (IsWindow(window)) DestroyWindow(window);
    if (g_com_initialised) {
        CoUninitialize();
        g_com_initialised = false;
    }
    UnregisterClassW(class_name->c_str(), instance);
    return 0;
}

}  // namespace

#if defined(TAVRIN_TEST_HOOKS)
extern "C" void TavrinTest_SetModeQuery(TavrinModeQueryFn query) {
    g_query = query ? query : &SystemModeQuery;
}
#endif

extern "C" int32_t TAVRINAPI InitTavrin(TavrinWindow notify_window, const TavrinWChar* class_name) {
    g_notify = notify_window;
    if (!notify_window || !class_name) return 0;
    // Already running: the new notify window is taken, the thread is kept.
    if (g_thread) return g_hidden.load() ? 1 : 0;

    g_hidden = nullptr;
    auto* name = new (std::nothrow) std::wstring;
    if (!name) return 0;
    try {
        name->assign(class_name);
    } catch (...) {
        delete name;
        return 0;
    }
    const uintptr_t thread = _beginthreadex(nullptr, 0, ProbeThread, name, 0, nullptr);
    if (thread == 0) {
        delete name;
        return 0;
    }
    g_thread.Reset(reinterpret_cast<HANDLE>(thread));

    for (;;) {
        if (g_hidden.load()) return 1;
        if (WaitForSingleObject(g_thread.Get(), 1) != WAIT_TIMEOUT) {
            g_thread.Reset();
            return 0;
        }
    }
}

extern "C" int32_t TAVRINAPI GetTavrin(void) { return g_query.load()(g_hidden.load()); }

extern "C" int32_t TAVRINAPI FinalizeTavrin(void) {
    if (!g_thread) return 1;
    // Posted, not sent: a probe thread that no longer pumps messages must not
    // hold the caller beyond the 5-second bound. WM_CLOSE destroys the window
    // on its own thread, whose WM_DESTROY then ends the loop.
    PostMessageW(g_hidden.load(), WM_CLOSE, 0, 0);
    const bool ended = WaitForSingleObject(g_thread.Get(), kFinalizeWaitMs) == WAIT_OBJECT_0;
    g_thread.Reset();
    // The window is gone with the thread; a stale handle could name another
    // window later.
    if (ended) g_hidden = nullptr;
    return ended ? 1 : 0;
}
