#include <windows.h>

#include "platform.h"

namespace tolvane::platform {

namespace {
template <typename Fn>
Fn bind(HMODULE module, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}
}  // namespace

bool load_component(Factories& out) {
    HMODULE module = LoadLibraryW(L"Merrowcom.dll");
    if (module == nullptr) return false;
    out.create_device_util = bind<merrowcom::CreateDeviceUtilFn>(module, merrowcom::kCreateDeviceUtil);
    out.create_generic_func = bind<merrowcom::CreateGenericFuncFn>(module, merrowcom::kCreateGenericFunc);
    out.create_system_ctrl = bind<merrowcom::CreateSystemCtrlFn>(module, merrowcom::kCreateSystemCtrl);
    return out.create_device_util != nullptr && out.create_generic_func != nullptr &&
           out.create_system_ctrl != nullptr;
}

std::uint32_t current_thread_id() { return static_cast<std::uint32_t>(GetCurrentThreadId()); }

}  // namespace tolvane::platform
