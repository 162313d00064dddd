#include "viewer/app/EtcProbes.h"

namespace vistrel {

std::optional<std::uint32_t> SystemEtcProbes::ReadBrightness() {
    const std::optional<DWORD> value = vistrel::ReadBrightness();
    if (!value) return std::nullopt;
    return static_cast<std::uint32_t>(*value);
}

}  // namespace vistrel
