// The simulated panel (Windows): what the tablet's panel would show, composed from a copy of the
// tablet's screen area and the simulated controller's video plane, shown in a mirror window that
// lies outside that area, and written as a BMP on request.
//
// The mirror never draws on the tablet's area, so a screen copy there (the viewer's overlap
// detector) returns the key colour, as on the tablet, where the controller puts the picture on
// the panel behind the desktop's back. Locks: panel_mutex_ (start, stop, the settings), then
// render_mutex_ (the pattern renderer and the composition buffers); never the other way.
#include "simulator/dll/PanelWindow.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <mutex>
#include <string>
#include <utility>

#include "simulator/dll/ComponentAccess.h"
#include "simulator/include/MerrowcomSim.h"
#include "simulator/model/PanelComposer.h"
#include "simulator/model/Pattern.h"
#include "winkit/Gdi.h"
#include "winkit/Handle.h"

namespace mrcsim {
namespace {

constexpr wchar_t kClassName[] = L"MerrowcomSimulatedPanel";
constexpr UINT_PTR kComposeTimer = 1;
constexpr UINT kStopMessage = WM_APP + 1;  // private to this window class
constexpr std::uint32_t kDefaultPeriodMs = 20;  // a little over one 60 Hz frame

struct Settings {
    RECT tablet{};
    RECT mirror{};
    std::uint32_t period_ms = kDefaultPeriodMs;
    bool no_mirror = false;
    std::wstring shot_path;     // one snapshot written at shot_after_ms (run command's screenshot)
    std::uint64_t shot_after_ms = 0;
    bool close_after_shot = false;  // the run command's screenshot ends the program this way
};

bool IsEmpty(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }

RECT PrimaryMonitor() {
    MONITORINFO mi{};
    mi.cbSize = sizeof mi;
    if (GetMonitorInfoW(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &mi)) return mi.rcMonitor;
    return RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

BOOL CALLBACK FindOtherMonitor(HMONITOR, HDC, LPRECT rect, LPARAM param) {
    auto* found = reinterpret_cast<std::pair<RECT, RECT>*>(param);
    RECT overlap{};
    if (!IntersectRect(&overlap, rect, &found->first)) {
        found->second = *rect;
        return FALSE;
    }
    return TRUE;
}

// The first monitor that does not overlap the tablet's area; empty when there is none.
RECT MirrorMonitor(const RECT& tablet) {
    std::pair<RECT, RECT> search{tablet, RECT{}};
    EnumDisplayMonitors(nullptr, nullptr, &FindOtherMonitor, reinterpret_cast<LPARAM>(&search));
    return search.second;
}

// Posts WM_CLOSE to every visible top-level window of this process but the mirror (`param`).
BOOL CALLBACK CloseOwnWindow(HWND hwnd, LPARAM param) {
    DWORD pid = 0;
    (void)GetWindowThreadProcessId(hwnd, &pid);
    if (pid == GetCurrentProcessId() && hwnd != reinterpret_cast<HWND>(param) && IsWindowVisible(hwnd) &&
        GetWindow(hwnd, GW_OWNER) == nullptr)
        (void)PostMessageW(hwnd, WM_CLOSE, 0, 0);
    return TRUE;
}

class Panel {
public:
    [[nodiscard]] bool Start(const Settings& s);
    void Stop();
    [[nodiscard]] bool Snapshot(const std::wstring& path);
    [[nodiscard]] bool ComposeNow(BgrImage& out);

private:
    static unsigned __stdcall ThreadEntry(void* self);
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    void Run();
    void OnComposeTimer(HWND hwnd);
    void Paint(HWND hwnd);

    std::mutex panel_mutex_;
    Settings settings_;
    winkit::UniqueHandle thread_;
    winkit::UniqueHandle ready_;
    DWORD thread_id_ = 0;
    std::uint64_t started_ms_ = 0;
    bool shot_taken_ = false;

    std::mutex render_mutex_;
    PatternRenderer renderer_;
    std::vector<std::uint8_t> render_buffer_;
    BgrImage picture_;
    BgrImage desktop_;
    BgrImage shown_;  // the last composition, painted by the mirror (panel thread only)
};

// Lives as long as the process: the controller it reads is never destroyed either, and the
// panel thread must not be joined during process exit.
Panel g_panel;

bool Panel::ComposeNow(BgrImage& out) {
    const PanelState st = TheController().PanelNow();
    if (st.output_width == 0 || st.output_height == 0) return false;
    RECT tablet{};
    {
        std::lock_guard<std::mutex> lk(panel_mutex_);
        tablet = settings_.tablet;
    }
    if (IsEmpty(tablet)) tablet = PrimaryMonitor();
    const int tw = tablet.right - tablet.left, th = tablet.bottom - tablet.top;

    std::lock_guard<std::mutex> lk(render_mutex_);
    // the desktop as a screen copy shows it, layered windows included
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = tw;
    bi.bmiHeader.biHeight = -th;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    const winkit::ClientDc screen(nullptr);
    if (screen.Get() == nullptr) return false;
    const winkit::Bitmap dib(CreateDIBSection(screen.Get(), &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    const winkit::MemoryDc memory(CreateCompatibleDC(screen.Get()));
    if (!dib || bits == nullptr || !memory) return false;
    {
        const winkit::SelectGuard select(memory.Get(), dib.Get());
        if (!BitBlt(memory.Get(), 0, 0, tw, th, screen.Get(), tablet.left, tablet.top, SRCCOPY | CAPTUREBLT))
            return false;
        GdiFlush();
    }
    desktop_.Resize(static_cast<std::uint32_t>(tw), static_cast<std::uint32_t>(th));
    const std::size_t dib_row = (static_cast<std::size_t>(tw) * 3u + 3u) / 4u * 4u;
    for (int y = 0; y < th; ++y)
        std::memcpy(desktop_.At(0, static_cast<std::uint32_t>(y)), static_cast<const std::uint8_t*>(bits) + dib_row * y,
                    static_cast<std::size_t>(tw) * 3u);

    // the panel at the controller's output size, the tablet's screen fitted into it
    out.Resize(st.output_width, st.output_height);
    FitDesktop(desktop_, out);

    const BgrImage* picture = nullptr;
    if (st.content == PanelState::Content::Picture) {
        const std::uint32_t w = st.input.width, h = st.input.height;
        render_buffer_.resize(static_cast<std::size_t>(RowBytes(w, 1)) * h);
        renderer_.SetCaption(FormatCaption(st.input));
        renderer_.Render(st.frame, w, h, 1, render_buffer_.data(), static_cast<std::ptrdiff_t>(RowBytes(w, 1)));
        picture_.Resize(w, h);
        for (std::uint32_t y = 0; y < h; ++y)
            std::memcpy(picture_.At(0, y), &render_buffer_[static_cast<std::size_t>(y) * RowBytes(w, 1)],
                        static_cast<std::size_t>(w) * 3u);
        picture = &picture_;
    }
    if (st.content != PanelState::Content::None) ComposePanel(out, st.plane, picture);
    return true;
}

bool Panel::Snapshot(const std::wstring& path) {
    BgrImage image;
    if (!ComposeNow(image)) return false;
    const std::vector<std::uint8_t> bmp = EncodeBmp(image);
    std::ofstream file(path.c_str(), std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bmp.data()), static_cast<std::streamsize>(bmp.size()));
    return static_cast<bool>(file.flush());
}

bool Panel::Start(const Settings& s) {
    std::lock_guard<std::mutex> lk(panel_mutex_);
    if (thread_) return false;
    settings_ = s;
    if (IsEmpty(settings_.tablet)) settings_.tablet = PrimaryMonitor();
    if (s.no_mirror) settings_.mirror = RECT{};
    else if (IsEmpty(settings_.mirror)) settings_.mirror = MirrorMonitor(settings_.tablet);
    if (settings_.period_ms == 0) settings_.period_ms = kDefaultPeriodMs;
    shot_taken_ = false;
    started_ms_ = GetTickCount64();
    ready_.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!ready_) return false;
    unsigned id = 0;
    thread_.Reset(reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, &ThreadEntry, this, 0, &id)));
    if (!thread_) return false;
    thread_id_ = id;
    // the window exists once Start returns, so a Stop right after finds it
    (void)WaitForSingleObject(ready_.Get(), 5000);
    return true;
}

void Panel::Stop() {
    winkit::UniqueHandle thread;
    DWORD id = 0;
    {
        std::lock_guard<std::mutex> lk(panel_mutex_);
        thread = std::move(thread_);
        id = std::exchange(thread_id_, 0);
        settings_ = Settings{};  // snapshots go back to the primary monitor
    }
    if (!thread) return;
    // waited for outside the lock: a composition in progress on the thread takes it briefly
    (void)PostThreadMessageW(id, kStopMessage, 0, 0);
    (void)WaitForSingleObject(thread.Get(), 5000);
}

unsigned __stdcall Panel::ThreadEntry(void* self) {
    static_cast<Panel*>(self)->Run();
    return 0;
}

void Panel::Run() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = &WindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kClassName;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    (void)RegisterClassW(&wc);  // a second start finds it registered
    // written by Start before it started this thread, and not again while it runs
    const Settings s = settings_;
    const bool visible = !IsEmpty(s.mirror);
    const RECT& m = visible ? s.mirror : RECT{0, 0, 16, 16};
    // a tool window that never takes the focus from the viewer
    winkit::UniqueWindow window(CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, kClassName, L"Simulated panel",
                                                WS_POPUP, m.left, m.top, m.right - m.left, m.bottom - m.top, nullptr,
                                                nullptr, wc.hInstance, this));
    if (window) {
        // Windows 10 2004 and later leave the mirror out of every screen copy, so it may even lie
        // on the tablet's area; where that is not honoured it must lie outside (see the docs).
        (void)SetWindowDisplayAffinity(window.Get(), WDA_EXCLUDEFROMCAPTURE);
        if (visible) ShowWindow(window.Get(), SW_SHOWNOACTIVATE);
        SetTimer(window.Get(), kComposeTimer, s.period_ms, nullptr);
    }
    MSG msg;
    (void)PeekMessageW(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);  // the thread's queue exists
    SetEvent(ready_.Get());
    while (window && GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (msg.hwnd == nullptr && msg.message == kStopMessage) break;
        DispatchMessageW(&msg);
    }
    if (window) KillTimer(window.Get(), kComposeTimer);
}

void Panel::OnComposeTimer(HWND hwnd) {
    BgrImage image;
    if (!ComposeNow(image)) return;
    shown_ = std::move(image);
    InvalidateRect(hwnd, nullptr, FALSE);
    std::wstring shot;
    {
        std::lock_guard<std::mutex> lk(panel_mutex_);
        if (!shot_taken_ && !settings_.shot_path.empty() &&
            GetTickCount64() - started_ms_ >= settings_.shot_after_ms) {
            shot_taken_ = true;
            shot = settings_.shot_path;
        }
    }
    if (!shot.empty()) {
        const std::vector<std::uint8_t> bmp = EncodeBmp(shown_);
        const std::wstring partial = shot + L".part";
        {
            std::ofstream file(partial.c_str(), std::ios::binary | std::ios::trunc);
            file.write(reinterpret_cast<const char*>(bmp.data()), static_cast<std::streamsize>(bmp.size()));
        }
        // renamed when complete, so a waiting script never reads half a file
        (void)MoveFileExW(partial.c_str(), shot.c_str(), MOVEFILE_REPLACE_EXISTING);
        bool close = false;
        {
            std::lock_guard<std::mutex> lk(panel_mutex_);
            close = settings_.close_after_shot;
        }
        // asked to close, the program ends as when its user closes it, cleaning up on its way
        if (close) (void)EnumWindows(&CloseOwnWindow, reinterpret_cast<LPARAM>(hwnd));
    }
}

void Panel::Paint(HWND hwnd) {
    const winkit::PaintDc dc(hwnd);
    RECT client{};
    GetClientRect(hwnd, &client);
    if (shown_.width == 0 || shown_.height == 0) {
        FillRect(dc.Get(), &client, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        return;
    }
    // shown_ has no row padding; a width that is not a multiple of four needs it for GDI
    const BgrImage* img = &shown_;
    const std::uint32_t row = (shown_.width * 3u + 3u) / 4u * 4u;
    std::vector<std::uint8_t> rows;
    if (row != shown_.width * 3u) {
        rows.assign(static_cast<std::size_t>(row) * shown_.height, 0);
        for (std::uint32_t y = 0; y < shown_.height; ++y)
            std::memcpy(&rows[static_cast<std::size_t>(y) * row], shown_.At(0, y), shown_.width * 3u);
    }
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = static_cast<LONG>(img->width);
    bi.bmiHeader.biHeight = -static_cast<LONG>(img->height);
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    bi.bmiHeader.biCompression = BI_RGB;
    SetStretchBltMode(dc.Get(), HALFTONE);
    StretchDIBits(dc.Get(), 0, 0, client.right, client.bottom, 0, 0, static_cast<int>(img->width),
                  static_cast<int>(img->height), rows.empty() ? img->pixels.data() : rows.data(), &bi, DIB_RGB_COLORS,
                  SRCCOPY);
}

LRESULT CALLBACK Panel::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams));
    }
    auto* self = reinterpret_cast<Panel*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    try {
        switch (msg) {
            case WM_TIMER:
                if (wp == kComposeTimer && self != nullptr) self->OnComposeTimer(hwnd);
                return 0;
            case WM_PAINT:
                if (self != nullptr) self->Paint(hwnd);
                else ValidateRect(hwnd, nullptr);
                return 0;
            case WM_ERASEBKGND:
                return 1;
            case WM_MOUSEACTIVATE:
                return MA_NOACTIVATE;
            default:
                break;
        }
    } catch (...) {
        return 0;  // nothing leaves a window procedure
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

std::wstring Widen(const char* utf8) {
    if (utf8 == nullptr) return {};
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, nullptr, 0);
    if (n <= 0) return {};
    std::wstring w(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8, -1, w.data(), n);
    w.resize(static_cast<std::size_t>(n - 1));
    return w;
}

}  // namespace

void StartPanelFromEnvironment() {
    const wchar_t* on = _wgetenv(L"MERROWCOM_PANEL");
    if (on == nullptr || std::wcscmp(on, L"1") != 0) return;
    Settings s;
    if (const wchar_t* shot = _wgetenv(L"MERROWCOM_PANEL_SHOT")) s.shot_path = shot;
    if (const wchar_t* after = _wgetenv(L"MERROWCOM_PANEL_SHOT_MS")) s.shot_after_ms = std::wcstoull(after, nullptr, 10);
    if (const wchar_t* close = _wgetenv(L"MERROWCOM_PANEL_SHOT_CLOSE")) s.close_after_shot = std::wcscmp(close, L"1") == 0;
    (void)g_panel.Start(s);
}

}  // namespace mrcsim

extern "C" {

int32_t MrcSim_PanelStart(const MrcSimPanel* setup) {
    try {
        mrcsim::Settings s;
        if (setup != nullptr) {
            s.tablet = RECT{setup->tablet_left, setup->tablet_top, setup->tablet_right, setup->tablet_bottom};
            s.mirror = RECT{setup->mirror_left, setup->mirror_top, setup->mirror_right, setup->mirror_bottom};
            s.period_ms = setup->period_ms;
            s.no_mirror = setup->no_mirror != 0;
        }
        if (!mrcsim::g_panel.Start(s)) {
            mrcsim::SetErrorText("the panel is already shown or its thread did not start");
            return -1;
        }
        return 0;
    } catch (...) {
        return -1;
    }
}

int32_t MrcSim_PanelStop(void) {
    try {
        mrcsim::g_panel.Stop();
        return 0;
    } catch (...) {
        return -1;
    }
}

int32_t MrcSim_PanelSnapshot(const char* path) {
    try {
        const std::wstring file = mrcsim::Widen(path);
        if (file.empty() || !mrcsim::g_panel.Snapshot(file)) {
            mrcsim::SetErrorText("no snapshot: empty path, no screen copy or the file could not be written");
            return -1;
        }
        return 0;
    } catch (...) {
        return -1;
    }
}

}  // extern "C"
