// Dornet: returns one field of the controller's firmware version word as the exit code.
//
//   Dornet.exe <selector>   first character "1".."4" selects the field:
//     1: bits 28-31, 2: bits 24-27, 3: bits 8-23, 4: bits 0-7 of version_no.
// Exit code -1 for a bad command line (the bridge is then never opened), a bridge that
// cannot be opened, or firmware information that cannot be read. Prints nothing.
#include <cstdint>

#include "Tolvane.h"
#include "fwtool/Selector.h"

int wmain(int argc, wchar_t** argv) {
    int field = 0;
    if (!dornet::ParseSelector(argc, argv, field)) return -1;

    KdrHandle device = nullptr;
    if (Kdr_DevOpen(&device, 0) != KDR_OK) return -1;
    KdrFirmInfo info{};
    if (Kdr_DevGetProp(&device, KDR_DEV_FIRMINFO, &info) != KDR_OK) {
        (void)Kdr_DevClose(&device);
        return -1;
    }
    const int code = dornet::SelectField(info.version_no, field);
    (void)Kdr_DevClose(&device);
    return code;
}
