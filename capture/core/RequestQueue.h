// Request queue between the client thread and the worker thread.
//
// Exports reserve a slot, write their group into its body and commit it; the
// worker merges the committed slots once per period (newest value per group
// wins) and applies the result. Platform-free.
//
// Lock order (outermost first): apply_mutex_, then lock_.
//   apply_mutex_: held by the worker for a whole apply pass and by
//                 SetOutputSize, so `applied` is never read while it changes;
//                 and by a still capture from its plane read to its bitmap,
//                 so no pass redraws the plane in between.
//   lock_:        cursors, reservation, the carry, and the merge pass.
//
// Overrun: the ring holds 100 slots. When the writer would reach the slot the
// worker reads next, the writer folds the committed backlog into the carry (an
// accumulated request, older than every slot in the ring) instead of writing
// over unmerged slots, so a burst of any length keeps the newest value of every
// group and never blocks on the worker.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>

#include "capture/core/PropertySet.h"

namespace Capwell::Lib {

enum SlotStatus : uint32_t {
    kSlotFree = 0,
    kSlotCommitted = 1,
    kSlotReserved = 2,
    kSlotStale = 3,
};

struct RequestSlot {
    uint32_t index = 0;
    uint32_t force = 0;
    std::atomic<uint32_t> status{kSlotFree};
    PropertySet body{};
    RequestSlot* next = nullptr;
    RequestSlot* prev = nullptr;
};

// Copies the groups named in `bits` (and, for twelve-axis colour blocks, the
// colours set in `colors`) from src to dst, normalising on the way: video and
// the enables become 0 or 1, LUT points are clamped, the zoom mode is taken
// only when it is 3 or 5.
void CopyGroups(PropertySet& dst, const PropertySet& src, uint32_t bits,
                const uint32_t* colors);

class RequestQueue {
public:
    static constexpr int kSlots = 100;

    RequestQueue();
    RequestQueue(const RequestQueue&) = delete;
    RequestQueue& operator=(const RequestQueue&) = delete;

    // Client side. Reserve hands out a slot body whose flags are clear; the
    // caller writes its groups, sets their bits, then calls Commit.
    RequestSlot* Reserve();
    static void Commit(RequestSlot* slot, bool force = false);

    // Worker side. When committed requests are pending, merges them into
    // `desired` and returns true with the pass's force; the stale sweep runs on
    // every call that merged.
    [[nodiscard]] bool MergePass(bool& force);

    // True when no slot is in use and nothing is carried: the drain condition.
    bool Idle() const;

    // The output size goes into every set (slots, carry, desired, applied).
    void SetOutputSize(int32_t width, int32_t height);

    PropertySet& Desired() { return desired_; }
    PropertySet& Applied() { return applied_; }
    std::mutex& ApplyMutex() { return apply_mutex_; }
    const RequestSlot& Slot(int i) const { return slots_[i]; }

    // Counters for tests and diagnostics.
    uint64_t Folds() const { return folds_.load(std::memory_order_relaxed); }

private:
    bool HasPendingLocked() const;
    void FoldBacklogLocked();
    void FreeSlot(RequestSlot& s);

    mutable std::mutex lock_;
    std::mutex apply_mutex_;
    RequestSlot* write_ = nullptr;
    RequestSlot* read_ = nullptr;
    RequestSlot slots_[kSlots];
    uint32_t force_ = 0;  // force of the last pass
    PropertySet carry_{};
    uint32_t carry_force_ = 0;
    std::atomic<bool> carried_{false};
    PropertySet desired_{};
    PropertySet applied_{};
    std::atomic<uint64_t> folds_{0};
};

}  // namespace Capwell::Lib
