// Device properties against the simulated controller: values, validation, packing on the
// register words the controller received, area limits and resets.
#include <algorithm>
#include <cstring>

#include "bridge/tests/BridgeFixture.h"

namespace bridgetest {
namespace {

class PropertiesTest : public BridgeTest {
protected:
    std::string MakeScenario() override {
        return R"({"firmware": {"version": "0x12345678", "info": [10, 11, 12, 13, 14, 15, 16]},
                   "watchdog": {"state": 1, "interval": 2000, "err_count": 5},
                   "output": {"width": 1920, "height": 1200}, "panel": {"width": 1920, "height": 1200},
                   "aux": "0xABCD"})";
    }

    // Register writes since the last ClearRecord, and the commands.
    std::vector<simhost::Write> Writes() { return simhost::Writes(Record()); }
    std::vector<std::uint32_t> Commands() { return simhost::Codes(Record(), 34); }

    std::uint32_t Written(std::uint32_t address) {
        std::uint32_t v = 0;
        EXPECT_TRUE(simhost::LastWrite(Record(), address, v)) << std::hex << address;
        return v;
    }
};

KdrLutGamma Ramp() {
    KdrLutGamma l{};
    l.enb = 1;
    for (int c = 0; c < 3; ++c) {
        for (int i = 0; i < 33; ++i) l.lut[c][i] = static_cast<std::uint16_t>(std::min(1023, i * 32 + c));
    }
    return l;
}

TEST_F(PropertiesTest, ReadOuts) {
    KdrFirmInfo f{};
    ASSERT_EQ(Kdr_DevGetProp(&dev_, KDR_DEV_FIRMINFO, &f), KDR_OK);
    EXPECT_EQ(f.version_no, 0x12345678u);
    EXPECT_EQ(f.firminfo_1, 10);
    EXPECT_EQ(f.firminfo_7, 16);

    std::uint32_t version = 0;
    simhost::ClearRecord();
    ASSERT_EQ(Kdr_DevGetProp(&dev_, KDR_DEV_VERSION, &version), KDR_OK);
    EXPECT_EQ(version, 0x11000200u);
    EXPECT_TRUE(Commands().empty());

    KdrWdtInfo w{};
    ASSERT_EQ(Kdr_DevGetProp(&dev_, KDR_DEV_WDT, &w), KDR_OK);
    EXPECT_EQ(w.interval, 2000);
    EXPECT_EQ(w.err_count, 5);

    KdrOutputInfo o{};
    ASSERT_EQ(Kdr_DevGetProp(&dev_, KDR_DEV_OUTPUT, &o), KDR_OK);
    EXPECT_EQ(o.size.x, 1920);
    EXPECT_EQ(o.size.y, 1200);

    KdrXY panel{};
    ASSERT_EQ(Kdr_DevGetProp(&dev_, KDR_DEV_PANEL, &panel), KDR_OK);
    EXPECT_EQ(panel.x, 1920);
    EXPECT_EQ(panel.y, 1200);

    KdrHdmiInfo h{};
    ASSERT_EQ(Kdr_DevGetProp(&dev_, KDR_DEV_HDMI, &h), KDR_OK);
    EXPECT_EQ(h.size.x, 1920);
    EXPECT_EQ(h.size.y, 1080);
    EXPECT_EQ(h.connect, 1);
    EXPECT_EQ(h.scan, 2);
    EXPECT_EQ(h.fps, 8);
    EXPECT_EQ(h.format, 1);
    EXPECT_EQ(h.bit_depth, 8);
    EXPECT_EQ(h.detect_hdcp, 0);

    std::uint32_t aux = 0;
    ASSERT_EQ(Kdr_DevGetProp(&dev_, KDR_DEV_AUX, &aux), KDR_OK);
    EXPECT_EQ(aux, 0xABCDu);
}

TEST_F(PropertiesTest, HdmiWithoutCable) {
    MrcSimHdmi in{};
    in.state = 0;
    in.width = 1920;
    in.height = 1080;
    in.fps_code = 8;
    in.scan = 2;
    in.format = 1;
    in.bit_depth = 8;
    simhost::SetHdmi(in);
    KdrHdmiInfo h{};
    ASSERT_EQ(Kdr_DevGetProp(&dev_, KDR_DEV_HDMI, &h), KDR_OK);
    EXPECT_EQ(h.connect, 0);
}

TEST_F(PropertiesTest, TimeIsCached) {
    std::int32_t t = 0;
    ASSERT_EQ(Kdr_DevGetProp(&dev_, KDR_DEV_TIME, &t), KDR_OK);
    EXPECT_EQ(t, 20);
    t = 33;
    ASSERT_EQ(Kdr_DevSetProp(&dev_, KDR_DEV_TIME, &t), KDR_OK);
    EXPECT_EQ(Written(0x0E100340u), 33u);
    simhost::FailCommand(34, 0x50001u, MRCSIM_FAULT_FAIL, 1, 0);
    t = 44;
    EXPECT_EQ(Kdr_DevSetProp(&dev_, KDR_DEV_TIME, &t), KDR_ERR_FAIL);
    simhost::ClearRecord();
    ASSERT_EQ(Kdr_DevGetProp(&dev_, KDR_DEV_TIME, &t), KDR_OK);
    EXPECT_EQ(t, 33);
    EXPECT_TRUE(Commands().empty());
}

TEST_F(PropertiesTest, WatchdogInit) {
    ASSERT_EQ(Kdr_DevWdtInit(&dev_, 3000, 7), KDR_OK);
    const auto w = Writes();
    ASSERT_GE(w.size(), 2u);
    EXPECT_EQ(w[0], (simhost::Write{0x0E100340u, 3000u}));
    EXPECT_EQ(w[1], (simhost::Write{0x0E100344u, 7u}));
    EXPECT_EQ(Commands(), std::vector<std::uint32_t>{0x00001u});
    const KdrWdtInfo rec{0, 100, 2, 0, 0};
    ASSERT_EQ(Kdr_DevSetProp(&dev_, KDR_DEV_WDT, &rec), KDR_OK);
    EXPECT_EQ(Written(0x0E100340u), 100u);
    EXPECT_EQ(Written(0x0E100344u), 2u);
}

TEST_F(PropertiesTest, EdpAndMuteAndAreaEnableRoundTrip) {
    std::int32_t v = 1;
    ASSERT_EQ(Kdr_DevSetProp(&dev_, KDR_DEV_EDP, &v), KDR_OK);
    EXPECT_EQ(Written(0x0E100700u), 1u);
    v = 0;
    ASSERT_EQ(Kdr_DevGetProp(&dev_, KDR_DEV_EDP, &v), KDR_OK);
    EXPECT_EQ(v, 1);
    v = 2;
    EXPECT_EQ(Kdr_DevSetProp(&dev_, KDR_DEV_EDP, &v), KDR_ERR_PARAM);

    const KdrColorMute m{{1, 0, 1}};
    ASSERT_EQ(Kdr_DevSetProp(&dev_, KDR_DEV_MUTE, &m), KDR_OK);
    KdrColorMute back{};
    ASSERT_EQ(Kdr_DevGetProp(&dev_, KDR_DEV_MUTE, &back), KDR_OK);
    EXPECT_EQ(back.enb[0], 1);
    EXPECT_EQ(back.enb[1], 0);
    EXPECT_EQ(back.enb[2], 1);

    v = 1;
    ASSERT_EQ(Kdr_DevSetProp(&dev_, KDR_DEV_AREA_ENABLE, &v), KDR_OK);
    EXPECT_EQ(Written(0x0E100850u), 1u);
    v = 0;
    ASSERT_EQ(Kdr_DevGetProp(&dev_, KDR_DEV_AREA_ENABLE, &v), KDR_OK);
    EXPECT_EQ(v, 1);
}

TEST_F(PropertiesTest, MatrixPacking) {
    KdrRgbMatrix m{};
    m.coef[0][0] = 0x101;
    m.coef[0][1] = 0x1FF;
    m.coef[1][0] = 2;
    m.coef[1][1] = 3;
    m.coef[2][0] = 4;
    m.coef[2][1] = 5;
    m.pede = 1023;
    m.y_gain = 0x12;
    ASSERT_EQ(Kdr_DevSetProp(&dev_, KDR_DEV_MATRIX, &m), KDR_OK);
    const std::vector<simhost::Write> expected = {{0x0E100704u, 0x01FF0101u}, {0x0E100708u, 0x00030002u},
                                                  {0x0E10070Cu, 0x00050004u}, {0x0E100710u, 1023u},
                                                  {0x0E100714u, 0x121212u}};
    EXPECT_EQ(Writes(), expected);
    EXPECT_EQ(Commands(), std::vector<std::uint32_t>{0x80002u});
    KdrRgbMatrix back{};
    ASSERT_EQ(Kdr_DevGetProp(&dev_, KDR_DEV_MATRIX, &back), KDR_OK);
    EXPECT_EQ(0, std::memcmp(&m, &back, sizeof m));

    simhost::ClearRecord();
    m.coef[2][1] = 512;
    EXPECT_EQ(Kdr_DevSetProp(&dev_, KDR_DEV_MATRIX, &m), KDR_ERR_PARAM);
    m.coef[2][1] = 5;
    m.y_gain = 256;
    EXPECT_EQ(Kdr_DevSetProp(&dev_, KDR_DEV_MATRIX, &m), KDR_ERR_PARAM);
    m.y_gain = 0;
    m.pede = 1024;
    EXPECT_EQ(Kdr_DevSetProp(&dev_, KDR_DEV_MATRIX, &m), KDR_ERR_PARAM);
    EXPECT_TRUE(Writes().empty());
    EXPECT_TRUE(Commands().empty());
}

TEST_F(PropertiesTest, DriveCutoffPacking) {
    KdrDriveCutoff d{};
    d.post_lutgamma = 0;
    d.drive.enb = 1;
    d.drive.gain[0] = 1023;
    d.drive.gain[1] = 1;
    d.drive.gain[2] = 2;
    d.cutoff.enb = 0;
    d.cutoff.offset[0] = 4095;
    d.cutoff.offset[1] = 3;
    d.cutoff.offset[2] = 4;
    ASSERT_EQ(Kdr_DevSetProp(&dev_, KDR_DEV_DRIVE_CUTOFF, &d), KDR_OK);
    const std::vector<simhost::Write> expected = {{0x0E100700u, 1u}, {0x0E100704u, 0u}, {0x0E100708u, 1u},
                                                  {0x0E10070Cu, 0x0FFF03FFu}, {0x0E100710u, 0x00030001u},
                                                  {0x0E100714u, 0x00040002u}};
    EXPECT_EQ(Writes(), expected);
    KdrDriveCutoff back{};
    ASSERT_EQ(Kdr_DevGetProp(&dev_, KDR_DEV_DRIVE_CUTOFF, &back), KDR_OK);
    EXPECT_EQ(back.post_lutgamma, 0);
    EXPECT_EQ(back.drive.enb, 1);
    EXPECT_EQ(back.drive.gain[0], 1023);
    EXPECT_EQ(back.cutoff.offset[0], 4095);
    EXPECT_EQ(back.cutoff.offset[2], 4);

    simhost::ClearRecord();
    d.post_lutgamma = 1;
    ASSERT_EQ(Kdr_DevSetProp(&dev_, KDR_DEV_DRIVE_CUTOFF, &d), KDR_OK);
    EXPECT_EQ(Written(0x0E100708u), 2u);
    ASSERT_EQ(Kdr_DevGetProp(&dev_, KDR_DEV_DRIVE_CUTOFF, &back), KDR_OK);
    EXPECT_EQ(back.post_lutgamma, 1);

    d.cutoff.offset[1] = 4096;
    EXPECT_EQ(Kdr_DevSetProp(&dev_, KDR_DEV_DRIVE_CUTOFF, &d), KDR_ERR_PARAM);
    d.cutoff.offset[1] = 0;
    d.post_lutgamma = 2;
    EXPECT_EQ(Kdr_DevSetProp(&dev_, KDR_DEV_DRIVE_CUTOFF, &d), KDR_ERR_PARAM);
}

TEST_F(PropertiesTest, TwelveAxesPacking) {
    KdrTwelveAxes t{};
    t.enb = 1;
    t.color[5].h_offset = 0xAB;
    t.color[5].hs_gain[0] = 7;
    t.color[0].v_gain = 0x12;
    t.color[11].sv_gain[2] = 0xF;
    t.color[4].hv_gain[1] = 9;
    ASSERT_EQ(Kdr_DevSetProp(&dev_, KDR_DEV_TWELVE_AXES, &t), KDR_OK);
    const auto w = Writes();
    ASSERT_EQ(w.size(), 1u + 9u + 18u);
    EXPECT_EQ(w[0], (simhost::Write{0x0E100790u, 1u}));
    // Order: per word index the h_offset, s_gain and v_gain words; then the nibble lanes.
    EXPECT_EQ(w[1].address, 0x0E100794u);
    EXPECT_EQ(w[2].address, 0x0E1007A0u);
    EXPECT_EQ(w[3].address, 0x0E1007C4u);
    EXPECT_EQ(w[4].address, 0x0E100798u);
    EXPECT_EQ(w[10].address, 0x0E1007D0u);
    EXPECT_EQ(w[11].address, 0x0E100800u);
    EXPECT_EQ(w[12].address, 0x0E100818u);
    EXPECT_EQ(Written(0x0E100798u), 0x00AB0000u);        // colour 5: bits 16-23 of word 1
    EXPECT_EQ(Written(0x0E1007D8u), 0x00000700u);        // colour 5 (odd): nibble 2 of word 2
    EXPECT_EQ(Written(0x0E1007C4u), 0x12000000u);        // colour 0: top byte
    EXPECT_EQ(Written(0x0E10082Cu), 0x0000000Fu);        // colour 11 sv_gain[2]: nibble 0 of word 5
    EXPECT_EQ(Written(0x0E100808u), 0x00090000u);        // colour 4 (even) hv_gain[1]: nibble 4 of word 2
    EXPECT_EQ(Commands(), std::vector<std::uint32_t>{0x80003u});
    KdrTwelveAxes back{};
    ASSERT_EQ(Kdr_DevGetProp(&dev_, KDR_DEV_TWELVE_AXES, &back), KDR_OK);
    EXPECT_EQ(0, std::memcmp(&t, &back, sizeof t));

    t.color[3].hv_gain[2] = 16;
    EXPECT_EQ(Kdr_DevSetProp(&dev_, KDR_DEV_TWELVE_AXES, &t), KDR_ERR_PARAM);
    t.color[3].hv_gain[2] = 0;
    t.color[3].s_gain = 256;
    EXPECT_EQ(Kdr_DevSetProp(&dev_, KDR_DEV_TWELVE_AXES, &t), KDR_ERR_PARAM);
}

TEST_F(PropertiesTest, LutPackingAndRoundTrip) {
    const KdrLutGamma l = Ramp();
    ASSERT_EQ(Kdr_DevSetProp(&dev_, KDR_DEV_LUT, &l), KDR_OK);
    const auto w = Writes();
    ASSERT_EQ(w.size(), 4u + 48u);
    EXPECT_EQ(w[0], (simhost::Write{0x0E100700u, 1u}));
    EXPECT_EQ(w[1], (simhost::Write{0x0E100704u, l.lut[0][0]}));
    EXPECT_EQ(w[2], (simhost::Write{0x0E100708u, l.lut[1][0]}));
    EXPECT_EQ(w[3], (simhost::Write{0x0E10070Cu, l.lut[2][0]}));
    // k = 0: R, G, B words before k = 1.
    EXPECT_EQ(w[4], (simhost::Write{0x0E100710u, (std::uint32_t{l.lut[0][2]} << 16) | l.lut[0][1]}));
    EXPECT_EQ(w[5], (simhost::Write{0x0E100750u, (std::uint32_t{l.lut[1][2]} << 16) | l.lut[1][1]}));
    EXPECT_EQ(w[6], (simhost::Write{0x0E100790u, (std::uint32_t{l.lut[2][2]} << 16) | l.lut[2][1]}));
    EXPECT_EQ(w[7].address, 0x0E100714u);
    EXPECT_EQ(w[51], (simhost::Write{0x0E1007CCu, (std::uint32_t{l.lut[2][32]} << 16) | l.lut[2][31]}));
    KdrLutGamma back{};
    ASSERT_EQ(Kdr_DevGetProp(&dev_, KDR_DEV_LUT, &back), KDR_OK);
    EXPECT_EQ(0, std::memcmp(&l, &back, sizeof l));
}

TEST_F(PropertiesTest, LutRangeIsCheckedBeforeOrder) {
    KdrLutGamma l = Ramp();
    l.lut[0][5] = static_cast<std::uint16_t>(l.lut[0][4] - 1);
    EXPECT_EQ(Kdr_DevSetProp(&dev_, KDR_DEV_LUT, &l), KDR_ERR_ORDER);
    l.lut[2][32] = 1024;  // a range error anywhere wins over the order error
    EXPECT_EQ(Kdr_DevSetProp(&dev_, KDR_DEV_LUT, &l), KDR_ERR_PARAM);
    l = Ramp();
    l.enb = 2;
    EXPECT_EQ(Kdr_DevSetProp(&dev_, KDR_DEV_LUT, &l), KDR_ERR_PARAM);
    l = Ramp();
    l.lut[1][10] = l.lut[1][9];  // equal neighbours are fine
    EXPECT_EQ(Kdr_DevSetProp(&dev_, KDR_DEV_LUT, &l), KDR_OK);
    simhost::ClearRecord();
    l.lut[2][20] = 0;
    EXPECT_EQ(Kdr_DevSetProp(&dev_, KDR_DEV_LUT, &l), KDR_ERR_ORDER);
    EXPECT_TRUE(Writes().empty());
    EXPECT_TRUE(Commands().empty());
}

TEST_F(PropertiesTest, AreaLimits) {
    KdrXY size{100, 50};
    ASSERT_EQ(Kdr_DevSetProp(&dev_, KDR_DEV_AREA_SIZE, &size), KDR_OK);
    EXPECT_EQ(Written(0x0E100884u), 100u);
    EXPECT_EQ(Written(0x0E100888u), 50u);
    KdrXY top{1820, 1150};  // 1820 + 100 = 1920, 1150 + 50 = 1200
    ASSERT_EQ(Kdr_DevSetProp(&dev_, KDR_DEV_AREA_TOP, &top), KDR_OK);
    EXPECT_EQ(Written(0x0E10085Cu), 1820u);
    KdrXY back{};
    ASSERT_EQ(Kdr_DevGetProp(&dev_, KDR_DEV_AREA_TOP, &back), KDR_OK);
    EXPECT_EQ(back.x, 1820);
    EXPECT_EQ(back.y, 1150);
    ASSERT_EQ(Kdr_DevGetProp(&dev_, KDR_DEV_AREA_SIZE, &back), KDR_OK);
    EXPECT_EQ(back.x, 100);

    simhost::ClearRecord();
    top = {1821, 0};
    EXPECT_EQ(Kdr_DevSetProp(&dev_, KDR_DEV_AREA_TOP, &top), KDR_ERR_PARAM);
    top = {-1, 0};
    EXPECT_EQ(Kdr_DevSetProp(&dev_, KDR_DEV_AREA_TOP, &top), KDR_ERR_PARAM);
    top = {0, 1151};
    EXPECT_EQ(Kdr_DevSetProp(&dev_, KDR_DEV_AREA_TOP, &top), KDR_ERR_PARAM);
    size = {15, 8};
    EXPECT_EQ(Kdr_DevSetProp(&dev_, KDR_DEV_AREA_SIZE, &size), KDR_ERR_PARAM);
    size = {16, 7};
    EXPECT_EQ(Kdr_DevSetProp(&dev_, KDR_DEV_AREA_SIZE, &size), KDR_ERR_PARAM);
    size = {101, 50};  // top.x 1820 + 101 > 1920
    EXPECT_EQ(Kdr_DevSetProp(&dev_, KDR_DEV_AREA_SIZE, &size), KDR_ERR_PARAM);
    // The limits were read (output and the other area value), nothing was written.
    EXPECT_TRUE(Writes().empty());
    const auto codes = Commands();
    EXPECT_NE(std::find(codes.begin(), codes.end(), 0x70001u), codes.end());
    EXPECT_NE(std::find(codes.begin(), codes.end(), 0x90013u), codes.end());
    EXPECT_NE(std::find(codes.begin(), codes.end(), 0x90012u), codes.end());
    size = {16, 8};
    EXPECT_EQ(Kdr_DevSetProp(&dev_, KDR_DEV_AREA_SIZE, &size), KDR_OK);
}

TEST_F(PropertiesTest, ResetIdsNineToSeventeenOnly) {
    const std::uint32_t codes[] = {0xA0001u, 0xA0002u, 0xA0003u, 0xA0004u, 0xA0005u,
                                   0xA0006u, 0xA0011u, 0xA0012u, 0xA0013u};
    for (std::int32_t id = 9; id <= 17; ++id) {
        simhost::ClearRecord();
        EXPECT_EQ(Kdr_DevResetProp(&dev_, id), KDR_OK) << id;
        EXPECT_EQ(Commands(), std::vector<std::uint32_t>{codes[id - 9]}) << id;
    }
    simhost::ClearRecord();
    for (std::int32_t id : {0, 1, 7, 8, 18, -1}) EXPECT_EQ(Kdr_DevResetProp(&dev_, id), KDR_ERR_PARAM) << id;
    EXPECT_TRUE(Commands().empty());
}

TEST_F(PropertiesTest, UnlistedIds) {
    std::uint8_t buffer[512] = {};
    for (std::int32_t id : {0, 1, 2, 4, 5, 6, 8, 18, 100, -3}) {
        EXPECT_EQ(Kdr_DevSetProp(&dev_, id, buffer), KDR_ERR_PARAM) << id;
    }
    for (std::int32_t id : {0, 18, 100, -3}) EXPECT_EQ(Kdr_DevGetProp(&dev_, id, buffer), KDR_ERR_PARAM) << id;
}

TEST_F(PropertiesTest, RegisterFaultFailsTheStep) {
    simhost::FailRegister(0x0E100548u, MRCSIM_REG_READ, 1);
    KdrFirmInfo info{};
    info.firminfo_7 = 77;
    EXPECT_EQ(Kdr_DevGetProp(&dev_, KDR_DEV_FIRMINFO, &info), KDR_ERR_FAIL);
    EXPECT_EQ(info.version_no, 0x12345678u);  // read before the failure
    EXPECT_EQ(info.firminfo_7, 77);           // left as it was
}

}  // namespace
}  // namespace bridgetest
