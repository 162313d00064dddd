// Native: the simulator's component library is linked into the test; the bridge gets its
// factories instead of loading a library.
#include "contract/merrowcom_if.h"
#include "platform_native.h"
#include "sim_host.h"
#include "sim_host_table.h"

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
    tolvane::platform::set_native_factories(f);
    return true;
}

}  // namespace simhost
