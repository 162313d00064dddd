// Native: the controller model lives in this process; small adapters give it the
// component's three interfaces and the bridge gets their factories.
#include <atomic>

#include "platform_native.h"
#include "sim_host.h"

namespace simhost {

namespace {

mrcsim::Controller& Ctl() {
    static mrcsim::Controller* controller = new mrcsim::Controller(mrcsim::Scenario{});
    return *controller;
}

struct Util final : merrowcom::DeviceUtil {
    std::uint32_t op0_reserved() override { return 0; }
    std::uint32_t op1_startup_first(std::uint32_t* out) override { return Ctl().startup(1, out); }
    std::uint32_t op2_startup_second(std::uint32_t* out) override { return Ctl().startup(2, out); }
    std::uint32_t op3_release() override { return Ctl().release(); }
};

struct Generic final : merrowcom::GenericFunc {
    std::uint32_t op0_reserved() override { return 0; }
    std::uint32_t op1_reserved() override { return 0; }
    std::uint32_t op2_reserved() override { return 0; }
    std::uint32_t op3_register(std::uint32_t, std::uint32_t, std::uint32_t, merrowcom::Receiver r) override {
        return Ctl().registerReceiver([r](const merrowcom::Message& m, std::uint32_t flags) { r(&m, flags); });
    }
    std::uint32_t op4_unregister(std::uint32_t) override { return Ctl().unregisterReceiver(); }
    std::uint32_t op5_send(const merrowcom::Message* q, merrowcom::SendReply* a, std::uint32_t) override {
        return Ctl().send(q, a);
    }
    std::uint32_t op6_read32(std::uint32_t ad, std::uint32_t* v) override { return Ctl().read32(ad, v); }
    std::uint32_t op7_write32(std::uint32_t ad, std::uint32_t v) override { return Ctl().write32(ad, v); }
    std::uint32_t op8_read64(std::uint32_t ad, double* v) override { return Ctl().read64(ad, v); }
    std::uint32_t op9_write64(std::uint32_t ad, double v) override { return Ctl().write64(ad, v); }
    std::uint32_t op10_reserved() override { return 0; }
    std::uint32_t op11_reserved() override { return 0; }
    std::uint32_t op12_read_block(std::uint32_t ad, void* b, std::uint32_t n) override {
        return Ctl().readBlock(ad, b, n);
    }
    std::uint32_t op13_write_block(std::uint32_t ad, const void* b, std::uint32_t n) override {
        return Ctl().writeBlock(ad, b, n);
    }
};

struct Sys final : merrowcom::SystemCtrl {
    std::uint32_t op0_reserved() override { return 0; }
};

Util g_util;
Generic g_generic;
Sys g_sys;

merrowcom::DeviceUtil* CreateUtil() { return &g_util; }
merrowcom::GenericFunc* CreateGeneric() { return &g_generic; }
merrowcom::SystemCtrl* CreateSys() { return &g_sys; }

}  // namespace

bool SetComponentMissing(bool missing) {
    tolvane::platform::Factories f;
    if (!missing) f = {&CreateUtil, &CreateGeneric, &CreateSys};
    tolvane::platform::set_native_factories(f);
    return true;
}

void Reset(const mrcsim::Scenario& scenario) {
    Ctl().reset(scenario);
    SetComponentMissing(false);
}

void AddCommandFault(const mrcsim::CommandFault& f) { Ctl().addCommandFault(f); }
void AddSendFault(const mrcsim::SendFault& f) { Ctl().addSendFault(f); }
void AddLostFault(const mrcsim::LostFault& f) { Ctl().addLostFault(f); }
void AddRegisterFault(const mrcsim::RegisterFault& f) { Ctl().addRegisterFault(f); }
void ClearFaults() { Ctl().clearFaults(); }
void SetHdmi(const mrcsim::HdmiInput& input) { Ctl().setHdmi(input); }
void Emit(std::uint32_t channel, std::uint32_t w0, std::uint32_t w1, std::uint32_t w2, std::uint32_t w3,
          std::uint32_t count) {
    const std::uint32_t words[4] = {w0, w1, w2, w3};
    Ctl().emit(channel, words, count);
}
std::vector<mrcsim::RecordEntry> Record() { return Ctl().record(); }
void ClearRecord() { Ctl().clearRecord(); }
mrcsim::ControllerStatus Status() { return Ctl().status(); }
bool WaitIdle(std::uint32_t timeout_ms) { return Ctl().waitIdle(timeout_ms); }
std::uint32_t Peek(std::uint32_t address) { return Ctl().peek(address); }
void Poke(std::uint32_t address, std::uint32_t value) { Ctl().poke(address, value); }

}  // namespace simhost
