// The viewer's application object: single instance, the main frame, exit.
#pragma once

#include <windows.h>

#include "viewer/framework/Application.h"
#include "viewer/framework/Raii.h"

namespace vistrel {

class CPelmoraApp : public fw::Application {
public:
    bool InitInstance() override;
    int ExitInstance() override;

private:
    fw::NamedMutex globalMutex_;
    fw::NamedMutex userMutex_;
};

}  // namespace vistrel
