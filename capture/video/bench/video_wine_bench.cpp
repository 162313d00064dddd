// Capwell under Wine with the real bridge and the controller simulator:
//  1. zoom latency, from Cpw_ZoomVideo on the client thread to the zoom
//     rectangle's source words arriving in the simulated controller's
//     registers, against the worker period and the timer resolution Wine gives;
//  2. movie frames at the simulator's 60 per second reaching a client that
//     takes and releases them, with the CPU time per frame against a memcpy
//     of the frame in the same run, and the frame pool's own share against a
//     copy with the same memory traffic.
#include <windows.h>

#include <tlhelp32.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "Capwell.h"
#include "capture/video/FramePool.h"
#include "bench/BenchUtil.h"
#include "simulator/include/MrcSimClient.h"

namespace {

template <typename T>
T Bind(HMODULE m, const char* name) {
    return reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(m, name)));
}

#define CPW_FN(name) decltype(&::name) name = Bind<decltype(&::name)>(cpw_module, #name)
struct Api {
    mrcsim::Client sim = mrcsim::BindClient();
    HMODULE cpw_module = LoadLibraryW(L"Capwell.dll");
    CPW_FN(Cpw_Initialize);
    CPW_FN(Cpw_Finalize);
    CPW_FN(Cpw_SetState);
    CPW_FN(Cpw_ZoomVideo);
    CPW_FN(Cpw_SetVideoPosition);
    CPW_FN(Cpw_GetCaptureData);
    CPW_FN(Cpw_ReleaseCaptureData);
};
#undef CPW_FN

constexpr uint32_t kPlaneSrcX = 0x0E100120u;
constexpr uint16_t kInterval = 16;

const char kScenario[] = R"({
  "firmware": {"version": "0x11000200"},
  "output": {"width": 1920, "height": 1080, "event": 0},
  "hdmi": {"state": "signal", "width": 1920, "height": 1080, "fps_code": 8},
  "movie": {"buffers": 4, "fps": 60},
  "record": {"enabled": false},
  "clock": "real"
})";

double Ms(std::chrono::steady_clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double Percentile(std::vector<double> v, double p) {
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, static_cast<size_t>(static_cast<double>(v.size()) * p))];
}

void PumpMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
}

double ProcessCpuMs() {
    FILETIME c, e, k, u;
    GetProcessTimes(GetCurrentProcess(), &c, &e, &k, &u);
    auto ms = [](const FILETIME& f) {
        return static_cast<double>((static_cast<uint64_t>(f.dwHighDateTime) << 32) | f.dwLowDateTime) / 1e4;
    };
    return ms(k) + ms(u);
}

void TimerResolution() {
    using QueryFn = LONG(NTAPI*)(PULONG, PULONG, PULONG);
    auto query = Bind<QueryFn>(GetModuleHandleW(L"ntdll.dll"), "NtQueryTimerResolution");
    ULONG coarsest = 0, finest = 0, current = 0;
    if (query != nullptr && query(&coarsest, &finest, &current) == 0)
        std::printf("timer resolution (NtQueryTimerResolution): current %.3f ms, finest %.3f ms, coarsest %.3f ms\n",
                    current / 1e4, finest / 1e4, coarsest / 1e4);
    // What a sleep of the worker's kind really takes.
    std::vector<double> sleep1, wait16;
    std::mutex m;
    std::condition_variable cv;
    for (int i = 0; i < 50; ++i) {
        auto t0 = std::chrono::steady_clock::now();
        Sleep(1);
        sleep1.push_back(Ms(std::chrono::steady_clock::now() - t0));
        std::unique_lock<std::mutex> lock(m);
        t0 = std::chrono::steady_clock::now();
        cv.wait_for(lock, std::chrono::milliseconds(kInterval), [] { return false; });
        wait16.push_back(Ms(std::chrono::steady_clock::now() - t0));
    }
    std::printf("Sleep(1): median %.3f ms, p99 %.3f ms\n", Percentile(sleep1, 0.5), Percentile(sleep1, 0.99));
    std::printf("worker's wait of %u ms: median %.3f ms, p99 %.3f ms\n", kInterval, Percentile(wait16, 0.5),
                Percentile(wait16, 0.99));
}


// CPU time of every thread of this process, with the module its start
// address lies in (the static runtime puts each DLL's thread start in it).
struct ThreadCpu {
    DWORD id;
    double ms;
    std::string module;
};

std::vector<ThreadCpu> ThreadTimes() {
    using QueryFn = LONG(NTAPI*)(HANDLE, ULONG, PVOID, ULONG, PULONG);
    auto query = Bind<QueryFn>(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationThread");
    std::vector<ThreadCpu> out;
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snap == INVALID_HANDLE_VALUE) return out;
    THREADENTRY32 te{};
    te.dwSize = sizeof te;
    for (BOOL ok = Thread32First(snap, &te); ok; ok = Thread32Next(snap, &te)) {
        if (te.th32OwnerProcessID != GetCurrentProcessId()) continue;
        HANDLE t = OpenThread(THREAD_QUERY_INFORMATION, FALSE, te.th32ThreadID);
        if (t == nullptr) continue;
        FILETIME c, e, k, u;
        double ms = 0;
        if (GetThreadTimes(t, &c, &e, &k, &u)) {
            auto v = [](const FILETIME& f) {
                return static_cast<double>((static_cast<uint64_t>(f.dwHighDateTime) << 32) | f.dwLowDateTime) / 1e4;
            };
            ms = v(k) + v(u);
        }
        std::string module = "?";
        void* start = nullptr;
        if (query != nullptr && query(t, 9 /* ThreadQuerySetWin32StartAddress */, &start, sizeof start, nullptr) == 0) {
            HMODULE m = nullptr;
            char name[MAX_PATH] = {};
            if (GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                   static_cast<LPCWSTR>(start), &m) &&
                GetModuleFileNameA(m, name, MAX_PATH) != 0) {
                const char* base = std::strrchr(name, '\\');
                module = base != nullptr ? base + 1 : name;
            }
        }
        out.push_back({te.th32ThreadID, ms, module});
        CloseHandle(t);
    }
    CloseHandle(snap);
    return out;
}

// Thread ids present after each stage of the start, to name the threads.
std::vector<DWORD> g_before_sim, g_before_capwell;
std::vector<DWORD> Ids() {
    std::vector<DWORD> ids;
    for (const ThreadCpu& t : ThreadTimes()) ids.push_back(t.id);
    return ids;
}
const char* Stage(DWORD id) {
    auto in = [id](const std::vector<DWORD>& v) { return std::find(v.begin(), v.end(), id) != v.end(); };
    if (in(g_before_sim)) return "client";
    if (in(g_before_capwell)) return "simulator";
    return "bridge/library";
}

bool Start(Api& api) {
    g_before_sim = Ids();
    if (api.sim.Reset(kScenario) != 0) {
        std::printf("scenario: %s\n", api.sim.LastError());
        return false;
    }
    CpwInitParams p{};
    wcscpy(reinterpret_cast<wchar_t*>(p.name), L"CwVideoBench");
    p.interval = kInterval;
    p.audio_delay = 20;
    p.wdt_interval = 2000;
    p.wdt_err_count = 5;
    g_before_capwell = Ids();
    const CpwResult r = api.Cpw_Initialize(&p);
    if (r != CPW_OK) {
        std::printf("Cpw_Initialize: %u\n", r);
        return false;
    }
    api.Cpw_SetState(0, 1, 0);
    RECT whole{0, 0, 1920, 1080};
    api.Cpw_SetVideoPosition(&whole);
    Sleep(100);
    return true;
}

void ZoomLatency(Api& api) {
    std::mt19937 rng(12345);
    std::uniform_int_distribution<int> phase(0, kInterval * 1000);
    std::vector<double> latency;
    constexpr int kSamples = 400;
    int timeouts = 0;
    for (int i = 0; i < kSamples; ++i) {
        // Each rectangle has its own left edge; the source x the controller
        // gets is half of it (1920 input in the 3840 zoom frame).
        const int32_t x = 2 * (1 + i % 500);
        const uint32_t want = static_cast<uint32_t>(x / 2);
        const CpwZoomRect z{x, 0, 1920, 1080};
        Sleep(0);
        std::this_thread::sleep_for(std::chrono::microseconds(phase(rng)));  // a random point of the period
        const auto t0 = std::chrono::steady_clock::now();
        api.Cpw_ZoomVideo(&z);
        uint32_t got = 0;
        for (;;) {
            api.sim.Peek(kPlaneSrcX, &got);
            if (got == want) break;
            if (std::chrono::steady_clock::now() - t0 > std::chrono::seconds(1)) {
                ++timeouts;
                break;
            }
            SwitchToThread();
        }
        latency.push_back(Ms(std::chrono::steady_clock::now() - t0));
        PumpMessages();
    }
    const double median = Percentile(latency, 0.5), p99 = Percentile(latency, 0.99);
    std::printf("zoom latency over %d requests, worker period %u ms: median %.3f ms, p99 %.3f ms, max %.3f ms, "
                "timeouts %d\n",
                kSamples, kInterval, median, p99, Percentile(latency, 1.0), timeouts);
    std::printf("  median / (period + 2 ms) = %.2f (target <= 1), p99 / (2 x period) = %.2f (target <= 1)\n",
                median / (kInterval + 2.0), p99 / (2.0 * kInterval));
}

void MovieFrames(Api& api) {
    std::vector<uint8_t> a(CPW_CAPTURE_FRAME_BYTES, 1), b(CPW_CAPTURE_FRAME_BYTES);
    const cwbench::Result copy = cwbench::Measure("memcpy of a 1280x720x3 frame", [&] {
        std::memcpy(b.data(), a.data(), a.size());
        a[0] = b[1];
    }, 200);
    cwbench::Print(copy);
    // The floor: the same copy into the next of three buffers in rotation, the
    // memory traffic of the pool's fills (a frame never lands in a buffer in
    // cache). Floor and pool take turns sample by sample, in alternating order,
    // so both see the same machine.
    std::vector<uint8_t> slots(static_cast<size_t>(Capwell::Lib::FramePool::kFrames) * CPW_CAPTURE_FRAME_BYTES);
    int next = 0;
    auto floor_copy = [&] {
        std::memcpy(slots.data() + static_cast<size_t>(next) * CPW_CAPTURE_FRAME_BYTES, a.data(), a.size());
        next = (next + 1) % Capwell::Lib::FramePool::kFrames;
        a[0] = slots[1];
    };
    // The library's share of a frame: the pool's fill, the client's take and release.
    Capwell::Lib::FramePool pool;
    KdrMovieFrame f{};
    f.size = KdrXY{1280, 720};
    f.format = 1;
    f.data.buffer = a.data();
    f.data.size = CPW_CAPTURE_FRAME_BYTES;
    auto pool_frame = [&] {
        ++f.frame_id;
        (void)pool.Fill(f);
        (void)pool.Take();
        pool.Release();
    };
    auto time_us = [](auto&& body) {
        const auto t0 = std::chrono::steady_clock::now();
        body();
        return std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - t0).count();
    };
    for (int i = 0; i < 10; ++i) {
        floor_copy();
        pool_frame();
    }
    std::vector<double> floor_us, pool_us;
    for (int i = 0; i < 600; ++i) {
        if (i % 2 == 0) {
            floor_us.push_back(time_us(floor_copy));
            pool_us.push_back(time_us(pool_frame));
        } else {
            pool_us.push_back(time_us(pool_frame));
            floor_us.push_back(time_us(floor_copy));
        }
    }
    const double floor_median = Percentile(floor_us, 0.5), pool_median = Percentile(pool_us, 0.5);
    std::printf("copy into a rotation of three frame buffers (floor): median %.1f us, p99 %.1f us (600 samples)\n",
                floor_median, Percentile(floor_us, 0.99));
    std::printf("frame pool fill + take + release: median %.1f us, p99 %.1f us (600 samples, interleaved)\n",
                pool_median, Percentile(pool_us, 0.99));
    std::printf("frame pool / rotation floor = %.2fx (target <= 1.2); frame pool / in-cache memcpy = %.2fx\n",
                pool_median / floor_median, pool_median * 1000.0 / copy.median_ns);

    // The same client loop without a movie: what the process spends anyway.
    int late_polls = 0;  // the client itself slept longer than a frame period
    auto client_loop = [&](auto&& on_frame) {
        const auto start = std::chrono::steady_clock::now();
        auto previous = start;
        late_polls = 0;
        while (std::chrono::steady_clock::now() - start < std::chrono::seconds(5)) {
            const auto now = std::chrono::steady_clock::now();
            late_polls += now - previous > std::chrono::microseconds(16667);
            previous = now;
            CpwCaptureFrame* fr = nullptr;
            if (api.Cpw_GetCaptureData(&fr) == CPW_OK && fr != nullptr) {
                on_frame(*fr);
                api.Cpw_ReleaseCaptureData();
            }
            PumpMessages();
            Sleep(1);
        }
        return Ms(std::chrono::steady_clock::now() - start);
    };
    const double base0 = ProcessCpuMs();
    const double base_wall = client_loop([](const CpwCaptureFrame&) {});
    const double baseline = (ProcessCpuMs() - base0) / base_wall;  // CPU ms per wall ms

    MrcSimStatus s0{}, s1{};
    api.Cpw_SetState(2, 1, 0);
    Sleep(300);
    api.sim.GetStatus(&s0);
    const std::vector<ThreadCpu> threads0 = ThreadTimes();
    const double cpu0 = ProcessCpuMs();
    uint64_t last = 0, seen = 0, gaps = 0, backwards = 0;
    bool first = true;
    const double wall = client_loop([&](const CpwCaptureFrame& fr) {
        if (first || fr.frame_id > last) {
            if (!first) gaps += fr.frame_id - last - 1;
            ++seen;
            last = fr.frame_id;
            first = false;
        } else if (fr.frame_id < last) {
            ++backwards;
        }
    });
    const double cpu = ProcessCpuMs() - cpu0;
    const std::vector<ThreadCpu> threads1 = ThreadTimes();
    api.sim.GetStatus(&s1);
    api.Cpw_SetState(0, 1, 0);
    const uint64_t produced = s1.frames_produced - s0.frames_produced;
    const uint64_t device_drops = s1.frames_dropped - s0.frames_dropped;
    std::printf("movie over %.0f ms: produced by the controller %llu (%.1f/s), device drops %llu, "
                "distinct frames taken by the client %llu, frame ids skipped %llu, backwards %llu, "
                "client polls more than a frame period apart %d\n",
                wall, static_cast<unsigned long long>(produced), produced * 1000.0 / wall,
                static_cast<unsigned long long>(device_drops), static_cast<unsigned long long>(seen),
                static_cast<unsigned long long>(gaps), static_cast<unsigned long long>(backwards), late_polls);
    if (produced == 0) return;
    const double frames = static_cast<double>(produced);
    const double per_frame_us = cpu * 1000.0 / frames;
    const double above_us = (cpu - baseline * wall) * 1000.0 / frames;
    std::printf("process CPU per frame: %.1f us (%.2fx memcpy); above the same loop without a movie "
                "(simulator render + bridge copy + library copy): %.1f us (%.2fx memcpy)\n",
                per_frame_us, per_frame_us * 1000.0 / copy.median_ns, above_us, above_us * 1000.0 / copy.median_ns);
    std::printf("per thread, CPU per frame while the movie ran (start module):\n");
    for (const ThreadCpu& t1 : threads1) {
        double before = 0;
        for (const ThreadCpu& t0 : threads0)
            if (t0.id == t1.id) before = t0.ms;
        const double us = (t1.ms - before) * 1000.0 / frames;
        if (us >= 20)
            std::printf("  thread %5lu %-15s %-16s %8.1f us = %.2fx memcpy\n", static_cast<unsigned long>(t1.id),
                        Stage(t1.id), t1.module.c_str(), us, us * 1000.0 / copy.median_ns);
    }
}

}  // namespace

int main() {
    Api api;
    if (!api.sim.complete || api.cpw_module == nullptr || api.Cpw_Initialize == nullptr) {
        std::printf("cannot load Merrowcom.dll / Capwell.dll\n");
        return 1;
    }
    TimerResolution();
    if (!Start(api)) return 1;
    ZoomLatency(api);
    MovieFrames(api);
    api.Cpw_Finalize();
    return 0;
}
