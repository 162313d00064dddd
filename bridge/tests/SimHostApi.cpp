// The control API calls, from a table of entry points that sim_host_native.cpp or
// sim_host_win.cpp fills.
#include <gtest/gtest.h>

#include "bridge/tests/SimHost.h"
#include "bridge/tests/SimHostTable.h"

namespace simhost {

namespace {
const Api& A() {
    const Api& api = TheApi();
    if (api.Reset == nullptr) ADD_FAILURE() << "the simulator's control API is not available";
    return api;
}
#define SIM_OK(call) EXPECT_EQ((call), 0) << #call << ": " << A().LastError()
}  // namespace

void Reset(const std::string& scenario_json) {
    SIM_OK(A().ClearFaults());
    SIM_OK(A().Reset(scenario_json.c_str()));
    SetComponentMissing(false);
}

void FailCommand(std::uint32_t channel, std::uint32_t code, std::uint32_t action, std::uint32_t word1,
                 std::uint32_t word2, std::uint32_t delay_ms, std::int32_t count) {
    SIM_OK(A().FailCommand(channel, code, action, word1, word2, delay_ms, count));
}
void FailSend(std::uint32_t channel, std::int32_t busy, std::int32_t not_accepted) {
    SIM_OK(A().FailSend(channel, busy, not_accepted, 0, 0));
}
void MarkLost(std::uint32_t channel, std::int32_t count) { SIM_OK(A().MarkLost(channel, count)); }
void FailRegister(std::uint32_t address, std::uint32_t ops, std::int32_t count, std::int32_t skip) {
    SIM_OK(A().FailRegister(address, ops, 0xC0000185u, count, skip));
}
void FailStartup(std::uint32_t op, std::uint32_t status) { SIM_OK(A().FailStartup(op, status)); }
void ClearFaults() { SIM_OK(A().ClearFaults()); }
void SetHdmi(const MrcSimHdmi& hdmi) { SIM_OK(A().SetHdmi(&hdmi)); }
void Emit(std::uint32_t channel, std::uint32_t w0, std::uint32_t w1, std::uint32_t w2, std::uint32_t w3,
          std::uint32_t count) {
    SIM_OK(A().Emit(channel, w0, w1, w2, w3, count));
}

std::vector<MrcSimRecord> Record() {
    std::vector<MrcSimRecord> out(A().RecordCount());
    for (std::uint32_t i = 0; i < out.size(); ++i) SIM_OK(A().RecordGet(i, &out[i]));
    return out;
}
void ClearRecord() { SIM_OK(A().RecordClear()); }
MrcSimStatus Status() {
    MrcSimStatus s{};
    SIM_OK(A().GetStatus(&s));
    return s;
}
bool WaitIdle(std::uint32_t timeout_ms) { return A().WaitIdle(timeout_ms) == 0; }

}  // namespace simhost
