#include "capture/core/RequestQueue.h"

#include <cstring>
#include <thread>

namespace Capwell::Lib {

namespace {

constexpr uint32_t kLutChannelBits[3] = {kGroupLutR, kGroupLutG, kGroupLutB};

int32_t Bool01(int32_t v) { return v != 0 ? 1 : 0; }

// Whole-stage bits stand for all of the stage's parts.
uint32_t ExpandWhole(uint32_t bits) {
    if (bits & kGroupLutAll) bits |= kGroupLutEnb | kGroupLutR | kGroupLutG | kGroupLutB;
    if (bits & kGroupMatrixAll)
        bits |= kGroupMatrixCoef | kGroupMatrixPede | kGroupMatrixYGain;
    if (bits & kGroupDriveCutoffAll)
        bits |= kGroupPostLutGamma | kGroupDriveEnb | kGroupDriveGain | kGroupCutoffEnb |
                kGroupCutoffOffset;
    if (bits & kGroupAxesAll) bits |= kGroupAxesEnb | kGroupAxesColor;
    return bits & ~(kGroupLutAll | kGroupMatrixAll | kGroupDriveCutoffAll | kGroupAxesAll);
}

const uint32_t kAllColors[kAxisColors] = {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1};

}  // namespace

void CopyGroups(PropertySet& dst, const PropertySet& src, uint32_t bits,
                const uint32_t* colors) {
    if (bits & kGroupAxesAll) colors = kAllColors;
    bits = ExpandWhole(bits);
    if (bits & kGroupPosition) dst.position = src.position;
    if (bits & kGroupAngle) dst.angle = src.angle;
    if (bits & kGroupZoom) {
        dst.zoom = src.zoom;
        if (src.zoom_mode == kZoomWhole || src.zoom_mode == kZoomParts)
            dst.zoom_mode = src.zoom_mode;
    }
    if (bits & kGroupVideo) dst.video = src.video == 1 ? 1 : 0;
    if (bits & kGroupDisplay) {
        dst.display_width = src.display_width;
        dst.display_height = src.display_height;
        dst.display_extra = 0;
    }
    if (bits & kGroupAudio) dst.audio = src.audio;
    if (bits & kGroupLutEnb) dst.lut.enb = Bool01(src.lut.enb);
    for (int c = 0; c < 3; ++c)
        if (bits & kLutChannelBits[c])
            for (int i = 0; i < kLutPoints; ++i)
                dst.lut.lut[c][i] = ClampLutPoint(src.lut.lut[c][i]);
    if (bits & kGroupMatrixCoef) std::memcpy(dst.matrix.coef, src.matrix.coef, sizeof dst.matrix.coef);
    if (bits & kGroupMatrixPede) dst.matrix.pede = src.matrix.pede;
    if (bits & kGroupMatrixYGain) dst.matrix.y_gain = src.matrix.y_gain;
    if (bits & kGroupPostLutGamma)
        dst.drive_cutoff.post_lutgamma = Bool01(src.drive_cutoff.post_lutgamma);
    if (bits & kGroupDriveEnb) dst.drive_cutoff.drive.enb = Bool01(src.drive_cutoff.drive.enb);
    if (bits & kGroupDriveGain)
        std::memcpy(dst.drive_cutoff.drive.gain, src.drive_cutoff.drive.gain,
                    sizeof dst.drive_cutoff.drive.gain);
    if (bits & kGroupCutoffEnb) dst.drive_cutoff.cutoff.enb = Bool01(src.drive_cutoff.cutoff.enb);
    if (bits & kGroupCutoffOffset)
        std::memcpy(dst.drive_cutoff.cutoff.offset, src.drive_cutoff.cutoff.offset,
                    sizeof dst.drive_cutoff.cutoff.offset);
    if (bits & kGroupMute) dst.mute = src.mute;
    if (bits & kGroupAxesEnb) dst.axes.enb = Bool01(src.axes.enb);
    if ((bits & kGroupAxesColor) && colors != nullptr)
        for (int c = 0; c < kAxisColors; ++c)
            if (colors[c]) dst.axes.color[c] = src.axes.color[c];
}

RequestQueue::RequestQueue() {
    const PropertySet fresh = FreshPropertySet();
    for (int i = 0; i < kSlots; ++i) {
        slots_[i].index = static_cast<uint32_t>(i);
        slots_[i].body = fresh;
        slots_[i].next = &slots_[(i + 1) % kSlots];
        slots_[i].prev = &slots_[(i + kSlots - 1) % kSlots];
    }
    write_ = read_ = &slots_[0];
    carry_ = fresh;
    desired_ = fresh;
    applied_ = fresh;
}

void RequestQueue::FreeSlot(RequestSlot& s) {
    s.body.flags = 0;
    std::memset(s.body.color_changed, 0, sizeof s.body.color_changed);
    s.force = 0;
    s.status.store(kSlotFree, std::memory_order_release);
}

// Folds the committed run after the read cursor into the carry, oldest first
// so that newer values overwrite older ones. A forced request makes the carry
// a forced pass of its own.
void RequestQueue::FoldBacklogLocked() {
    RequestSlot* s = read_->next;
    while (s != write_->next && s->status.load(std::memory_order_acquire) == kSlotCommitted) {
        const uint32_t bits = s->body.flags;
        CopyGroups(carry_, s->body, bits, s->body.color_changed);
        carry_.flags |= ExpandWhole(bits);
        if (bits & (kGroupAxesColor | kGroupAxesAll))
            for (int c = 0; c < kAxisColors; ++c)
                carry_.color_changed[c] |= (bits & kGroupAxesAll) ? 1u : s->body.color_changed[c];
        carry_force_ |= s->force;
        read_ = s;
        FreeSlot(*s);
        s = s->next;
    }
    carried_.store(true, std::memory_order_release);
    folds_.fetch_add(1, std::memory_order_relaxed);
}

RequestSlot* RequestQueue::Reserve() {
    std::unique_lock<std::mutex> guard(lock_);
    for (;;) {
        RequestSlot* next = write_->next;
        if (next != read_ && next->status.load(std::memory_order_acquire) == kSlotFree) {
            write_ = next;
            next->status.store(kSlotReserved, std::memory_order_relaxed);
            guard.unlock();
            next->body.flags = 0;
            std::memset(next->body.color_changed, 0, sizeof next->body.color_changed);
            next->force = 0;
            return next;
        }
        // The ring is full: fold the committed backlog. Only a reservation of
        // another thread that is still being written can stop the fold; wait
        // for its commit.
        const RequestSlot* before = read_;
        FoldBacklogLocked();
        if (read_ == before) {
            guard.unlock();
            std::this_thread::yield();
            guard.lock();
        }
    }
}

void RequestQueue::Commit(RequestSlot* slot, bool force) {
    slot->force = force ? 1u : 0u;
    slot->status.store(kSlotCommitted, std::memory_order_release);  // publishes the body
}

bool RequestQueue::HasPendingLocked() const {
    if (carried_.load(std::memory_order_relaxed)) return true;
    if (write_ == read_) return false;
    return read_->next->status.load(std::memory_order_acquire) == kSlotCommitted;
}

bool RequestQueue::MergePass(bool& force) {
    std::lock_guard<std::mutex> guard(lock_);
    if (!HasPendingLocked()) return false;

    desired_.flags = 0;
    std::memset(desired_.color_changed, 0, sizeof desired_.color_changed);

    uint32_t taken = 0;
    uint32_t colors_taken[kAxisColors] = {};
    auto take = [&](const PropertySet& body, uint32_t bits, const uint32_t* colors) {
        bits = ExpandWhole(bits);
        const uint32_t fresh = bits & ~taken & ~kGroupAxesColor;
        uint32_t fresh_colors[kAxisColors] = {};
        bool any_color = false;
        if ((bits & kGroupAxesColor) && colors != nullptr)
            for (int c = 0; c < kAxisColors; ++c)
                if (colors[c] && !colors_taken[c]) {
                    fresh_colors[c] = 1;
                    colors_taken[c] = 1;
                    any_color = true;
                }
        CopyGroups(desired_, body, fresh | (any_color ? kGroupAxesColor : 0u), fresh_colors);
        taken |= fresh;
        desired_.flags |= fresh | (any_color ? kGroupAxesColor : 0u);
        for (int c = 0; c < kAxisColors; ++c) desired_.color_changed[c] |= fresh_colors[c];
    };

    const bool has_carry = carried_.load(std::memory_order_relaxed);
    if (has_carry && carry_force_) {
        // A forced request sits in the carry: it ends this pass.
        take(carry_, carry_.flags, carry_.color_changed);
        force = true;
    } else {
        RequestSlot* first = read_->next;
        RequestSlot* end = nullptr;
        if (write_ != read_ && first->status.load(std::memory_order_acquire) == kSlotCommitted) {
            end = first;
            while (end->force == 0 && end != write_ &&
                   end->next->status.load(std::memory_order_acquire) == kSlotCommitted)
                end = end->next;
        }
        force = end != nullptr && end->force != 0;
        if (end != nullptr) {
            for (RequestSlot* s = end;; s = s->prev) {
                take(s->body, s->body.flags, s->body.color_changed);
                FreeSlot(*s);
                if (s == first) break;
            }
            read_ = end;
        }
        if (has_carry) take(carry_, carry_.flags, carry_.color_changed);
    }
    if (has_carry) {
        carry_.flags = 0;
        std::memset(carry_.color_changed, 0, sizeof carry_.color_changed);
        carry_force_ = 0;
        carried_.store(false, std::memory_order_relaxed);
    }
    force_ = force ? 1u : 0u;

    // Stale sweep: a reservation seen by two sweeps without a commit is freed.
    // Compare-exchange so that a commit racing with the sweep always wins.
    for (auto& s : slots_) {
        uint32_t expected = kSlotReserved;
        if (s.status.compare_exchange_strong(expected, kSlotStale, std::memory_order_acq_rel))
            continue;
        expected = kSlotStale;
        s.status.compare_exchange_strong(expected, kSlotFree, std::memory_order_acq_rel);
    }
    return true;
}

bool RequestQueue::Idle() const {
    std::lock_guard<std::mutex> guard(lock_);
    if (carried_.load(std::memory_order_relaxed)) return false;
    for (const auto& s : slots_)
        if (s.status.load(std::memory_order_acquire) != kSlotFree) return false;
    return true;
}

void RequestQueue::SetOutputSize(int32_t width, int32_t height) {
    std::lock_guard<std::mutex> apply(apply_mutex_);
    std::lock_guard<std::mutex> guard(lock_);
    for (auto& s : slots_) {
        s.body.output_width = width;
        s.body.output_height = height;
    }
    carry_.output_width = desired_.output_width = applied_.output_width = width;
    carry_.output_height = desired_.output_height = applied_.output_height = height;
}

}  // namespace Capwell::Lib
