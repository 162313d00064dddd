/* The exported headers compiled as C: every record's size and alignment as a C
 * compiler lays it out, and the address of every export, for the C++ side to
 * compare with its own view. */
#include <stdalign.h>
#include <stddef.h>

#include "Capwell.h"
#include "Tavrin.h"
#include "Tolvane.h"
#include "tests/foundation/ExportedRecords.h"

#define CW_C_SIZE(r) size_t cw_c_size_##r(void) { return sizeof(r); } \
                     size_t cw_c_align_##r(void) { return alignof(r); }
CW_RECORDS(CW_C_SIZE)

/* Naming each function in an unevaluated operand checks that its prototype is
 * valid C without needing the libraries at link time. */
#define CW_FN(f) (sizeof(&f) / sizeof(&f))
size_t cw_c_function_count(void) {
    return CW_FN(Kdr_DevOpen) + CW_FN(Kdr_DevClose) + CW_FN(Kdr_DevGetProp) + CW_FN(Kdr_VpMovie) +
           CW_FN(Kdr_DevUpdate) + CW_FN(Cpw_Initialize) + CW_FN(Cpw_SetTwelveAxes) + CW_FN(Cpw_GetCaptureData) +
           CW_FN(InitTavrin) + CW_FN(GetTavrin) + CW_FN(FinalizeTavrin);
}
