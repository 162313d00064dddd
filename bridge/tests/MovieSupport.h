// Shared pieces of the plane and movie tests: the simulator's clock and register peeks
// (from the simulator's one client), a movie callback recorder and small helpers.
#pragma once

#include <atomic>
#include <cstring>
#include <mutex>
#include <vector>

#include "bridge/tests/BridgeFixture.h"
#include "simulator/include/MrcSimClient.h"

namespace bridgetest {

inline const mrcsim::Client& Sim() { return mrcsim::Sim(); }

inline std::uint32_t PeekWord(std::uint32_t address) {
    std::uint32_t v = 0;
    EXPECT_EQ(Sim().Peek(address, &v), 0);
    return v;
}

inline double PeekDouble(std::uint32_t address) {
    const std::uint32_t words[2] = {PeekWord(address), PeekWord(address + 4)};
    double d = 0;
    std::memcpy(&d, words, sizeof d);
    return d;
}

inline std::uint32_t FrameBytes(std::int32_t w, std::int32_t h, std::int32_t format) {
    const std::uint32_t bpp = format == 3 ? 2u : 3u;
    return static_cast<std::uint32_t>(h) * ((static_cast<std::uint32_t>(w) * bpp + 3u) / 4u * 4u);
}

constexpr std::uint32_t kCmdStateQuery = 0xD0001u;
constexpr std::uint32_t kCmdPause = 0xB0010u;
constexpr std::uint32_t kCmdResume = 0xB0011u;
constexpr std::uint32_t kCmdMovieStart = 0xC0001u;
constexpr std::uint32_t kCmdMovieStop = 0xC0002u;
constexpr std::uint32_t kCmdGiveBack = 0xC0003u;
constexpr std::uint32_t kCmdStill = 0xB0001u;
constexpr std::uint32_t kFrameNotice = 0x20020001u;
constexpr std::uint32_t kFrameBase = 0x20000000u;  // the simulator's first frame buffer

// Codes of the commands on channel 34 that change or use the playback state.
inline std::vector<std::uint32_t> StateCommands(const std::vector<MrcSimRecord>& rec) {
    std::vector<std::uint32_t> out;
    for (std::uint32_t c : simhost::Codes(rec, 34)) {
        if (c != kCmdStateQuery && c != 0x70001u && c != 0x30001u) out.push_back(c);
    }
    return out;
}

// Fixture with the video plane created and enabled-off.
class PlaneTest : public BridgeTest {
protected:
    void SetUp() override {
        BridgeTest::SetUp();
        if (HasFatalFailure()) return;
        ASSERT_EQ(Kdr_VpCreate(&dev_, &video_, KDR_PLANE_VIDEO, 0), KDR_OK);
        ASSERT_EQ(video_, KDR_PLANE_VIDEO);
    }

    std::int32_t State() {
        std::int32_t s = 0;
        EXPECT_EQ(Kdr_VpGetProp(&dev_, &video_, KDR_VP_STATE, &s), KDR_OK);
        return s;
    }

    KdrMovieStats Stats() {
        KdrMovieStats s{};
        EXPECT_EQ(Kdr_VpGetProp(&dev_, &video_, KDR_VP_MOVIE_STATS, &s), KDR_OK);
        return s;
    }

    std::int32_t SetMovie(std::int32_t w, std::int32_t h, std::int32_t format, void* buffer,
                          std::uint32_t size, std::int32_t fps = 60) {
        KdrMovieSetting s{};
        s.size = {w, h};
        s.format = format;
        s.fps = fps;
        s.buffer = {buffer, size};
        return Kdr_VpSetProp(&dev_, &video_, KDR_VP_MOVIE_SETTING, &s);
    }

    std::int32_t video_ = 0;
};

}  // namespace bridgetest
