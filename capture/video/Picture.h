// Pure picture arithmetic of the capture library: the movie size fitted into
// the capture buffers, and the movie setting handed to the bridge.
// Platform-free.
#pragma once

#include <cstdint>

#include "Tolvane.h"

namespace Capwell::Lib {

constexpr int32_t kMovieMaxWidth = 1280;
constexpr int32_t kMovieMaxHeight = 720;
constexpr int32_t kMovieFps = 10;
constexpr uint32_t kMovieBufferBytes = 27648000u;  // ten 1280 x 720 x 3 frames

// Fits an input of w x h into 1280 x 720, keeping the aspect ratio. An input
// that fits already is kept. Returns false (and leaves `out` alone) for an
// input without area, which has no movie size.
[[nodiscard]] bool FitMovieSize(int32_t w, int32_t h, KdrXY& out);

// The setting of a movie start: fitted size, format = movie_format + 1, 10 fps,
// the whole movie buffer.
KdrMovieSetting MakeMovieSetting(const KdrXY& size, uint32_t movie_format, void* buffer,
                                 uint32_t buffer_bytes);

}  // namespace Capwell::Lib
