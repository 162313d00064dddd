#include "platform_native.h"
#include "sync.h"

#include <atomic>
#include <functional>
#include <mutex>
#include <thread>

namespace tolvane::platform {

namespace {
std::mutex g_mutex;
Factories g_factories;
std::atomic<ThreadKey> g_next_key{kNoThread};
}  // namespace

void set_native_factories(const Factories& factories) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_factories = factories;
}

bool load_component(Factories& out) {
    std::lock_guard<std::mutex> lock(g_mutex);
    out = g_factories;
    return out.create_device_util != nullptr && out.create_generic_func != nullptr &&
           out.create_system_ctrl != nullptr;
}

std::uint32_t current_thread_id() {
    return static_cast<std::uint32_t>(std::hash<std::thread::id>{}(std::this_thread::get_id()));
}

ThreadKey current_thread_key() {
    thread_local const ThreadKey key = g_next_key.fetch_add(1, std::memory_order_relaxed) + 1;
    return key;
}

}  // namespace tolvane::platform
