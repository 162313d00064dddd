#include "viewer/core/ProbeRules.h"

namespace vistrel {

std::optional<std::wstring> InternalMonitorId(std::int32_t output_technology, const std::wstring& instance_name) {
    if (output_technology >= 0) return std::nullopt;
    const std::size_t first = instance_name.find(L'\\');
    if (first == std::wstring::npos) return std::wstring();
    const std::size_t second = instance_name.find(L'\\', first + 1);
    return instance_name.substr(first + 1, second == std::wstring::npos ? std::wstring::npos : second - first - 1);
}

}  // namespace vistrel
