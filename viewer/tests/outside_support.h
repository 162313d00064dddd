// What the tests that start Vistrel.exe from outside share: the controller's
// journal, polling with a limit, and the viewer's process and windows.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "CwProcess.h"
#include "resource.h"

namespace {

constexpr wchar_t kFrameClass[] = L"Harlowe Vistrel MainWndClass";
constexpr std::uint32_t kPlaneVideoEnb = 0x0E100104u;
constexpr std::uint32_t kPlaneDst = 0x0E100110u;  // x, y, w, h
constexpr std::uint32_t kPlaneSrc = 0x0E100120u;
constexpr std::uint32_t kCloseCommand = 0x80000002u;
constexpr int kPanelWidth = 1280;  // the controller's output, where the plane lies
constexpr int kPanelHeight = 720;

struct Box {
    int x = 0, y = 0, w = 0, h = 0;
};
inline std::string Text(const Box& b) {
    return std::to_string(b.x) + "," + std::to_string(b.y) + " " + std::to_string(b.w) + "x" + std::to_string(b.h);
}
// The bridge fits the picture into the box it is given and the library rounds
// into panel pixels: a side may differ by a pixel or two.
inline bool Near(const Box& a, const Box& b) {
    return std::abs(a.x - b.x) <= 2 && std::abs(a.y - b.y) <= 2 && std::abs(a.w - b.w) <= 2 && std::abs(a.h - b.h) <= 2;
}

// The controller's journal (MERROWCOM_JOURNAL): one line per message and
// register write it received, "release" when the program let it go.
class Journal {
public:
    explicit Journal(std::wstring path) : path_(std::move(path)) {}
    const std::wstring& Path() const { return path_; }

    std::uint32_t LastWord(std::uint32_t address) const {
        std::uint32_t value = 0xFFFFFFFFu;
        ForEach([&](const Line& l) {
            if (l.kind == 2 && l.address == address) value = l.w[0];
        });
        return value;
    }
    // How many commands with this code reached the controller.
    int Commands(std::uint32_t code) const {
        int n = 0;
        ForEach([&](const Line& l) { n += l.kind == 1 && l.channel == 34 && l.w[0] == code ? 1 : 0; });
        return n;
    }
    Box LastBox(std::uint32_t address) const {
        return Box{static_cast<int>(LastWord(address)), static_cast<int>(LastWord(address + 4)),
                   static_cast<int>(LastWord(address + 8)), static_cast<int>(LastWord(address + 12))};
    }
    // The close command, then the release, with the plane's video off before.
    bool SawFinalisation() const {
        bool video_off = false, closed = false, released = false;
        ForEach([&](const Line& l) {
            if (l.kind == 2 && l.address == kPlaneVideoEnb) video_off = l.w[0] == 0;
            if (l.kind == 1 && l.channel == 34 && l.w[0] == kCloseCommand) closed = video_off;
            if (l.release) released = closed;
        });
        return released;
    }

private:
    struct Line {
        bool release = false;
        unsigned kind = 0, channel = 0, address = 0;
        unsigned w[4] = {};
    };
    void ForEach(const std::function<void(const Line&)>& f) const {
        HANDLE h = CreateFileW(path_.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               nullptr, OPEN_EXISTING, 0, nullptr);
        if (h == INVALID_HANDLE_VALUE) return;
        std::string text;
        char buffer[65536];
        DWORD got = 0;
        while (ReadFile(h, buffer, sizeof buffer, &got, nullptr) && got > 0) text.append(buffer, got);
        CloseHandle(h);
        std::size_t at = 0;
        for (std::size_t end; (end = text.find('\n', at)) != std::string::npos; at = end + 1) {
            const std::string s = text.substr(at, end - at);
            Line l;
            unsigned long long seq = 0;
            unsigned length = 0;
            if (s == "release") {
                l.release = true;
            } else if (std::sscanf(s.c_str(), "%llu %u %u %x %u %x %x %x %x", &seq, &l.kind, &l.channel, &l.address,
                                   &length, &l.w[0], &l.w[1], &l.w[2], &l.w[3]) != 9) {
                continue;
            }
            f(l);
        }
    }

    std::wstring path_;
};

inline bool WaitFor(const std::function<bool()>& done, DWORD ms) {
    const ULONGLONG end = GetTickCount64() + ms;
    for (;;) {
        if (done()) return true;
        if (GetTickCount64() > end) return false;
        Sleep(100);
    }
}

inline std::vector<HWND> Children(HWND parent) {
    std::vector<HWND> all;
    EnumChildWindows(
        parent,
        [](HWND w, LPARAM p) -> BOOL {
            reinterpret_cast<std::vector<HWND>*>(p)->push_back(w);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&all));
    return all;
}

inline RECT WindowRect(HWND w) {
    RECT r{};
    GetWindowRect(w, &r);
    return r;
}

// The viewer's process, ended by its user (WM_CLOSE) or, failing that, killed.
class Viewer {
public:
    Viewer() {
        const std::wstring exe = cwtest::ExeDir() + L"\\Vistrel.exe";
        std::wstring cmd = cwtest::QuoteArg(exe);
        STARTUPINFOW si{sizeof si};
        // Its factory presets lie below its working folder.
        started_ = CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                  cwtest::ExeDir().c_str(), &si, &pi_) != FALSE;
    }
    ~Viewer() {
        if (!started_) return;
        if (WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT) {
            if (frame_ != nullptr) PostMessageW(frame_, WM_CLOSE, 0, 0);
            if (WaitForSingleObject(pi_.hProcess, 15000) == WAIT_TIMEOUT) TerminateProcess(pi_.hProcess, 1);
            WaitForSingleObject(pi_.hProcess, 5000);
        }
        CloseHandle(pi_.hProcess);
        CloseHandle(pi_.hThread);
    }
    Viewer(const Viewer&) = delete;
    Viewer& operator=(const Viewer&) = delete;

    bool Started() const { return started_; }
    HANDLE Process() const { return pi_.hProcess; }
    HWND Frame() const { return frame_; }

    // The frame of this process, by its class.
    bool FindFrame(DWORD ms) {
        return WaitFor(
            [&] {
                HWND w = nullptr;
                while ((w = FindWindowExW(nullptr, w, kFrameClass, nullptr)) != nullptr) {
                    DWORD pid = 0;
                    GetWindowThreadProcessId(w, &pid);
                    if (pid == pi_.dwProcessId && IsWindowVisible(w)) {
                        frame_ = w;
                        return true;
                    }
                }
                return false;
            },
            ms);
    }

    // The display row's frame: the larger of the two windows holding eleven
    // views (the controller row's holds eleven bars). The view shown has the
    // pane identifier, each hidden one 0xE901 + its key, the kind of screen it
    // stands for.
    HWND DisplayPane() const {
        HWND pane = nullptr;
        long area = 0;
        for (HWND w : Children(frame_)) {
            int views = 0;
            for (HWND c = GetWindow(w, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) ++views;
            const RECT r = WindowRect(w);
            const long a = static_cast<long>(r.right - r.left) * (r.bottom - r.top);
            if (views == 11 && a > area) {
                pane = w;
                area = a;
            }
        }
        return pane;
    }
    // The kind of the one display view shown; -1 when there is none or more.
    int ShownKind() const {
        HWND pane = DisplayPane();
        if (pane == nullptr) return -1;
        bool hidden[12] = {};
        for (HWND c = GetWindow(pane, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) {
            const int key = GetDlgCtrlID(c) - 0xE901;
            if (!IsWindowVisible(c) && key >= 1 && key <= 11) hidden[key] = true;
        }
        int shown = -1;
        for (int key = 1; key <= 11; ++key) {
            if (!hidden[key]) shown = shown == -1 ? key : 12;
        }
        return shown == 12 ? -1 : shown;
    }
    HWND ShownView() const {
        HWND pane = DisplayPane();
        for (HWND c = pane != nullptr ? GetWindow(pane, GW_CHILD) : nullptr; c != nullptr; c = GetWindow(c, GW_HWNDNEXT))
            if (IsWindowVisible(c)) return c;
        return nullptr;
    }
    // A visible control of the frame by its identifier.
    HWND Visible(int id) const {
        for (HWND w : Children(frame_)) {
            if (GetDlgCtrlID(w) == id && IsWindowVisible(w)) return w;
        }
        return nullptr;
    }
    // The caption's signal text, shown or not.
    std::string CaptionSignal() const {
        char text[128] = {};
        for (HWND w : Children(frame_)) {
            if (GetDlgCtrlID(w) == IDC_CAPTION_SIGNAL) GetWindowTextA(w, text, 128);
        }
        return text;
    }
    LONG_PTR Style() const { return GetWindowLongPtrW(frame_, GWL_STYLE); }

    // Where the picture of a VW x VH input lies in the play view, in panel
    // pixels: fitted with its aspect, then placed as the screen is in the output.
    Box ExpectedPlane(int vw, int vh) const {
        const RECT p = WindowRect(ShownView());
        const int pw = p.right - p.left, ph = p.bottom - p.top;
        double x = p.left, y = p.top, w = pw, h = ph;
        if (static_cast<double>(ph) / vh > static_cast<double>(pw) / vw) {
            h = static_cast<double>(vh) * pw / vw;
            y = p.top + (ph - h) / 2;
        } else {
            w = static_cast<double>(vw) * ph / vh;
            x = p.left + (pw - w) / 2;
        }
        // the screen fitted into the output with one scale, centred
        const int dw = GetSystemMetrics(SM_CXSCREEN), dh = GetSystemMetrics(SM_CYSCREEN);
        const double s = std::min(static_cast<double>(kPanelWidth) / dw, static_cast<double>(kPanelHeight) / dh);
        const double ox = (kPanelWidth - dw * s) / 2, oy = (kPanelHeight - dh * s) / 2;
        return Box{static_cast<int>(x * s + 0.5 + ox), static_cast<int>(y * s + 0.5 + oy), static_cast<int>(w * s),
                   static_cast<int>(h * s)};
    }

    // A click as the button gets it from the mouse.
    static void Click(HWND w) {
        const RECT r = WindowRect(w);
        const LPARAM at = MAKELPARAM((r.right - r.left) / 2, (r.bottom - r.top) / 2);
        PostMessageW(w, WM_MOUSEMOVE, 0, at);
        PostMessageW(w, WM_LBUTTONDOWN, MK_LBUTTON, at);
        PostMessageW(w, WM_LBUTTONUP, 0, at);
    }
    // A double click in the middle of the play view.
    void DoubleClickPicture() const {
        HWND w = ShownView();
        const RECT r = WindowRect(w);
        const LPARAM at = MAKELPARAM((r.right - r.left) / 2, (r.bottom - r.top) / 2);
        PostMessageW(w, WM_LBUTTONDOWN, MK_LBUTTON, at);
        PostMessageW(w, WM_LBUTTONUP, 0, at);
        PostMessageW(w, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
        PostMessageW(w, WM_LBUTTONUP, 0, at);
    }

private:
    PROCESS_INFORMATION pi_{};
    bool started_ = false;
    HWND frame_ = nullptr;
};

}  // namespace
