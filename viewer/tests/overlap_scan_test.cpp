#include "viewer/core/OverlapScan.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <random>
#include <vector>

#include "viewer/core/OverlapTick.h"

namespace ov = Pelmora::Lib::Overlap;
using vistrel::Rect;

namespace {

constexpr std::uint32_t kKey = 0x000300;  // red 0, green 3, blue 0

// A 24-bit copy laid out as the platform's device-independent bitmaps are:
// rows padded to 4 bytes, bottom-up unless asked otherwise.
class Copy {
public:
    Copy(int w, int h, bool bottom_up = true)
        : w_(w), h_(h), stride_((w * 3 + 3) & ~3), bottom_up_(bottom_up), bits_(static_cast<size_t>(stride_) * h, 0xEE) {
        Fill(Rect{0, 0, w, h}, 0x00, 0x03, 0x00);
    }
    // Blue, green, red bytes over [left, right) x [top, bottom), top row 0.
    void Fill(const Rect& r, std::uint8_t b, std::uint8_t g, std::uint8_t red) {
        for (int y = std::max(r.top, 0); y < std::min(r.bottom, h_); ++y)
            for (int x = std::max(r.left, 0); x < std::min(r.right, w_); ++x) {
                std::uint8_t* p = Row(y) + 3 * x;
                p[0] = b;
                p[1] = g;
                p[2] = red;
            }
    }
    void Cover(const Rect& r) { Fill(r, 0xF0, 0xF0, 0xF0); }
    std::uint8_t* Row(int y) { return bits_.data() + static_cast<size_t>(bottom_up_ ? h_ - 1 - y : y) * stride_; }
    ov::ScreenCopy View() {
        return ov::ScreenCopy{Row(0), bottom_up_ ? -stride_ : stride_, w_, h_};
    }

private:
    int w_, h_, stride_;
    bool bottom_up_;
    std::vector<std::uint8_t> bits_;
};

ov::ScanParams Params(std::int32_t margin = 20, Rect excluded = {}) { return ov::ScanParams{excluded, kKey, margin}; }

ov::Examination Scan(Copy& c, const ov::ScanParams& p = Params()) {
    ov::StripPool pool(ov::StripPool::DefaultHelpers());
    return ov::Examine(c.View(), p, &pool);
}

// Pixel by pixel, as the examination is defined: the result the fast scan must match.
ov::DiffBox Reference(const ov::ScreenCopy& c, const ov::ScanParams& p, int row_begin, int row_end) {
    ov::DiffBox box;
    const std::uint8_t b = 0x00, g = 0x03, r = 0x00;
    for (int y = row_begin; y < row_end; ++y)
        for (int x = p.side_margin; x < c.width - p.side_margin; ++x) {
            const Rect& e = p.excluded;
            if (x >= e.left && x < e.right && y >= e.top && y < e.bottom) continue;
            const std::uint8_t* px = c.top_row + y * c.stride + 3 * x;
            if (px[0] == b && px[1] == g && px[2] == r) continue;
            box.min_x = box.min_x < 0 ? x : std::min(box.min_x, x);
            box.max_x = std::max(box.max_x, x);
            if (box.min_row < 0) box.min_row = y;
            box.max_row = y;
        }
    return box;
}

}  // namespace

TEST(OverlapScan, ReportsOnlyDifferencesBeyondTheThresholds) {
    Copy c(1920, 1080);
    EXPECT_EQ(Scan(c).covered, 0);
    EXPECT_EQ(Scan(c).united, Rect{});

    c.Cover(Rect{600, 400, 1100, 520});  // 500 x 120 inside the picture
    EXPECT_EQ(Scan(c).covered, 0);
    EXPECT_EQ(Scan(c).united, (Rect{600, 400, 1099, 519}));

    Copy wide(1920, 1080);
    wide.Cover(Rect{100, 700, 660, 710});  // 560 x 10
    EXPECT_EQ(Scan(wide).covered, 1);

    Copy tall(1920, 1080);
    tall.Cover(Rect{900, 100, 910, 232});  // 10 x 132: spans 131 rows
    EXPECT_EQ(Scan(tall).covered, 1);

    // The span is largest minus smallest: 551 pixels span 550, 552 span 551.
    Copy edge(1920, 1080);
    edge.Cover(Rect{300, 300, 851, 310});
    EXPECT_EQ(Scan(edge).covered, 0);
    edge.Cover(Rect{300, 300, 852, 310});
    EXPECT_EQ(Scan(edge).covered, 1);
}

TEST(OverlapScan, LooksAtTheBlueGreenRedBytesOfTheBackground) {
    Copy c(800, 400);
    c.Fill(Rect{0, 0, 800, 400}, 0x00, 0x00, 0x03);  // red 3 instead of green 3
    EXPECT_EQ(Scan(c).covered, 1);

    Copy red(800, 400);
    red.Fill(Rect{0, 0, 800, 400}, 0x00, 0x00, 0xFF);
    EXPECT_EQ(Scan(red, ov::ScanParams{{}, 0x0000FF, 20}).covered, 0);
}

TEST(OverlapScan, SideMarginsAreNotLookedAt) {
    EXPECT_EQ(ov::SideMarginForDpi(96), 20);
    EXPECT_EQ(ov::SideMarginForDpi(144), 30);
    EXPECT_EQ(ov::SideMarginForDpi(192), 40);

    Copy c(1280, 720);
    c.Cover(Rect{0, 0, 20, 720});
    c.Cover(Rect{1260, 0, 1280, 720});
    EXPECT_EQ(Scan(c).covered, 0);
    EXPECT_EQ(Scan(c).united, Rect{});

    c.Cover(Rect{20, 0, 21, 720});
    c.Cover(Rect{1259, 0, 1260, 720});
    EXPECT_EQ(Scan(c).united, (Rect{20, 0, 1259, 719}));

    // A margin that meets itself leaves no column to examine.
    Copy narrow(40, 400);
    narrow.Cover(Rect{0, 0, 40, 400});
    EXPECT_EQ(Scan(narrow).united, Rect{});
}

TEST(OverlapScan, OneRowOrOneColumnOfDifferencesDoesNotCount) {
    Copy pixel(1920, 1080);
    pixel.Cover(Rect{500, 500, 501, 501});
    EXPECT_EQ(Scan(pixel).covered, 0);

    Copy row(1920, 1080);
    row.Cover(Rect{0, 300, 1920, 301});
    EXPECT_EQ(Scan(row).covered, 0);
    EXPECT_EQ(Scan(row).united, Rect{});

    // A column crosses every strip, but each strip's box is one column wide.
    Copy column(1920, 1080);
    column.Cover(Rect{700, 0, 701, 1080});
    EXPECT_EQ(Scan(column).covered, 0);
    EXPECT_EQ(Scan(column).united, Rect{});
}

TEST(OverlapScan, ExcludedRectangleIsSkipped) {
    const Rect text{400, 300, 1500, 700};
    Copy c(1920, 1080);
    c.Cover(text);
    EXPECT_EQ(Scan(c, Params(20, text)).covered, 0);
    EXPECT_EQ(Scan(c).covered, 1);

    // What lies outside it still counts, around it on every side.
    c.Cover(Rect{1490, 690, 1510, 900});  // crosses the excluded corner
    EXPECT_EQ(Scan(c, Params(20, text)).united, (Rect{1490, 690, 1509, 899}));
    c.Cover(Rect{300, 200, 310, 210});
    EXPECT_EQ(Scan(c, Params(20, text)).united, (Rect{300, 200, 1509, 899}));
}

TEST(OverlapScan, StripsCoverEveryRowOfBothRowOrders) {
    for (bool bottom_up : {true, false}) {
        Copy c(1000, 1083, bottom_up);  // 1083 = 4 x 270 + 3
        c.Cover(Rect{100, 1079, 900, 1083});
        c.Cover(Rect{100, 0, 102, 2});
        EXPECT_EQ(Scan(c).united, (Rect{100, 0, 899, 1082})) << bottom_up;
        EXPECT_EQ(Scan(c).covered, 1);
    }
    std::int32_t b = 0, e = 0;
    ov::StripRows(1083, 3, &b, &e);
    EXPECT_EQ(b, 810);
    EXPECT_EQ(e, 1083);
}

TEST(OverlapScan, FastScanMatchesThePixelByPixelDefinition) {
    std::mt19937 rng(1234);
    for (int round = 0; round < 300; ++round) {
        const int w = 1 + static_cast<int>(rng() % 400), h = 1 + static_cast<int>(rng() % 60);
        Copy c(w, h, rng() % 2 == 0);
        const int spots = static_cast<int>(rng() % 6);
        for (int i = 0; i < spots; ++i) {
            const int x = static_cast<int>(rng() % w), y = static_cast<int>(rng() % h);
            const int sw = 1 + static_cast<int>(rng() % 90), sh = 1 + static_cast<int>(rng() % 4);
            // One byte off only, in any of the three.
            const int which = static_cast<int>(rng() % 3);
            c.Fill(Rect{x, y, x + sw, y + sh}, which == 0 ? 1 : 0, which == 1 ? 4 : 3, which == 2 ? 1 : 0);
        }
        Rect ex{};
        if (rng() % 2 == 0) {
            const int x = static_cast<int>(rng() % w), y = static_cast<int>(rng() % h);
            ex = Rect{x, y, x + static_cast<int>(rng() % 200), y + static_cast<int>(rng() % 30)};
        }
        const ov::ScanParams p = Params(static_cast<int>(rng() % 30), ex);
        const ov::ScreenCopy v = c.View();
        const int split = static_cast<int>(rng() % (h + 1));
        EXPECT_EQ(ov::ScanRows(v, p, 0, split), Reference(v, p, 0, split)) << "round " << round;
        EXPECT_EQ(ov::ScanRows(v, p, split, h), Reference(v, p, split, h)) << "round " << round;
    }
}

TEST(StripPool, RunsEveryItemOnceOnAnyNumberOfHelpers) {
    for (int helpers : {0, 1, 3}) {
        ov::StripPool pool(helpers);
        EXPECT_EQ(pool.Helpers(), helpers);
        for (int run = 0; run < 200; ++run) {
            std::atomic<int> hits[4] = {};
            pool.Run(4, [&](int i) { hits[i].fetch_add(1); });
            for (auto& h : hits) ASSERT_EQ(h.load(), 1) << helpers << " helpers, run " << run;
        }
    }
}

TEST(OverlapTick, ReportsChangesOfTheExaminersResult) {
    ov::OverlapTick t;
    EXPECT_EQ(t.Tick(0), std::nullopt);
    EXPECT_EQ(t.Tick(1), 1);  // covered
    EXPECT_EQ(t.Tick(1), std::nullopt);
    EXPECT_EQ(t.Tick(0), 0);  // uncovered
    EXPECT_EQ(t.Tick(0), std::nullopt);
}

TEST(OverlapTick, AfterAVideoSwitchTheNextTickRepeatsThePreviousValue) {
    ov::OverlapTick t;
    t.SetVideo(1);
    EXPECT_EQ(t.VideoChanged(), 1);
    // The copy may still show the old screen: the first reading after the
    // switch says "not covered" again, the examiner's 1 comes one tick later.
    EXPECT_EQ(t.Tick(1), std::nullopt);
    EXPECT_EQ(t.VideoChanged(), 0);
    EXPECT_EQ(t.Tick(1), 1);

    t.SetVideo(0);
    EXPECT_EQ(t.Tick(0), std::nullopt);
    EXPECT_EQ(t.Tick(0), 0);

    // Setting the same flag again clears the changed flag.
    t.SetVideo(1);
    t.SetVideo(1);
    EXPECT_EQ(t.VideoChanged(), 0);
    EXPECT_EQ(t.Tick(1), 1);
}

TEST(OverlapTick, TransitionCheckTakesTheFreshResultUnlessTheVideoJustSwitched) {
    ov::OverlapTick t;
    EXPECT_EQ(t.Transition(true, 1), 1);
    EXPECT_EQ(t.LastRaw(), 1);
    EXPECT_EQ(t.Transition(false, 0), 1);  // did not run: the last raw result
    t.SetVideo(1);
    EXPECT_EQ(t.Transition(true, 0), 1);
    EXPECT_EQ(t.VideoChanged(), 0);
    EXPECT_EQ(t.LastRaw(), 0);
    EXPECT_EQ(t.Transition(true, 0), 0);
}
