// What the main frame hands unchanged to every splitter and view when the
// layout is built. The three listener interfaces are the frame's
// (viewer/app/FrameListeners.h); only their names are needed here.
#pragma once

#include "Capwell.h"
#include "viewer/core/ViewParameters.h"

namespace vistrel {
class IVideoPlayListner;
class ScreenModeChangeListner;
}  // namespace vistrel

namespace Pelmora::Lib::Overlap {
class DetectInfoChangeListener;
}  // namespace Pelmora::Lib::Overlap

namespace vistrel {

using GetCaptureDataFn = CpwResult(CPWAPI*)(CpwCaptureFrame** frame);
using ReleaseCaptureDataFn = CpwResult(CPWAPI*)();

struct ViewInitArgs {
    const ViewParameters* parameters = nullptr;  // the settings store's map; null reads as empty
    ScreenModeChangeListner* screen_mode = nullptr;
    IVideoPlayListner* play = nullptr;
    Pelmora::Lib::Overlap::DetectInfoChangeListener* detect = nullptr;
    GetCaptureDataFn get_capture_data = nullptr;      // for the play controller's waveforms
    ReleaseCaptureDataFn release_capture_data = nullptr;
};

}  // namespace vistrel
