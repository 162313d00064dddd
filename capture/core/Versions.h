// Version words, the firmware and driver checks, and the HDMI record
// conversion. Platform-free.
#pragma once

#include <cstdint>
#include <string_view>

#include "Capwell.h"
#include "Tolvane.h"

namespace Capwell::Lib {

// A version word W unpacked: major W >> 28, minor (W >> 24) & 15, revision
// bits 8..23, build W & 255.
CpwVersion UnpackVersion(uint32_t w);

// "a.b.c.d" with a, b < 15, c < 65535, d < 255, each a non-empty decimal
// number: W = (a << 28) + (b << 24) + (c << 8) + d.
bool ParseVersion(std::wstring_view text, uint32_t& w);

// Result of a version check.
enum class VersionCheck { kOk, kOld, kNew };

// Firmware: only the major and minor nibbles and the low byte count.
constexpr uint32_t kFirmwareMask = 0xFF0000FFu;
constexpr uint32_t kFirmwareSupported = 0x11000000u;
// Driver: only the major nibble and the low byte count.
constexpr uint32_t kDriverMask = 0xF00000FFu;
constexpr uint32_t kDriverSupported = 0x10000000u;

VersionCheck CheckFirmware(uint32_t version_no);
VersionCheck CheckDriver(uint32_t version);

// Input states of the HDMI input.
enum HdmiInputState : uint32_t {
    kHdmiCableLost = 0,
    kHdmiNoSignal = 1,
    kHdmiSignal = 2,
    kHdmiError = 3,
};

// The state after a successful read of the HDMI record, from the previous one.
uint32_t DeriveInputState(const KdrHdmiInfo& hdmi, uint32_t previous);

// The client's view of the HDMI record.
CpwHdmiInfo ToCpwHdmiInfo(const KdrHdmiInfo& hdmi, uint32_t input_state);

// HDMI events that the library follows.
constexpr uint32_t kHdmiEventMask = 0x2 | 0x4 | 0x10 | 0x20 | 0x2000 | 0x4000;

}  // namespace Capwell::Lib
