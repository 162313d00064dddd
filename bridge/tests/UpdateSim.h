// The simulator's file store and firmware-update behaviour, for the update tests: linked
// natively, bound from the Merrowcom.dll that the bridge loaded under Wine.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#if defined(_WIN32)
#include <windows.h>
#endif

#include "bridge/tests/NoiseImage.h"
#include "simulator/include/merrowcom_sim.h"

namespace updatetest {

struct SimFiles {
    decltype(&MrcSim_GetFile) get_file = nullptr;
    decltype(&MrcSim_PutFile) put_file = nullptr;
    decltype(&MrcSim_GetFirmwareImage) get_image = nullptr;
    decltype(&MrcSim_Update) update = nullptr;
    decltype(&MrcSim_LastError) last_error = nullptr;
};

inline const SimFiles& Sim() {
    static const SimFiles api = [] {
        SimFiles a;
#if defined(_WIN32)
        HMODULE m = LoadLibraryW(L"Merrowcom.dll");
        if (m == nullptr) return a;
        auto bind = [m](auto& slot, const char* name) {
            slot = reinterpret_cast<std::remove_reference_t<decltype(slot)>>(
                reinterpret_cast<void*>(GetProcAddress(m, name)));
        };
        bind(a.get_file, "MrcSim_GetFile");
        bind(a.put_file, "MrcSim_PutFile");
        bind(a.get_image, "MrcSim_GetFirmwareImage");
        bind(a.update, "MrcSim_Update");
        bind(a.last_error, "MrcSim_LastError");
#else
        a = SimFiles{&MrcSim_GetFile, &MrcSim_PutFile, &MrcSim_GetFirmwareImage, &MrcSim_Update,
                     &MrcSim_LastError};
#endif
        return a;
    }();
    return api;
}

// The controller's file `name`; false when it is not in the store.
inline bool StoreFile(const std::string& name, std::vector<std::uint8_t>& out) {
    std::uint32_t length = 0;
    if (Sim().get_file(name.c_str(), nullptr, 0, &length) != 0 && length == 0) return false;
    out.assign(length, 0);
    return Sim().get_file(name.c_str(), out.data(), length, &length) == 0;
}

// The image the last swap made active (empty when none).
inline std::vector<std::uint8_t> ActiveImage() {
    std::uint32_t length = 0;
    Sim().get_image(nullptr, 0, &length);
    std::vector<std::uint8_t> out(length);
    if (length > 0) Sim().get_image(out.data(), length, &length);
    return out;
}

// Changes the running controller (partial scenario JSON).
inline bool Update(const std::string& json) { return Sim().update(json.c_str()) == 0; }

using bridgetest::NoiseImage;

}  // namespace updatetest
