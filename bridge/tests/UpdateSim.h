// The simulator's file store and firmware-update behaviour, for the update tests: linked
// natively, bound from the Merrowcom.dll that the bridge loaded under Wine.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "bridge/tests/NoiseImage.h"
#include "simulator/include/MrcSimClient.h"

namespace updatetest {

inline const mrcsim::Client& Sim() { return mrcsim::Sim(); }

// The controller's file `name`; false when it is not in the store.
inline bool StoreFile(const std::string& name, std::vector<std::uint8_t>& out) {
    std::uint32_t length = 0;
    if (Sim().GetFile(name.c_str(), nullptr, 0, &length) != 0 && length == 0) return false;
    out.assign(length, 0);
    return Sim().GetFile(name.c_str(), out.data(), length, &length) == 0;
}

// The image the last swap made active (empty when none).
inline std::vector<std::uint8_t> ActiveImage() {
    std::uint32_t length = 0;
    Sim().GetFirmwareImage(nullptr, 0, &length);
    std::vector<std::uint8_t> out(length);
    if (length > 0) Sim().GetFirmwareImage(out.data(), length, &length);
    return out;
}

// Changes the running controller (partial scenario JSON).
inline bool Update(const std::string& json) { return Sim().Update(json.c_str()) == 0; }

using bridgetest::NoiseImage;

}  // namespace updatetest
