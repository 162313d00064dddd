// Library load and unload: the single object is made at load; its hidden
// window is made by the first export call on the calling thread (never under
// the loader lock).
#include <windows.h>

#include "capture/win/Diagnostics.h"
#include "capture/win/VideoInput.h"

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID reserved) {
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        // Thread notifications stay on: the statically linked thread runtime
        // frees its per-thread records in them.
        Capwell::Lib::Diagnostics::SetModule(module);
        Capwell::CreateInstance();
        break;
    case DLL_PROCESS_DETACH:
        // At process exit (reserved non-null) other threads are gone and the
        // window with them; on FreeLibrary the object is released here. An
        // initialised library holds a reference on itself until Cpw_Finalize,
        // so a client that never finalises leaves the image and its session
        // loaded to the process's end and this is never reached with them.
        if (reserved == nullptr) {
            Capwell::VideoInput* v = Capwell::Instance();
            if (v != nullptr && v->manager == nullptr) Capwell::DestroyInstance();
        }
        break;
    default: break;
    }
    return TRUE;
}
