#include "bridge/src/PlatformNative.h"

#include <functional>
#include <mutex>
#include <thread>

namespace tolvane::platform {

namespace {
std::mutex g_mutex;
Factories g_factories;
}  // namespace

void SetNativeFactories(const Factories& factories) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_factories = factories;
}

bool LoadComponent(Factories& out) {
    std::lock_guard<std::mutex> lock(g_mutex);
    out = g_factories;
    return out.create_device_util != nullptr && out.create_generic_func != nullptr &&
           out.create_system_ctrl != nullptr;
}

std::uint32_t CurrentThreadId() {
    return static_cast<std::uint32_t>(std::hash<std::thread::id>{}(std::this_thread::get_id()));
}

}  // namespace tolvane::platform
