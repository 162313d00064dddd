#include "capture/win/Diagnostics.h"

#include <shlobj.h>
#include <shlwapi.h>

#include <cstdio>
#include <mutex>

#include "winkit/Handle.h"

namespace Capwell::Lib::Diagnostics {

namespace {

HMODULE g_module = nullptr;
std::mutex g_name_lock;
std::wstring g_source_name;
std::mutex g_log_lock;  // whole lines
// Namespace-scope locks, not function-local statics: the runtime's guard for
// local statics keeps synchronisation objects of its own that a library
// unload would leave behind.
std::mutex g_trace_lock;
FILE* g_log = nullptr;

std::string ToUtf8(const std::wstring& w) {
    if (w.empty()) return {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0,
                                      nullptr, nullptr);
    std::string s(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), s.data(), n, nullptr,
                        nullptr);
    return s;
}

void TraceToFile(const std::wstring& text) {
    wchar_t path[MAX_PATH];
    const DWORD n = GetEnvironmentVariableW(L"CAPWELL_REPORT_FILE", path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return;
    std::lock_guard<std::mutex> guard(g_trace_lock);
    FILE* f = nullptr;
    if (_wfopen_s(&f, path, L"ab") != 0 || f == nullptr) return;
    const std::string line = ToUtf8(text) + "\n";
    fwrite(line.data(), 1, line.size(), f);
    fclose(f);
}

}  // namespace

void SetModule(HMODULE module) { g_module = module; }
HMODULE Module() { return g_module; }

void SetSourceName(const std::wstring& name) {
    std::lock_guard<std::mutex> guard(g_name_lock);
    g_source_name = name;
}

void Report(const std::wstring& text) {
    std::wstring name;
    {
        std::lock_guard<std::mutex> guard(g_name_lock);
        name = g_source_name;
    }
    const winkit::UniqueEventSource source(RegisterEventSourceW(nullptr, name.c_str()));
    if (!source) return;  // gives up silently
    TraceToFile(text);
    const wchar_t* strings[1] = {text.c_str()};
    if (!ReportEventW(source.Get(), EVENTLOG_ERROR_TYPE, 0, 1, nullptr, 1, 0, strings, nullptr)) {
        wchar_t* message = nullptr;
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                           FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, GetLastError(), MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                       reinterpret_cast<wchar_t*>(&message), 0, nullptr);
        const winkit::UniqueLocal owned_message(message);
        OutputDebugStringW(text.c_str());
    }
}

void Report(const std::string& text) {
    std::wstring w(text.begin(), text.end());  // ASCII texts
    Report(w);
}

void ReportResource(UINT id) {
    const wchar_t* text = nullptr;
    const int n = LoadStringW(g_module, id, reinterpret_cast<wchar_t*>(&text), 0);
    if (n <= 0 || text == nullptr) return;
    Report(std::wstring(text, static_cast<size_t>(n)));
}

bool OpenApiLog() {
    std::lock_guard<std::mutex> guard(g_log_lock);
    if (g_log != nullptr) return true;
    char desktop[MAX_PATH];
    if (FAILED(SHGetFolderPathA(nullptr, CSIDL_DESKTOP, nullptr, SHGFP_TYPE_CURRENT, desktop)))
        return false;
    char folder[MAX_PATH];
    if (PathCombineA(folder, desktop, "log") == nullptr) return false;
    if (!PathIsDirectoryA(folder) && !CreateDirectoryA(folder, nullptr)) return false;
    char file[MAX_PATH];
    if (PathCombineA(file, folder, "zorvapi.log") == nullptr) return false;
    FILE* f = nullptr;
    if (fopen_s(&f, file, "a+") != 0 || f == nullptr) return false;
    g_log = f;
    return true;
}

void CloseApiLog() {
    std::lock_guard<std::mutex> guard(g_log_lock);
    if (g_log != nullptr) {
        fclose(g_log);
        g_log = nullptr;
    }
}

bool ApiLogOpen() {
    std::lock_guard<std::mutex> guard(g_log_lock);
    return g_log != nullptr;
}

void WriteLine(int32_t result, const char* name, const std::string& args) {
    std::lock_guard<std::mutex> guard(g_log_lock);
    if (g_log == nullptr) return;
    SYSTEMTIME t;
    GetLocalTime(&t);
    const LogText::LocalTime lt{t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond,
                                t.wMilliseconds};
    // Text mode: "\n" becomes CRLF on disk, as the C runtime writes it.
    const std::string line = LogText::Line(lt, result, name, args);
    fputs(line.c_str(), g_log);
    fflush(g_log);
}

}  // namespace Capwell::Lib::Diagnostics
