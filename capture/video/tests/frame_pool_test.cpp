// The three capture buffers: lending, rotation around a held frame, dropped
// frames, and a reader racing the filler (run under ThreadSanitizer too).
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

#include "capture/video/FramePool.h"

using namespace Capwell::Lib;

namespace {

constexpr uint32_t kBytes = 4096;

// A frame whose every byte derives from its id, so a torn copy shows.
struct Source {
    std::vector<uint8_t> data = std::vector<uint8_t>(kBytes);
    KdrMovieFrame frame{};
    KdrMovieFrame Make(uint64_t id, uint32_t size = kBytes, int32_t format = 1) {
        data.resize(size);
        for (uint32_t i = 0; i < size; ++i) data[i] = static_cast<uint8_t>(id * 7 + i);
        frame = KdrMovieFrame{};
        frame.frame_id = id;
        frame.size = KdrXY{1280, 720};
        frame.format = format;
        frame.data.buffer = data.data();
        frame.data.size = size;
        return frame;
    }
};

bool Intact(const CpwCaptureFrame& f) {
    for (uint32_t i = 0; i < f.size; ++i)
        if (f.data[i] != static_cast<uint8_t>(f.frame_id * 7 + i)) return false;
    return true;
}

}  // namespace

TEST(FramePool, LendsTheNewestFrameOnceUntilReleased) {
    FramePool pool(kBytes);
    Source src;
    EXPECT_EQ(pool.Take(), nullptr);
    pool.Release();  // nothing held: nothing happens
    ASSERT_EQ(pool.Fill(src.Make(5)), FramePool::FillResult::kStored);
    ASSERT_EQ(pool.Fill(src.Make(6)), FramePool::FillResult::kStored);
    CpwCaptureFrame* f = pool.Take();
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->frame_id, 6u);
    EXPECT_EQ(f->usage, CPW_FRAME_HELD);
    EXPECT_EQ(f->width, 1280);
    EXPECT_EQ(f->height, 720);
    EXPECT_EQ(f->size, kBytes);
    EXPECT_EQ(f->format, 0u);
    EXPECT_TRUE(Intact(*f));
    EXPECT_EQ(pool.Take(), nullptr);  // a second take without a release
    pool.Release();
    EXPECT_EQ(f->usage, CPW_FRAME_FREE);
    EXPECT_EQ(pool.Take(), f);  // no newer frame: the same one again
}

TEST(FramePool, HeldFrameIsNeverOverwrittenWhileTheOtherTwoRotate) {
    FramePool pool(kBytes);
    Source src;
    pool.Fill(src.Make(1));
    CpwCaptureFrame* held = pool.Take();
    ASSERT_NE(held, nullptr);
    uint64_t held_id = 1;
    std::vector<uint32_t> indexes;
    for (uint64_t id = 2; id < 12; ++id) {
        ASSERT_EQ(pool.Fill(src.Make(id)), FramePool::FillResult::kStored);
        EXPECT_EQ(held->frame_id, held_id);
        EXPECT_TRUE(Intact(*held));
        EXPECT_EQ(held->usage, CPW_FRAME_HELD);
        pool.Release();
        CpwCaptureFrame* now = pool.Take();
        ASSERT_NE(now, nullptr);
        EXPECT_EQ(now->frame_id, id);
        indexes.push_back(now->index);
        pool.Release();
        held = pool.Take();  // hold the newest while the next arrives
        ASSERT_NE(held, nullptr);
        held_id = held->frame_id;
    }
    for (std::size_t i = 1; i < indexes.size(); ++i) EXPECT_NE(indexes[i], indexes[i - 1]);
}

TEST(FramePool, NewFrameNeverGoesIntoLatestEvenWithEqualIds) {
    // The bridge numbers the first frames 0 and may repeat ids after a new
    // setting; the buffer choice must not depend on them.
    FramePool pool(kBytes);
    Source src;
    std::vector<uint32_t> order;
    for (int i = 0; i < 6; ++i) {
        pool.Fill(src.Make(0));
        CpwCaptureFrame* f = pool.Take();
        ASSERT_NE(f, nullptr);
        order.push_back(f->index);
        pool.Release();
    }
    for (std::size_t i = 1; i < order.size(); ++i) EXPECT_NE(order[i], order[i - 1]);
    EXPECT_EQ(order[0], order[3]);  // all three buffers in turn
}

TEST(FramePool, FormatsMapToTheClientsCodes) {
    EXPECT_EQ(FramePool::ClientFormat(1), 0u);
    EXPECT_EQ(FramePool::ClientFormat(2), 1u);
    EXPECT_EQ(FramePool::ClientFormat(3), 2u);
    EXPECT_EQ(FramePool::ClientFormat(0), 1u);
    EXPECT_EQ(FramePool::ClientFormat(-4), 1u);
}

TEST(FramePool, OversizedOrDatalessFramesAreDroppedAndLatestStays) {
    FramePool pool(kBytes);
    Source src;
    pool.Fill(src.Make(1));
    EXPECT_EQ(pool.Fill(src.Make(2, kBytes + 1)), FramePool::FillResult::kTooLarge);
    KdrMovieFrame empty = src.Make(3);
    empty.data.buffer = nullptr;
    EXPECT_EQ(pool.Fill(empty), FramePool::FillResult::kNoData);
    EXPECT_EQ(pool.Dropped(), 2u);
    CpwCaptureFrame* f = pool.Take();
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->frame_id, 1u);
    EXPECT_TRUE(Intact(*f));
}

TEST(FramePool, ReaderRacingTheFillerNeverSeesATornFrame) {
    FramePool pool(kBytes);
    std::atomic<bool> done{false};
    std::atomic<uint64_t> torn{0}, taken{0};
    std::thread reader([&] {
        uint64_t last = 0;
        while (!done.load()) {
            CpwCaptureFrame* f = pool.Take();
            if (f == nullptr) continue;
            if (!Intact(*f) || f->frame_id < last || f->usage != CPW_FRAME_HELD) ++torn;
            last = f->frame_id;
            ++taken;
            pool.Release();
        }
    });
    Source src;
    for (uint64_t id = 1; id <= 3000; ++id) {
        const auto r = pool.Fill(src.Make(id));
        EXPECT_EQ(r, FramePool::FillResult::kStored);
    }
    done = true;
    reader.join();
    EXPECT_EQ(torn.load(), 0u);
    EXPECT_GT(taken.load(), 0u);
    EXPECT_EQ(pool.Dropped(), 0u);
}
