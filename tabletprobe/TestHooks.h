// Entry points that exist only in the test build of the probe (compiled with
// TAVRIN_TEST_HOOKS), so tests can decide what the mode query answers.
#pragma once

#include <windows.h>

#include <cstdint>

extern "C" {
typedef int32_t (*TavrinModeQueryFn)(HWND window);

// Replaces the mode query used by GetTavrin and the probe thread; null
// restores the Windows Runtime query.
void TavrinTest_SetModeQuery(TavrinModeQueryFn query);
}
