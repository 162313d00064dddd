// Entry points of the simulator's control API used by the tests.
#pragma once

#include "simulator/include/merrowcom_sim.h"

namespace simhost {

#define SIMHOST_API_LIST(X)                                                  \
    X(Reset) X(LastError) X(SetHdmi) X(FailCommand) X(FailSend) X(MarkLost)  \
    X(FailRegister) X(ClearFaults) X(Emit) X(WaitIdle) X(RecordCount)        \
    X(RecordGet) X(RecordClear) X(GetStatus) X(FailStartup)

struct Api {
#define SIMHOST_FIELD(name) decltype(&MrcSim_##name) name = nullptr;
    SIMHOST_API_LIST(SIMHOST_FIELD)
#undef SIMHOST_FIELD
};

const Api& TheApi();

}  // namespace simhost
