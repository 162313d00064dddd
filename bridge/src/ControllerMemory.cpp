#include "bridge/src/ControllerMemory.h"

#include "bridge/src/Connection.h"

namespace tolvane {

namespace {
merrowcom::GenericFunc* UsableComponent() {
    Bridge& b = TheBridge();
    if (!b.open.load(std::memory_order_acquire) || !b.loaded.load(std::memory_order_acquire)) {
        return nullptr;
    }
    return b.record.generic;
}
}  // namespace

std::int32_t ReadBlock(std::uint32_t address, void* buffer, std::uint32_t length) {
    merrowcom::GenericFunc* g = UsableComponent();
    if (g == nullptr) return -1;
    return static_cast<std::int32_t>(g->op12_read_block(address, buffer, length));
}

std::int32_t ReadDouble(std::uint32_t address, double& value) {
    merrowcom::GenericFunc* g = UsableComponent();
    if (g == nullptr) return -1;
    double v = 0.0;
    const std::uint32_t status = g->op8_read64(address, &v);
    if (status != 0) return static_cast<std::int32_t>(status);
    value = v;
    return 0;
}

std::int32_t WriteDouble(std::uint32_t address, double value) {
    merrowcom::GenericFunc* g = UsableComponent();
    if (g == nullptr) return -1;
    return static_cast<std::int32_t>(g->op9_write64(address, value));
}

}  // namespace tolvane
