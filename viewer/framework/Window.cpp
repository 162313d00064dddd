#include "viewer/framework/Window.h"

#include <cstdio>
#include <exception>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "viewer/framework/Raii.h"

namespace fw {
namespace {

HINSTANCE g_resourceInstance = nullptr;
thread_local Window* t_creating = nullptr;
// Every class the framework registered, for the program's life; its lock is constant-initialised.
std::mutex g_classLock;
std::map<std::wstring, std::unique_ptr<RegisteredClass>> g_classes;

void Trace(const char* what, UINT msg) noexcept {
    char text[160];
    std::snprintf(text, sizeof text, "viewer: handler for message 0x%04X failed: %s\n", msg, what);
    OutputDebugStringA(text);
}

}  // namespace

HINSTANCE ResourceInstance() noexcept {
    return g_resourceInstance != nullptr ? g_resourceInstance : GetModuleHandleW(nullptr);
}

void SetResourceInstance(HINSTANCE instance) noexcept { g_resourceInstance = instance; }

CreationScope::CreationScope(Window* w) noexcept : previous_(t_creating) { t_creating = w; }
CreationScope::~CreationScope() { t_creating = previous_; }

Window::~Window() {
    if (hwnd_ == nullptr) return;
    HWND hwnd = hwnd_;
    const bool created = created_;
    Unbind();
    if (created) DestroyWindow(hwnd);
}

Window* Window::FromHandle(HWND hwnd) noexcept {
    if (hwnd == nullptr) return nullptr;
    // Only windows running the framework's procedure carry an object pointer.
    if (reinterpret_cast<WNDPROC>(GetWindowLongPtrW(hwnd, GWLP_WNDPROC)) != &Window::StaticWndProc) {
        return nullptr;
    }
    return reinterpret_cast<Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

void Window::Bind(HWND hwnd) noexcept {
    hwnd_ = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

void Window::Unbind() noexcept {
    if (hwnd_ == nullptr) return;
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    if (defaultKind_ == DefaultKind::Subclassed && oldProc_ != nullptr) {
        SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(oldProc_));
        oldProc_ = nullptr;
        defaultKind_ = DefaultKind::Window;
    }
    hwnd_ = nullptr;
    created_ = false;
}

bool Window::CreateEx(DWORD exStyle, LPCWSTR className, LPCWSTR title, DWORD style, const RECT& rect,
                      HWND parent, UINT_PTR idOrMenu) noexcept {
    if (hwnd_ != nullptr) return false;
    HWND hwnd;
    {
        CreationScope scope(this);
        hwnd = CreateWindowExW(exStyle, className, title, style, rect.left, rect.top, rect.right - rect.left,
                               rect.bottom - rect.top, parent, reinterpret_cast<HMENU>(idOrMenu),
                               GetModuleHandleW(nullptr), nullptr);
    }
    if (hwnd == nullptr) return false;
    if (hwnd_ != hwnd) {
        // The class does not run the framework's procedure: nothing was bound.
        DestroyWindow(hwnd);
        return false;
    }
    created_ = true;
    return true;
}

bool Window::Subclass(HWND hwnd) noexcept {
    if (hwnd_ != nullptr || hwnd == nullptr || FromHandle(hwnd) != nullptr) return false;
    Bind(hwnd);
    oldProc_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Window::StaticWndProc)));
    if (oldProc_ == nullptr) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        hwnd_ = nullptr;
        return false;
    }
    defaultKind_ = DefaultKind::Subclassed;
    return true;
}

HWND Window::Unsubclass() noexcept {
    if (defaultKind_ != DefaultKind::Subclassed) return nullptr;
    HWND hwnd = hwnd_;
    Unbind();
    return hwnd;
}

void Window::Destroy() noexcept {
    if (hwnd_ != nullptr) DestroyWindow(hwnd_);
}

RECT Window::ClientRect() const noexcept {
    RECT r{};
    GetClientRect(hwnd_, &r);
    return r;
}

RECT Window::RectInParent() const noexcept {
    RECT r{};
    GetWindowRect(hwnd_, &r);
    HWND parent = GetParent(hwnd_);
    if (parent != nullptr) MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

LRESULT Window::DefaultProc(UINT msg, WPARAM w, LPARAM l) noexcept {
    switch (defaultKind_) {
        case DefaultKind::Subclassed: return CallWindowProcW(oldProc_, hwnd_, msg, w, l);
        case DefaultKind::Dialog: return DefDlgProcW(hwnd_, msg, w, l);
        case DefaultKind::Window: break;
    }
    return DefWindowProcW(hwnd_, msg, w, l);
}

LRESULT Window::HandleMessage(UINT msg, WPARAM w, LPARAM l) {
    if (auto reflected = Reflect(msg, w, l)) return *reflected;
    return DefaultProc(msg, w, l);
}

std::optional<LRESULT> Window::OnReflected(UINT, WPARAM, LPARAM) { return std::nullopt; }

std::optional<LRESULT> Window::Reflect(UINT msg, WPARAM w, LPARAM l) {
    HWND child = nullptr;
    switch (msg) {
        case WM_DRAWITEM:
            if (w != 0) child = reinterpret_cast<const DRAWITEMSTRUCT*>(l)->hwndItem;
            break;
        case WM_MEASUREITEM:
            if (w != 0) child = GetDlgItem(hwnd_, static_cast<int>(reinterpret_cast<MEASUREITEMSTRUCT*>(l)->CtlID));
            break;
        case WM_NOTIFY: child = reinterpret_cast<const NMHDR*>(l)->hwndFrom; break;
        case WM_COMMAND:
        case WM_HSCROLL:
        case WM_VSCROLL:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORSCROLLBAR:
        case WM_CTLCOLORSTATIC: child = reinterpret_cast<HWND>(l); break;
        default: return std::nullopt;
    }
    if (child == nullptr || child == hwnd_) return std::nullopt;
    Window* object = FromHandle(child);
    if (object == nullptr) return std::nullopt;
    return object->OnReflected(msg, w, l);
}

LRESULT Window::OnHandlerException(UINT) noexcept { return 0; }

LRESULT CALLBACK Window::StaticWndProc(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
    auto* self = reinterpret_cast<Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self == nullptr) {
        if (msg == WM_NCCREATE && t_creating != nullptr && t_creating->hwnd_ == nullptr) {
            self = t_creating;
            t_creating = nullptr;  // one window per creation
            self->Bind(hwnd);
        } else {
            return DefWindowProcW(hwnd, msg, w, l);
        }
    }

    LRESULT result = 0;
    try {
        result = self->HandleMessage(msg, w, l);
    } catch (const std::exception& e) {
        Trace(e.what(), msg);
        result = self->OnHandlerException(msg);
    } catch (...) {
        Trace("unknown exception", msg);
        result = self->OnHandlerException(msg);
    }

    if (msg == WM_NCDESTROY && self->hwnd_ == hwnd) {
        self->Unbind();
        try {
            self->OnFinalMessage();
        } catch (...) {
            Trace("exception after the last message", msg);
        }
    }
    return result;
}

LPCWSTR Window::RegisterClassOnce(LPCWSTR name, UINT style, HBRUSH background, HCURSOR cursor,
                                  HICON icon) noexcept {
    std::lock_guard<std::mutex> guard(g_classLock);
    auto& slot = g_classes[name];
    if (!slot) {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.style = style;
        wc.lpfnWndProc = &Window::StaticWndProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = cursor != nullptr ? cursor : LoadCursorW(nullptr, IDC_ARROW);
        wc.hbrBackground = background;
        wc.hIcon = icon;
        wc.lpszClassName = name;
        slot = std::make_unique<RegisteredClass>();
        if (!slot->Register(wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
            slot.reset();
            g_classes.erase(name);
            return nullptr;
        }
    }
    return name;
}

}  // namespace fw
