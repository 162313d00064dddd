// Moving test pattern: colour bars, a grey ramp, a moving white marker and the frame counter.
// Platform-free.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace mrcsim {

// Bytes per pixel for a movie format: 1 BGR (3), 2 YUV 4:4:4 (3), 3 YUV 4:2:2 (2).
std::uint32_t BytesPerPixel(std::uint32_t format);
// Row length padded to a multiple of 4 bytes.
std::uint32_t RowBytes(std::uint32_t width, std::uint32_t format);

class PatternRenderer {
public:
    // Renders input frame `frame` at width x height in `format` into dst, row by row, `stride`
    // bytes apart (negative for bottom-up). Padding bytes are zero. The static part (bars, ramp,
    // band) is built once per size and format and copied; only the marker and counter are drawn
    // per frame.
    void Render(std::uint64_t frame, std::uint32_t width, std::uint32_t height, std::uint32_t format,
                std::uint8_t* dst, std::ptrdiff_t stride);

    // A line of text drawn white on black at the picture's top-left in every later frame ("" for
    // none): digits, capitals, space, '.', ':', '-' and '/'.
    void SetCaption(const std::string& text) { caption_ = text; }
    // Cell size of the caption's 3 x 5 glyphs at a picture height, for tests.
    static std::uint32_t CaptionCell(std::uint32_t height);
    // Reads the caption back from a BGR top-down picture: the glyphs up to the end of its black
    // box or the first cell that is no glyph, trailing blanks dropped ("" when there is none).
    static std::string ReadCaption(const std::uint8_t* bgr, std::uint32_t width, std::uint32_t height,
                                   std::ptrdiff_t stride);

    // Geometry, for tests.
    static std::uint32_t MarkerX(std::uint64_t frame, std::uint32_t width, std::uint32_t height);
    static std::uint32_t MarkerSide(std::uint32_t height);
    static std::uint32_t BandTop(std::uint32_t height);
    // Decodes the frame counter digits from a BGR (format 1) top-down picture; -1 if unreadable.
    static std::int64_t ReadCounter(const std::uint8_t* bgr, std::uint32_t width, std::uint32_t height,
                                    std::ptrdiff_t stride);

private:
    void BuildBackground(std::uint32_t width, std::uint32_t height, std::uint32_t format);
    void FillRect(std::uint8_t* dst, std::ptrdiff_t stride, std::uint32_t format, std::uint32_t width,
                  std::uint32_t x0, std::uint32_t y0, std::uint32_t x1, std::uint32_t y1,
                  std::uint8_t r, std::uint8_t g, std::uint8_t b);

    std::uint32_t bg_w_ = 0, bg_h_ = 0, bg_format_ = 0;
    std::vector<std::uint8_t> bg_;  // top-down, RowBytes apart
    std::string caption_;
};

}  // namespace mrcsim
