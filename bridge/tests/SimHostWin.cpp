// Windows: the control API comes from the Merrowcom.dll that the bridge loads (the same
// module, so both see one controller).
#include "bridge/tests/SimHost.h"
#include "bridge/tests/SimHostTable.h"

namespace simhost {

const Api& TheApi() { return mrcsim::Sim(); }

bool SetComponentMissing(bool) { return false; }

}  // namespace simhost
