// Test support: start another program on the Windows side and read its full
// 32-bit exit code (a Linux shell sees only the low 8 bits of a Wine process's).
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace cwtest {

struct ProcessResult {
    bool started = false;    // CreateProcessW succeeded
    bool timed_out = false;  // killed after the time limit
    DWORD exit_code = 0;     // full 32-bit exit code
    DWORD error = 0;         // GetLastError() when not started
};

// Quotes one argument the way CommandLineToArgvW splits it again.
std::wstring QuoteArg(const std::wstring& arg);

// Runs `exe` with `args` (each quoted), waits up to `timeout_ms`, returns its exit code.
// `cwd` empty: the caller's working directory.
ProcessResult RunProcess(const std::wstring& exe, const std::vector<std::wstring>& args,
                         DWORD timeout_ms = 60000, const std::wstring& cwd = L"");

// Folder of the running test executable (the build's bin folder).
std::wstring ExeDir();

// Sets (or, with nullptr, removes) an environment variable for this scope; children inherit it.
class ScopedEnv {
public:
    ScopedEnv(const wchar_t* name, const wchar_t* value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::wstring name_;
    std::wstring old_;
    bool had_old_ = false;
};

// A fresh folder under the temp folder, removed with its contents at scope end.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::wstring& path() const { return path_; }
    // Copies bin/<name> into this folder; false when the copy failed.
    bool CopyFromBin(const std::wstring& name) const;

private:
    std::wstring path_;
};

// Counts of this process's threads and open handles, for leak checks across cycles.
struct ResourceCounts {
    DWORD threads = 0;
    DWORD handles = 0;
    DWORD gdi = 0;
    DWORD user = 0;
};
ResourceCounts CurrentResourceCounts();

}  // namespace cwtest
