#include "capture/video/FramePool.h"

#include <cstring>

namespace Capwell::Lib {

FramePool::FramePool(uint32_t buffer_bytes)
    : buffer_bytes_(buffer_bytes),
      memory_(new uint8_t[static_cast<std::size_t>(buffer_bytes) * kFrames]()) {
    for (int i = 0; i < kFrames; ++i) {
        CpwCaptureFrame& f = slots_[i].frame;
        f.data = memory_.get() + static_cast<std::size_t>(buffer_bytes) * i;
        f.index = static_cast<uint32_t>(i);
        f.usage = CPW_FRAME_FREE;
    }
}

uint32_t FramePool::ClientFormat(int32_t bridge_format) {
    if (bridge_format == KDR_MOVIE_FORMAT_1) return 0;
    if (bridge_format == KDR_MOVIE_FORMAT_3) return 2;
    return 1;
}

FramePool::FillResult FramePool::Fill(const KdrMovieFrame& in) {
    // A frame that does not fit is dropped whole: a truncated picture labelled
    // with its full size would mislead every reader.
    if (in.data.size > buffer_bytes_) {
        std::lock_guard<std::mutex> g(lock_);
        ++dropped_;
        return FillResult::kTooLarge;
    }
    if (in.data.buffer == nullptr && in.data.size != 0) {
        std::lock_guard<std::mutex> g(lock_);
        ++dropped_;
        return FillResult::kNoData;
    }
    Slot* target = nullptr;
    {
        std::lock_guard<std::mutex> g(lock_);
        if (filling_ == nullptr) {
            for (int i = 0; i < kFrames; ++i) {
                Slot& s = slots_[i];
                if (s.frame.usage != CPW_FRAME_FREE || &s.frame == latest_) continue;
                // Oldest completion first; on a tie the later index.
                if (target == nullptr || s.completed <= target->completed) target = &s;
            }
        }
        if (target == nullptr) {
            ++dropped_;
            return FillResult::kNoBuffer;
        }
        target->frame.usage = CPW_FRAME_FILLING;
        filling_ = &target->frame;
    }
    CpwCaptureFrame& f = target->frame;
    if (in.data.size != 0) std::memcpy(f.data, in.data.buffer, in.data.size);
    {
        std::lock_guard<std::mutex> g(lock_);
        f.frame_id = in.frame_id;
        f.width = static_cast<uint16_t>(in.size.x);
        f.height = static_cast<uint16_t>(in.size.y);
        f.size = in.data.size;
        f.format = ClientFormat(in.format);
        f.usage = CPW_FRAME_FREE;
        target->completed = ++sequence_;
        latest_ = &f;
        filling_ = nullptr;
    }
    return FillResult::kStored;
}

CpwCaptureFrame* FramePool::Take() {
    std::lock_guard<std::mutex> g(lock_);
    if (latest_ == nullptr || held_ != nullptr) return nullptr;
    latest_->usage = CPW_FRAME_HELD;
    held_ = latest_;
    return held_;
}

void FramePool::Release() {
    std::lock_guard<std::mutex> g(lock_);
    if (held_ == nullptr) return;
    held_->usage = CPW_FRAME_FREE;
    held_ = nullptr;
}

uint64_t FramePool::Dropped() const {
    std::lock_guard<std::mutex> g(lock_);
    return dropped_;
}

}  // namespace Capwell::Lib
