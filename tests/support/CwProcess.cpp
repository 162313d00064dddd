#include "tests/support/CwProcess.h"

#include <tlhelp32.h>

#include <filesystem>

namespace cwtest {

namespace {

struct Handle {
    HANDLE h = nullptr;
    ~Handle() {
        if (h && h != INVALID_HANDLE_VALUE) CloseHandle(h);
    }
};

}  // namespace

std::wstring QuoteArg(const std::wstring& arg) {
    if (!arg.empty() && arg.find_first_of(L" \t\n\v\"") == std::wstring::npos) return arg;
    std::wstring out = L"\"";
    size_t backslashes = 0;
    for (wchar_t c : arg) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        if (c == L'"') out.append(backslashes * 2 + 1, L'\\');
        else out.append(backslashes, L'\\');
        backslashes = 0;
        out.push_back(c);
    }
    out.append(backslashes * 2, L'\\');
    out.push_back(L'"');
    return out;
}

ProcessResult RunProcess(const std::wstring& exe, const std::vector<std::wstring>& args,
                         DWORD timeout_ms, const std::wstring& cwd) {
    ProcessResult result;
    std::wstring cmd = QuoteArg(exe);
    for (const auto& a : args) {
        cmd += L' ';
        cmd += QuoteArg(a);
    }
    std::vector<wchar_t> buf(cmd.begin(), cmd.end());
    buf.push_back(L'\0');
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(exe.c_str(), buf.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        cwd.empty() ? nullptr : cwd.c_str(), &si, &pi)) {
        result.error = GetLastError();
        return result;
    }
    Handle process{pi.hProcess};
    Handle thread{pi.hThread};
    result.started = true;
    if (WaitForSingleObject(pi.hProcess, timeout_ms) != WAIT_OBJECT_0) {
        result.timed_out = true;
        TerminateProcess(pi.hProcess, 0xFFFFFFFFu);
        WaitForSingleObject(pi.hProcess, 5000);
    }
    GetExitCodeProcess(pi.hProcess, &result.exit_code);
    return result;
}

std::wstring ExeDir() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        path.resize(path.size() * 2);
    }
    return std::filesystem::path(path).parent_path().wstring();
}

ScopedEnv::ScopedEnv(const wchar_t* name, const wchar_t* value) : name_(name) {
    DWORD n = GetEnvironmentVariableW(name, nullptr, 0);
    if (n > 0) {
        old_.resize(n);
        DWORD got = GetEnvironmentVariableW(name, old_.data(), n);
        old_.resize(got);
        had_old_ = true;
    }
    SetEnvironmentVariableW(name, value);
}

ScopedEnv::~ScopedEnv() { SetEnvironmentVariableW(name_.c_str(), had_old_ ? old_.c_str() : nullptr); }

TempDir::TempDir() {
    wchar_t base[MAX_PATH + 1];
    GetTempPathW(MAX_PATH + 1, base);
    static LONG counter = 0;
    for (;;) {
        std::wstring candidate = std::wstring(base) + L"cwtest_" + std::to_wstring(GetCurrentProcessId()) +
                                 L"_" + std::to_wstring(InterlockedIncrement(&counter));
        if (CreateDirectoryW(candidate.c_str(), nullptr)) {
            path_ = candidate;
            return;
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS) return;
    }
}

TempDir::~TempDir() {
    if (path_.empty()) return;
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

bool TempDir::CopyFromBin(const std::wstring& name) const {
    std::wstring from = ExeDir() + L"\\" + name;
    std::wstring to = path_ + L"\\" + name;
    return CopyFileW(from.c_str(), to.c_str(), FALSE) != 0;
}

ResourceCounts CurrentResourceCounts() {
    ResourceCounts c;
    // Wine answers 0 to GetProcessHandleCount, so open handles are counted by probing
    // handle values (multiples of 4) until a long run of invalid ones.
    GetProcessHandleCount(GetCurrentProcess(), &c.handles);
    if (c.handles == 0) {
        unsigned misses = 0;
        for (ULONG_PTR v = 4; misses < 4096; v += 4) {
            DWORD flags = 0;
            if (GetHandleInformation(reinterpret_cast<HANDLE>(v), &flags)) {
                ++c.handles;
                misses = 0;
            } else {
                ++misses;
            }
        }
    }
    c.gdi = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    c.user = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
    Handle snap{CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0)};
    if (snap.h == INVALID_HANDLE_VALUE) return c;
    THREADENTRY32 te{};
    te.dwSize = sizeof(te);
    const DWORD pid = GetCurrentProcessId();
    for (BOOL ok = Thread32First(snap.h, &te); ok; ok = Thread32Next(snap.h, &te)) {
        if (te.th32OwnerProcessID == pid) ++c.threads;
    }
    return c;
}

}  // namespace cwtest
