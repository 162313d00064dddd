#include "viewer/framework/Application.h"

#include <sddl.h>

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
        exit_code_ = 1;
    }
    if (!initialised) {
        if (exit_code_ == 0) exit_code_ = 1;
        ExitInstance();
        return exit_code_;
    }
    if (main_window_ != nullptr && main_window_->Handle() != nullptr) {
        MSG msg;
        for (;;) {
            const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
            if (got == 0) {
                exit_code_ = static_cast<int>(msg.wParam);
                break;
            }
            if (got == -1) {
                exit_code_ = 1;
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
    winkit::UniqueLocal descriptor;
    PSECURITY_DESCRIPTOR raw = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(NamedMutex::kAccessList, SDDL_REVISION_1, &raw,
                                                              nullptr)) {
        return false;
    }
    descriptor.Reset(raw);
    SECURITY_ATTRIBUTES attributes{sizeof attributes, raw, FALSE};
    SetLastError(ERROR_SUCCESS);
    handle_.Reset(CreateMutexW(&attributes, TRUE, name));
    created_ = handle_.Valid() && GetLastError() != ERROR_ALREADY_EXISTS;
    return created_;
}

}  // namespace fw
