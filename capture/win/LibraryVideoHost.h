// The video control's seam implemented by the library: the bridge's plane
// calls, the input manager, the hidden window's timers and the client
// notification. Window-thread only.
#pragma once

#include <memory>

#include "capture/video/VideoHost.h"

namespace Capwell {
class VideoInput;
}

namespace Capwell::Lib {

// Made over the library object, which owns it and outlives it.
[[nodiscard]] std::unique_ptr<VideoHost> MakeLibraryVideoHost(VideoInput& owner);

}  // namespace Capwell::Lib
