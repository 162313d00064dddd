// The bridge's only contact with the operating system: loading the vendor component
// and naming the calling thread. Windows implements it in PlatformWin.cpp; the native
// build (tests under sanitizers) in PlatformNative.cpp, where the test supplies the
// component's factories directly.
#pragma once

#include <cstdint>

#include "contract/Merrowcom.h"

namespace tolvane::platform {

struct Factories {
    merrowcom::CreateDeviceUtilFn create_device_util = nullptr;
    merrowcom::CreateGenericFuncFn create_generic_func = nullptr;
    merrowcom::CreateSystemCtrlFn create_system_ctrl = nullptr;
};

// Loads "Merrowcom.dll" (never unloaded) and binds its three factories.
// False when the library or any of the factories is missing.
[[nodiscard]] bool LoadComponent(Factories& out);

// The calling thread's id as the controller's draw request carries it.
std::uint32_t CurrentThreadId();

}  // namespace tolvane::platform
