#include "capture/video/Picture.h"

#include <algorithm>

namespace Capwell::Lib {

bool FitMovieSize(int32_t w, int32_t h, KdrXY& out) {
    if (w <= 0 || h <= 0) return false;
    if (w <= kMovieMaxWidth && h <= kMovieMaxHeight) {
        out = KdrXY{w, h};
        return true;
    }
    const double sx = static_cast<double>(kMovieMaxWidth) / w;
    const double sy = static_cast<double>(kMovieMaxHeight) / h;
    // Compared in thousandths, so ratios equal to three places take the
    // vertical scale. Kept wide: a 16-bit comparison wraps for inputs only a
    // few pixels tall and then picks the scale that overflows the buffer.
    const int64_t mx = static_cast<int64_t>(1000.0 * sx);
    const int64_t my = static_cast<int64_t>(1000.0 * sy);
    const double s = my > mx ? sx : sy;
    const int32_t width = static_cast<int32_t>(w * s + 0.5);
    const int32_t height = static_cast<int32_t>(h * s + 0.5);
    out = KdrXY{std::min(width, kMovieMaxWidth), std::min(height, kMovieMaxHeight)};
    return true;
}

KdrMovieSetting MakeMovieSetting(const KdrXY& size, uint32_t movie_format, void* buffer,
                                 uint32_t buffer_bytes) {
    KdrMovieSetting s{};
    s.size = size;
    s.format = static_cast<int32_t>(movie_format) + 1;
    s.fps = kMovieFps;
    s.buffer.buffer = buffer;
    s.buffer.size = buffer_bytes;
    return s;
}

}  // namespace Capwell::Lib
