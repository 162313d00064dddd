// Round trip of a bridge command through the simulated controller, against the controller's
// own round trip and a bare two-thread condition-variable hand-off, all in one run.
//
//   handoff      one hand-off between two threads (a ping-pong round trip / 2)
//   sim_wdt      the controller alone: send 0x10001 on channel 34, wait for the reply on
//                channel 35 in a receiver of our own, read the six result words
//   bridge_wdt   Kdr_DevGetProp(KDR_DEV_WDT): the same work through the bridge
//   sim_lut      the controller alone: the 52 LUT words written, 0x80005 sent, reply awaited
//   bridge_lut   Kdr_DevSetProp(KDR_DEV_LUT)
// The bridge's cost is (bridge - sim) / handoff hand-offs; the target is at most 3.
// The controller-alone path does a subset of the bridge path's work, so it is a floor only when
// both see the same machine. Natively the two alternate call by call with the bridge open (a tap
// on the component takes the bare command's reply), and the figure is the median of each bridge
// call's time less the bare call's before it. A round trip is two thread wake-ups, whose
// latency on this machine varies by more than the bridge's whole cost, so anything measured
// apart (even in alternating rounds, which both builds also run) is no floor. Under Wine only
// the rounds can run: Tolvane.dll loads Merrowcom.dll itself.
// Our own waits use the bridge's lock and condition variable (winkit/Sync.h): under Wine the
// runtime's std::condition_variable is several times slower than the system's, and a baseline
// built on it came out slower than the bridge itself.
// Runs natively (the component library linked in) and under Wine (Merrowcom.dll loaded).
#if defined(_WIN32)
#include <windows.h>
#endif

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <cstdio>
#include <mutex>
#include <thread>
#include <vector>

#include "Tolvane.h"
#include "bench/BenchUtil.h"
#include "contract/Merrowcom.h"
#include "simulator/include/MrcSimClient.h"
#include "winkit/Sync.h"

#if !defined(_WIN32)
#include "bridge/src/PlatformNative.h"
extern "C" {
merrowcom::DeviceUtil* CreateDeviceUtilInstance();
merrowcom::GenericFunc* CreateGenericfuncInstance();
merrowcom::SystemCtrl* CreateSystemCtrlInstance();
}
#endif

namespace {

struct Component {
    merrowcom::CreateGenericFuncFn create_generic = nullptr;
    decltype(mrcsim::Client::Reset) reset = nullptr;
};

Component Bind() {
    Component c;
#if defined(_WIN32)
    HMODULE m = LoadLibraryW(L"Merrowcom.dll");
    if (m == nullptr) return c;
    c.create_generic = reinterpret_cast<merrowcom::CreateGenericFuncFn>(
        reinterpret_cast<void*>(GetProcAddress(m, merrowcom::kCreateGenericFunc)));
#else
    tolvane::platform::SetNativeFactories(
        {&CreateDeviceUtilInstance, &CreateGenericfuncInstance, &CreateSystemCtrlInstance});
    c.create_generic = &CreateGenericfuncInstance;
#endif
    c.reset = mrcsim::Sim().Reset;
    return c;
}

// ---- bare hand-off ----
struct PingPong {
    winkit::Mutex m;
    winkit::CondVar cv;
    int turn = 0;  // 0: main's turn, 1: partner's
    bool stop = false;
    std::thread partner;

    PingPong() {
        partner = std::thread([this] {
            std::unique_lock<winkit::Mutex> lock(m);
            for (;;) {
                cv.wait(lock, [this] { return turn == 1 || stop; });
                if (stop) return;
                turn = 0;
                cv.notify_all();
            }
        });
    }
    ~PingPong() {
        {
            std::lock_guard<winkit::Mutex> lock(m);
            stop = true;
        }
        cv.notify_all();
        partner.join();
    }
    void RoundTrip() {
        std::unique_lock<winkit::Mutex> lock(m);
        turn = 1;
        cv.notify_all();
        cv.wait(lock, [this] { return turn == 0; });
    }
};

// ---- the controller alone, with a receiver of our own ----
winkit::Mutex g_m;
winkit::CondVar g_cv;
std::uint32_t g_reply_code = 0;
bool g_reply = false;

void Receiver(const merrowcom::Message* msg, std::uint32_t) {
    if (msg->channel != 35) return;
    std::lock_guard<winkit::Mutex> lock(g_m);
    g_reply_code = msg->word[0];
    g_reply = true;
    g_cv.notify_all();
}

void BareCommand(merrowcom::GenericFunc* g, std::uint32_t code) {
    {
        std::lock_guard<winkit::Mutex> lock(g_m);
        g_reply = false;
    }
    merrowcom::Message request{};
    request.kind = 2;
    request.channel = 34;
    request.word[0] = code;
    merrowcom::SendReply reply{};
    g->op5_send(&request, &reply, merrowcom::kSendTimeoutMs);
    std::unique_lock<winkit::Mutex> lock(g_m);
    g_cv.wait(lock, [] { return g_reply; });
}

#if !defined(_WIN32)
// Natively the bridge is handed a tap on the component: everything passes through, and while a
// bare command of ours waits, its reply comes to us instead of the bridge. So the controller
// alone and the bridge path can alternate call by call with the bridge open: the closest the
// two can come to seeing the same machine.
merrowcom::GenericFunc* g_real = nullptr;
merrowcom::Receiver g_bridge_receiver = nullptr;
std::atomic<bool> g_bare_waits{false};

void Splitter(const merrowcom::Message* msg, std::uint32_t flags) {
    if (msg->channel == 35 && g_bare_waits.load(std::memory_order_acquire)) {
        Receiver(msg, flags);
    } else if (g_bridge_receiver != nullptr) {
        g_bridge_receiver(msg, flags);
    }
}

struct Tap final : merrowcom::GenericFunc {
    std::uint32_t MRC_CALL op0_reserved() override { return g_real->op0_reserved(); }
    std::uint32_t MRC_CALL op1_reserved() override { return g_real->op1_reserved(); }
    std::uint32_t MRC_CALL op2_reserved() override { return g_real->op2_reserved(); }
    std::uint32_t MRC_CALL op3_register(std::uint32_t a, std::uint32_t b, std::uint32_t c,
                                        merrowcom::Receiver r) override {
        g_bridge_receiver = r;
        return g_real->op3_register(a, b, c, &Splitter);
    }
    std::uint32_t MRC_CALL op4_unregister(std::uint32_t a) override { return g_real->op4_unregister(a); }
    std::uint32_t MRC_CALL op5_send(const merrowcom::Message* m, merrowcom::SendReply* r, std::uint32_t t) override {
        return g_real->op5_send(m, r, t);
    }
    std::uint32_t MRC_CALL op6_read32(std::uint32_t a, std::uint32_t* v) override { return g_real->op6_read32(a, v); }
    std::uint32_t MRC_CALL op7_write32(std::uint32_t a, std::uint32_t v) override { return g_real->op7_write32(a, v); }
    std::uint32_t MRC_CALL op8_read64(std::uint32_t a, double* v) override { return g_real->op8_read64(a, v); }
    std::uint32_t MRC_CALL op9_write64(std::uint32_t a, double v) override { return g_real->op9_write64(a, v); }
    std::uint32_t MRC_CALL op10_reserved() override { return g_real->op10_reserved(); }
    std::uint32_t MRC_CALL op11_reserved() override { return g_real->op11_reserved(); }
    std::uint32_t MRC_CALL op12_read_block(std::uint32_t a, void* b, std::uint32_t n) override {
        return g_real->op12_read_block(a, b, n);
    }
    std::uint32_t MRC_CALL op13_write_block(std::uint32_t a, const void* b, std::uint32_t n) override {
        return g_real->op13_write_block(a, b, n);
    }
};
Tap g_tap;

merrowcom::GenericFunc* CreateTap() {
    g_real = CreateGenericfuncInstance();
    return &g_tap;
}
#endif

KdrLutGamma Ramp() {
    KdrLutGamma l{};
    l.enb = 1;
    for (int c = 0; c < 3; ++c) {
        for (int i = 0; i < 33; ++i) l.lut[c][i] = static_cast<std::uint16_t>(i * 31);
    }
    return l;
}

// Per-call times of `samples` calls, after a short warm-up.
std::vector<double> Sample(const std::function<void()>& body, std::size_t samples, std::size_t batch = 1) {
    for (int i = 0; i < 10; ++i) body();
    std::vector<double> out;
    out.reserve(samples);
    for (std::size_t s = 0; s < samples; ++s) {
        const auto t0 = std::chrono::steady_clock::now();
        for (std::size_t b = 0; b < batch; ++b) body();
        const auto t1 = std::chrono::steady_clock::now();
        out.push_back(std::chrono::duration<double, std::nano>(t1 - t0).count() / static_cast<double>(batch));
    }
    return out;
}

cwbench::Result Pooled(const char* name, std::vector<double> all, double scale = 1.0) {
    std::sort(all.begin(), all.end());
    cwbench::Result r;
    r.name = name;
    r.samples = all.size();
    r.median_ns = all[all.size() / 2] * scale;
    r.p99_ns = all[std::min(all.size() - 1, all.size() * 99 / 100)] * scale;
    double sum = 0;
    for (double v : all) sum += v;
    r.mean_ns = sum / static_cast<double>(all.size()) * scale;
    return r;
}

void Append(std::vector<double>& to, const std::vector<double>& from) { to.insert(to.end(), from.begin(), from.end()); }

}  // namespace

int main() {
    const Component c = Bind();
    if (c.create_generic == nullptr || c.reset == nullptr || c.reset(R"({"record": false})") != 0) {
        std::fprintf(stderr, "the simulated controller is not available\n");
        return 1;
    }
    constexpr int kRounds = 10;
    constexpr std::size_t kSamples = 200;  // per round: 2,000 of each in all
    const KdrLutGamma lut = Ramp();
    merrowcom::GenericFunc* g = c.create_generic();
    std::vector<double> handoff, sim_wdt, sim_lut, bridge_wdt, bridge_lut;
    PingPong p;
    for (int round = 0; round < kRounds; ++round) {
        Append(handoff, Sample([&] { p.RoundTrip(); }, kSamples, 20));

        // The controller alone, with our own receiver.
        g->op3_register(3, 10, 0, &Receiver);
        BareCommand(g, 0x80000001u);
        Append(sim_wdt, Sample([&] {
            BareCommand(g, 0x10001u);
            for (std::uint32_t i = 0; i < 6; ++i) {
                std::uint32_t v = 0;
                g->op6_read32(0x0E100540u + 4 * i, &v);
            }
        }, kSamples));
        Append(sim_lut, Sample([&] {
            for (std::uint32_t i = 0; i < 52; ++i) g->op7_write32(0x0E100700u + 4 * (i % 4), lut.lut[0][i % 33]);
            BareCommand(g, 0x80005u);
        }, kSamples));
        BareCommand(g, 0x80000002u);
        g->op4_unregister(3);

        // Through the bridge.
        KdrHandle dev = nullptr;
        if (Kdr_DevOpen(&dev, 0) != KDR_OK) {
            std::fprintf(stderr, "Kdr_DevOpen failed\n");
            return 1;
        }
        KdrWdtInfo wdt{};
        Append(bridge_wdt, Sample([&] { (void)Kdr_DevGetProp(&dev, KDR_DEV_WDT, &wdt); }, kSamples));
        Append(bridge_lut, Sample([&] { (void)Kdr_DevSetProp(&dev, KDR_DEV_LUT, &lut); }, kSamples));
        (void)Kdr_DevClose(&dev);
    }

#if !defined(_WIN32)
    // Call by call, bridge open: each bridge call's time less the bare call's just before it.
    {
        tolvane::platform::SetNativeFactories({&CreateDeviceUtilInstance, &CreateTap, &CreateSystemCtrlInstance});
        KdrHandle dev = nullptr;
        if (Kdr_DevOpen(&dev, 0) != KDR_OK) {
            std::fprintf(stderr, "Kdr_DevOpen failed\n");
            return 1;
        }
        const auto bare = [&] {
            g_bare_waits.store(true, std::memory_order_release);
            BareCommand(g_real, 0x10001u);
            g_bare_waits.store(false, std::memory_order_release);
            for (std::uint32_t i = 0; i < 6; ++i) {
                std::uint32_t v = 0;
                g_real->op6_read32(0x0E100540u + 4 * i, &v);
            }
        };
        KdrWdtInfo wdt{};
        std::vector<double> alone, bridge, extra;
        for (std::size_t i = 0; i < kRounds * kSamples; ++i) {
            const auto t0 = std::chrono::steady_clock::now();
            bare();
            const auto t1 = std::chrono::steady_clock::now();
            (void)Kdr_DevGetProp(&dev, KDR_DEV_WDT, &wdt);
            const auto t2 = std::chrono::steady_clock::now();
            alone.push_back(std::chrono::duration<double, std::nano>(t1 - t0).count());
            bridge.push_back(std::chrono::duration<double, std::nano>(t2 - t1).count());
            extra.push_back(bridge.back() - alone.back());
        }
        (void)Kdr_DevClose(&dev);
        const cwbench::Result a = Pooled("paired sim_wdt (controller alone)", alone);
        const cwbench::Result b = Pooled("paired bridge_wdt", bridge);
        std::sort(extra.begin(), extra.end());
        cwbench::Print(a);
        cwbench::Print(b);
        std::printf("paired: bridge slower in %.0f%% of pairs, median extra %.1f us\n",
                    100.0 * static_cast<double>(extra.end() - std::upper_bound(extra.begin(), extra.end(), 0.0)) /
                        static_cast<double>(extra.size()),
                    extra[extra.size() / 2] / 1000);
    }
#endif

    const cwbench::Result results[] = {
        Pooled("handoff (round trip / 2)", handoff, 0.5),
        Pooled("sim_wdt (controller alone)", sim_wdt),
        Pooled("bridge_wdt Kdr_DevGetProp(KDR_DEV_WDT)", bridge_wdt),
        Pooled("sim_lut (controller alone)", sim_lut),
        Pooled("bridge_lut Kdr_DevSetProp(KDR_DEV_LUT)", bridge_lut),
    };
    for (const cwbench::Result& r : results) cwbench::Print(r);
    const double hand = results[0].median_ns;
    std::printf("rounds: bridge cost of a WDT get %.2f hand-offs, of a LUT set %.2f hand-offs (target <= 3)\n",
                (results[2].median_ns - results[1].median_ns) / hand,
                (results[4].median_ns - results[3].median_ns) / hand);
    return 0;
}
