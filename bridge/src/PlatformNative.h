// Native builds only: the test decides what "loading the component" yields.
#pragma once

#include "bridge/src/Platform.h"

namespace tolvane::platform {

// Factories that the next LoadComponent() returns; all null makes it fail
// as a missing library does.
void SetNativeFactories(const Factories& factories);

}  // namespace tolvane::platform
