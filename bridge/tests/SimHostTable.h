// Entry points of the simulator's control API used by the tests: the simulator's one client.
#pragma once

#include "simulator/include/MrcSimClient.h"

namespace simhost {

using Api = mrcsim::Client;

const Api& TheApi();

}  // namespace simhost
