// The three capture buffers that carry movie frames to the client.
//
// The bridge's notification thread fills them (Fill); any client thread takes
// the newest completed frame (Take) and gives it back (Release). Platform-free.
//
// Lock order: the frame lock (`lock_`) is the only lock here and is never held
// while calling out. The copy into the filling buffer runs without it: no
// other party touches a buffer while it is `filling`.
//
// Which buffer a new frame goes into: never the held one and never `latest`
// (the client may take `latest` at any moment), but the free buffer that was
// completed longest ago. With one frame held, the other two rotate.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>

#include "Capwell.h"
#include "Tolvane.h"

namespace Capwell::Lib {

class FramePool {
public:
    static constexpr int kFrames = 3;

    enum class FillResult {
        kStored,    // the frame is the new `latest`
        kTooLarge,  // more bytes than a buffer holds: dropped, `latest` unchanged
        kNoBuffer,  // no free buffer or a fill already running: dropped
        kNoData,    // null data with a nonzero size: dropped
    };

    explicit FramePool(uint32_t buffer_bytes = CPW_CAPTURE_FRAME_BYTES);
    FramePool(const FramePool&) = delete;
    FramePool& operator=(const FramePool&) = delete;

    // The movie callback's part: choose a buffer, copy, publish.
    FillResult Fill(const KdrMovieFrame& frame);

    // Lends `latest` to the client when nothing is held; else null.
    CpwCaptureFrame* Take();
    // Gives the held frame back; nothing when none is held.
    void Release();

    uint32_t BufferBytes() const { return buffer_bytes_; }
    uint64_t Dropped() const;

    // Bridge movie format to the client's: 1 -> 0, 3 -> 2, anything else -> 1.
    static uint32_t ClientFormat(int32_t bridge_format);

private:
    struct Slot {
        CpwCaptureFrame frame{};
        uint64_t completed = 0;  // completion sequence number, 0 = never
    };

    const uint32_t buffer_bytes_;
    std::unique_ptr<uint8_t[]> memory_;
    mutable std::mutex lock_;
    Slot slots_[kFrames];
    CpwCaptureFrame* latest_ = nullptr;
    CpwCaptureFrame* filling_ = nullptr;
    CpwCaptureFrame* held_ = nullptr;
    uint64_t sequence_ = 0;
    uint64_t dropped_ = 0;
};

}  // namespace Capwell::Lib
