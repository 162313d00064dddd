// The process-wide movie frame pool and the movie callback's work. The pool's
// functions may be called from any thread (its frame lock is a leaf lock below
// every lock of the manager).
#pragma once

#include "capture/video/FramePool.h"
#include "Tolvane.h"

namespace Capwell::Lib {

// The three capture buffers, from library load to unload.
FramePool& Frames();
// Copies the frame into the pool. The caller gives the frame back to the
// bridge afterwards in every case.
void DeliverMovieFrame(const KdrMovieFrame& frame);

}  // namespace Capwell::Lib
