// Child program for the process-launcher tests: exits with the code given as its
// first argument (decimal or 0x hex), or with the value of the environment
// variable named by "--env NAME".
#include <windows.h>

#include <cstdlib>
#include <cwchar>

int wmain(int argc, wchar_t** argv) {
    if (argc == 3 && std::wcscmp(argv[1], L"--env") == 0) {
        wchar_t value[64] = {};
        if (GetEnvironmentVariableW(argv[2], value, 64) == 0) ExitProcess(0xE0000001u);
        ExitProcess(static_cast<UINT>(std::wcstoul(value, nullptr, 0)));
    }
    if (argc == 2) ExitProcess(static_cast<UINT>(std::wcstoul(argv[1], nullptr, 0)));
    // Any other shape of command line: report how many arguments arrived.
    ExitProcess(0xA0000000u + static_cast<UINT>(argc));
}
