// A library that exercises one kind of lock the way the product's libraries
// do (namespace-scope objects, contended by two threads, a timed wait), so a
// test can load and unload it and count what each load leaves behind.
#include <windows.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "winkit/Sync.h"

namespace {

constexpr int kRounds = 1000;

std::mutex g_std_mutex;
std::condition_variable g_std_cv;
winkit::Mutex g_kit_mutex;
winkit::CondVar g_kit_cv;
long g_counter = 0;

// The calling thread holds the lock while a second thread asks for it, so
// the second one certainly waits: the runtime's slow path is taken on every load.
template <typename M>
void Contend(M& m, LPTHREAD_START_ROUTINE waiter) {
    HANDLE t = nullptr;
    {
        std::lock_guard<M> lock(m);
        t = CreateThread(nullptr, 0, waiter, nullptr, 0, nullptr);
        Sleep(50);
    }
    if (t != nullptr) {
        WaitForSingleObject(t, INFINITE);
        CloseHandle(t);
    }
}

// System threads, so the thread runtime's own thread records play no part.
DWORD WINAPI StdWaiter(void*) {
    std::lock_guard<std::mutex> lock(g_std_mutex);
    ++g_counter;
    return 0;
}
DWORD WINAPI KitWaiter(void*) {
    std::lock_guard<winkit::Mutex> lock(g_kit_mutex);
    ++g_counter;
    return 0;
}

}  // namespace

// 0: std::mutex contended; 1: std::mutex used by one thread only;
// 2: std::condition_variable timed wait; 3: winkit::Mutex contended;
// 4: winkit::CondVar timed wait; 5: one event never closed (the count's own
// check); 6: std::this_thread::get_id() on the calling thread
// (one the runtime did not start, and that outlives the unload); 7: a std::thread
// started and joined. Returns 0, or -1 for an unknown kind.
extern "C" __declspec(dllexport) int LockProbe_Run(int kind) {
    const auto soon = std::chrono::steady_clock::now() + std::chrono::milliseconds(2);
    switch (kind) {
    case 0: Contend(g_std_mutex, &StdWaiter); return 0;
    case 1:
        for (int i = 0; i < kRounds; ++i) std::lock_guard<std::mutex> lock(g_std_mutex);
        return 0;
    case 2: {
        std::unique_lock<std::mutex> lock(g_std_mutex);
        (void)g_std_cv.wait_until(lock, soon);
        return 0;
    }
    case 3: Contend(g_kit_mutex, &KitWaiter); return 0;
    case 4: {
        std::unique_lock<winkit::Mutex> lock(g_kit_mutex);
        (void)g_kit_cv.wait_until(lock, soon);
        return 0;
    }
    case 6: return std::this_thread::get_id() == std::thread::id() ? -1 : 0;
    case 7: {
        std::thread t([] { ++g_counter; });
        t.join();
        return 0;
    }
    case 5: return CreateEventW(nullptr, TRUE, FALSE, nullptr) != nullptr ? 0 : -1;
    default: return -1;
    }
}
