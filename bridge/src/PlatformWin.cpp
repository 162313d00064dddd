#include "bridge/src/Platform.h"

#include <windows.h>

namespace tolvane::platform {

namespace {
template <typename Fn>
Fn Bind(HMODULE module, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}
}  // namespace

bool LoadComponent(Factories& out) {
    HMODULE module = LoadLibraryW(L"Merrowcom.dll");
    if (module == nullptr) return false;
    out.create_device_util = Bind<merrowcom::CreateDeviceUtilFn>(module, merrowcom::kCreateDeviceUtil);
    out.create_generic_func = Bind<merrowcom::CreateGenericFuncFn>(module, merrowcom::kCreateGenericFunc);
    out.create_system_ctrl = Bind<merrowcom::CreateSystemCtrlFn>(module, merrowcom::kCreateSystemCtrl);
    return out.create_device_util != nullptr && out.create_generic_func != nullptr &&
           out.create_system_ctrl != nullptr;
}

std::uint32_t CurrentThreadId() { return static_cast<std::uint32_t>(GetCurrentThreadId()); }

}  // namespace tolvane::platform
