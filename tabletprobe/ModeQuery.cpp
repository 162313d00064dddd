#include "tabletprobe/ModeQuery.h"

#include <atomic>
#include <mutex>

#include "winkit/Com.h"
#include "winkit/Sync.h"

namespace Tavrin {

const wchar_t kViewSettingsClass[] = L"Windows.UI.ViewManagement.UIViewSettings";
const IID kIidViewSettingsInterop = {0x3694dbf9, 0x8f68, 0x44be, {0x8f, 0xf5, 0x19, 0x5c, 0x98, 0xed, 0xe8, 0xa6}};
const IID kIidViewSettings = {0xc63657f6, 0x8850, 0x470d, {0x88, 0xf8, 0x45, 0x5e, 0x16, 0xea, 0x2c, 0x26}};

namespace {

template <class Fn>
Fn Resolve(HMODULE module, const char* name) {
    // GetProcAddress's FARPROC is cast through void* to the real signature.
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

enum class Attempt { kMode, kRetry, kGiveUp };

Attempt TryOnce(HWND window, const WinRtApi& api, int32_t& mode) {
    HSTRING_HEADER header{};
    HSTRING class_id = nullptr;
    const UINT32 length = static_cast<UINT32>(sizeof(kViewSettingsClass) / sizeof(wchar_t) - 1);
    if (FAILED(api.createStringReference(kViewSettingsClass, length, &header, &class_id))) return Attempt::kRetry;

    winkit::ComPtr<IViewSettingsInterop> interop;
    if (FAILED(api.getActivationFactory(class_id, kIidViewSettingsInterop, interop.PutVoid()))) return Attempt::kRetry;
    if (!interop.Get()) return Attempt::kGiveUp;

    winkit::ComPtr<IViewSettings> settings;
    if (FAILED(interop->GetForWindow(window, kIidViewSettings, settings.PutVoid()))) return Attempt::kRetry;
    if (!settings.Get()) return Attempt::kGiveUp;

    int32_t interaction = 0;
    if (FAILED(settings->get_UserInteractionMode(&interaction))) return Attempt::kRetry;
    mode = interaction == 0 ? 1 : interaction == 1 ? 2 : 0;
    return Attempt::kMode;
}

}  // namespace

namespace {
// Namespace-scope and constant-initialised: a function-local static's guard
// would leave the runtime's synchronisation objects behind at unload.
WinRtApi g_system_api;
winkit::Mutex g_resolve_lock;
std::atomic<bool> g_resolved{false};
}  // namespace

const WinRtApi& SystemWinRt() {
    if (g_resolved.load(std::memory_order_acquire)) return g_system_api;
    std::lock_guard<winkit::Mutex> lock(g_resolve_lock);
    if (!g_resolved.load(std::memory_order_relaxed)) {
        // combase.dll is a known DLL, so loading it by name cannot pick up a
        // planted copy; it stays loaded for the life of the process.
        if (const HMODULE combase = LoadLibraryW(L"combase.dll")) {
            WinRtApi api;
            api.createStringReference =
                Resolve<decltype(WinRtApi::createStringReference)>(combase, "WindowsCreateStringReference");
            api.getActivationFactory =
                Resolve<decltype(WinRtApi::getActivationFactory)>(combase, "RoGetActivationFactory");
            if (api.createStringReference && api.getActivationFactory) g_system_api = api;
        }
        g_resolved.store(true, std::memory_order_release);
    }
    return g_system_api;
}

int32_t QueryInteractionMode(HWND window, const WinRtApi& api) {
    if (!window || !api.createStringReference || !api.getActivationFactory) return -1;
    for (int i = 0; i < kQueryAttempts; ++i) {
        int32_t mode = -1;
        switch (TryOnce(window, api, mode)) {
            case Attempt::kMode: return mode;
            case Attempt::kGiveUp: return -1;
            case Attempt::kRetry: break;
        }
    }
    return -1;
}

}  // namespace Tavrin
