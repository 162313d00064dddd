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
// Runs natively (the component library linked in) and under Wine (Merrowcom.dll loaded).
#if defined(_WIN32)
#include <windows.h>
#endif

#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <thread>

#include "Tolvane.h"
#include "bench/benchutil.h"
#include "contract/Merrowcom.h"
#include "simulator/include/MrcSimClient.h"

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
    std::mutex m;
    std::condition_variable cv;
    int turn = 0;  // 0: main's turn, 1: partner's
    bool stop = false;
    std::thread partner;

    PingPong() {
        partner = std::thread([this] {
            std::unique_lock<std::mutex> lock(m);
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
            std::lock_guard<std::mutex> lock(m);
            stop = true;
        }
        cv.notify_all();
        partner.join();
    }
    void RoundTrip() {
        std::unique_lock<std::mutex> lock(m);
        turn = 1;
        cv.notify_all();
        cv.wait(lock, [this] { return turn == 0; });
    }
};

// ---- the controller alone, with a receiver of our own ----
std::mutex g_m;
std::condition_variable g_cv;
std::uint32_t g_reply_code = 0;
bool g_reply = false;

void Receiver(const merrowcom::Message* msg, std::uint32_t) {
    if (msg->channel != 35) return;
    std::lock_guard<std::mutex> lock(g_m);
    g_reply_code = msg->word[0];
    g_reply = true;
    g_cv.notify_all();
}

void BareCommand(merrowcom::GenericFunc* g, std::uint32_t code) {
    {
        std::lock_guard<std::mutex> lock(g_m);
        g_reply = false;
    }
    merrowcom::Message request{};
    request.kind = 2;
    request.channel = 34;
    request.word[0] = code;
    merrowcom::SendReply reply{};
    g->op5_send(&request, &reply, merrowcom::kSendTimeoutMs);
    std::unique_lock<std::mutex> lock(g_m);
    g_cv.wait(lock, [] { return g_reply; });
}

KdrLutGamma Ramp() {
    KdrLutGamma l{};
    l.enb = 1;
    for (int c = 0; c < 3; ++c) {
        for (int i = 0; i < 33; ++i) l.lut[c][i] = static_cast<std::uint16_t>(i * 31);
    }
    return l;
}

}  // namespace

int main() {
    const Component c = Bind();
    if (c.create_generic == nullptr || c.reset == nullptr || c.reset(R"({"record": false})") != 0) {
        std::fprintf(stderr, "the simulated controller is not available\n");
        return 1;
    }
    const std::size_t samples = 2000;

    cwbench::Result handoff;
    {
        PingPong p;
        cwbench::Result rt = cwbench::Measure("ping-pong round trip", [&] { p.RoundTrip(); }, samples, 20);
        handoff = rt;
        handoff.name = "handoff (round trip / 2)";
        handoff.median_ns /= 2;
        handoff.p99_ns /= 2;
        handoff.mean_ns /= 2;
    }

    // The controller alone.
    merrowcom::GenericFunc* g = c.create_generic();
    g->op3_register(3, 10, 0, &Receiver);
    BareCommand(g, 0x80000001u);
    const KdrLutGamma lut = Ramp();
    const cwbench::Result sim_wdt = cwbench::Measure("sim_wdt (controller alone)", [&] {
        BareCommand(g, 0x10001u);
        for (std::uint32_t i = 0; i < 6; ++i) {
            std::uint32_t v = 0;
            g->op6_read32(0x0E100540u + 4 * i, &v);
        }
    }, samples);
    const cwbench::Result sim_lut = cwbench::Measure("sim_lut (controller alone)", [&] {
        for (std::uint32_t i = 0; i < 52; ++i) g->op7_write32(0x0E100700u + 4 * (i % 4), lut.lut[0][i % 33]);
        BareCommand(g, 0x80005u);
    }, samples);
    BareCommand(g, 0x80000002u);
    g->op4_unregister(3);

    // Through the bridge.
    KdrHandle dev = nullptr;
    if (Kdr_DevOpen(&dev, 0) != KDR_OK) {
        std::fprintf(stderr, "Kdr_DevOpen failed\n");
        return 1;
    }
    KdrWdtInfo wdt{};
    const cwbench::Result bridge_wdt =
        cwbench::Measure("bridge_wdt Kdr_DevGetProp(KDR_DEV_WDT)", [&] { Kdr_DevGetProp(&dev, KDR_DEV_WDT, &wdt); }, samples);
    const cwbench::Result bridge_lut =
        cwbench::Measure("bridge_lut Kdr_DevSetProp(KDR_DEV_LUT)", [&] { Kdr_DevSetProp(&dev, KDR_DEV_LUT, &lut); }, samples);
    Kdr_DevClose(&dev);

    const cwbench::Result* all[] = {&handoff, &sim_wdt, &bridge_wdt, &sim_lut, &bridge_lut};
    for (const cwbench::Result* r : all) cwbench::Print(*r);
    std::printf("bridge cost of a WDT get: %.2f hand-offs   of a LUT set: %.2f hand-offs   (target <= 3)\n",
                (bridge_wdt.median_ns - sim_wdt.median_ns) / handoff.median_ns,
                (bridge_lut.median_ns - sim_lut.median_ns) / handoff.median_ns);
    return 0;
}
