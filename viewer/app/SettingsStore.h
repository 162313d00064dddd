// The viewer's settings store: the operating parameters read once from the
// machine-wide registry, and the guard that keeps the user's touch
// visualisations off while the viewer runs and restores them at the end.
#pragma once

#include <windows.h>

#include "viewer/app/SettingData.h"
#include "viewer/core/ViewParameters.h"

namespace vistrel {

class SettingsStore {
public:
    // `alreadyRunning`: another session runs the viewer; the store then
    // touches neither the user's registry values nor the system settings.
    explicit SettingsStore(int alreadyRunning,
                           SystemParameterAccess& system = SystemParameterAccess::Platform());
    // Restores the visualisations and removes the saved values.
    ~SettingsStore();
    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;

    // The process-wide store, created on the first call (later calls ignore
    // the argument), and its release.
    static SettingsStore& Obtain(int alreadyRunning);
    static void Release();

    const ViewParameters& Parameters() const noexcept { return parameters_; }

    // WM_SETTINGCHANGE with the changed system-parameter code: a user who
    // switches a visualisation on has the new value saved and sees it
    // switched off again.
    void OnSettingChange(UINT code);

private:
    void Guard(VisualizationSettingData& setting);
    void Restore(VisualizationSettingData& setting);

    bool readOnly_;
    SystemParameterAccess& system_;
    GestureSettingData gesture_;
    ContactSettingData contact_;
    ViewParameters parameters_;
};

// Reads the machine-wide values (writing the defaults back where a value is
// absent and the setting is writable, which these never are).
ViewParameters ReadViewParameters();

}  // namespace vistrel
