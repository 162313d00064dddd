#include "properties.h"

#include <cstring>

#include "Tolvane.h"
#include "connection.h"

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
std::uint32_t colour_code(std::int32_t id) {
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

void w(std::uint32_t address, std::uint32_t value) {
    if (write_word(address, value) != 0) throw RegisterFailure{};
}
std::uint32_t r(std::uint32_t address) {
    std::uint32_t value = 0;
    if (read_word(address, value) != 0) throw RegisterFailure{};
    return value;
}
std::int32_t ri(std::uint32_t address) { return static_cast<std::int32_t>(r(address)); }
std::int32_t r01(std::uint32_t address) { return r(address) != 0 ? 1 : 0; }
void status_check() {
    if (r(reg::kResult0) != 0) throw RegisterFailure{};
}
std::uint32_t u(std::int32_t v) { return static_cast<std::uint32_t>(v); }
std::uint32_t pair(std::uint32_t low, std::uint32_t high) { return (high << 16) | low; }

bool is01(std::int32_t v) { return v == 0 || v == 1; }

// ---- twelve-axis lanes ----
struct LaneLayout {
    std::uint32_t enb, h_offset, s_gain, v_gain, hs_gain, hv_gain, sv_gain;
};
constexpr LaneLayout kTwelveSet{S(0x90), S(0x94), S(0xA0), S(0xC4), S(0xD0), S(0x100), S(0x118)};
constexpr LaneLayout kTwelveGet{G(0x90), G(0x94), G(0xA0), G(0xC4), G(0xD0), G(0x100), G(0x118)};

unsigned byte_shift(int colour) { return static_cast<unsigned>(3 - colour % 4) * 8u; }
unsigned nibble_shift(int colour, int component) {
    return static_cast<unsigned>((colour % 2 == 0 ? 5 : 2) - component) * 4u;
}

struct Lanes {
    std::uint32_t bytes[3][3] = {};    // h_offset, s_gain, v_gain; word 0..2
    std::uint32_t nibbles[3][6] = {};  // hs_gain, hv_gain, sv_gain; word 0..5
};

Lanes pack_twelve(const KdrTwelveAxes& t) {
    Lanes lanes;
    for (int i = 0; i < 12; ++i) {
        const KdrAxisColor& c = t.color[i];
        const std::uint16_t byte_values[3] = {c.h_offset, c.s_gain, c.v_gain};
        for (int g = 0; g < 3; ++g) lanes.bytes[g][i / 4] |= u(byte_values[g] & 0xFF) << byte_shift(i);
        const std::uint16_t* gains[3] = {c.hs_gain, c.hv_gain, c.sv_gain};
        for (int g = 0; g < 3; ++g) {
            for (int k = 0; k < 3; ++k) lanes.nibbles[g][i / 2] |= u(gains[g][k] & 0xF) << nibble_shift(i, k);
        }
    }
    return lanes;
}

void unpack_twelve(const Lanes& lanes, KdrTwelveAxes& t) {
    for (int i = 0; i < 12; ++i) {
        KdrAxisColor& c = t.color[i];
        std::uint16_t* byte_fields[3] = {&c.h_offset, &c.s_gain, &c.v_gain};
        for (int g = 0; g < 3; ++g) {
            *byte_fields[g] = static_cast<std::uint16_t>((lanes.bytes[g][i / 4] >> byte_shift(i)) & 0xFFu);
        }
        std::uint16_t* gains[3] = {c.hs_gain, c.hv_gain, c.sv_gain};
        for (int g = 0; g < 3; ++g) {
            for (int k = 0; k < 3; ++k) {
                gains[g][k] = static_cast<std::uint16_t>((lanes.nibbles[g][i / 2] >> nibble_shift(i, k)) & 0xFu);
            }
        }
    }
}

void write_twelve(const LaneLayout& at, const Lanes& lanes) {
    for (std::uint32_t k = 0; k < 3; ++k) {
        w(at.h_offset + 4 * k, lanes.bytes[0][k]);
        w(at.s_gain + 4 * k, lanes.bytes[1][k]);
        w(at.v_gain + 4 * k, lanes.bytes[2][k]);
    }
    for (std::uint32_t k = 0; k < 6; ++k) {
        w(at.hs_gain + 4 * k, lanes.nibbles[0][k]);
        w(at.hv_gain + 4 * k, lanes.nibbles[1][k]);
        w(at.sv_gain + 4 * k, lanes.nibbles[2][k]);
    }
}

Lanes read_twelve(const LaneLayout& at) {
    Lanes lanes;
    for (std::uint32_t k = 0; k < 3; ++k) {
        lanes.bytes[0][k] = r(at.h_offset + 4 * k);
        lanes.bytes[1][k] = r(at.s_gain + 4 * k);
        lanes.bytes[2][k] = r(at.v_gain + 4 * k);
    }
    for (std::uint32_t k = 0; k < 6; ++k) {
        lanes.nibbles[0][k] = r(at.hs_gain + 4 * k);
        lanes.nibbles[1][k] = r(at.hv_gain + 4 * k);
        lanes.nibbles[2][k] = r(at.sv_gain + 4 * k);
    }
    return lanes;
}

// ---- validation ----
bool valid_matrix(const KdrRgbMatrix& m) {
    for (const auto& row : m.coef) {
        for (std::uint16_t c : row) {
            if (c > 511) return false;
        }
    }
    return m.pede <= 1023 && m.y_gain <= 255;
}

bool valid_twelve(const KdrTwelveAxes& t) {
    if (!is01(t.enb)) return false;
    for (const KdrAxisColor& c : t.color) {
        if (c.h_offset > 255 || c.s_gain > 255 || c.v_gain > 255) return false;
        for (int k = 0; k < 3; ++k) {
            if (c.hs_gain[k] > 15 || c.hv_gain[k] > 15 || c.sv_gain[k] > 15) return false;
        }
    }
    return true;
}

bool valid_drive_cutoff(const KdrDriveCutoff& d) {
    if (!is01(d.post_lutgamma) || !is01(d.drive.enb) || !is01(d.cutoff.enb)) return false;
    for (int k = 0; k < 3; ++k) {
        if (d.drive.gain[k] > 1023 || d.cutoff.offset[k] > 4095) return false;
    }
    return true;
}

// KDR_OK, KDR_ERR_PARAM (range) or KDR_ERR_ORDER (a point below its predecessor).
std::int32_t check_lut(const KdrLutGamma& l) {
    if (!is01(l.enb)) return KDR_ERR_PARAM;
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
bool valid_area(std::int32_t id, const KdrXY& v) {
    KdrOutputInfo output{};
    KdrXY other{};
    (void)get_property(KDR_DEV_OUTPUT, &output);
    if (id == KDR_DEV_AREA_TOP) {
        (void)get_property(KDR_DEV_AREA_SIZE, &other);
        return v.x >= 0 && static_cast<std::int64_t>(v.x) + other.x <= output.size.x && v.y >= 0 &&
               static_cast<std::int64_t>(v.y) + other.y <= output.size.y;
    }
    (void)get_property(KDR_DEV_AREA_TOP, &other);
    return v.x >= 16 && static_cast<std::int64_t>(other.x) + v.x <= output.size.x && v.y >= 8 &&
           static_cast<std::int64_t>(other.y) + v.y <= output.size.y;
}

// ---- sets: validation first (nothing written on failure), then words, then command ----
std::int32_t set_impl(std::int32_t id, const void* record) {
    const std::uint32_t set_cmd = kColourSet | colour_code(id);
    // The area limits read other properties, each its own sequence: checked before this one.
    if ((id == KDR_DEV_AREA_TOP || id == KDR_DEV_AREA_SIZE) && !valid_area(id, *static_cast<const KdrXY*>(record))) {
        return KDR_ERR_PARAM;
    }
    CommandSequence seq;
    switch (id) {
        case KDR_DEV_WDT: {
            const auto* v = static_cast<const std::int32_t*>(record);
            w(reg::kParam0, u(v[1]));
            w(reg::kParam1, u(v[2]));
            if (const std::int32_t res = seq.run(kWdtSet)) return res;
            status_check();
            return KDR_OK;
        }
        case KDR_DEV_TIME: {
            const std::int32_t time = *static_cast<const std::int32_t*>(record);
            w(reg::kParam0, u(time));
            if (const std::int32_t res = seq.run(kTimeSet)) return res;
            status_check();
            bridge().time = time;
            return KDR_OK;
        }
        case KDR_DEV_EDP: {
            const std::int32_t enb = *static_cast<const std::int32_t*>(record);
            if (!is01(enb)) return KDR_ERR_PARAM;
            w(S(0x00), u(enb));
            break;
        }
        case KDR_DEV_MATRIX: {
            const auto& m = *static_cast<const KdrRgbMatrix*>(record);
            if (!valid_matrix(m)) return KDR_ERR_PARAM;
            for (std::uint32_t k = 0; k < 3; ++k) w(S(0x04 + 4 * k), pair(m.coef[k][0], m.coef[k][1]));
            w(S(0x10), m.pede);
            w(S(0x14), u(m.y_gain) * 0x010101u);
            break;
        }
        case KDR_DEV_TWELVE_AXES: {
            const auto& t = *static_cast<const KdrTwelveAxes*>(record);
            if (!valid_twelve(t)) return KDR_ERR_PARAM;
            w(kTwelveSet.enb, u(t.enb));
            write_twelve(kTwelveSet, pack_twelve(t));
            break;
        }
        case KDR_DEV_DRIVE_CUTOFF: {
            const auto& d = *static_cast<const KdrDriveCutoff*>(record);
            if (!valid_drive_cutoff(d)) return KDR_ERR_PARAM;
            w(S(0x00), u(d.drive.enb));
            w(S(0x04), u(d.cutoff.enb));
            w(S(0x08), d.post_lutgamma == 1 ? 2u : 1u);
            for (std::uint32_t k = 0; k < 3; ++k) w(S(0x0C + 4 * k), pair(d.drive.gain[k], d.cutoff.offset[k]));
            break;
        }
        case KDR_DEV_LUT: {
            const auto& l = *static_cast<const KdrLutGamma*>(record);
            if (const std::int32_t res = check_lut(l)) return res;
            w(S(0x00), u(l.enb));
            w(S(0x04), l.lut[0][0]);
            w(S(0x08), l.lut[1][0]);
            w(S(0x0C), l.lut[2][0]);
            for (std::uint32_t k = 0; k < 16; ++k) {
                for (std::uint32_t c = 0; c < 3; ++c) {
                    w(S(0x10 + 0x40 * c + 4 * k), pair(l.lut[c][2 * k + 1], l.lut[c][2 * k + 2]));
                }
            }
            break;
        }
        case KDR_DEV_MUTE: {
            const auto& m = *static_cast<const KdrColorMute*>(record);
            if (!is01(m.enb[0]) || !is01(m.enb[1]) || !is01(m.enb[2])) return KDR_ERR_PARAM;
            for (std::uint32_t k = 0; k < 3; ++k) w(S(4 * k), u(m.enb[k]));
            break;
        }
        case KDR_DEV_AREA_ENABLE: {
            const std::int32_t enb = *static_cast<const std::int32_t*>(record);
            if (!is01(enb)) return KDR_ERR_PARAM;
            w(G(0x50), u(enb));
            break;
        }
        case KDR_DEV_AREA_TOP:
        case KDR_DEV_AREA_SIZE: {
            const auto& v = *static_cast<const KdrXY*>(record);
            const std::uint32_t at = id == KDR_DEV_AREA_TOP ? G(0x5C) : G(0x84);
            w(at, u(v.x));
            w(at + 4, u(v.y));
            break;
        }
        default:
            return KDR_ERR_PARAM;
    }
    return seq.run(set_cmd);
}

// ---- gets: command first, then the result words in order ----
std::int32_t get_impl(std::int32_t id, void* record) {
    CommandSequence seq;
    switch (id) {
        case KDR_DEV_FIRMINFO: {
            if (const std::int32_t res = seq.run(kFirmInfoGet)) return res;
            auto& f = *static_cast<KdrFirmInfo*>(record);
            f.version_no = r(reg::result(0));
            std::int32_t* fields[7] = {&f.firminfo_1, &f.firminfo_2, &f.firminfo_3, &f.firminfo_4,
                                       &f.firminfo_5, &f.firminfo_6, &f.firminfo_7};
            for (int i = 0; i < 7; ++i) *fields[i] = ri(reg::result(i + 1));
            return KDR_OK;
        }
        case KDR_DEV_VERSION:
            *static_cast<std::uint32_t*>(record) = kVersionNo;
            return KDR_OK;
        case KDR_DEV_WDT: {
            if (const std::int32_t res = seq.run(kWdtGet)) return res;
            status_check();
            auto& wdt = *static_cast<KdrWdtInfo*>(record);
            wdt.state = ri(reg::result(1));
            wdt.interval = ri(reg::result(2));
            wdt.err_count = ri(reg::result(3));
            wdt.kdr_count = ri(reg::result(4));
            wdt.kdr_err = ri(reg::result(5));
            return KDR_OK;
        }
        case KDR_DEV_OUTPUT: {
            if (const std::int32_t res = seq.run(kOutputGet)) return res;
            auto& o = *static_cast<KdrOutputInfo*>(record);
            o.size.x = ri(reg::result(0));
            o.size.y = ri(reg::result(1));
            o.event = r(reg::result(2));
            return KDR_OK;
        }
        case KDR_DEV_PANEL: {
            if (const std::int32_t res = seq.run(kPanelGet)) return res;
            auto& p = *static_cast<KdrXY*>(record);
            p.x = ri(reg::result(0));
            p.y = ri(reg::result(1));
            return KDR_OK;
        }
        case KDR_DEV_HDMI: {
            if (const std::int32_t res = seq.run(kHdmiGet)) return res;
            auto& h = *static_cast<KdrHdmiInfo*>(record);
            h.size.x = ri(reg::result(0));
            h.size.y = ri(reg::result(1));
            h.event = r(reg::result(2));
            const std::uint32_t scan = r(reg::result(5));
            h.scan = (scan == 1 || scan == 2) ? static_cast<std::int32_t>(scan) : 0;
            h.fps = ri(reg::result(6));
            h.format = ri(reg::result(4));
            h.bit_depth = ri(reg::result(7));
            h.detect_hdcp = r(reg::result(8)) == 2 ? 0 : 1;
            h.connect = static_cast<std::int32_t>((h.event >> 1) & 1u);
            return KDR_OK;
        }
        case KDR_DEV_TIME:
            *static_cast<std::int32_t*>(record) = bridge().time;
            return KDR_OK;
        case KDR_DEV_AUX: {
            if (const std::int32_t res = seq.run(kAuxGet)) return res;
            status_check();
            *static_cast<std::uint32_t*>(record) = r(reg::result(1));
            return KDR_OK;
        }
        default:
            break;
    }

    const std::uint32_t code = colour_code(id);
    if (code == 0) return KDR_ERR_PARAM;
    if (const std::int32_t res = seq.run(kColourGet | code)) return res;
    switch (id) {
        case KDR_DEV_EDP:
        case KDR_DEV_AREA_ENABLE:
            *static_cast<std::int32_t*>(record) = r01(id == KDR_DEV_EDP ? G(0x00) : G(0x50));
            break;
        case KDR_DEV_MATRIX: {
            auto& m = *static_cast<KdrRgbMatrix*>(record);
            for (std::uint32_t k = 0; k < 3; ++k) {
                const std::uint32_t word = r(G(0x04 + 4 * k));
                m.coef[k][0] = static_cast<std::uint16_t>(word & 0xFFFFu);
                m.coef[k][1] = static_cast<std::uint16_t>(word >> 16);
            }
            m.pede = static_cast<std::uint16_t>(r(G(0x10)) & 0xFFFFu);
            m.y_gain = static_cast<std::uint16_t>(r(G(0x14)) & 0xFFu);
            break;
        }
        case KDR_DEV_TWELVE_AXES: {
            auto& t = *static_cast<KdrTwelveAxes*>(record);
            t.enb = r01(kTwelveGet.enb);
            unpack_twelve(read_twelve(kTwelveGet), t);
            break;
        }
        case KDR_DEV_DRIVE_CUTOFF: {
            auto& d = *static_cast<KdrDriveCutoff*>(record);
            d.drive.enb = r01(G(0x00));
            d.cutoff.enb = r01(G(0x04));
            d.post_lutgamma = r(G(0x08)) == 2 ? 1 : 0;
            for (std::uint32_t k = 0; k < 3; ++k) {
                const std::uint32_t word = r(G(0x0C + 4 * k));
                d.drive.gain[k] = static_cast<std::uint16_t>(word & 0x3FFu);
                d.cutoff.offset[k] = static_cast<std::uint16_t>((word >> 16) & 0xFFFu);
            }
            break;
        }
        case KDR_DEV_LUT: {
            auto& l = *static_cast<KdrLutGamma*>(record);
            l.enb = r01(G(0x00));
            for (std::uint32_t c = 0; c < 3; ++c) l.lut[c][0] = static_cast<std::uint16_t>(r(G(0x04 + 4 * c)) & 0xFFFFu);
            for (std::uint32_t k = 0; k < 16; ++k) {
                for (std::uint32_t c = 0; c < 3; ++c) {
                    const std::uint32_t word = r(G(0x10 + 0x40 * c + 4 * k));
                    l.lut[c][2 * k + 1] = static_cast<std::uint16_t>(word & 0x3FFu);
                    l.lut[c][2 * k + 2] = static_cast<std::uint16_t>((word >> 16) & 0x3FFu);
                }
            }
            break;
        }
        case KDR_DEV_MUTE: {
            auto& m = *static_cast<KdrColorMute*>(record);
            for (std::uint32_t k = 0; k < 3; ++k) m.enb[k] = r01(G(4 * k));
            break;
        }
        case KDR_DEV_AREA_TOP:
        case KDR_DEV_AREA_SIZE: {
            auto& v = *static_cast<KdrXY*>(record);
            const std::uint32_t at = id == KDR_DEV_AREA_TOP ? G(0x5C) : G(0x84);
            v.x = ri(at);
            v.y = ri(at + 4);
            break;
        }
        default:
            return KDR_ERR_PARAM;
    }
    return KDR_OK;
}

}  // namespace

std::int32_t set_property(std::int32_t id, const void* record) {
    if (record == nullptr) return KDR_ERR_PARAM;
    try {
        return set_impl(id, record);
    } catch (const RegisterFailure&) {
        return KDR_ERR_FAIL;
    }
}

std::int32_t get_property(std::int32_t id, void* record) {
    if (record == nullptr) return KDR_ERR_PARAM;
    try {
        return get_impl(id, record);
    } catch (const RegisterFailure&) {
        return KDR_ERR_FAIL;
    }
}

std::int32_t reset_property(std::int32_t id) {
    if (id < KDR_DEV_EDP || id > KDR_DEV_AREA_SIZE) return KDR_ERR_PARAM;
    return run_command(kColourReset | colour_code(id));
}

}  // namespace tolvane
