// Cost of a queued request on the client thread, against a bare copy of a
// PropertySet, with a worker draining the queue once per period as in the
// library.
#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>

#include "capture/core/ApplyPass.h"
#include "capture/core/Requests.h"

using namespace Capwell::Lib;

namespace {

class NullSink : public ApplySink {
public:
    int32_t SetAngle(int32_t) override { return 0; }
    int32_t SetPosition(const KdrRect&) override { return 0; }
    int32_t SetZoom(int32_t, const KdrParts&) override { ++zooms; return 0; }
    int32_t SetVideo(int32_t) override { return 0; }
    int32_t SetLut(const KdrLutGamma&) override { return 0; }
    int32_t SetMatrix(const KdrRgbMatrix&) override { return 0; }
    int32_t SetDriveCutoff(const KdrDriveCutoff&) override { return 0; }
    int32_t SetMute(const KdrColorMute&) override { return 0; }
    int32_t SetTwelveAxes(const KdrTwelveAxes&) override { return 0; }
    int32_t DrawAll() override { return 0; }
    void SetAudio(bool) override {}
    std::atomic<int> zooms{0};
};

// A worker with the library's 16 ms period.
struct Worker {
    RequestQueue q;
    NullSink sink;
    std::atomic<bool> stop{false};
    std::atomic<int> passes{0};
    std::thread t;
    Worker() {
        t = std::thread([this] {
            while (!stop.load()) {
                if (RunOnePass(q, sink)) passes.fetch_add(1);
                std::this_thread::sleep_for(std::chrono::milliseconds(16));
            }
        });
    }
    ~Worker() {
        stop.store(true);
        t.join();
    }
};

void BM_QueuedZoom(benchmark::State& state) {
    Worker w;
    int32_t i = 0;
    for (auto _ : state) {
        Requests::Zoom(w.q, i, i, 640, 360);
        ++i;
    }
    state.counters["folds"] = static_cast<double>(w.q.Folds());
}
BENCHMARK(BM_QueuedZoom);

void BM_PropertySetCopy(benchmark::State& state) {
    PropertySet a = FreshPropertySet();
    PropertySet b;
    for (auto _ : state) {
        std::memcpy(&b, &a, sizeof b);
        benchmark::DoNotOptimize(b);
        benchmark::ClobberMemory();
        a.position.x++;
    }
}
BENCHMARK(BM_PropertySetCopy);

// A burst of 10,000 zooms: how many bridge zoom calls the worker makes.
void BM_ZoomBurst10000(benchmark::State& state) {
    for (auto _ : state) {
        Worker w;
        const auto t0 = std::chrono::steady_clock::now();
        for (int32_t i = 0; i < 10000; ++i) Requests::Zoom(w.q, i, i, 640, 360);
        const auto t1 = std::chrono::steady_clock::now();
        std::this_thread::sleep_for(std::chrono::milliseconds(40));
        state.counters["burst_ms"] = std::chrono::duration<double, std::milli>(t1 - t0).count();
        state.counters["zoom_calls"] = w.sink.zooms.load();
        state.counters["passes"] = w.passes.load();
    }
}
BENCHMARK(BM_ZoomBurst10000)->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
