// Windows: the control API is bound from the Merrowcom.dll that the bridge loads (the same
// module, so both see one controller).
#include <windows.h>

#include "bridge/tests/SimHost.h"
#include "bridge/tests/SimHostTable.h"

namespace simhost {

const Api& TheApi() {
    static const Api api = [] {
        Api a;
        HMODULE m = LoadLibraryW(L"Merrowcom.dll");
        if (m == nullptr) return a;
#define SIMHOST_BIND(name) \
    a.name = reinterpret_cast<decltype(a.name)>(reinterpret_cast<void*>(GetProcAddress(m, "MrcSim_" #name)));
        SIMHOST_API_LIST(SIMHOST_BIND)
#undef SIMHOST_BIND
        return a;
    }();
    return api;
}

bool SetComponentMissing(bool) { return false; }

}  // namespace simhost
