#include "simulator/model/PanelComposer.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace mrcsim {

namespace {
constexpr const char* kRates[] = {"", "23.98", "24", "25", "29.97", "30", "50", "59.94", "60"};
constexpr const char* kFormats[] = {"", "RGB", "YUV444", "YUV422", "YUV420"};
}  // namespace

PanelState::Content PlaneContent(const PlaneLayout& plane, const HdmiInput& input) {
    if (!plane.video_on || plane.dst_w < 1 || plane.dst_h < 1) return PanelState::Content::None;
    if (input.kind != HdmiInput::Kind::Signal || input.width == 0 || input.height == 0)
        return PanelState::Content::Black;
    return PanelState::Content::Picture;
}

void FitDesktop(const BgrImage& desktop, BgrImage& out) {
    std::fill(out.pixels.begin(), out.pixels.end(), std::uint8_t{0});
    if (desktop.width == 0 || desktop.height == 0 || out.width == 0 || out.height == 0) return;
    if (desktop.width == out.width && desktop.height == out.height) {
        out.pixels = desktop.pixels;
        return;
    }
    // the capture library picks the scale by comparing the ratios in ten-thousandths
    const std::int64_t rx = static_cast<std::int64_t>(out.width) * 10000 / desktop.width;
    const std::int64_t ry = static_cast<std::int64_t>(out.height) * 10000 / desktop.height;
    const double s = rx < ry ? static_cast<double>(out.width) / desktop.width
                             : static_cast<double>(out.height) / desktop.height;
    const double ox = (out.width - desktop.width * s) * 0.5, oy = (out.height - desktop.height * s) * 0.5;
    for (std::uint32_t y = 0; y < out.height; ++y) {
        const double dy = (y + 0.5 - oy) / s;
        if (dy < 0 || dy >= desktop.height) continue;
        for (std::uint32_t x = 0; x < out.width; ++x) {
            const double dx = (x + 0.5 - ox) / s;
            if (dx < 0 || dx >= desktop.width) continue;
            std::memcpy(out.At(x, y), desktop.At(static_cast<std::uint32_t>(dx), static_cast<std::uint32_t>(dy)), 3);
        }
    }
}

void ComposePanel(BgrImage& panel, const PlaneLayout& plane, const BgrImage* picture) {
    if (!plane.video_on || plane.dst_w < 1 || plane.dst_h < 1) return;
    const std::int64_t x0 = std::max<std::int64_t>(0, plane.dst_x), y0 = std::max<std::int64_t>(0, plane.dst_y);
    const std::int64_t x1 = std::min<std::int64_t>(panel.width, static_cast<std::int64_t>(plane.dst_x) + plane.dst_w);
    const std::int64_t y1 = std::min<std::int64_t>(panel.height, static_cast<std::int64_t>(plane.dst_y) + plane.dst_h);
    const bool have_picture = picture != nullptr && picture->width > 0 && picture->height > 0 &&
                              plane.src_w > 0 && plane.src_h > 0;
    const int angle = plane.angle == 90 || plane.angle == 180 || plane.angle == 270 ? plane.angle : 0;
    for (std::int64_t y = y0; y < y1; ++y) {
        // pixel centres, as fractions of the destination rectangle
        const double v = (static_cast<double>(y - plane.dst_y) + 0.5) / plane.dst_h;
        for (std::int64_t x = x0; x < x1; ++x) {
            std::uint8_t* p = panel.At(static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y));
            if (p[0] != kKeyBlue || p[1] != kKeyGreen || p[2] != kKeyRed) continue;
            if (!have_picture) {
                p[0] = p[1] = p[2] = 0;
                continue;
            }
            const double u = (static_cast<double>(x - plane.dst_x) + 0.5) / plane.dst_w;
            // the same turn as the bridge's source fractions for each angle
            double a = u, b = v;
            if (angle == 90) a = v, b = 1.0 - u;
            else if (angle == 180) a = 1.0 - u, b = 1.0 - v;
            else if (angle == 270) a = 1.0 - v, b = u;
            const double sx = plane.src_x + a * plane.src_w, sy = plane.src_y + b * plane.src_h;
            // a source rectangle left over from a larger input reads nothing there: black
            if (sx < 0 || sy < 0 || sx >= picture->width || sy >= picture->height) {
                p[0] = p[1] = p[2] = 0;
                continue;
            }
            std::memcpy(p, picture->At(static_cast<std::uint32_t>(sx), static_cast<std::uint32_t>(sy)), 3);
        }
    }
}

std::vector<std::uint8_t> EncodeBmp(const BgrImage& image) {
    const std::uint32_t row = (image.width * 3u + 3u) / 4u * 4u;
    const std::uint32_t size = 54u + row * image.height;
    std::vector<std::uint8_t> out(size, 0);
    auto put16 = [&](std::size_t at, std::uint32_t v) {
        out[at] = static_cast<std::uint8_t>(v);
        out[at + 1] = static_cast<std::uint8_t>(v >> 8);
    };
    auto put32 = [&](std::size_t at, std::uint32_t v) {
        put16(at, v & 0xFFFFu);
        put16(at + 2, v >> 16);
    };
    out[0] = 'B';
    out[1] = 'M';
    put32(2, size);
    put32(10, 54);
    put32(14, 40);
    put32(18, image.width);
    put32(22, image.height);
    put16(26, 1);
    put16(28, 24);
    put32(34, row * image.height);
    for (std::uint32_t y = 0; y < image.height; ++y)
        std::memcpy(&out[54u + static_cast<std::size_t>(image.height - 1 - y) * row], image.At(0, y),
                    static_cast<std::size_t>(image.width) * 3u);
    return out;
}

std::string FormatCaption(const HdmiInput& input) {
    char text[96];
    std::snprintf(text, sizeof text, "%uX%u %s%s %s %uBIT%s", input.width, input.height,
                  input.fps_code <= 8 ? kRates[input.fps_code] : "", input.scan == 1 ? "I" : "P",
                  input.format <= 4 ? kFormats[input.format] : "", input.bit_depth, input.hdcp ? " HDCP" : "");
    return text;
}

}  // namespace mrcsim
