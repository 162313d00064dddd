// The panel's composition, natively: where the fitted desktop puts a key-coloured view, and the
// caption a person reads in the pattern.
#include <gtest/gtest.h>

#include <cstring>

#include "simulator/model/PanelComposer.h"
#include "simulator/model/Pattern.h"

using namespace mrcsim;

namespace {

bool IsKey(const BgrImage& img, std::uint32_t x, std::uint32_t y) {
    const std::uint8_t* p = img.At(x, y);
    return p[0] == kKeyBlue && p[1] == kKeyGreen && p[2] == kKeyRed;
}

}  // namespace

TEST(PanelComposer, FittedDesktopPutsTheViewWhereTheCaptureLibraryPutsThePlane) {
    // a 1280 x 800 screen on a 1920 x 1080 output: scale 1.35, 96 pixels of black at each side.
    // The capture library maps the view (100, 100, 640 x 360) to (231, 135, 864 x 486).
    BgrImage desktop;
    desktop.Resize(1280, 800);
    for (std::uint32_t y = 100; y < 460; ++y)
        for (std::uint32_t x = 100; x < 740; ++x) std::memcpy(desktop.At(x, y), "\x00\x03\x00", 3);
    BgrImage out;
    out.Resize(1920, 1080);
    std::memset(out.pixels.data(), 0x55, out.pixels.size());  // whatever was there before
    FitDesktop(desktop, out);
    EXPECT_EQ(out.At(95, 500)[0], 0);
    for (const auto& [x, y] : {std::pair{231u, 135u}, std::pair{1094u, 620u}}) EXPECT_TRUE(IsKey(out, x, y));
    for (const auto& [x, y] : {std::pair{230u, 300u}, std::pair{1095u, 300u}, std::pair{500u, 134u},
                               std::pair{500u, 621u}})
        EXPECT_FALSE(IsKey(out, x, y)) << x << "," << y;

    // the plane over exactly that rectangle covers every key pixel and nothing else
    BgrImage picture;
    picture.Resize(4, 4);
    std::memset(picture.pixels.data(), 0xC8, picture.pixels.size());
    const BgrImage before = out;
    PlaneLayout plane;
    plane.video_on = true;
    plane.dst_x = 231, plane.dst_y = 135, plane.dst_w = 864, plane.dst_h = 486;
    plane.src_w = 4, plane.src_h = 4;
    ComposePanel(out, plane, &picture);
    std::size_t changed = 0, key_left = 0;
    for (std::size_t i = 0; i < out.pixels.size(); i += 3) {
        changed += std::memcmp(&out.pixels[i], &before.pixels[i], 3) != 0;
        key_left += out.pixels[i] == 0 && out.pixels[i + 1] == 3 && out.pixels[i + 2] == 0;
    }
    EXPECT_EQ(changed, 864u * 486u);
    EXPECT_EQ(key_left, 0u);
}

TEST(PanelComposer, CaptionReadsBackAtEverySize) {
    HdmiInput in;
    in.width = 1920, in.height = 1080, in.fps_code = 7, in.scan = 1, in.format = 3, in.bit_depth = 10, in.hdcp = true;
    EXPECT_EQ(FormatCaption(in), "1920X1080 59.94I YUV422 10BIT HDCP");
    PatternRenderer r;
    r.SetCaption(FormatCaption(in));
    for (const auto& [w, h] : {std::pair{1920u, 1080u}, std::pair{720u, 480u}, std::pair{3840u, 2160u}}) {
        const std::uint32_t rb = RowBytes(w, 1);
        std::vector<std::uint8_t> frame(static_cast<std::size_t>(rb) * h);
        r.Render(42, w, h, 1, frame.data(), rb);
        EXPECT_EQ(PatternRenderer::ReadCaption(frame.data(), w, h, rb), "1920X1080 59.94I YUV422 10BIT HDCP") << w;
        EXPECT_EQ(PatternRenderer::ReadCounter(frame.data(), w, h, rb), 42) << w;  // the caption leaves it be
    }
    PatternRenderer plain;
    const std::uint32_t rb = RowBytes(640, 1);
    std::vector<std::uint8_t> frame(static_cast<std::size_t>(rb) * 360);
    plain.Render(0, 640, 360, 1, frame.data(), rb);
    EXPECT_EQ(PatternRenderer::ReadCaption(frame.data(), 640, 360, rb), "");
}
