// The simulator's control API for test and benchmark programs, bound once in one place.
//
// Under Windows the functions come from the Merrowcom.dll that the bridge loads by name (the
// same module, so the program and the bridge see one controller); natively they are the
// linked component library's own. Call sites read the same either way: mrcsim::Sim().Reset(json).
#pragma once

#if defined(_WIN32)
#include <windows.h>
#endif

#include "simulator/include/MerrowcomSim.h"

namespace mrcsim {

#define MRCSIM_CLIENT_FUNCTIONS(X)                                                                    \
    X(Reset) X(LoadScenarioFile) X(Update) X(LastError) X(SetHdmi) X(GetHdmi) X(FailCommand)          \
    X(FailSend) X(MarkLost) X(FailRegister) X(FailStartup) X(ClearFaults) X(Emit) X(Advance) X(NowMs) \
    X(WaitIdle) X(RecordCount) X(RecordGet) X(RecordClear) X(Peek) X(Poke) X(GetStatus) X(GetFile)    \
    X(PutFile) X(GetFirmwareImage) X(Shutdown) X(PanelStart) X(PanelStop) X(PanelSnapshot)

struct Client {
#define MRCSIM_CLIENT_MEMBER(name) decltype(&::MrcSim_##name) name = nullptr;
    MRCSIM_CLIENT_FUNCTIONS(MRCSIM_CLIENT_MEMBER)
#undef MRCSIM_CLIENT_MEMBER
    bool complete = false;  // every function above is bound
};

// Binds every function. Under Windows the library stays loaded (the bridge never unloads it
// either); `complete` is false when it or one of its functions is missing.
[[nodiscard]] inline Client BindClient() {
    Client c;
    bool all = true;
#if defined(_WIN32)
    const HMODULE module = LoadLibraryW(L"Merrowcom.dll");
    if (module == nullptr) return c;
#define MRCSIM_CLIENT_BIND(name)                                                                        \
    c.name = reinterpret_cast<decltype(c.name)>(reinterpret_cast<void*>(GetProcAddress(module, "MrcSim_" #name))); \
    all = all && c.name != nullptr;
#else
#define MRCSIM_CLIENT_BIND(name) c.name = &::MrcSim_##name;
#endif
    MRCSIM_CLIENT_FUNCTIONS(MRCSIM_CLIENT_BIND)
#undef MRCSIM_CLIENT_BIND
    c.complete = all;
    return c;
}

// The program's binding, made at first use: a test that counts the process's modules or
// handles, or runs without the library, sees the library loaded only once it touches it.
// (A local static is safe here: test programs never unload this header's code.)
inline const Client& Sim() {
    static const Client client = BindClient();
    return client;
}

}  // namespace mrcsim
