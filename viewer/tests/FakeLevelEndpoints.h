// Fake Core Audio objects for the level meter: an enumerator with chosen
// capture endpoints (form factor, peak meter channels) and a count of the
// fakes alive, so a test sees when the shared source lets go of them.
#pragma once

#include <windows.h>
#include "viewer/controls/CoreAudioMeter.h"
#include <mmdeviceapi.h>

#include <vector>

namespace fakelevel {

struct Endpoint {
    UINT form_factor = 2;  // LineLevel
    std::vector<float> peaks{0.0f, 0.0f};
    bool meter_fails = false;  // every meter call answers E_FAIL
};

// The endpoints the next enumerator lists, and the factory that makes it.
void SetEndpoints(std::vector<Endpoint> endpoints);
HRESULT MakeEnumerator(IMMDeviceEnumerator** out);
// Peaks of the meter of endpoint `index` as it reads now.
void SetPeaks(size_t index, std::vector<float> peaks);

int LiveObjects();
// Calls that broke the rules the source must keep (wrong flow or state mask,
// a channel count that is not the meter's).
int Violations();

}  // namespace fakelevel
