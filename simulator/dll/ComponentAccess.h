// The component's process-wide controller and error text, for the parts of the DLL beside
// component.cpp (the simulated panel).
#pragma once

#include <string>

#include "simulator/model/Controller.h"

namespace mrcsim {

// Created at first use, as every factory and control call does.
Controller& TheController();
// The text MrcSim_LastError returns.
void SetErrorText(const std::string& text);

}  // namespace mrcsim
