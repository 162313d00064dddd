// The viewer's application object: single instance, the main frame, exit.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "viewer/framework/Application.h"
#include "viewer/framework/Raii.h"

namespace vistrel {

class CVideoInputFrame;

class CPelmoraApp : public fw::Application {
public:
    bool InitInstance() override;
    int ExitInstance() override;
    bool PreTranslateMessage(MSG& msg) override;

private:
    fw::NamedMutex global_mutex_;
    fw::NamedMutex user_mutex_;
    // The internal display's device name, filled by the frame's probes.
    std::optional<std::wstring> internal_display_;
    CVideoInputFrame* frame_ = nullptr;  // owns itself
};

}  // namespace vistrel
