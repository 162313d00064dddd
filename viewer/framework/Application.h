// The application object: instance initialisation, the message loop with a
// pre-translate hook, and exit. One per process.
#pragma once

#include <windows.h>

#include "viewer/framework/Raii.h"
#include "viewer/framework/Window.h"

namespace fw {

class Application {
public:
    Application() noexcept;
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;
    virtual ~Application();

    static Application* Current() noexcept;

    // Initialises the instance, runs the message loop while the main window
    // lives, and exits. Returns the process exit code.
    int Run();

    // Creates what the program needs; false ends the program at once. A
    // success without a main window also ends it (nothing to run).
    virtual bool InitInstance() = 0;
    // Releases what InitInstance made; the answer is the exit code.
    virtual int ExitInstance() { return exit_code_; }
    // Sees every message before it is translated and dispatched; true
    // swallows it.
    virtual bool PreTranslateMessage(MSG& msg);

    void SetMainWindow(Window* window) noexcept { main_window_ = window; }
    Window* MainWindow() const noexcept { return main_window_; }

protected:
    int exit_code_ = 0;

private:
    Window* main_window_ = nullptr;
};

// A named mutex that tells whether this process created it or it already existed.
class NamedMutex {
public:
    // The access list of every mutex made here: the creator (owner rights),
    // the system and administrators have full access; everyone else may only
    // wait on it and read its security. Any user, in any session, can thus
    // see that the mutex exists, but nobody else can take or hold it, so
    // nobody else can keep the viewer from starting.
    static constexpr const wchar_t* kAccessList = L"D:(A;;GA;;;OW)(A;;GA;;;SY)(A;;GA;;;BA)(A;;0x00120000;;;WD)";

    // Initial ownership is requested; the handle is not inherited, so a
    // program the viewer starts cannot keep the mutex alive after it. A
    // mutex that exists but cannot be opened (another user's) also counts
    // as not created.
    [[nodiscard]] bool Create(const wchar_t* name) noexcept;
    // True when the handle is valid and the mutex did not exist before.
    bool Created() const noexcept { return created_; }
    HANDLE Get() const noexcept { return handle_.Get(); }
    void Close() noexcept {
        handle_.Reset();
        created_ = false;
    }

private:
    UniqueHandle handle_;
    bool created_ = false;
};

}  // namespace fw
