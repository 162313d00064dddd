#include "capture/win/MovieFrames.h"

#include "capture/win/Diagnostics.h"

namespace Capwell::Lib {

namespace {
// From load to unload; a function-local static's guard would leave the thread
// runtime's lock and condition behind at every unload.
FramePool g_frames;
}  // namespace

FramePool& Frames() { return g_frames; }

void DeliverMovieFrame(const KdrMovieFrame& frame) {
    const FramePool::FillResult r = Frames().Fill(frame);
    if (r == FramePool::FillResult::kTooLarge)
        Diagnostics::Report(LogText::Printf("MovieCapture frame of %u bytes dropped: larger than a capture buffer",
                                            frame.data.size));
}

}  // namespace Capwell::Lib
