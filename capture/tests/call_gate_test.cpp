// The frame calls' gate: calls on other threads beside a close that frees
// what they read (ThreadSanitizer and AddressSanitizer see any call that
// slips past the close).
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "capture/core/CallGate.h"

using Capwell::Lib::CallGate;
using Capwell::Lib::GatePass;

namespace {

struct Library {
    uint32_t initialised = 1;
    std::unique_ptr<uint64_t> manager = std::make_unique<uint64_t>(7);
};

}  // namespace

TEST(CallGate, CloseWaitsForCallsInsideAndTurnsLaterOnesAway) {
    for (int cycle = 0; cycle < 40; ++cycle) {
        CallGate gate;
        auto* lib = new Library;
        std::atomic<bool> closed{false};
        std::atomic<int> bad{0}, entered{0};
        auto caller = [&] {
            for (int after = 0; after < 200;) {
                const bool was_closed = closed.load();
                {
                    const GatePass pass(gate);
                    if (pass) {
                        ++entered;
                        if (lib->initialised != 1 || *lib->manager != 7) ++bad;
                        if (was_closed) ++bad;  // entered after Close returned
                    }
                }
                after += was_closed;
            }
        };
        std::vector<std::thread> callers;
        for (int i = 0; i < 3; ++i) callers.emplace_back(caller);
        while (entered.load() < 3 * (cycle % 4)) std::this_thread::yield();
        gate.Close();
        delete lib;  // what a finalisation frees
        lib = nullptr;
        closed = true;
        for (auto& t : callers) t.join();
        EXPECT_EQ(bad.load(), 0) << "cycle " << cycle;
        EXPECT_FALSE(GatePass(gate));
    }
}
