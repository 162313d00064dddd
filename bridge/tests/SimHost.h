// Test access to the simulated controller behind the bridge through the simulator's control
// API: natively linked with the component library, under Wine bound from Merrowcom.dll as
// the bridge binds it. The protocol tests are written once for both.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "simulator/include/MerrowcomSim.h"

namespace simhost {

// Back to power-on with this scenario (JSON text, "" for defaults); the component can be
// loaded again.
void Reset(const std::string& scenario_json = "");
// Makes loading the component fail as a missing library does. Native only (under Wine a
// process without the DLL tests this); false when the platform cannot do it.
bool SetComponentMissing(bool missing);

void FailCommand(std::uint32_t channel, std::uint32_t code, std::uint32_t action, std::uint32_t word1 = 0,
                 std::uint32_t word2 = 0, std::uint32_t delay_ms = 0, std::int32_t count = 1);
void FailSend(std::uint32_t channel, std::int32_t busy, std::int32_t not_accepted);
void MarkLost(std::uint32_t channel, std::int32_t count);
void FailRegister(std::uint32_t address, std::uint32_t ops, std::int32_t count, std::int32_t skip = 0);
// DeviceUtil op 1 or 2 returns `status` (0: normal again).
void FailStartup(std::uint32_t op, std::uint32_t status);
void ClearFaults();
void SetHdmi(const MrcSimHdmi& hdmi);
void Emit(std::uint32_t channel, std::uint32_t w0, std::uint32_t w1, std::uint32_t w2, std::uint32_t w3,
          std::uint32_t count = 1);

std::vector<MrcSimRecord> Record();
void ClearRecord();
MrcSimStatus Status();
bool WaitIdle(std::uint32_t timeout_ms = 5000);

// ---- helpers over the record ----
struct Write {
    std::uint32_t address;
    std::uint32_t value;
    bool operator==(const Write& o) const { return address == o.address && value == o.value; }
};
constexpr std::uint32_t kRecordMessage = 1;
constexpr std::uint32_t kRecordWrite32 = 2;
// Register writes (address, value) in order.
std::vector<Write> Writes(const std::vector<MrcSimRecord>& record);
// The last value written to `address`; false when none.
bool LastWrite(const std::vector<MrcSimRecord>& record, std::uint32_t address, std::uint32_t& value);
// The word0 of every message received on `channel`, in order.
std::vector<std::uint32_t> Codes(const std::vector<MrcSimRecord>& record, std::uint32_t channel);

}  // namespace simhost
