// The user-interaction mode of a window, read from the Windows Runtime view
// settings. The two Windows Runtime entry points are passed in, so the
// library loads where they do not exist (Wine, Windows before 8) and tests
// can hand in fakes.
#pragma once

#include <windows.h>
#include <inspectable.h>
#include <winstring.h>

#include <cstdint>

namespace Tavrin {

struct WinRtApi {
    HRESULT(WINAPI* createStringReference)(PCWSTR text, UINT32 length, HSTRING_HEADER* header,
                                           HSTRING* string) = nullptr;
    HRESULT(WINAPI* getActivationFactory)(HSTRING class_id, REFIID iid, void** factory) = nullptr;
};

// combase.dll's entry points, resolved once; both null where they are missing.
const WinRtApi& SystemWinRt();

// The runtime class and interface ids the query uses.
extern const wchar_t kViewSettingsClass[];
extern const IID kIidViewSettingsInterop;  // IUIViewSettingsInterop
extern const IID kIidViewSettings;         // IUIViewSettings

// IUIViewSettingsInterop and IUIViewSettings as far as the query uses them
// (same vtable layout as the Windows SDK's declarations).
struct IViewSettingsInterop : IInspectable {
    virtual HRESULT STDMETHODCALLTYPE GetForWindow(HWND window, REFIID iid, void** settings) = 0;
};
struct IViewSettings : IInspectable {
    // UserInteractionMode: 0 Mouse, 1 Touch.
    virtual HRESULT STDMETHODCALLTYPE get_UserInteractionMode(int32_t* mode) = 0;
};

constexpr int kQueryAttempts = 5;

// 1 desktop (Mouse), 2 tablet (Touch), 0 another mode, -1 not read: a null
// window, missing entry points, five failed attempts, or a null interface
// handed back by a call that claimed success.
int32_t QueryInteractionMode(HWND window, const WinRtApi& api);

}  // namespace Tavrin
