// Movie capture cost: the CPU time the bridge's two threads (transfer and notification)
// spend per 1280x720x3 frame, against the floor of one frame copy with the same memory traffic
// measured in the same run, and the drops at 60 frames a second on the controller's real clock
// while the caller gives every frame back inside the callback.
//
// The threads are found through the bridge's own hooks: the transfer thread calls the movie
// clock, the notification thread calls the movie callback; each names its CPU-time clock
// there. Run the optimised build: build/native-bench/bin/bridge_movie_bench.
#include <benchmark/benchmark.h>
#include <pthread.h>
#include <time.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include "Tolvane.h"
#include "bridge/src/MovieQueue.h"
#include "bridge/src/PlatformNative.h"
#include "contract/Merrowcom.h"
#include "simulator/include/MerrowcomSim.h"

extern "C" {
merrowcom::DeviceUtil* CreateDeviceUtilInstance();
merrowcom::GenericFunc* CreateGenericfuncInstance();
merrowcom::SystemCtrl* CreateSystemCtrlInstance();
}

namespace {

constexpr std::int32_t kW = 1280, kH = 720;
constexpr std::uint32_t kFrame = kW * 3u * kH;
constexpr std::uint32_t kSlots = 4;

std::atomic<clockid_t> g_transfer_clock{0};
std::atomic<bool> g_transfer_known{false};
std::atomic<clockid_t> g_notify_clock{0};
std::atomic<bool> g_notify_known{false};

std::uint64_t ThreadNs(clockid_t id) {
    timespec ts{};
    clock_gettime(id, &ts);
    return static_cast<std::uint64_t>(ts.tv_sec) * 1000000000ull + static_cast<std::uint64_t>(ts.tv_nsec);
}

std::uint64_t HookedNow() {
    if (!g_transfer_known.load(std::memory_order_relaxed)) {
        clockid_t id{};
        pthread_getcpuclockid(pthread_self(), &id);
        g_transfer_clock = id;
        g_transfer_known = true;
    }
    return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                          std::chrono::steady_clock::now().time_since_epoch())
                                          .count());
}

struct Session {
    KdrHandle dev = nullptr;
    std::int32_t video = 0;
    std::vector<std::uint8_t> buffer = std::vector<std::uint8_t>(std::size_t{kFrame} * kSlots);
    std::mutex m;
    std::condition_variable cv;
    std::uint64_t seen = 0;
    std::uint64_t drops = 0;
    std::uint64_t late = 0;  // releases refused

    static void KDR_CALL Callback(void* user, const KdrMovieFrame* f) {
        auto* s = static_cast<Session*>(user);
        if (!g_notify_known.load(std::memory_order_relaxed)) {
            clockid_t id{};
            pthread_getcpuclockid(pthread_self(), &id);
            g_notify_clock = id;
            g_notify_known = true;
        }
        const bool ok = Kdr_VpSetProp(&s->dev, &s->video, KDR_VP_FRAME_RELEASE, &f->frame_id) == KDR_OK;
        std::lock_guard<std::mutex> lock(s->m);
        s->drops += f->drop_count;
        s->late += ok ? 0 : 1;
        ++s->seen;
        s->cv.notify_all();
    }

    bool Open(const char* scenario) {
        tolvane::platform::SetNativeFactories(
            {&CreateDeviceUtilInstance, &CreateGenericfuncInstance, &CreateSystemCtrlInstance});
        tolvane::SetMovieClock({&HookedNow, 1000000000u});
        g_transfer_known = false;
        g_notify_known = false;
        if (MrcSim_Reset(scenario) != 0 || Kdr_DevOpen(&dev, 0) != KDR_OK) return false;
        (void)Kdr_VpCreate(&dev, &video, KDR_PLANE_VIDEO, 0);
        video = KDR_PLANE_VIDEO;
        KdrMovieSetting setting{{kW, kH}, 1, 60, {buffer.data(), static_cast<std::uint32_t>(buffer.size())}};
        return Kdr_VpSetProp(&dev, &video, KDR_VP_MOVIE_SETTING, &setting) == KDR_OK &&
               Kdr_VpSetCb(&dev, &video, KDR_CB_MOVIE, KDR_CALLBACK(&Callback), this) == KDR_OK &&
               Kdr_VpMovie(&dev, &video) == KDR_OK;
    }

    void Close() {
        (void)Kdr_VpPlay(&dev, &video);
        (void)Kdr_DevClose(&dev);
        tolvane::SetMovieClock({});
    }

    bool WaitSeen(std::uint64_t n) {
        std::unique_lock<std::mutex> lock(m);
        return cv.wait_for(lock, std::chrono::seconds(10), [&] { return seen >= n; });
    }
};

double g_floor_ns = 0;
double g_bridge_ns = 0;

// The floor: the one copy a frame needs, with the bridge's memory traffic. The controller gives
// each frame back before it renders the next, so it renders every frame into the same buffer on
// the caller's thread, and another thread copies it into the next of the caller's slots in
// rotation, which the last copy into it left kSlots frames ago. Here the render is a memset on
// the calling thread and the copy runs on a thread of the floor's own, timed in that thread's
// CPU time like the bridge's figure, so other processes on the machine do not count. The bridge
// benchmark runs one floor copy after each of its frames, so both see the same machine.
class FloorCopier {
public:
    FloorCopier() : source_(kFrame), slots_(std::size_t{kFrame} * kSlots), thread_([this] { Run(); }) {}
    ~FloorCopier() {
        {
            std::lock_guard<std::mutex> lock(m_);
            stop_ = true;
        }
        cv_.notify_all();
        thread_.join();
    }
    FloorCopier(const FloorCopier&) = delete;
    FloorCopier& operator=(const FloorCopier&) = delete;

    // Renders a frame, has it copied, returns the copy's CPU time in ns.
    double Frame() {
        std::memset(source_.data(), ++value_, kFrame);
        benchmark::ClobberMemory();
        std::unique_lock<std::mutex> lock(m_);
        due_ = true;
        cv_.notify_all();
        cv_.wait(lock, [this] { return !due_; });
        return last_ns_;
    }

private:
    void Run() {
        std::uint32_t next = 0;
        std::unique_lock<std::mutex> lock(m_);
        for (;;) {
            cv_.wait(lock, [this] { return due_ || stop_; });
            if (stop_) return;
            std::uint8_t* slot = slots_.data() + std::size_t{kFrame} * next;
            next = (next + 1) % kSlots;
            const std::uint64_t t0 = ThreadNs(CLOCK_THREAD_CPUTIME_ID);
            std::memcpy(slot, source_.data(), kFrame);
            benchmark::DoNotOptimize(slot);
            benchmark::ClobberMemory();
            last_ns_ = static_cast<double>(ThreadNs(CLOCK_THREAD_CPUTIME_ID) - t0);
            due_ = false;
            cv_.notify_all();
        }
    }

    std::vector<std::uint8_t> source_;
    std::vector<std::uint8_t> slots_;
    std::uint8_t value_ = 0;
    std::mutex m_;
    std::condition_variable cv_;
    bool due_ = false;
    bool stop_ = false;
    double last_ns_ = 0;
    std::thread thread_;
};

// The controller's clock is advanced by hand one frame at a time; the bridge's threads'
// CPU time over the frames is the manual time of each iteration; the figure is per frame.
void BM_BridgeFramePath(benchmark::State& state) {
    Session s;
    // The simulator's record of register writes is off: its cost would land on the bridge's threads.
    if (!s.Open(R"({"clock": "manual", "record": false, "movie": {"buffers": 4}})")) {
        state.SkipWithError("open failed");
        return;
    }
    std::uint64_t frames = 0;
    // Warm-up: the hooks name both threads and every slot has been touched once.
    for (std::uint32_t i = 0; i < 2 * kSlots; ++i) {
        (void)MrcSim_Advance(17);
        MrcSimStatus sim{};
        (void)MrcSim_GetStatus(&sim);
        frames = sim.frames_produced;
        if (!s.WaitSeen(frames)) {
            state.SkipWithError("no frame");
            return;
        }
    }
    MrcSim_WaitIdle(1000);
    FloorCopier floor;
    for (std::uint32_t i = 0; i < 2 * kSlots; ++i) (void)floor.Frame();  // every slot touched once
    double floor_ns = 0;
    const std::uint64_t warm_drops = s.drops;
    std::uint64_t first = 0;
    {
        std::lock_guard<std::mutex> lock(s.m);
        first = s.seen;
    }
    double total_ns = 0;
    double transfer_ns = 0;
    for (auto _ : state) {
        const std::uint64_t x0 = ThreadNs(g_transfer_clock);
        const std::uint64_t t0 = x0 + ThreadNs(g_notify_clock);
        // One step of 17 ms sometimes brings two frames of 16.7 ms: wait for all it brought.
        (void)MrcSim_Advance(17);
        MrcSimStatus sim{};
        (void)MrcSim_GetStatus(&sim);
        if (!s.WaitSeen(sim.frames_produced)) {
            state.SkipWithError("frame lost");
            break;
        }
        MrcSim_WaitIdle(1000);  // the state query's reply is in
        const std::uint64_t x1 = ThreadNs(g_transfer_clock);
        const std::uint64_t t1 = x1 + ThreadNs(g_notify_clock);
        transfer_ns += static_cast<double>(x1 - x0);
        const double ns = static_cast<double>(t1 - t0);
        total_ns += ns;
        state.SetIterationTime(ns / 1e9);
        // One floor copy per step: a step of 17 ms brings one frame, now and then two.
        for (std::uint64_t f = frames; f < sim.frames_produced; ++f) floor_ns += floor.Frame();
        frames = sim.frames_produced;
    }
    std::uint64_t timed = 0;
    {
        std::lock_guard<std::mutex> lock(s.m);
        timed = s.seen - first;
    }
    if (timed > 0) {
        g_bridge_ns = total_ns / static_cast<double>(timed);
        g_floor_ns = floor_ns / static_cast<double>(timed);
    }
    state.counters["frames"] = static_cast<double>(timed);
    state.counters["floor_us"] = g_floor_ns / 1000.0;
    {
        std::uint32_t w[2] = {0, 0};
        (void)MrcSim_Peek(tolvane::movie_reg::kSeconds, &w[0]);
        (void)MrcSim_Peek(tolvane::movie_reg::kSeconds + 4, &w[1]);
        double seconds = 0;
        std::memcpy(&seconds, w, sizeof seconds);
        std::uint32_t count = 0;
        (void)MrcSim_Peek(tolvane::movie_reg::kCount, &count);
        // Wall time of the block reads, as the bridge's own counters have it.
        state.counters["read_us"] = count > 0 ? seconds * 1e6 / count : 0.0;
    }
    state.counters["drops"] = static_cast<double>(s.drops - warm_drops);
    state.counters["transfer_us"] = timed > 0 ? transfer_ns / 1000.0 / static_cast<double>(timed) : 0.0;
    KdrMovieStats stats{};
    (void)Kdr_VpGetProp(&s.dev, &s.video, KDR_VP_MOVIE_STATS, &stats);
    MrcSimStatus sim{};
    (void)MrcSim_GetStatus(&sim);
    state.counters["bridge_dropped"] = static_cast<double>(stats.dropped);
    state.counters["device_drops"] = static_cast<double>(sim.frames_dropped);
    s.Close();
}

// Real clock, 60 frames a second for three seconds; the caller gives back inside the callback.
void BM_RealTimeSixtyFps(benchmark::State& state) {
    for (auto _ : state) {
        Session s;
        if (!s.Open(R"({"clock": "real", "record": false, "movie": {"buffers": 4}})")) {
            state.SkipWithError("open failed");
            return;
        }
        std::this_thread::sleep_for(std::chrono::seconds(3));
        KdrMovieStats stats{};
        (void)Kdr_VpGetProp(&s.dev, &s.video, KDR_VP_MOVIE_STATS, &stats);
        MrcSimStatus sim{};
        (void)MrcSim_GetStatus(&sim);
        state.counters["frames"] = static_cast<double>(stats.frames);
        state.counters["bridge_drops"] = static_cast<double>(stats.dropped);
        state.counters["device_drops"] = static_cast<double>(sim.frames_dropped);
        state.counters["refused_releases"] = static_cast<double>(s.late);
        s.Close();
    }
}

}  // namespace

BENCHMARK(BM_BridgeFramePath)->UseManualTime()->Iterations(300)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RealTimeSixtyFps)->Iterations(1)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (g_floor_ns > 0 && g_bridge_ns > 0) {
        std::printf("frame 1280x720x3: copy floor %.1f us, bridge threads' CPU %.1f us per frame, ratio %.2f\n",
                    g_floor_ns / 1000, g_bridge_ns / 1000, g_bridge_ns / g_floor_ns);
    }
    (void)MrcSim_Shutdown();
    return 0;
}
