#include "bridge/src/Properties.h"

#include <cstring>

#include "Tolvane.h"
#include "bridge/src/Connection.h"

namespace tolvane {

namespace {

// Register words of the colour and area properties.
constexpr std::uint32_t S(std::uint32_t offset) { return reg::kSetArea + offset; }  // 0x0E1007xx
constexpr std::uint32_t G(std::uint32_t offset) { return reg::kGetArea + offset; }  // 0x0E1008xx

constexpr std::uint32_t kWdtSet = 0x00001u;
constexpr std::uint32_t kWdtGet = 0x10001u;
constexpr std::uint32_t kPanelGet = 0x20001u;
constexpr std::uint32_t kHdmiGet = 0x30001u;
constexpr std::uint32_t kFirmInfoGet = 0x40001u;
constexpr std::uint32_t kTimeSet = 0x50001u;
constexpr std::uint32_t kAuxGet = 0x60001u;
constexpr std::uint32_t kOutputGet = 0x70001u;

// Low part of the colour and area commands: set 0x8xxxx, get 0x9xxxx, reset 0xAxxxx.
std::uint32_t ColourCode(std::int32_t id) {
    switch (id) {
        case KDR_DEV_EDP: return 0x0001u;
        case KDR_DEV_MATRIX: return 0x0002u;
        case KDR_DEV_TWELVE_AXES: return 0x0003u;
        case KDR_DEV_DRIVE_CUTOFF: return 0x0004u;
        case KDR_DEV_LUT: return 0x0005u;
        case KDR_DEV_MUTE: return 0x0006u;
        case KDR_DEV_AREA_ENABLE: return 0x0011u;
        case KDR_DEV_AREA_TOP: return 0x0012u;
        case KDR_DEV_AREA_SIZE: return 0x0013u;
        default: return 0;
    }
}
constexpr std::uint32_t kColourSet = 0x80000u;
constexpr std::uint32_t kColourGet = 0x90000u;
constexpr std::uint32_t kColourReset = 0xA0000u;

constexpr std::uint32_t kVersionNo = KDR_DEV_VERSION_NO;

// Failure of a register step ends the operation with KDR_ERR_FAIL.
struct RegisterFailure {};

void WriteReg(std::uint32_t address, std::uint32_t value) {
    if (WriteWord(address, value) != 0) throw RegisterFailure{};
}
std::uint32_t ReadReg(std::uint32_t address) {
    std::uint32_t value = 0;
    if (ReadWord(address, value) != 0) throw RegisterFailure{};
    return value;
}
std::int32_t ReadRegInt(std::uint32_t address) { return static_cast<std::int32_t>(ReadReg(address)); }
std::int32_t ReadFlag(std::uint32_t address) { return ReadReg(address) != 0 ? 1 : 0; }
void StatusCheck() {
    if (ReadReg(reg::kResult0) != 0) throw RegisterFailure{};
}
std::uint32_t AsWord(std::int32_t v) { return static_cast<std::uint32_t>(v); }
std::uint32_t PackPair(std::uint32_t low, std::uint32_t high) { return (high << 16) | low; }

bool IsFlag(std::int32_t v) { return v == 0 || v == 1; }

// ---- twelve-axis lanes ----
struct LaneLayout {
    std::uint32_t enb, h_offset, s_gain, v_gain, hs_gain, hv_gain, sv_gain;
};
constexpr LaneLayout kTwelveSet{S(0x90), S(0x94), S(0xA0), S(0xC4), S(0xD0), S(0x100), S(0x118)};
constexpr LaneLayout kTwelveGet{G(0x90), G(0x94), G(0xA0), G(0xC4), G(0xD0), G(0x100), G(0x118)};

unsigned ByteShift(int colour) { return static_cast<unsigned>(3 - colour % 4) * 8u; }
unsigned NibbleShift(int colour, int component) {
    return static_cast<unsigned>((colour % 2 == 0 ? 5 : 2) - component) * 4u;
}

struct Lanes {
    std::uint32_t bytes[3][3] = {};    // h_offset, s_gain, v_gain; word 0..2
    std::uint32_t nibbles[3][6] = {};  // hs_gain, hv_gain, sv_gain; word 0..5
};

Lanes PackTwelve(const KdrTwelveAxes& t) {
    Lanes lanes;
    for (int i = 0; i < 12; ++i) {
        const KdrAxisColor& c = t.color[i];
        const std::uint16_t byte_values[3] = {c.h_offset, c.s_gain, c.v_gain};
        for (int g = 0; g < 3; ++g) lanes.bytes[g][i / 4] |= AsWord(byte_values[g] & 0xFF) << ByteShift(i);
        const std::uint16_t* gains[3] = {c.hs_gain, c.hv_gain, c.sv_gain};
        for (int g = 0; g < 3; ++g) {
            for (int k = 0; k < 3; ++k) lanes.nibbles[g][i / 2] |= AsWord(gains[g][k] & 0xF) << NibbleShift(i, k);
        }
    }
    return lanes;
}

void UnpackTwelve(const Lanes& lanes, KdrTwelveAxes& t) {
    for (int i = 0; i < 12; ++i) {
        KdrAxisColor& c = t.color[i];
        std::uint16_t* byte_fields[3] = {&c.h_offset, &c.s_gain, &c.v_gain};
        for (int g = 0; g < 3; ++g) {
            *byte_fields[g] = static_cast<std::uint16_t>((lanes.bytes[g][i / 4] >> ByteShift(i)) & 0xFFu);
        }
        std::uint16_t* gains[3] = {c.hs_gain, c.hv_gain, c.sv_gain};
        for (int g = 0; g < 3; ++g) {
            for (int k = 0; k < 3; ++k) {
                gains[g][k] = static_cast<std::uint16_t>((lanes.nibbles[g][i / 2] >> NibbleShift(i, k)) & 0xFu);
            }
        }
    }
}

void WriteTwelve(const LaneLayout& at, const Lanes& lanes) {
    for (std::uint32_t k = 0; k < 3; ++k) {
        WriteReg(at.h_offset + 4 * k, lanes.bytes[0][k]);
        WriteReg(at.s_gain + 4 * k, lanes.bytes[1][k]);
        WriteReg(at.v_gain + 4 * k, lanes.bytes[2][k]);
    }
    for (std::uint32_t k = 0; k < 6; ++k) {
        WriteReg(at.hs_gain + 4 * k, lanes.nibbles[0][k]);
        WriteReg(at.hv_gain + 4 * k, lanes.nibbles[1][k]);
        WriteReg(at.sv_gain + 4 * k, lanes.nibbles[2][k]);
    }
}

Lanes ReadTwelve(const LaneLayout& at) {
    Lanes lanes;
    for (std::uint32_t k = 0; k < 3; ++k) {
        lanes.bytes[0][k] = ReadReg(at.h_offset + 4 * k);
        lanes.bytes[1][k] = ReadReg(at.s_gain + 4 * k);
        lanes.bytes[2][k] = ReadReg(at.v_gain + 4 * k);
    }
    for (std::uint32_t k = 0; k < 6; ++k) {
        lanes.nibbles[0][k] = ReadReg(at.hs_gain + 4 * k);
        lanes.nibbles[1][k] = ReadReg(at.hv_gain + 4 * k);
        lanes.nibbles[2][k] = ReadReg(at.sv_gain + 4 * k);
    }
    return lanes;
}

// ---- validation ----
bool ValidMatrix(const KdrRgbMatrix& m) {
    for (const auto& row : m.coef) {
        for (std::uint16_t c : row) {
            if (c > 511) return false;
        }
    }
    return m.pede <= 1023 && m.y_gain <= 255;
}

bool ValidTwelve(const KdrTwelveAxes& t) {
    if (!IsFlag(t.enb)) return false;
    for (const KdrAxisColor& c : t.color) {
        if (c.h_offset > 255 || c.s_gain > 255 || c.v_gain > 255) return false;
        for (int k = 0; k < 3; ++k) {
            if (c.hs_gain[k] > 15 || c.hv_gain[k] > 15 || c.sv_gain[k] > 15) return false;
        }
    }
    return true;
}

bool ValidDriveCutoff(const KdrDriveCutoff& d) {
    if (!IsFlag(d.post_lutgamma) || !IsFlag(d.drive.enb) || !IsFlag(d.cutoff.enb)) return false;
    for (int k = 0; k < 3; ++k) {
        if (d.drive.gain[k] > 1023 || d.cutoff.offset[k] > 4095) return false;
    }
    return true;
}

// KDR_OK, KDR_ERR_PARAM (range) or KDR_ERR_ORDER (a point below its predecessor).
std::int32_t CheckLut(const KdrLutGamma& l) {
    if (!IsFlag(l.enb)) return KDR_ERR_PARAM;
    for (const auto& channel : l.lut) {
        for (std::uint16_t point : channel) {
            if (point > 1023) return KDR_ERR_PARAM;
        }
    }
    for (const auto& channel : l.lut) {
        for (int i = 1; i < 33; ++i) {
            if (channel[i] < channel[i - 1]) return KDR_ERR_ORDER;
        }
    }
    return KDR_OK;
}

// The area limits read their references through the get path; a failed read leaves zeros.
bool ValidArea(std::int32_t id, const KdrXY& v) {
    KdrOutputInfo output{};
    KdrXY other{};
    (void)GetProperty(KDR_DEV_OUTPUT, &output);
    if (id == KDR_DEV_AREA_TOP) {
        (void)GetProperty(KDR_DEV_AREA_SIZE, &other);
        return v.x >= 0 && static_cast<std::int64_t>(v.x) + other.x <= output.size.x && v.y >= 0 &&
               static_cast<std::int64_t>(v.y) + other.y <= output.size.y;
    }
    (void)GetProperty(KDR_DEV_AREA_TOP, &other);
    return v.x >= 16 && static_cast<std::int64_t>(other.x) + v.x <= output.size.x && v.y >= 8 &&
           static_cast<std::int64_t>(other.y) + v.y <= output.size.y;
}

// ---- sets: validation first (nothing written on failure), then words, then command ----
std::int32_t SetImpl(std::int32_t id, const void* record) {
    const std::uint32_t set_cmd = kColourSet | ColourCode(id);
    // The area limits read other properties, each its own sequence: checked before this one.
    if ((id == KDR_DEV_AREA_TOP || id == KDR_DEV_AREA_SIZE) && !ValidArea(id, *static_cast<const KdrXY*>(record))) {
        return KDR_ERR_PARAM;
    }
    CommandSequence seq;
    switch (id) {
        case KDR_DEV_WDT: {
            const auto* v = static_cast<const std::int32_t*>(record);
            WriteReg(reg::kParam0, AsWord(v[1]));
            WriteReg(reg::kParam1, AsWord(v[2]));
            if (const std::int32_t res = seq.Run(kWdtSet)) return res;
            StatusCheck();
            return KDR_OK;
        }
        case KDR_DEV_TIME: {
            const std::int32_t time = *static_cast<const std::int32_t*>(record);
            WriteReg(reg::kParam0, AsWord(time));
            if (const std::int32_t res = seq.Run(kTimeSet)) return res;
            StatusCheck();
            TheBridge().time = time;
            return KDR_OK;
        }
        case KDR_DEV_EDP: {
            const std::int32_t enb = *static_cast<const std::int32_t*>(record);
            if (!IsFlag(enb)) return KDR_ERR_PARAM;
            WriteReg(S(0x00), AsWord(enb));
            break;
        }
        case KDR_DEV_MATRIX: {
            const auto& m = *static_cast<const KdrRgbMatrix*>(record);
            if (!ValidMatrix(m)) return KDR_ERR_PARAM;
            for (std::uint32_t k = 0; k < 3; ++k) WriteReg(S(0x04 + 4 * k), PackPair(m.coef[k][0], m.coef[k][1]));
            WriteReg(S(0x10), m.pede);
            WriteReg(S(0x14), AsWord(m.y_gain) * 0x010101u);
            break;
        }
        case KDR_DEV_TWELVE_AXES: {
            const auto& t = *static_cast<const KdrTwelveAxes*>(record);
            if (!ValidTwelve(t)) return KDR_ERR_PARAM;
            WriteReg(kTwelveSet.enb, AsWord(t.enb));
            WriteTwelve(kTwelveSet, PackTwelve(t));
            break;
        }
        case KDR_DEV_DRIVE_CUTOFF: {
            const auto& d = *static_cast<const KdrDriveCutoff*>(record);
            if (!ValidDriveCutoff(d)) return KDR_ERR_PARAM;
            WriteReg(S(0x00), AsWord(d.drive.enb));
            WriteReg(S(0x04), AsWord(d.cutoff.enb));
            WriteReg(S(0x08), d.post_lutgamma == 1 ? 2u : 1u);
            for (std::uint32_t k = 0; k < 3; ++k) WriteReg(S(0x0C + 4 * k), PackPair(d.drive.gain[k], d.cutoff.offset[k]));
            break;
        }
        case KDR_DEV_LUT: {
            const auto& l = *static_cast<const KdrLutGamma*>(record);
            if (const std::int32_t res = CheckLut(l)) return res;
            WriteReg(S(0x00), AsWord(l.enb));
            WriteReg(S(0x04), l.lut[0][0]);
            WriteReg(S(0x08), l.lut[1][0]);
            WriteReg(S(0x0C), l.lut[2][0]);
            for (std::uint32_t k = 0; k < 16; ++k) {
                for (std::uint32_t c = 0; c < 3; ++c) {
                    WriteReg(S(0x10 + 0x40 * c + 4 * k), PackPair(l.lut[c][2 * k + 1], l.lut[c][2 * k + 2]));
                }
            }
            break;
        }
        case KDR_DEV_MUTE: {
            const auto& m = *static_cast<const KdrColorMute*>(record);
            if (!IsFlag(m.enb[0]) || !IsFlag(m.enb[1]) || !IsFlag(m.enb[2])) return KDR_ERR_PARAM;
            for (std::uint32_t k = 0; k < 3; ++k) WriteReg(S(4 * k), AsWord(m.enb[k]));
            break;
        }
        case KDR_DEV_AREA_ENABLE: {
            const std::int32_t enb = *static_cast<const std::int32_t*>(record);
            if (!IsFlag(enb)) return KDR_ERR_PARAM;
            WriteReg(G(0x50), AsWord(enb));
            break;
        }
        case KDR_DEV_AREA_TOP:
        case KDR_DEV_AREA_SIZE: {
            const auto& v = *static_cast<const KdrXY*>(record);
            const std::uint32_t at = id == KDR_DEV_AREA_TOP ? G(0x5C) : G(0x84);
            WriteReg(at, AsWord(v.x));
            WriteReg(at + 4, AsWord(v.y));
            break;
        }
        default:
            return KDR_ERR_PARAM;
    }
    return seq.Run(set_cmd);
}

// ---- gets: command first, then the result words in order ----
std::int32_t GetImpl(std::int32_t id, void* record) {
    CommandSequence seq;
    switch (id) {
        case KDR_DEV_FIRMINFO: {
            if (const std::int32_t res = seq.Run(kFirmInfoGet)) return res;
            auto& f = *static_cast<KdrFirmInfo*>(record);
            f.version_no = ReadReg(reg::Result(0));
            std::int32_t* fields[7] = {&f.firminfo_1, &f.firminfo_2, &f.firminfo_3, &f.firminfo_4,
                                       &f.firminfo_5, &f.firminfo_6, &f.firminfo_7};
            for (int i = 0; i < 7; ++i) *fields[i] = ReadRegInt(reg::Result(i + 1));
            return KDR_OK;
        }
        case KDR_DEV_VERSION:
            *static_cast<std::uint32_t*>(record) = kVersionNo;
            return KDR_OK;
        case KDR_DEV_WDT: {
            if (const std::int32_t res = seq.Run(kWdtGet)) return res;
            StatusCheck();
            auto& wdt = *static_cast<KdrWdtInfo*>(record);
            wdt.state = ReadRegInt(reg::Result(1));
            wdt.interval = ReadRegInt(reg::Result(2));
            wdt.err_count = ReadRegInt(reg::Result(3));
            wdt.kdr_count = ReadRegInt(reg::Result(4));
            wdt.kdr_err = ReadRegInt(reg::Result(5));
            return KDR_OK;
        }
        case KDR_DEV_OUTPUT: {
            if (const std::int32_t res = seq.Run(kOutputGet)) return res;
            auto& o = *static_cast<KdrOutputInfo*>(record);
            o.size.x = ReadRegInt(reg::Result(0));
            o.size.y = ReadRegInt(reg::Result(1));
            o.event = ReadReg(reg::Result(2));
            return KDR_OK;
        }
        case KDR_DEV_PANEL: {
            if (const std::int32_t res = seq.Run(kPanelGet)) return res;
            auto& p = *static_cast<KdrXY*>(record);
            p.x = ReadRegInt(reg::Result(0));
            p.y = ReadRegInt(reg::Result(1));
            return KDR_OK;
        }
        case KDR_DEV_HDMI: {
            if (const std::int32_t res = seq.Run(kHdmiGet)) return res;
            auto& h = *static_cast<KdrHdmiInfo*>(record);
            h.size.x = ReadRegInt(reg::Result(0));
            h.size.y = ReadRegInt(reg::Result(1));
            h.event = ReadReg(reg::Result(2));
            const std::uint32_t scan = ReadReg(reg::Result(5));
            h.scan = (scan == 1 || scan == 2) ? static_cast<std::int32_t>(scan) : 0;
            h.fps = ReadRegInt(reg::Result(6));
            h.format = ReadRegInt(reg::Result(4));
            h.bit_depth = ReadRegInt(reg::Result(7));
            h.detect_hdcp = ReadReg(reg::Result(8)) == 2 ? 0 : 1;
            h.connect = static_cast<std::int32_t>((h.event >> 1) & 1u);
            return KDR_OK;
        }
        case KDR_DEV_TIME:
            *static_cast<std::int32_t*>(record) = TheBridge().time;
            return KDR_OK;
        case KDR_DEV_AUX: {
            if (const std::int32_t res = seq.Run(kAuxGet)) return res;
            StatusCheck();
            *static_cast<std::uint32_t*>(record) = ReadReg(reg::Result(1));
            return KDR_OK;
        }
        default:
            break;
    }

    const std::uint32_t code = ColourCode(id);
    if (code == 0) return KDR_ERR_PARAM;
    if (const std::int32_t res = seq.Run(kColourGet | code)) return res;
    switch (id) {
        case KDR_DEV_EDP:
        case KDR_DEV_AREA_ENABLE:
            *static_cast<std::int32_t*>(record) = ReadFlag(id == KDR_DEV_EDP ? G(0x00) : G(0x50));
            break;
        case KDR_DEV_MATRIX: {
            auto& m = *static_cast<KdrRgbMatrix*>(record);
            for (std::uint32_t k = 0; k < 3; ++k) {
                const std::uint32_t word = ReadReg(G(0x04 + 4 * k));
                m.coef[k][0] = static_cast<std::uint16_t>(word & 0xFFFFu);
                m.coef[k][1] = static_cast<std::uint16_t>(word >> 16);
            }
            m.pede = static_cast<std::uint16_t>(ReadReg(G(0x10)) & 0xFFFFu);
            m.y_gain = static_cast<std::uint16_t>(ReadReg(G(0x14)) & 0xFFu);
            break;
        }
        case KDR_DEV_TWELVE_AXES: {
            auto& t = *static_cast<KdrTwelveAxes*>(record);
            t.enb = ReadFlag(kTwelveGet.enb);
            UnpackTwelve(ReadTwelve(kTwelveGet), t);
            break;
        }
        case KDR_DEV_DRIVE_CUTOFF: {
            auto& d = *static_cast<KdrDriveCutoff*>(record);
            d.drive.enb = ReadFlag(G(0x00));
            d.cutoff.enb = ReadFlag(G(0x04));
            d.post_lutgamma = ReadReg(G(0x08)) == 2 ? 1 : 0;
            for (std::uint32_t k = 0; k < 3; ++k) {
                const std::uint32_t word = ReadReg(G(0x0C + 4 * k));
                d.drive.gain[k] = static_cast<std::uint16_t>(word & 0x3FFu);
                d.cutoff.offset[k] = static_cast<std::uint16_t>((word >> 16) & 0xFFFu);
            }
            break;
        }
        case KDR_DEV_LUT: {
            auto& l = *static_cast<KdrLutGamma*>(record);
            l.enb = ReadFlag(G(0x00));
            for (std::uint32_t c = 0; c < 3; ++c) l.lut[c][0] = static_cast<std::uint16_t>(ReadReg(G(0x04 + 4 * c)) & 0xFFFFu);
            for (std::uint32_t k = 0; k < 16; ++k) {
                for (std::uint32_t c = 0; c < 3; ++c) {
                    const std::uint32_t word = ReadReg(G(0x10 + 0x40 * c + 4 * k));
                    l.lut[c][2 * k + 1] = static_cast<std::uint16_t>(word & 0x3FFu);
                    l.lut[c][2 * k + 2] = static_cast<std::uint16_t>((word >> 16) & 0x3FFu);
                }
            }
            break;
        }
        case KDR_DEV_MUTE: {
            auto& m = *static_cast<KdrColorMute*>(record);
            for (std::uint32_t k = 0; k < 3; ++k) m.enb[k] = ReadFlag(G(4 * k));
            break;
        }
        case KDR_DEV_AREA_TOP:
        case KDR_DEV_AREA_SIZE: {
            auto& v = *static_cast<KdrXY*>(record);
            const std::uint32_t at = id == KDR_DEV_AREA_TOP ? G(0x5C) : G(0x84);
            v.x = ReadRegInt(at);
            v.y = ReadRegInt(at + 4);
            break;
        }
        default:
            return KDR_ERR_PARAM;
    }
    return KDR_OK;
}

}  // namespace

std::int32_t SetProperty(std::int32_t id, const void* record) {
    if (record == nullptr) return KDR_ERR_PARAM;
    try {
        return SetImpl(id, record);
    } catch (const RegisterFailure&) {
        return KDR_ERR_FAIL;
    }
}

std::int32_t GetProperty(std::int32_t id, void* record) {
    if (record == nullptr) return KDR_ERR_PARAM;
    try {
        return GetImpl(id, record);
    } catch (const RegisterFailure&) {
        return KDR_ERR_FAIL;
    }
}

std::int32_t ResetProperty(std::int32_t id) {
    if (id < KDR_DEV_EDP || id > KDR_DEV_AREA_SIZE) return KDR_ERR_PARAM;
    return RunCommand(kColourReset | ColourCode(id));
}

}  // namespace tolvane
