// Native builds only: the test decides what "loading the component" yields.
#pragma once

#include "platform.h"

namespace tolvane::platform {

// Factories that the next load_component() returns; all null makes it fail
// as a missing library does.
void set_native_factories(const Factories& factories);

}  // namespace tolvane::platform
