// The program Vistrel.exe: a frame window that starts and ends cleanly, one per
// session, watched from outside (its windows, the controller's journal, the
// per-user settings).
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "viewer/app/MainFrame.h"
#include "viewer/app/PelmoraApp.h"
#include "CwProcess.h"

namespace vistrel {
namespace {

HWND WaitForMainWindow(DWORD ms) {
    const ULONGLONG end = GetTickCount64() + ms;
    while (GetTickCount64() < end) {
        if (HWND w = FindWindowW(kMainWindowClass, nullptr)) return w;
        Sleep(20);
    }
    return nullptr;
}

bool FileExists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

struct Started {
    PROCESS_INFORMATION pi{};
    bool ok = false;
};

Started Start() {
    Started s;
    std::wstring cmd = L"\"" + cwtest::ExeDir() + L"\\Vistrel.exe\"";
    STARTUPINFOW si{sizeof si};
    s.ok = CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, cwtest::ExeDir().c_str(), &si,
                          &s.pi) != FALSE;
    return s;
}

DWORD CloseAndWait(Started& s, HWND window) {
    PostMessageW(window, WM_CLOSE, 0, 0);
    DWORD code = 0xDEAD;
    if (WaitForSingleObject(s.pi.hProcess, 20000) == WAIT_OBJECT_0) GetExitCodeProcess(s.pi.hProcess, &code);
    else TerminateProcess(s.pi.hProcess, 99);
    CloseHandle(s.pi.hProcess);
    CloseHandle(s.pi.hThread);
    return code;
}

// A second start, watched while it runs: the top-level windows of its
// process, looked at every millisecond or so (Wine 8 sends no window-creation
// events to another process's hook, so a window made and gone between two
// looks would be missed), and its exit code.
struct SecondStart {
    bool ended = false;
    DWORD exit_code = 0xDEAD;
    bool main_class_window_seen = false;
};

void ScanWindows(DWORD pid, SecondStart& r) {
    for (HWND parent : {HWND(nullptr), HWND_MESSAGE}) {
        for (HWND w = nullptr; (w = FindWindowExW(parent, w, nullptr, nullptr)) != nullptr;) {
            DWORD owner = 0;
            GetWindowThreadProcessId(w, &owner);
            if (owner != pid) continue;
            wchar_t cls[64] = {};
            GetClassNameW(w, cls, 64);
            if (lstrcmpW(cls, kMainWindowClass) == 0) r.main_class_window_seen = true;
        }
    }
}

SecondStart RunSecond() {
    SecondStart r;
    Started s = Start();
    if (!s.ok) return r;
    const ULONGLONG end = GetTickCount64() + 20000;
    while (GetTickCount64() < end && WaitForSingleObject(s.pi.hProcess, 1) == WAIT_TIMEOUT) {
        ScanWindows(s.pi.dwProcessId, r);
    }
    r.ended = WaitForSingleObject(s.pi.hProcess, 0) == WAIT_OBJECT_0;
    if (r.ended) GetExitCodeProcess(s.pi.hProcess, &r.exit_code);
    else TerminateProcess(s.pi.hProcess, 99);
    CloseHandle(s.pi.hProcess);
    CloseHandle(s.pi.hThread);
    return r;
}

int MainClassWindows() {
    int n = 0;
    for (HWND w = nullptr; (w = FindWindowExW(nullptr, w, kMainWindowClass, nullptr)) != nullptr;) ++n;
    return n;
}

// A plain window of this process, to hold the foreground.
class OwnWindow {
public:
    OwnWindow() {
        hwnd_ = CreateWindowExW(0, L"STATIC", L"other", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 300, 200, nullptr,
                                nullptr, nullptr, nullptr);
    }
    ~OwnWindow() {
        if (hwnd_ != nullptr) DestroyWindow(hwnd_);
    }
    OwnWindow(const OwnWindow&) = delete;
    OwnWindow& operator=(const OwnWindow&) = delete;
    HWND Handle() const { return hwnd_; }

private:
    HWND hwnd_ = nullptr;
};

TEST(VistrelProgram, StartsOncePerSessionAndExitsCleanly) {
    ASSERT_EQ(FindWindowW(kMainWindowClass, nullptr), nullptr);
    // The journal shows that a normal start reaches the controller (the case
    // below relies on its absence).
    const cwtest::TempDir dir;
    const std::wstring journal = dir.path() + L"\\journal.txt";
    const cwtest::ScopedEnv env_journal(L"MERROWCOM_JOURNAL", journal.c_str());
    Started first = Start();
    ASSERT_TRUE(first.ok);
    HWND window = WaitForMainWindow(20000);
    ASSERT_NE(window, nullptr);
    wchar_t title[64] = {};
    GetWindowTextW(window, title, 64);
    EXPECT_STREQ(title, L"Vistrel");
    EXPECT_EQ(GetWindowLongPtrW(window, GWL_STYLE) & kFrameStyle, static_cast<LONG_PTR>(kFrameStyle));
    const ULONGLONG until = GetTickCount64() + 15000;
    while (!FileExists(journal) && GetTickCount64() < until) Sleep(50);
    EXPECT_TRUE(FileExists(journal)) << "the first start did not reach the controller";

    // A second start in the same session brings the first forward, makes no
    // frame of its own and ends. Wine lets one process give another the
    // foreground, so the foreground window itself is compared.
    OwnWindow other;
    ASSERT_NE(other.Handle(), nullptr);
    SetForegroundWindow(other.Handle());
    ASSERT_EQ(GetForegroundWindow(), other.Handle());
    SecondStart second = RunSecond();
    ASSERT_TRUE(second.ended);
    EXPECT_EQ(second.exit_code, 0u);
    EXPECT_FALSE(second.main_class_window_seen) << "the second start made a frame";
    EXPECT_EQ(MainClassWindows(), 1);
    EXPECT_EQ(GetForegroundWindow(), window) << "the first window was not brought forward";

    // Minimised, it is restored.
    ShowWindow(window, SW_MINIMIZE);
    ASSERT_TRUE(IsIconic(window));
    second = RunSecond();
    ASSERT_TRUE(second.ended);
    EXPECT_EQ(second.exit_code, 0u);
    EXPECT_FALSE(second.main_class_window_seen);
    EXPECT_EQ(WaitForSingleObject(first.pi.hProcess, 0), static_cast<DWORD>(WAIT_TIMEOUT)) << "the first runs on";
    EXPECT_FALSE(IsIconic(window)) << "the first window was restored";
    EXPECT_EQ(GetForegroundWindow(), window);

    EXPECT_EQ(CloseAndWait(first, window), 0u);
}

// The kind of the one display view shown: in the display row's pane (the
// larger window holding eleven views) the shown view has the identifier
// 0xE900, each hidden one 0xE901 + its key, which is the kind.
int ShownKind(HWND frame) {
    struct Scan {
        HWND pane = nullptr;
        long area = 0;
    } scan;
    EnumChildWindows(
        frame,
        [](HWND w, LPARAM p) -> BOOL {
            auto* s = reinterpret_cast<Scan*>(p);
            int views = 0;
            for (HWND c = GetWindow(w, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) ++views;
            RECT r{};
            GetWindowRect(w, &r);
            const long a = static_cast<long>(r.right - r.left) * (r.bottom - r.top);
            if (views == 11 && a > s->area) *s = Scan{w, a};
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&scan));
    if (scan.pane == nullptr) return -1;
    bool hidden[12] = {};
    for (HWND c = GetWindow(scan.pane, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) {
        const int key = GetDlgCtrlID(c) - 0xE901;
        if (!IsWindowVisible(c) && key >= 1 && key <= 11) hidden[key] = true;
    }
    int shown = -1;
    for (int key = 1; key <= 11; ++key) {
        if (!hidden[key]) shown = shown == -1 ? key : 12;
    }
    return shown == 12 ? -1 : shown;
}

bool ReadUserValue(const wchar_t* name, DWORD& value) {
    DWORD size = sizeof value;
    return RegGetValueW(HKEY_CURRENT_USER, L"Software\\Harlowe\\Vistrel", name, RRF_RT_REG_DWORD, nullptr, &value,
                        &size) == ERROR_SUCCESS;
}

TEST(VistrelProgram, OpensWhenOnlyAnotherSessionRunsIt) {
    // The global mutex held by "another session": the user mutex is still free.
    fw::NamedMutex global;
    ASSERT_TRUE(global.Create(kGlobalMutexName));
    const cwtest::TempDir dir;
    const std::wstring journal = dir.path() + L"\\journal.txt";
    const cwtest::ScopedEnv env_journal(L"MERROWCOM_JOURNAL", journal.c_str());
    // A saved gesture value left behind, as by an abnormal end, and no contact
    // value: a store that guards and restores would delete the one at exit and
    // write the other while running.
    const DWORD left = 1;
    ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, L"Software\\Harlowe\\Vistrel", L"GestureVisualization", REG_DWORD,
                              &left, sizeof left),
              ERROR_SUCCESS);
    RegDeleteKeyValueW(HKEY_CURRENT_USER, L"Software\\Harlowe\\Vistrel", L"ContactVisualization");
    BOOL contact_before = FALSE;
    const bool readable = SystemParametersInfoW(SPI_GETCONTACTVISUALIZATION, 0, &contact_before, 0) != FALSE;

    Started s = Start();
    ASSERT_TRUE(s.ok);
    HWND window = WaitForMainWindow(20000);
    ASSERT_NE(window, nullptr);
    const ULONGLONG end = GetTickCount64() + 10000;
    while (ShownKind(window) != 9 && GetTickCount64() < end) Sleep(50);
    EXPECT_EQ(ShownKind(window), 9) << "not the already-running screen";
    DWORD value = 0;
    EXPECT_FALSE(ReadUserValue(L"ContactVisualization", value)) << "the contact setting was saved";
    if (readable) {
        BOOL contact = FALSE;
        SystemParametersInfoW(SPI_GETCONTACTVISUALIZATION, 0, &contact, 0);
        EXPECT_EQ(contact, contact_before);
    }
    EXPECT_EQ(CloseAndWait(s, window), 0u);

    EXPECT_FALSE(FileExists(journal)) << "the capture library reached the controller";
    ASSERT_TRUE(ReadUserValue(L"GestureVisualization", value)) << "the saved gesture value was taken away";
    EXPECT_EQ(value, left);
    EXPECT_FALSE(ReadUserValue(L"ContactVisualization", value));
    RegDeleteKeyValueW(HKEY_CURRENT_USER, L"Software\\Harlowe\\Vistrel", L"GestureVisualization");
}

}  // namespace
}  // namespace vistrel
