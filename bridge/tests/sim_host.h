// Test access to the simulated controller behind the bridge: the same calls natively
// (the controller model in this process) and under Wine (the stand-in Merrowcom.dll's
// control API), so the protocol tests are written once.
#pragma once

#include <cstdint>
#include <vector>

#include "simulator/model/scenario.h"
#include "simulator/model/controller.h"

namespace simhost {

// Back to power-on with this scenario; the component can be loaded again.
void Reset(const mrcsim::Scenario& scenario = mrcsim::Scenario{});
// Makes loading the component fail as a missing library does (native only; under Wine a
// separate process without the DLL tests this). False when the platform cannot do it.
bool SetComponentMissing(bool missing);

void AddCommandFault(const mrcsim::CommandFault& fault);
void AddSendFault(const mrcsim::SendFault& fault);
void AddLostFault(const mrcsim::LostFault& fault);
void AddRegisterFault(const mrcsim::RegisterFault& fault);
void ClearFaults();
void SetHdmi(const mrcsim::HdmiInput& input);
void Emit(std::uint32_t channel, std::uint32_t w0, std::uint32_t w1, std::uint32_t w2, std::uint32_t w3,
          std::uint32_t count = 1);

std::vector<mrcsim::RecordEntry> Record();
void ClearRecord();
mrcsim::ControllerStatus Status();
bool WaitIdle(std::uint32_t timeout_ms = 5000);
std::uint32_t Peek(std::uint32_t address);
void Poke(std::uint32_t address, std::uint32_t value);

// ---- helpers over the record ----
// Register writes (address, value) in order.
struct Write {
    std::uint32_t address;
    std::uint32_t value;
    bool operator==(const Write& o) const { return address == o.address && value == o.value; }
};
std::vector<Write> Writes(const std::vector<mrcsim::RecordEntry>& record);
// The last value written to `address`; false when none.
bool LastWrite(const std::vector<mrcsim::RecordEntry>& record, std::uint32_t address, std::uint32_t& value);
// The word0 of every message received on `channel`, in order.
std::vector<std::uint32_t> Codes(const std::vector<mrcsim::RecordEntry>& record, std::uint32_t channel);

}  // namespace simhost
