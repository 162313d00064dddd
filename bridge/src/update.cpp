// Firmware update and shell-command channel. Entry point only for now: answers
// KDR_ERR_UNSUPPORTED under the API lock.
#include "Tolvane.h"
#include "connection.h"

using namespace tolvane;

extern "C" int32_t KDR_CALL Kdr_DevUpdate(KdrHandle*, const char*, KdrUpdateProgress*, KdrUpdateCb) {
    ApiGuard guard(bridge().api);
    return KDR_ERR_UNSUPPORTED;
}
