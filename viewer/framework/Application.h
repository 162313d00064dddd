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
    virtual int ExitInstance() { return exitCode_; }
    // Sees every message before it is translated and dispatched; true
    // swallows it.
    virtual bool PreTranslateMessage(MSG& msg);

    void SetMainWindow(Window* window) noexcept { mainWindow_ = window; }
    Window* MainWindow() const noexcept { return mainWindow_; }

protected:
    int exitCode_ = 0;

private:
    Window* mainWindow_ = nullptr;
};

// A named mutex that tells whether this process created it or it already existed.
class NamedMutex {
public:
    // Any user may open the mutex (present but null access list), and the
    // handle is inheritable; initial ownership is requested.
    bool Create(const wchar_t* name) noexcept;
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
