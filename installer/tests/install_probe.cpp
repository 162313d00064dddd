// Checks an installed Vistrel from inside the Wine prefix:
//   install_probe check INSTALLDIR   the event source's values and Capwell's message table
//   install_probe run INSTALLDIR     starts the installed viewer in its folder, waits for its
//                                    main window, checks where its modules came from, closes it
// Exit code 0 when every check holds; each failure is printed.
#include <windows.h>

#include <psapi.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "winkit/Handle.h"

namespace {

int failures = 0;

void Fail(const wchar_t* what, const std::wstring& detail = L"") {
    std::fwprintf(stderr, L"install_probe: %ls %ls\n", what, detail.c_str());
    ++failures;
}

std::wstring Lower(std::wstring s) {
    for (wchar_t& c : s) c = static_cast<wchar_t>(towlower(c));
    return s;
}

void CheckInstalled(const std::wstring& dir) {
    winkit::UniqueRegKey key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\Vistrel", 0,
                      KEY_READ, key.Put()) != ERROR_SUCCESS) {
        Fail(L"no event source key");
        return;
    }
    wchar_t value[MAX_PATH] = {};
    DWORD size = sizeof value - sizeof(wchar_t);
    DWORD type = 0;
    if (RegQueryValueExW(key.Get(), L"EventMessageFile", nullptr, &type, reinterpret_cast<BYTE*>(value), &size) !=
            ERROR_SUCCESS ||
        type != REG_EXPAND_SZ)
        Fail(L"EventMessageFile is not a REG_EXPAND_SZ");
    wchar_t expanded[MAX_PATH] = {};
    ExpandEnvironmentStringsW(value, expanded, MAX_PATH);
    if (Lower(expanded) != Lower(dir + L"Capwell.dll")) Fail(L"EventMessageFile names", expanded);
    DWORD types = 0;
    size = sizeof types;
    if (RegQueryValueExW(key.Get(), L"TypesSupported", nullptr, &type, reinterpret_cast<BYTE*>(&types), &size) !=
            ERROR_SUCCESS ||
        type != REG_DWORD || types != 7)
        Fail(L"TypesSupported is not the dword 7");

    // What the Event Viewer does with a report: message 1 of the message file,
    // the report's text as its one insert.
    const winkit::UniqueModule capwell(
        LoadLibraryExW(expanded, nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
    if (!capwell) {
        Fail(L"cannot load", expanded);
        return;
    }
    const wchar_t* inserts[] = {L"Kdr_VpPlay(-3)"};
    wchar_t text[256] = {};
    const DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_ARGUMENT_ARRAY, capwell.Get(), 1,
                                   MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), text, 256,
                                   reinterpret_cast<va_list*>(const_cast<wchar_t**>(inserts)));
    std::wstring shown(text, n);
    while (!shown.empty() && (shown.back() == L'\n' || shown.back() == L'\r')) shown.pop_back();
    if (shown != L"Kdr_VpPlay(-3)") Fail(L"message 1 reads", shown);
}

struct Found {
    DWORD pid;
    HWND hwnd;
};

BOOL CALLBACK FindViewer(HWND hwnd, LPARAM l) {
    auto* f = reinterpret_cast<Found*>(l);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    wchar_t cls[128] = {};
    GetClassNameW(hwnd, cls, 128);
    if (pid == f->pid && std::wcscmp(cls, L"Harlowe Vistrel MainWndClass") == 0) {
        f->hwnd = hwnd;
        return FALSE;
    }
    return TRUE;
}

void RunViewer(const std::wstring& dir) {
    std::wstring cmd = L"\"" + dir + L"Vistrel.exe\"";
    STARTUPINFOW si{sizeof si};
    PROCESS_INFORMATION pi{};
    // The Start-menu shortcut's working folder: the installation folder.
    if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(), &si, &pi)) {
        Fail(L"cannot start the installed viewer");
        return;
    }
    const winkit::UniqueHandle process(pi.hProcess);
    const winkit::UniqueHandle thread(pi.hThread);
    Found f{pi.dwProcessId, nullptr};
    // Generous limits: a first start in a fresh prefix on a loaded machine is slow, and they
    // only bound a hang.
    for (int i = 0; i < 900 && f.hwnd == nullptr; ++i) {
        if (WaitForSingleObject(process.Get(), 100) == WAIT_OBJECT_0) break;
        EnumWindows(FindViewer, reinterpret_cast<LPARAM>(&f));
    }
    if (f.hwnd == nullptr) {
        Fail(L"the viewer's main window did not appear");
    } else {
        Sleep(2000);  // let the frame start the capture library on the simulator
        HMODULE modules[256];
        DWORD needed = 0;
        int ours = 0;
        if (EnumProcessModules(process.Get(), modules, sizeof modules, &needed)) {
            for (DWORD i = 0; i < needed / sizeof(HMODULE) && i < 256; ++i) {
                wchar_t path[MAX_PATH] = {};
                GetModuleFileNameExW(process.Get(), modules[i], path, MAX_PATH);
                const std::wstring p = Lower(path);
                const std::wstring name = p.substr(p.rfind(L'\\') + 1);
                for (const wchar_t* mine : {L"vistrel.exe", L"capwell.dll", L"tolvane.dll", L"tavrin_x64.dll",
                                            L"okumo.dll", L"merrowcom.dll"}) {
                    if (name != mine) continue;
                    ++ours;
                    std::fwprintf(stdout, L"install_probe: loaded %ls\n", path);
                    if (p != Lower(dir) + name) Fail(L"a module from outside the installation:", path);
                }
            }
        }
        if (ours == 0) Fail(L"no module of ours seen in the viewer");
        PostMessageW(f.hwnd, WM_CLOSE, 0, 0);
    }
    if (WaitForSingleObject(process.Get(), 60000) != WAIT_OBJECT_0) {
        Fail(L"the viewer did not end after WM_CLOSE");
        TerminateProcess(process.Get(), 1);
    }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) {
        std::fwprintf(stderr, L"usage: install_probe check|run INSTALLDIR\n");
        return 2;
    }
    std::wstring dir = argv[2];
    if (!dir.empty() && dir.back() != L'\\') dir += L'\\';
    if (std::wcscmp(argv[1], L"check") == 0) CheckInstalled(dir);
    else if (std::wcscmp(argv[1], L"run") == 0) RunViewer(dir);
    else return 2;
    return failures == 0 ? 0 : 1;
}
