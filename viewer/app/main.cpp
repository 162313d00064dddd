#include <windows.h>

#include "viewer/app/PelmoraApp.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    vistrel::CPelmoraApp app;
    return app.Run();
}
