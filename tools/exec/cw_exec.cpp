// Runs a Windows program and prints its full 32-bit exit code, which a Linux shell
// running Wine cannot see (it gets the low 8 bits only).
//   cw_exec.exe PROGRAM [ARGS...]
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/support/CwProcess.h"

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        std::fwprintf(stderr, L"usage: cw_exec PROGRAM [ARGS...]\n");
        return 2;
    }
    std::vector<std::wstring> args(argv + 2, argv + argc);
    auto r = cwtest::RunProcess(argv[1], args, INFINITE);
    if (!r.started) {
        std::fwprintf(stderr, L"cw_exec: cannot start %ls (error %lu)\n", argv[1], r.error);
        return 2;
    }
    std::wprintf(L"%ls exited with %ld (0x%08lX)\n", argv[1], static_cast<long>(r.exit_code),
                 static_cast<unsigned long>(r.exit_code));
    return 0;
}
