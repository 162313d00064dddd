#include <gtest/gtest.h>

#include <cstring>

#include "simulator/model/Controller.h"
#include "simulator/model/Pattern.h"

using namespace mrcsim;

TEST(Pattern, RowSizesAndFrameBytes) {
    EXPECT_EQ(RowBytes(3, 1), 12u);
    EXPECT_EQ(RowBytes(1280, 1), 3840u);
    EXPECT_EQ(RowBytes(1920, 3), 3840u);
    EXPECT_EQ(RowBytes(901, 3), 1804u);
    EXPECT_EQ(Controller::FrameBytes(1920, 1080, 3), 3840u * 1080u);
    EXPECT_EQ(Controller::FrameBytes(1280, 720, 1), 2764800u);
}

TEST(Pattern, CounterAndMarkerMove) {
    PatternRenderer r;
    const std::uint32_t w = 1280, h = 720, rb = RowBytes(w, 1);
    std::vector<std::uint8_t> a(rb * h), b(rb * h);
    r.Render(12345678, w, h, 1, a.data(), rb);
    EXPECT_EQ(PatternRenderer::ReadCounter(a.data(), w, h, rb), 12345678);
    r.Render(12345679, w, h, 1, b.data(), rb);
    EXPECT_EQ(PatternRenderer::ReadCounter(b.data(), w, h, rb), 12345679);
    EXPECT_NE(PatternRenderer::MarkerX(1, w, h), PatternRenderer::MarkerX(2, w, h));
    // the marker is white at its place in frame 12345679
    const std::uint32_t mx = PatternRenderer::MarkerX(12345679, w, h) + 2;
    const std::uint32_t my = PatternRenderer::BandTop(h) + (h - PatternRenderer::BandTop(h)) / 2;
    EXPECT_EQ(b[my * rb + 3 * mx], 255);
    // the ramp: grey rising from left to right
    const std::uint32_t ry = h * 7 / 10;
    EXPECT_EQ(b[ry * rb], 0);
    EXPECT_EQ(b[ry * rb + 3 * (w - 1)], 255);
    EXPECT_LT(b[ry * rb + 3 * 100], b[ry * rb + 3 * 1000]);
}

TEST(Pattern, BottomUpRenderingIsTheFlippedPicture) {
    PatternRenderer r;
    const std::uint32_t w = 33, h = 50, rb = RowBytes(w, 1);
    std::vector<std::uint8_t> td(rb * h), bu(rb * h);
    r.Render(5, w, h, 1, td.data(), rb);
    r.Render(5, w, h, 1, bu.data() + (h - 1) * rb, -static_cast<std::ptrdiff_t>(rb));
    for (std::uint32_t y = 0; y < h; ++y) ASSERT_EQ(0, std::memcmp(&td[y * rb], &bu[(h - 1 - y) * rb], rb));
}

TEST(Pattern, TinySizesDoNotOverrun) {
    PatternRenderer r;
    for (std::uint32_t w : {1u, 2u, 3u, 7u, 60u})
        for (std::uint32_t h : {1u, 2u, 5u, 40u})
            for (std::uint32_t f : {1u, 2u, 3u}) {
                std::vector<std::uint8_t> buf(RowBytes(w, f) * h);
                r.Render(99999, w, h, f, buf.data(), RowBytes(w, f));
            }
}
