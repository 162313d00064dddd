#include "ModeQuery.h"

#include <mutex>

namespace Tavrin {

const wchar_t kViewSettingsClass[] = L"Windows.UI.ViewManagement.UIViewSettings";
const IID kIidViewSettingsInterop = {0x3694dbf9, 0x8f68, 0x44be, {0x8f, 0xf5, 0x19, 0x5c, 0x98, 0xed, 0xe8, 0xa6}};
const IID kIidViewSettings = {0xc63657f6, 0x8850, 0x470d, {0x88, 0xf8, 0x45, 0x5e, 0x16, 0xea, 0x2c, 0x26}};

namespace {

// Releases the interface it holds when it goes out of scope.
template <class T>
class ComRef {
public:
    ComRef() = default;
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;
    ~ComRef() {
        if (p_) p_->Release();
    }
    T* get() const { return p_; }
    T* operator->() const { return p_; }
    void** out() { return reinterpret_cast<void**>(&p_); }

private:
    T* p_ = nullptr;
};

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

    ComRef<IViewSettingsInterop> interop;
    if (FAILED(api.getActivationFactory(class_id, kIidViewSettingsInterop, interop.out()))) return Attempt::kRetry;
    if (!interop.get()) return Attempt::kGiveUp;

    ComRef<IViewSettings> settings;
    if (FAILED(interop->GetForWindow(window, kIidViewSettings, settings.out()))) return Attempt::kRetry;
    if (!settings.get()) return Attempt::kGiveUp;

    int32_t interaction = 0;
    if (FAILED(settings->get_UserInteractionMode(&interaction))) return Attempt::kRetry;
    mode = interaction == 0 ? 1 : interaction == 1 ? 2 : 0;
    return Attempt::kMode;
}

}  // namespace

const WinRtApi& SystemWinRt() {
    static WinRtApi api;
    static std::once_flag once;
    std::call_once(once, [] {
        // combase.dll is a known DLL, so loading it by name cannot pick up a
        // planted copy; it stays loaded for the life of the process.
        HMODULE combase = LoadLibraryW(L"combase.dll");
        if (!combase) return;
        api.createStringReference =
            Resolve<decltype(WinRtApi::createStringReference)>(combase, "WindowsCreateStringReference");
        api.getActivationFactory =
            Resolve<decltype(WinRtApi::getActivationFactory)>(combase, "RoGetActivationFactory");
        if (!api.createStringReference || !api.getActivationFactory) api = WinRtApi{};
    });
    return api;
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
