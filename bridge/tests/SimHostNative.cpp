// Native: the simulator's component library is linked into the test; the bridge gets its
// factories instead of loading a library.
#include "contract/Merrowcom.h"
#include "bridge/src/PlatformNative.h"
#include "bridge/tests/SimHost.h"
#include "bridge/tests/SimHostTable.h"

extern "C" {
merrowcom::DeviceUtil* CreateDeviceUtilInstance();
merrowcom::GenericFunc* CreateGenericfuncInstance();
merrowcom::SystemCtrl* CreateSystemCtrlInstance();
}

namespace simhost {

const Api& TheApi() { return mrcsim::Sim(); }

bool SetComponentMissing(bool missing) {
    tolvane::platform::Factories f;
    if (!missing) f = {&CreateDeviceUtilInstance, &CreateGenericfuncInstance, &CreateSystemCtrlInstance};
    tolvane::platform::SetNativeFactories(f);
    return true;
}

}  // namespace simhost
