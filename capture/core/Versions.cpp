#include "capture/core/Versions.h"

namespace Capwell::Lib {

CpwVersion UnpackVersion(uint32_t w) {
    CpwVersion v;
    v.major = static_cast<uint16_t>(w >> 28);
    v.minor = static_cast<uint16_t>((w >> 24) & 15u);
    v.revision = static_cast<uint16_t>((w >> 8) & 0xFFFFu);
    v.build = static_cast<uint16_t>(w & 255u);
    return v;
}

bool ParseVersion(std::wstring_view text, uint32_t& w) {
    uint32_t part[4] = {};
    int n = 0;
    size_t i = 0;
    for (;;) {
        if (n == 4) return false;  // more than four parts
        uint64_t value = 0;
        size_t digits = 0;
        while (i < text.size() && text[i] >= L'0' && text[i] <= L'9') {
            value = value * 10 + static_cast<uint64_t>(text[i] - L'0');
            if (value > 0xFFFFFFFFull) return false;
            ++i;
            ++digits;
        }
        if (digits == 0) return false;  // empty part or a non-digit
        part[n++] = static_cast<uint32_t>(value);
        if (i == text.size()) break;
        if (text[i] != L'.') return false;
        ++i;
    }
    if (n != 4) return false;
    if (part[0] >= 15 || part[1] >= 15 || part[2] >= 65535 || part[3] >= 255) return false;
    w = (part[0] << 28) + (part[1] << 24) + (part[2] << 8) + part[3];
    return true;
}

VersionCheck CheckFirmware(uint32_t version_no) {
    const uint32_t m = version_no & kFirmwareMask;
    if (m < kFirmwareSupported) return VersionCheck::kOld;
    if (m > kFirmwareSupported) return VersionCheck::kNew;
    return VersionCheck::kOk;
}

VersionCheck CheckDriver(uint32_t version) {
    const uint32_t m = version & kDriverMask;
    if (m < kDriverSupported) return VersionCheck::kOld;
    if (m > kDriverSupported) return VersionCheck::kNew;
    return VersionCheck::kOk;
}

uint32_t DeriveInputState(const KdrHdmiInfo& hdmi, uint32_t previous) {
    uint32_t state = previous;
    if (hdmi.event & 0x2)
        state = kHdmiSignal;
    else if (hdmi.event & 0x4)
        state = kHdmiCableLost;
    else if (hdmi.event & 0x10)
        state = kHdmiNoSignal;
    if (hdmi.size.x == 0 && hdmi.size.y == 0) state = kHdmiNoSignal;
    return state;
}

namespace {
double FpsFromCode(int32_t code) {
    switch (code) {
    case 1: return 23.98;
    case 2: return 24.0;
    case 3: return 25.0;
    case 4: return 29.97;
    case 5: return 30.0;
    case 6: return 50.0;
    case 7: return 59.94;
    case 8: return 60.0;
    default: return 0.0;
    }
}
}  // namespace

CpwHdmiInfo ToCpwHdmiInfo(const KdrHdmiInfo& hdmi, uint32_t input_state) {
    CpwHdmiInfo out{};
    const bool cable = hdmi.connect != 0;
    if (!cable)
        out.status = 2;
    else
        out.status = input_state == kHdmiNoSignal ? 1u : 0u;
    out.detect_hdcp = hdmi.detect_hdcp == 1 ? 1u : 0u;
    out.format = (cable && hdmi.format >= 1 && hdmi.format <= 4) ? static_cast<uint32_t>(hdmi.format) : 0u;
    out.scan = (cable && (hdmi.scan == 1 || hdmi.scan == 2)) ? static_cast<uint32_t>(hdmi.scan) : 0u;
    out.bit_depth = static_cast<uint16_t>(hdmi.bit_depth);
    out.fps = cable ? FpsFromCode(hdmi.fps) : 0.0;
    out.width = static_cast<uint16_t>(hdmi.size.x);
    out.height = static_cast<uint16_t>(hdmi.size.y);
    return out;
}

}  // namespace Capwell::Lib
