// Fixture for the bridge's tests against the simulated controller: a fresh controller and an
// open connection per test, closed again at the end.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "Tolvane.h"
#include "bridge/tests/SimHost.h"

namespace bridgetest {

constexpr std::uint32_t kCmdOpen = 0x80000001u;
constexpr std::uint32_t kCmdClose = 0x80000002u;

class BridgeTest : public ::testing::Test {
protected:
    virtual std::string MakeScenario() { return ""; }

    void SetUp() override {
        simhost::Reset(MakeScenario());
        ASSERT_EQ(Kdr_DevOpen(&dev_, 0), KDR_OK);
        ASSERT_NE(dev_, nullptr);
        simhost::WaitIdle();
        simhost::ClearRecord();
    }

    void TearDown() override {
        simhost::ClearFaults();
        if (dev_ != nullptr) {
            EXPECT_EQ(Kdr_DevClose(&dev_), KDR_OK);
        }
        EXPECT_EQ(dev_, nullptr);
    }

    std::vector<MrcSimRecord> Record() {
        simhost::WaitIdle();
        return simhost::Record();
    }

    KdrHandle dev_ = nullptr;
};

// Waits up to `ms` for pred() to become true.
inline bool WaitFor(const std::function<bool()>& pred, int ms = 5000) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!pred()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

// A gate a callback can wait at until the test opens it.
class Gate {
public:
    void Wait() {
        std::unique_lock<std::mutex> lock(m_);
        waiting_ = true;
        cv_.notify_all();
        cv_.wait(lock, [this] { return open_; });
    }
    void Open() {
        std::lock_guard<std::mutex> lock(m_);
        open_ = true;
        cv_.notify_all();
    }
    bool WaitUntilWaiting(int ms = 5000) {
        std::unique_lock<std::mutex> lock(m_);
        return cv_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return waiting_; });
    }

private:
    std::mutex m_;
    std::condition_variable cv_;
    bool open_ = false;
    bool waiting_ = false;
};

}  // namespace bridgetest
