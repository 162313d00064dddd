#include "simulator/model/Pattern.h"

#include <algorithm>
#include <cstring>

namespace mrcsim {

namespace {

const std::uint8_t kFont[10][5] = {
    {7, 5, 5, 5, 7}, {2, 6, 2, 2, 7}, {7, 1, 7, 4, 7}, {7, 1, 7, 1, 7}, {5, 5, 7, 1, 1},
    {7, 4, 7, 1, 7}, {7, 4, 7, 5, 7}, {7, 1, 1, 1, 1}, {7, 5, 7, 5, 7}, {7, 5, 7, 1, 7},
};
constexpr int kDigits = 8;

// 3 x 5 capitals and signs of the caption (bit 4 is the left column).
struct Glyph {
    char c;
    std::uint8_t rows[5];
};
constexpr Glyph kLetters[] = {
    {'A', {2, 5, 7, 5, 5}}, {'B', {6, 5, 6, 5, 6}}, {'C', {3, 4, 4, 4, 3}}, {'D', {6, 5, 5, 5, 6}},
    {'E', {7, 4, 6, 4, 7}}, {'F', {7, 4, 6, 4, 4}}, {'G', {3, 4, 5, 5, 3}}, {'H', {5, 5, 7, 5, 5}},
    {'I', {7, 2, 2, 2, 7}}, {'K', {5, 5, 6, 5, 5}}, {'L', {4, 4, 4, 4, 7}}, {'M', {5, 7, 7, 5, 5}},
    {'N', {6, 5, 5, 5, 5}}, {'O', {7, 5, 5, 5, 7}}, {'P', {6, 5, 6, 4, 4}}, {'R', {6, 5, 6, 5, 5}},
    {'S', {3, 4, 2, 1, 6}}, {'T', {7, 2, 2, 2, 2}}, {'U', {5, 5, 5, 5, 7}}, {'V', {5, 5, 5, 5, 2}},
    {'W', {5, 5, 7, 7, 5}}, {'X', {5, 5, 2, 5, 5}}, {'Y', {5, 5, 2, 2, 2}}, {'.', {0, 0, 0, 0, 2}},
    {':', {0, 2, 0, 2, 0}}, {'-', {0, 0, 7, 0, 0}}, {'/', {1, 1, 2, 4, 4}},
};

const std::uint8_t* GlyphRows(char c) {
    if (c >= '0' && c <= '9') return kFont[c - '0'];
    for (const Glyph& g : kLetters)
        if (g.c == c) return g.rows;
    return nullptr;  // space and anything unknown stay blank
}

struct Rgb {
    std::uint8_t r, g, b;
};

const Rgb kBars[8] = {{191, 191, 191}, {191, 191, 0}, {0, 191, 191}, {0, 191, 0},
                      {191, 0, 191},   {191, 0, 0},   {0, 0, 191},   {0, 0, 0}};

inline std::uint8_t Clamp8(double v) {
    return static_cast<std::uint8_t>(std::min(255.0, std::max(0.0, v + 0.5)));
}

// BT.709 limited range.
inline void ToYuv(const Rgb& c, std::uint8_t& y, std::uint8_t& u, std::uint8_t& v) {
    const double r = c.r, g = c.g, b = c.b;
    y = Clamp8(16.0 + (0.2126 * r + 0.7152 * g + 0.0722 * b) * 219.0 / 255.0);
    u = Clamp8(128.0 + (-0.1146 * r - 0.3854 * g + 0.5 * b) * 224.0 / 255.0);
    v = Clamp8(128.0 + (0.5 * r - 0.4542 * g - 0.0458 * b) * 224.0 / 255.0);
}

// Converts `n` RGB pixels starting at pixel x0 (even for format 3) into dst (pointing at pixel x0).
void ConvertRow(const Rgb* px, std::uint32_t n, std::uint32_t format, std::uint8_t* dst) {
    switch (format) {
        case 2:
            for (std::uint32_t i = 0; i < n; ++i) ToYuv(px[i], dst[3 * i], dst[3 * i + 1], dst[3 * i + 2]);
            break;
        case 3:
            for (std::uint32_t i = 0; i < n; i += 2) {
                std::uint8_t y0, u0, v0, y1 = 0, u1, v1;
                ToYuv(px[i], y0, u0, v0);
                if (i + 1 < n) {
                    ToYuv(px[i + 1], y1, u1, v1);
                    u0 = static_cast<std::uint8_t>((u0 + u1 + 1) / 2);
                    v0 = static_cast<std::uint8_t>((v0 + v1 + 1) / 2);
                    dst[2 * i + 2] = y1;
                    dst[2 * i + 3] = v0;
                }
                dst[2 * i] = y0;
                dst[2 * i + 1] = u0;
            }
            break;
        default:
            for (std::uint32_t i = 0; i < n; ++i) {
                dst[3 * i] = px[i].b;
                dst[3 * i + 1] = px[i].g;
                dst[3 * i + 2] = px[i].r;
            }
            break;
    }
}

}  // namespace

std::uint32_t BytesPerPixel(std::uint32_t format) { return format == 3 ? 2u : 3u; }

std::uint32_t RowBytes(std::uint32_t width, std::uint32_t format) {
    return (width * BytesPerPixel(format) + 3u) / 4u * 4u;
}

std::uint32_t PatternRenderer::CaptionCell(std::uint32_t height) { return std::max<std::uint32_t>(1u, height / 90u); }

std::uint32_t PatternRenderer::BandTop(std::uint32_t height) { return height * 8u / 10u; }

std::uint32_t PatternRenderer::MarkerSide(std::uint32_t height) {
    return std::max<std::uint32_t>(2u, (height - BandTop(height)) / 2u);
}

static std::uint32_t CellSize(std::uint32_t height) {
    return std::max<std::uint32_t>(1u, (height - PatternRenderer::BandTop(height)) / 8u);
}

std::uint32_t PatternRenderer::MarkerX(std::uint64_t frame, std::uint32_t width, std::uint32_t height) {
    const std::uint32_t cell = CellSize(height);
    const std::uint32_t left = cell * (2 + 4 * kDigits + 2);
    const std::uint32_t side = MarkerSide(height);
    if (width <= left + side) return width > side ? width - side : 0;
    const std::uint32_t span = width - left - side;
    const std::uint32_t step = std::max<std::uint32_t>(1u, width / 120u);
    return left + static_cast<std::uint32_t>((frame * step) % (span + 1));
}

void PatternRenderer::BuildBackground(std::uint32_t w, std::uint32_t h, std::uint32_t format) {
    const std::uint32_t rb = RowBytes(w, format);
    bg_.assign(static_cast<std::size_t>(rb) * h, 0);
    std::vector<Rgb> bars(w), ramp(w), band(w, Rgb{0, 0, 0});
    for (std::uint32_t x = 0; x < w; ++x) {
        bars[x] = kBars[std::min<std::uint32_t>(7u, x * 8u / w)];
        const auto g = static_cast<std::uint8_t>(w > 1 ? (x * 255u) / (w - 1) : 0);
        ramp[x] = Rgb{g, g, g};
    }
    std::vector<std::uint8_t> rows[3];
    const std::vector<Rgb>* src[3] = {&bars, &ramp, &band};
    for (int i = 0; i < 3; ++i) {
        rows[i].assign(rb, 0);
        ConvertRow(src[i]->data(), w, format, rows[i].data());
    }
    const std::uint32_t ramp_top = h * 6u / 10u, band_top = BandTop(h);
    for (std::uint32_t y = 0; y < h; ++y) {
        const int kind = y < ramp_top ? 0 : (y < band_top ? 1 : 2);
        std::memcpy(&bg_[static_cast<std::size_t>(y) * rb], rows[kind].data(), rb);
    }
    bg_w_ = w;
    bg_h_ = h;
    bg_format_ = format;
}

void PatternRenderer::FillRect(std::uint8_t* dst, std::ptrdiff_t stride, std::uint32_t format,
                               std::uint32_t width, std::uint32_t x0, std::uint32_t y0, std::uint32_t x1,
                               std::uint32_t y1, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    if (format == 3) {
        x0 &= ~1u;
        x1 = std::min(width, (x1 + 1u) & ~1u);
    }
    if (x1 <= x0 || y1 <= y0) return;
    const std::uint32_t n = x1 - x0;
    std::vector<Rgb> px(n, Rgb{r, g, b});
    std::uint8_t seg[4096 * 3];
    if (n > 4096) return;
    ConvertRow(px.data(), n, format, seg);
    const std::uint32_t bytes = n * BytesPerPixel(format);
    const std::uint32_t off = x0 * BytesPerPixel(format);
    for (std::uint32_t y = y0; y < y1; ++y) std::memcpy(dst + stride * static_cast<std::ptrdiff_t>(y) + off, seg, bytes);
}

void PatternRenderer::Render(std::uint64_t frame, std::uint32_t w, std::uint32_t h, std::uint32_t format,
                             std::uint8_t* dst, std::ptrdiff_t stride) {
    if (w == 0 || h == 0) return;
    if (format < 1 || format > 3) format = 1;
    if (w != bg_w_ || h != bg_h_ || format != bg_format_) BuildBackground(w, h, format);
    const std::uint32_t rb = RowBytes(w, format);
    if (stride == static_cast<std::ptrdiff_t>(rb)) {
        std::memcpy(dst, bg_.data(), bg_.size());
    } else {
        for (std::uint32_t y = 0; y < h; ++y)
            std::memcpy(dst + stride * static_cast<std::ptrdiff_t>(y), &bg_[static_cast<std::size_t>(y) * rb], rb);
    }
    // frame counter, 8 decimal digits, white on the black band
    const std::uint32_t band_top = BandTop(h);
    const std::uint32_t cell = CellSize(h);
    const std::uint32_t ty = band_top + ((h - band_top) > 5 * cell ? ((h - band_top) - 5 * cell) / 2 : 0);
    std::uint64_t v = frame;
    for (int d = kDigits - 1; d >= 0; --d) {
        const unsigned digit = static_cast<unsigned>(v % 10);
        v /= 10;
        const std::uint32_t dx = cell * (2 + 4 * static_cast<std::uint32_t>(d));
        for (std::uint32_t row = 0; row < 5; ++row)
            for (std::uint32_t col = 0; col < 3; ++col)
                if (kFont[digit][row] & (4u >> col)) {
                    const std::uint32_t x0 = dx + col * cell, y0 = ty + row * cell;
                    if (x0 + cell <= w && y0 + cell <= h)
                        FillRect(dst, stride, format, w, x0, y0, x0 + cell, y0 + cell, 255, 255, 255);
                }
    }
    // caption on a black box at the top-left
    if (!caption_.empty()) {
        const std::uint32_t c = CaptionCell(h);
        const auto n = static_cast<std::uint32_t>(caption_.size());
        const std::uint32_t bw = std::min(w, c * (4 * n + 3)), bh = std::min(h, c * 7);
        FillRect(dst, stride, format, w, 0, 0, bw, bh, 0, 0, 0);
        for (std::uint32_t i = 0; i < n; ++i) {
            const std::uint8_t* rows = GlyphRows(caption_[i]);
            if (rows == nullptr) continue;
            for (std::uint32_t row = 0; row < 5; ++row)
                for (std::uint32_t col = 0; col < 3; ++col)
                    if (rows[row] & (4u >> col)) {
                        const std::uint32_t x0 = c * (2 + 4 * i + col), y0 = c * (1 + row);
                        if (x0 + c <= w && y0 + c <= h)
                            FillRect(dst, stride, format, w, x0, y0, x0 + c, y0 + c, 255, 255, 255);
                    }
        }
    }
    // moving marker
    const std::uint32_t side = MarkerSide(h);
    const std::uint32_t mx = MarkerX(frame, w, h);
    const std::uint32_t my = band_top + ((h - band_top) > side ? ((h - band_top) - side) / 2 : 0);
    FillRect(dst, stride, format, w, mx, my, std::min(w, mx + side), std::min(h, my + side), 255, 255, 255);
}

std::int64_t PatternRenderer::ReadCounter(const std::uint8_t* bgr, std::uint32_t w, std::uint32_t h,
                                          std::ptrdiff_t stride) {
    const std::uint32_t band_top = BandTop(h);
    const std::uint32_t cell = CellSize(h);
    const std::uint32_t ty = band_top + ((h - band_top) > 5 * cell ? ((h - band_top) - 5 * cell) / 2 : 0);
    std::int64_t value = 0;
    for (std::uint32_t d = 0; d < kDigits; ++d) {
        const std::uint32_t dx = cell * (2 + 4 * d);
        std::uint8_t rows[5] = {0, 0, 0, 0, 0};
        for (std::uint32_t row = 0; row < 5; ++row)
            for (std::uint32_t col = 0; col < 3; ++col) {
                const std::uint32_t x = dx + col * cell + cell / 2, y = ty + row * cell + cell / 2;
                if (x >= w || y >= h) return -1;
                const std::uint8_t* p = bgr + stride * static_cast<std::ptrdiff_t>(y) + 3 * x;
                if (p[1] > 128) rows[row] |= static_cast<std::uint8_t>(4u >> col);
            }
        int found = -1;
        for (int k = 0; k < 10; ++k)
            if (std::memcmp(rows, kFont[k], 5) == 0) found = k;
        if (found < 0) return -1;
        value = value * 10 + found;
    }
    return value;
}

std::string PatternRenderer::ReadCaption(const std::uint8_t* bgr, std::uint32_t w, std::uint32_t h,
                                         std::ptrdiff_t stride) {
    const std::uint32_t c = CaptionCell(h);
    auto lit = [&](std::uint32_t x, std::uint32_t y, std::uint8_t level) {
        const std::uint8_t* p = bgr + stride * static_cast<std::ptrdiff_t>(y) + 3 * static_cast<std::ptrdiff_t>(x);
        return p[0] > level || p[1] > level || p[2] > level;
    };
    std::string text;
    for (std::uint32_t i = 0;; ++i) {
        const std::uint32_t gap_x = c * (5 + 4 * i) + c / 2;
        if (gap_x >= w || c * 6 >= h) break;
        // the column between two glyphs is black only inside the caption's box
        bool box = true;
        for (std::uint32_t row = 0; row < 5; ++row) box = box && !lit(gap_x, c * (1 + row) + c / 2, 64);
        if (!box) break;
        std::uint8_t rows[5] = {0, 0, 0, 0, 0};
        for (std::uint32_t row = 0; row < 5; ++row)
            for (std::uint32_t col = 0; col < 3; ++col)
                if (lit(c * (2 + 4 * i + col) + c / 2, c * (1 + row) + c / 2, 128))
                    rows[row] |= static_cast<std::uint8_t>(4u >> col);
        char found = 0;
        if (std::memcmp(rows, "\0\0\0\0\0", 5) == 0) found = ' ';
        for (char k = '0'; k <= '9' && found == 0; ++k)
            if (std::memcmp(rows, kFont[k - '0'], 5) == 0) found = k;
        for (const Glyph& g : kLetters)
            if (found == 0 && std::memcmp(rows, g.rows, 5) == 0) found = g.c;
        if (found == 0) break;
        text += found;
    }
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

}  // namespace mrcsim
