// Okm_ConvertToWaveFormData on known pictures, through the export.
#include "okumo/Okumo.h"

#include <gtest/gtest.h>

#if defined(_WIN32)
#include <windows.h>
#endif

#include <cmath>
#include <cstring>
#include <vector>

namespace {

struct Picture {
    int width;
    int height;
    std::vector<std::uint8_t> bgr;
    Picture(int w, int h) : width(w), height(h), bgr(static_cast<std::size_t>(w) * h * 3) {}
    void Set(int x, int y, int r, int g, int b) {
        std::uint8_t* p = &bgr[(static_cast<std::size_t>(y) * width + x) * 3];
        p[0] = static_cast<std::uint8_t>(b);
        p[1] = static_cast<std::uint8_t>(g);
        p[2] = static_cast<std::uint8_t>(r);
    }
    OkmPicture Record() const {
        return OkmPicture{OKM_PIXEL_BGR24, static_cast<uint16_t>(width), static_cast<uint16_t>(height), bgr.data()};
    }
};

struct Blocks {
    std::vector<std::uint8_t> red, green, blue, luma;
    Blocks()
        : red(OKM_BLOCK_BYTES, 0xEE), green(OKM_BLOCK_BYTES, 0xEE), blue(OKM_BLOCK_BYTES, 0xEE),
          luma(OKM_BLOCK_BYTES, 0xEE) {}
    int32_t Convert(const OkmPicture& p) {
        return Okm_ConvertToWaveFormData(&p, red.data(), green.data(), blue.data(), luma.data());
    }
    static std::uint16_t Word(const std::vector<std::uint8_t>& b, std::size_t offset) {
        std::uint16_t v;
        std::memcpy(&v, &b[offset], 2);
        return v;
    }
    static std::uint16_t Bin(const std::vector<std::uint8_t>& b, int column, int level) {
        return Word(b, 4 + 238 * static_cast<std::size_t>(column) + 2 * static_cast<std::size_t>(level));
    }
    // The one level of a column that holds all its pixels, or -1.
    static int OnlyLevel(const std::vector<std::uint8_t>& b, int column, int height) {
        int found = -1;
        for (int k = 0; k < OKM_LEVELS; ++k) {
            const int v = Bin(b, column, k);
            if (v == height) found = k;
            else if (v != 0) return -1;
        }
        return found;
    }
};

TEST(Okumo, SolidColoursLandOnTheGraticuleLines) {
    Picture pic(1280, 720);
    for (int y = 0; y < 720; ++y)
        for (int x = 0; x < 1280; ++x) {
            if (x < 640) pic.Set(x, y, 255, 0, 0);     // red
            else pic.Set(x, y, 255, 255, 255);         // white
        }
    Blocks out;
    ASSERT_EQ(out.Convert(pic.Record()), OKM_OK);
    for (const auto* b : {&out.red, &out.green, &out.blue, &out.luma}) {
        EXPECT_EQ(Blocks::Word(*b, 0), 1280);
        EXPECT_EQ(Blocks::Word(*b, 2), 119);
    }
    for (int c : {0, 15, 16, 639}) {
        EXPECT_EQ(Blocks::OnlyLevel(out.red, c, 720), 108) << c;   // 100 % line
        EXPECT_EQ(Blocks::OnlyLevel(out.green, c, 720), 8) << c;   // 0 % line
        EXPECT_EQ(Blocks::OnlyLevel(out.blue, c, 720), 8) << c;
        EXPECT_EQ(Blocks::OnlyLevel(out.luma, c, 720), 8 + 21) << c;  // 54/256 of full red
    }
    for (int c : {640, 655, 1279}) {
        for (const auto* b : {&out.red, &out.green, &out.blue, &out.luma})
            EXPECT_EQ(Blocks::OnlyLevel(*b, c, 720), 108) << c;
    }
}

TEST(Okumo, VerticalRampSpreadsOverEveryLevel) {
    // Each row one grey value 0..255: a column holds every level from 8 to 108.
    Picture pic(40, 256);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 40; ++x) pic.Set(x, y, y, y, y);
    Blocks out;
    ASSERT_EQ(out.Convert(pic.Record()), OKM_OK);
    EXPECT_EQ(Blocks::Word(out.luma, 0), 40);
    for (int c : {0, 39}) {
        int total = 0;
        for (int k = 0; k < OKM_LEVELS; ++k) {
            const int v = Blocks::Bin(out.green, c, k);
            total += v;
            if (k < 8 || k > 108) EXPECT_EQ(v, 0) << k;
            else EXPECT_GE(v, 2) << k;  // 256 values over 101 levels
        }
        EXPECT_EQ(total, 256);
        EXPECT_EQ(Blocks::Bin(out.green, c, 8), 2);    // 0, 1
        EXPECT_EQ(Blocks::Bin(out.green, c, 58), 2);   // 127, 128 round to 50 %
        EXPECT_EQ(Blocks::Bin(out.green, c, 10), 3);   // 4, 5, 6
        EXPECT_EQ(Blocks::Bin(out.green, c, 108), 2);  // 254, 255
    }
    // Columns past the picture's width are left as they were.
    EXPECT_EQ(Blocks::Bin(out.green, 40, 8), 0xEEEE);
}

TEST(Okumo, ColourBarsKeepTheirColumns) {
    // Eight 75 % bars in a picture whose width is not a multiple of 16.
    const int bars[8][3] = {{191, 191, 191}, {191, 191, 0}, {0, 191, 191}, {0, 191, 0},
                            {191, 0, 191},   {191, 0, 0},   {0, 0, 191},   {0, 0, 0}};
    Picture pic(1000, 10);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 1000; ++x) {
            const int* c = bars[x / 125];
            pic.Set(x, y, c[0], c[1], c[2]);
        }
    Blocks out;
    ASSERT_EQ(out.Convert(pic.Record()), OKM_OK);
    for (int bar = 0; bar < 8; ++bar) {
        const int col = bar * 125 + 62;
        const int* c = bars[bar];
        EXPECT_EQ(Blocks::OnlyLevel(out.red, col, 10), c[0] ? 83 : 8) << bar;  // 75 %
        EXPECT_EQ(Blocks::OnlyLevel(out.green, col, 10), c[1] ? 83 : 8) << bar;
        EXPECT_EQ(Blocks::OnlyLevel(out.blue, col, 10), c[2] ? 83 : 8) << bar;
    }
    // Luma falls bar by bar, as on a monitor: white, yellow, cyan, green, magenta, red, blue, black.
    int last = 200;
    for (int bar = 0; bar < 8; ++bar) {
        const int level = Blocks::OnlyLevel(out.luma, bar * 125 + 3, 10);
        EXPECT_LT(level, last) << bar;
        last = level;
    }
    EXPECT_EQ(last, 8);
}

// The same counts written the plain way: every pixel, its four levels.
std::vector<std::uint16_t> Reference(const Picture& pic, int block) {
    std::vector<std::uint16_t> bins(static_cast<std::size_t>(pic.width) * OKM_LEVELS);
    for (int y = 0; y < pic.height; ++y)
        for (int x = 0; x < pic.width; ++x) {
            const std::uint8_t* p = &pic.bgr[(static_cast<std::size_t>(y) * pic.width + x) * 3];
            const double r = p[2], g = p[1], b = p[0];
            const double v[4] = {r, g, b, std::floor(0.2109375 * r + 0.71484375 * g + 0.07421875 * b + 0.5)};
            const int level = 8 + static_cast<int>(std::floor(v[block] * 100.0 / 255.0 + 0.5));
            ++bins[static_cast<std::size_t>(x) * OKM_LEVELS + static_cast<std::size_t>(level)];
        }
    return bins;
}

TEST(Okumo, RandomFramesMatchThePlainCount) {
    // Sizes around the counting's strips, the split between threads and the
    // rows after which narrow counters are merged; every other frame has
    // bars over its top three quarters, so that one bin of a column passes 255.
    const int sizes[][2] = {{1, 1}, {63, 300}, {64, 255}, {65, 256}, {127, 511}, {129, 720}, {1280, 720}, {1279, 3}};
    std::uint32_t seed = 7;
    auto next = [&] {
        seed = seed * 1664525u + 1013904223u;
        return seed >> 24;
    };
    int frame = 0;
    for (const auto& size : sizes) {
        for (int flat = 0; flat < 2; ++flat, ++frame) {
            Picture pic(size[0], size[1]);
            for (std::size_t i = 0; i < pic.bgr.size(); ++i) {
                const bool bar = flat && i < pic.bgr.size() * 3 / 4;
                const std::size_t x = i / 3 % static_cast<std::size_t>(pic.width), channel = i % 3;
                pic.bgr[i] = static_cast<std::uint8_t>(bar ? x * 37 + channel * 91 : next());
            }
            Blocks out;
            ASSERT_EQ(out.Convert(pic.Record()), OKM_OK);
            const std::vector<std::uint8_t>* blocks[4] = {&out.red, &out.green, &out.blue, &out.luma};
            for (int block = 0; block < 4; ++block) {
                const std::vector<std::uint16_t> want = Reference(pic, block);
                int wrong = 0;
                for (int c = 0; c < pic.width; ++c)
                    for (int k = 0; k < OKM_LEVELS; ++k)
                        if (Blocks::Bin(*blocks[block], c, k) != want[static_cast<std::size_t>(c) * OKM_LEVELS +
                                                                      static_cast<std::size_t>(k)])
                            ++wrong;
                EXPECT_EQ(wrong, 0) << "frame " << frame << " block " << block;
            }
        }
    }
}

#if defined(_WIN32)
// Every refresh starts and joins a thread: none may leave a handle behind.
TEST(Okumo, RepeatedConversionsKeepTheHandleCount) {
    Picture pic(1280, 720);
    Blocks out;
    ASSERT_EQ(out.Convert(pic.Record()), OKM_OK);
    DWORD before = 0, after = 0;
    ASSERT_TRUE(GetProcessHandleCount(GetCurrentProcess(), &before));
    for (int i = 0; i < 50; ++i) ASSERT_EQ(out.Convert(pic.Record()), OKM_OK);
    ASSERT_TRUE(GetProcessHandleCount(GetCurrentProcess(), &after));
    EXPECT_EQ(after, before);
}
#endif

TEST(Okumo, WrongArgumentsFailAndWriteNothing) {
    Picture pic(16, 4);
    Blocks out;
    OkmPicture rec = pic.Record();
    EXPECT_EQ(Okm_ConvertToWaveFormData(nullptr, out.red.data(), out.green.data(), out.blue.data(), out.luma.data()),
              OKM_E_PARAM);
    EXPECT_EQ(Okm_ConvertToWaveFormData(&rec, out.red.data(), nullptr, out.blue.data(), out.luma.data()), OKM_E_PARAM);
    OkmPicture bad = rec;
    bad.data = nullptr;
    EXPECT_EQ(out.Convert(bad), OKM_E_PARAM);
    bad = rec;
    bad.pixel_format = 2;
    EXPECT_EQ(out.Convert(bad), OKM_E_PARAM);
    bad = rec;
    bad.width = 0;
    EXPECT_EQ(out.Convert(bad), OKM_E_PARAM);
    bad.width = 1281;
    EXPECT_EQ(out.Convert(bad), OKM_E_PARAM);
    bad = rec;
    bad.height = 0;
    EXPECT_EQ(out.Convert(bad), OKM_E_PARAM);
    EXPECT_EQ(Blocks::Word(out.red, 0), 0xEEEE);
    EXPECT_EQ(Blocks::Word(out.luma, 4), 0xEEEE);
}

}  // namespace
