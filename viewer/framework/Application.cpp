#include "viewer/framework/Application.h"

namespace fw {
namespace {
Application* g_current = nullptr;
}

Application::Application() noexcept { g_current = this; }

Application::~Application() {
    if (g_current == this) g_current = nullptr;
}

Application* Application::Current() noexcept { return g_current; }

bool Application::PreTranslateMessage(MSG&) { return false; }

int Application::Run() {
    bool initialised = false;
    try {
        initialised = InitInstance();
    } catch (...) {
        initialised = false;
        exitCode_ = 1;
    }
    if (!initialised) {
        if (exitCode_ == 0) exitCode_ = 1;
        ExitInstance();
        return exitCode_;
    }
    if (mainWindow_ != nullptr && mainWindow_->Handle() != nullptr) {
        MSG msg;
        for (;;) {
            const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
            if (got == 0) {
                exitCode_ = static_cast<int>(msg.wParam);
                break;
            }
            if (got == -1) {
                exitCode_ = 1;
                break;
            }
            bool swallowed = false;
            try {
                swallowed = PreTranslateMessage(msg);
            } catch (...) {
                swallowed = false;
            }
            if (!swallowed) {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
        }
    }
    return ExitInstance();
}

bool NamedMutex::Create(const wchar_t* name) noexcept {
    Close();
    SECURITY_DESCRIPTOR descriptor;
    if (!InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) ||
        !SetSecurityDescriptorDacl(&descriptor, TRUE, nullptr, FALSE)) {
        return false;
    }
    SECURITY_ATTRIBUTES attributes{sizeof attributes, &descriptor, TRUE};
    SetLastError(ERROR_SUCCESS);
    handle_.Reset(CreateMutexW(&attributes, TRUE, name));
    created_ = handle_.Valid() && GetLastError() != ERROR_ALREADY_EXISTS;
    return created_;
}

}  // namespace fw
