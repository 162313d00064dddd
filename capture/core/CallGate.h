// A gate for the exports that any client thread may call while another
// finalises the library (the frame pair). Each call enters the gate before it
// reads the library object; Close turns later calls away and waits for the
// ones inside to leave, so nothing they read is freed beneath them.
// Platform-free; no lock and no runtime handle, so an unload loses nothing.
#pragma once

#include <atomic>
#include <cstdint>
#include <thread>

namespace Capwell::Lib {

class CallGate {
public:
    // False once the gate is closed: the caller answers as a finalised library does.
    [[nodiscard]] bool Enter() noexcept {
        if ((state_.fetch_add(1, std::memory_order_acquire) & kClosed) == 0) return true;
        Leave();
        return false;
    }
    void Leave() noexcept { state_.fetch_sub(1, std::memory_order_release); }

    // Closes for good and returns when no call is inside. The calls it waits
    // for take one short lock at most, so a yielding wait is enough.
    void Close() noexcept {
        state_.fetch_or(kClosed, std::memory_order_acq_rel);
        while ((state_.load(std::memory_order_acquire) & ~kClosed) != 0) std::this_thread::yield();
    }

private:
    static constexpr uint32_t kClosed = 0x80000000u;
    std::atomic<uint32_t> state_{0};  // closed bit | calls inside
};

// One call's passage: entered at construction, left at destruction.
class GatePass {
public:
    explicit GatePass(CallGate& gate) noexcept : gate_(gate), entered_(gate.Enter()) {}
    ~GatePass() {
        if (entered_) gate_.Leave();
    }
    GatePass(const GatePass&) = delete;
    GatePass& operator=(const GatePass&) = delete;
    explicit operator bool() const noexcept { return entered_; }

private:
    CallGate& gate_;
    const bool entered_;
};

}  // namespace Capwell::Lib
