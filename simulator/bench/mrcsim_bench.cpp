// Benchmark of the controller simulator (native, Google Benchmark).
//
// Compares, in one run:
//   - BM_MemcpyFrame: a plain memcpy of one 1280x720x3 frame (the floor for producing a frame);
//   - BM_CondVarHandoff: a bare two-thread condition-variable hand-off, there and back (the floor
//     for a command: the request goes to the firmware thread, the reply comes back on another);
//   - BM_RenderPattern720p: the test pattern rendered at 1280x720 (BGR);
//   - BM_MovieFrame720p: one movie frame through the controller: due on the clock, rendered into a
//     frame buffer, notice delivered on channel 32 by the receiving thread, the frame read with
//     op 12 (2.7 MB copy) and given back with command 0xC0003;
//   - BM_Command: one command round trip (send on 34, reply on 35), 10,000 of them;
//   - BM_RealTime60fps: 2 s of the real clock at 60 frames/s with a consumer giving every frame
//     back; counters report frames produced and dropped (none may be dropped).
#include <benchmark/benchmark.h>

#include <atomic>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "simulator/tests/TestHost.h"
#include "simulator/tests/ModelAdapter.h"
#include "simulator/model/Pattern.h"

using namespace mrcsim;
using testhost::Host;
using testhost::ModelGeneric;
using testhost::Words;

namespace {

constexpr std::uint32_t kW = 1280, kH = 720;
constexpr std::size_t kFrame = static_cast<std::size_t>(kW) * kH * 3;

void BM_MemcpyFrame(benchmark::State& state) {
    std::vector<std::uint8_t> a(kFrame, 1), b(kFrame, 0);
    for (auto _ : state) {
        std::memcpy(b.data(), a.data(), kFrame);
        benchmark::DoNotOptimize(b.data());
        benchmark::ClobberMemory();
        a[0]++;
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kFrame));
}
BENCHMARK(BM_MemcpyFrame)->Unit(benchmark::kMicrosecond);

void BM_CondVarHandoff(benchmark::State& state) {
    std::mutex mu;
    std::condition_variable cv;
    std::uint64_t req = 0, ack = 0;
    bool stop = false;
    std::thread peer([&] {
        std::unique_lock<std::mutex> lk(mu);
        for (;;) {
            cv.wait(lk, [&] { return stop || req != ack; });
            if (stop) return;
            ack = req;
            cv.notify_all();
        }
    });
    for (auto _ : state) {
        std::unique_lock<std::mutex> lk(mu);
        ++req;
        cv.notify_all();
        cv.wait(lk, [&] { return ack == req; });
    }
    {
        std::lock_guard<std::mutex> lk(mu);
        stop = true;
    }
    cv.notify_all();
    peer.join();
}
BENCHMARK(BM_CondVarHandoff)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_RenderPattern720p(benchmark::State& state) {
    PatternRenderer r;
    std::vector<std::uint8_t> buf(kFrame);
    std::uint64_t n = 0;
    for (auto _ : state) {
        r.Render(n++, kW, kH, 1, buf.data(), kW * 3);
        benchmark::DoNotOptimize(buf.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kFrame));
}
BENCHMARK(BM_RenderPattern720p)->Unit(benchmark::kMicrosecond);

struct Rig {
    explicit Rig(bool manual) {
        Scenario s;
        s.manual_clock = manual;
        s.record = false;
        s.hdmi.width = 1920;
        s.hdmi.height = 1080;
        ctl = std::make_unique<Controller>(s);
        gf = std::make_unique<ModelGeneric>(*ctl);
        host = std::make_unique<Host>(gf.get());
        host->Attach();
        host->Command(kCmdOpen);
    }
    ~Rig() {
        host->Detach();
        Host::Current() = nullptr;
    }
    void StartMovie(std::uint32_t fps) {
        host->WriteWord(kParam0, kW);
        host->WriteWord(kParam1, kH);
        host->WriteWord(kParam2, 0);
        host->WriteWord(kParam3, fps);
        host->Command(kCmdMovieStart);
    }
    std::unique_ptr<Controller> ctl;
    std::unique_ptr<ModelGeneric> gf;
    std::unique_ptr<Host> host;
};

void BM_MovieFrame720p(benchmark::State& state) {
    Rig rig(true);
    rig.StartMovie(60);
    std::vector<std::uint8_t> buf(kFrame);
    std::int64_t failures = 0;
    std::uint64_t k = 0;
    for (auto _ : state) {
        // exactly to the next frame's due time (k x 1000 / 60 ms after the start)
        ++k;
        rig.ctl->Advance(static_cast<std::uint32_t>(k * 1000 / 60 - (k - 1) * 1000 / 60));
        Words e{};
        do {
            if (rig.host->Receive(kChEvent, e, 5000) != 0) {
                ++failures;
                break;
            }
        } while (e[0] != kEvFrame);
        rig.gf->op12_read_block(e[3], buf.data(), static_cast<std::uint32_t>(kFrame));
        rig.host->WriteWord(kParam0, e[3]);
        if (rig.host->Command(kCmdFrameRelease) != 0) ++failures;
    }
    state.counters["failures"] = static_cast<double>(failures);
    state.counters["dropped"] = static_cast<double>(rig.ctl->Status().frames_dropped);
}
BENCHMARK(BM_MovieFrame720p)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_Command(benchmark::State& state) {
    Rig rig(true);
    std::int64_t failures = 0;
    for (auto _ : state)
        if (rig.host->Command(kCmdStateQuery) != 0) ++failures;
    state.counters["failures"] = static_cast<double>(failures);
}
BENCHMARK(BM_Command)->Unit(benchmark::kMicrosecond)->UseRealTime()->Iterations(10000);

void BM_RealTime60fps(benchmark::State& state) {
    for (auto _ : state) {
        Rig rig(false);
        rig.StartMovie(60);
        std::atomic<bool> stop{false};
        std::uint64_t consumed = 0;
        std::thread consumer([&] {
            std::vector<std::uint8_t> buf(kFrame);
            while (!stop) {
                Words e{};
                if (rig.host->Receive(kChEvent, e, 20) != 0 || e[0] != kEvFrame) continue;
                rig.gf->op12_read_block(e[3], buf.data(), static_cast<std::uint32_t>(kFrame));
                rig.host->WriteWord(kParam0, e[3]);
                rig.host->Command(kCmdFrameRelease);
                ++consumed;
            }
        });
        const auto t0 = std::chrono::steady_clock::now();
        std::this_thread::sleep_for(std::chrono::seconds(2));
        const auto st = rig.ctl->Status();
        stop = true;
        consumer.join();
        const double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        state.counters["frames"] = static_cast<double>(st.frames_produced);
        state.counters["dropped"] = static_cast<double>(st.frames_dropped);
        state.counters["fps"] = static_cast<double>(st.frames_produced) / secs;
        state.counters["consumed"] = static_cast<double>(consumed);
    }
}
BENCHMARK(BM_RealTime60fps)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
