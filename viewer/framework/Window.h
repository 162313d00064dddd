// The window base of the viewer's framework. One static window procedure binds
// the C++ object to its window at WM_NCCREATE (or when an existing control is
// subclassed), forwards every message to the object's virtual HandleMessage,
// and unbinds at WM_NCDESTROY, so no handler ever runs on a window whose
// object is gone or on an object whose window is gone.
#pragma once

#include <windows.h>

#include <optional>

namespace fw {

// Pane identifiers of frames and splitters: the child with kPaneFirst fills
// its frame's client area.
inline constexpr UINT kPaneFirst = 0xE900;

// The module that holds the viewer's resources (the program by default).
HINSTANCE ResourceInstance() noexcept;
void SetResourceInstance(HINSTANCE instance) noexcept;

class Window {
public:
    Window() noexcept = default;
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;
    // Unbinds first, so the destruction's messages reach only the default
    // procedure, then destroys a window this object created (a subclassed
    // window is handed back to its own procedure instead).
    virtual ~Window();

    HWND Handle() const noexcept { return hwnd_; }
    bool IsWindow() const noexcept { return hwnd_ != nullptr && ::IsWindow(hwnd_) != FALSE; }
    static Window* FromHandle(HWND hwnd) noexcept;

    // Creates a window of a class whose procedure is Window::StaticWndProc
    // (see RegisterClassOnce) and binds this object to it.
    bool CreateEx(DWORD exStyle, LPCWSTR className, LPCWSTR title, DWORD style, const RECT& rect,
                  HWND parent, UINT_PTR idOrMenu) noexcept;
    // Binds this object to an existing window by replacing its procedure; the
    // old procedure becomes the default one.
    bool Subclass(HWND hwnd) noexcept;
    // Undoes Subclass and returns the window.
    HWND Unsubclass() noexcept;
    void Destroy() noexcept;

    LRESULT Send(UINT msg, WPARAM w = 0, LPARAM l = 0) const noexcept {
        return SendMessageW(hwnd_, msg, w, l);
    }
    int Id() const noexcept { return GetDlgCtrlID(hwnd_); }
    void SetId(int id) const noexcept { SetWindowLongPtrW(hwnd_, GWLP_ID, id); }
    RECT ClientRect() const noexcept;
    // This window's rectangle in its parent's client coordinates.
    RECT RectInParent() const noexcept;
    bool Visible() const noexcept { return IsWindowVisible(hwnd_) != FALSE; }

    // The procedure of every window class of the framework.
    static LRESULT CALLBACK StaticWndProc(HWND hwnd, UINT msg, WPARAM w, LPARAM l);

    // Registers a window class once per process (kept until the process ends)
    // whose procedure is StaticWndProc. Returns the class name.
    static LPCWSTR RegisterClassOnce(LPCWSTR name, UINT style = CS_DBLCLKS, HBRUSH background = nullptr,
                                     HCURSOR cursor = nullptr, HICON icon = nullptr) noexcept;

protected:
    // Handles one message. Overrides answer what they handle and pass the rest
    // to this base, which offers control notifications to the control's own
    // object (reflection) and then calls the default procedure.
    virtual LRESULT HandleMessage(UINT msg, WPARAM w, LPARAM l);
    LRESULT DefaultProc(UINT msg, WPARAM w, LPARAM l) noexcept;
    // A notification that this control sent to its parent (WM_DRAWITEM,
    // WM_MEASUREITEM, WM_COMMAND, WM_NOTIFY, WM_CTLCOLOR*, WM_HSCROLL,
    // WM_VSCROLL). An answer stops the parent's own handling.
    virtual std::optional<LRESULT> OnReflected(UINT msg, WPARAM w, LPARAM l);
    // After the last message (WM_NCDESTROY) the window is gone; self-owning
    // windows delete themselves here.
    virtual void OnFinalMessage() {}
    // An exception escaped HandleMessage; the message is answered with the
    // result. Exceptions never cross the platform's dispatcher.
    virtual LRESULT OnHandlerException(UINT msg) noexcept;

    // Dialog-class windows use the dialog manager's default procedure.
    void UseDialogDefault() noexcept { defaultKind_ = DefaultKind::Dialog; }
    // The window bound now was made by this object, which destroys it with itself.
    void MarkCreated() noexcept { created_ = hwnd_ != nullptr; }

private:
    enum class DefaultKind { Window, Dialog, Subclassed };
    void Bind(HWND hwnd) noexcept;
    void Unbind() noexcept;
    std::optional<LRESULT> Reflect(UINT msg, WPARAM w, LPARAM l);

    HWND hwnd_ = nullptr;
    WNDPROC oldProc_ = nullptr;
    DefaultKind defaultKind_ = DefaultKind::Window;
    bool created_ = false;

    friend class CreationScope;
};

// Marks the object that the next window created on this thread belongs to;
// used by CreateEx and by the dialog-template creators.
class CreationScope {
public:
    explicit CreationScope(Window* w) noexcept;
    ~CreationScope();
    CreationScope(const CreationScope&) = delete;
    CreationScope& operator=(const CreationScope&) = delete;

private:
    Window* previous_;
};

}  // namespace fw
