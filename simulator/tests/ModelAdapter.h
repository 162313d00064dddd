// GenericFunc over one Controller instance, for the model tests (the DLL's own interface uses the
// process-wide controller).
#pragma once

#include "simulator/model/Controller.h"

namespace testhost {

class ModelGeneric final : public merrowcom::GenericFunc {
public:
    explicit ModelGeneric(mrcsim::Controller& c) : c_(c) {}
    std::uint32_t op0_reserved() override { return 0xC0000002u; }
    std::uint32_t op1_reserved() override { return 0xC0000002u; }
    std::uint32_t op2_reserved() override { return 0xC0000002u; }
    std::uint32_t op3_register(std::uint32_t, std::uint32_t, std::uint32_t, merrowcom::Receiver r) override {
        return c_.RegisterReceiver([r](const merrowcom::Message& m, std::uint32_t f) { r(&m, f); });
    }
    std::uint32_t op4_unregister(std::uint32_t) override { return c_.UnregisterReceiver(); }
    std::uint32_t op5_send(const merrowcom::Message* q, merrowcom::SendReply* r, std::uint32_t) override {
        return c_.Send(q, r);
    }
    std::uint32_t op6_read32(std::uint32_t a, std::uint32_t* v) override { return c_.Read32(a, v); }
    std::uint32_t op7_write32(std::uint32_t a, std::uint32_t v) override { return c_.Write32(a, v); }
    std::uint32_t op8_read64(std::uint32_t a, double* v) override { return c_.Read64(a, v); }
    std::uint32_t op9_write64(std::uint32_t a, double v) override { return c_.Write64(a, v); }
    std::uint32_t op10_reserved() override { return 0xC0000002u; }
    std::uint32_t op11_reserved() override { return 0xC0000002u; }
    std::uint32_t op12_read_block(std::uint32_t a, void* b, std::uint32_t n) override { return c_.ReadBlock(a, b, n); }
    std::uint32_t op13_write_block(std::uint32_t a, const void* b, std::uint32_t n) override {
        return c_.WriteBlock(a, b, n);
    }

private:
    mrcsim::Controller& c_;
};

// The decoders of the bridge and the capture library, written out again here, for checking that
// each simulated input state decodes to what it should on every path.
struct Decoded {
    std::uint32_t event;
    std::int32_t x, y, connect, format, scan, fps, bit_depth, hdcp;
};
// The bridge's event path, event 0x20010001.
inline Decoded DecodeEvent(std::uint32_t w1, std::uint32_t w2, std::uint32_t w3) {
    Decoded d{};
    d.event = w1;
    d.x = static_cast<std::int32_t>(w2 >> 16);
    d.y = static_cast<std::int32_t>(w2 & 0xFFFF);
    d.connect = (w1 & 0x4) ? 0 : 1;
    if (w1 & 0x20) {
        const std::uint32_t s = w3 & 0xF;
        d.scan = s == 1 ? 1 : (s == 2 ? 2 : 0);
        d.fps = static_cast<std::int32_t>((w3 >> 4) & 0xF);
    }
    return d;
}
// The bridge's KDR_DEV_HDMI get (r = results 0..8).
inline Decoded DecodeGet(const std::uint32_t r[9]) {
    Decoded d{};
    d.x = static_cast<std::int32_t>(r[0]);
    d.y = static_cast<std::int32_t>(r[1]);
    d.event = r[2];
    d.scan = r[5] == 1 ? 1 : (r[5] == 2 ? 2 : 0);
    d.fps = static_cast<std::int32_t>(r[6]);
    d.format = static_cast<std::int32_t>(r[4]);
    d.bit_depth = static_cast<std::int32_t>(r[7]);
    d.hdcp = r[8] == 2 ? 0 : 1;
    d.connect = (d.event >> 1) & 1;
    return d;
}
// The capture library's ReadHdmi: 0 cable lost, 1 no signal, 2 signal (prev = state before).
inline int InputState(const Decoded& d, int prev) {
    int s = prev;
    if (d.event & 0x2)
        s = 2;
    else if (d.event & 0x4)
        s = 0;
    else if (d.event & 0x10)
        s = 1;
    if (d.x == 0 && d.y == 0) s = 1;
    return s;
}
// The capture library's CpwHdmiInfo.status: 2 no cable, 1 no signal, 0 otherwise.
inline int CpwStatus(const Decoded& d, int input_state) {
    if (d.connect == 0) return 2;
    return input_state == 1 ? 1 : 0;
}

}  // namespace testhost
