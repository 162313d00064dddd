#include <windows.h>

#include "PelmoraApp.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    vistrel::CPelmoraApp app;
    return app.Run();
}
