// The simulated panel's start by the environment (the run command sets MERROWCOM_PANEL=1).
#pragma once

namespace mrcsim {

// Shows the panel when MERROWCOM_PANEL is "1"; MERROWCOM_PANEL_SHOT names a BMP written once,
// MERROWCOM_PANEL_SHOT_MS after the start, after which MERROWCOM_PANEL_SHOT_CLOSE "1" closes the
// program's windows. Windows only; called once the controller exists.
void StartPanelFromEnvironment();

}  // namespace mrcsim
