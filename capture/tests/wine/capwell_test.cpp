// Capwell.dll under Wine with the real bridge (Tolvane.dll) and the
// controller simulator (Merrowcom.dll).
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "capture/tests/wine/CapwellHarness.h"
#include "tests/support/CwProcess.h"

using namespace cwtest;

namespace {

// 0x11000200: the supported firmware; the watchdog has not fired.
const char* const kGoodScenario =
    "{\"firmware\": {\"version\": 285213184}, \"watchdog\": {\"state\": 1, \"interval\": 2000, "
    "\"err_count\": 5, \"kdr_count\": 0, \"kdr_err\": 0}, \"output\": {\"width\": 1920, \"height\": 1080}}";

const wchar_t kClassKey[] =
    L"System\\CurrentControlSet\\Control\\Class\\{4d36e96c-e325-11ce-bfc1-08002be10318}\\0050";

constexpr uint32_t kCmdMatrix = 0x80002, kCmdAxes = 0x80003, kCmdDriveCutoff = 0x80004,
                   kCmdLut = 0x80005, kCmdMute = 0x80006, kCmdResume = 0xB0011;

// Sets or (value null) deletes a value of the simulated driver's class key;
// restores the installed value at scope end.
class DriverValue {
public:
    DriverValue(const wchar_t* name, const wchar_t* value)
        : DriverValue(name, value, value != nullptr ? static_cast<DWORD>((wcslen(value) + 1) * sizeof(wchar_t)) : 0) {}
    // Stores `bytes` bytes of `value` as they are: no terminator, any length.
    DriverValue(const wchar_t* name, const void* value, DWORD bytes) : name_(name) {
        HKEY key = nullptr;
        RegOpenKeyExW(HKEY_LOCAL_MACHINE, kClassKey, 0, KEY_READ | KEY_WRITE, &key);
        wchar_t old[260] = {};
        DWORD size = sizeof old - sizeof(wchar_t);
        had_ = RegQueryValueExW(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(old), &size) ==
               ERROR_SUCCESS;
        old_ = old;
        if (value != nullptr)
            RegSetValueExW(key, name, 0, REG_SZ, static_cast<const BYTE*>(value), bytes);
        else
            RegDeleteValueW(key, name);
        RegCloseKey(key);
    }
    ~DriverValue() {
        HKEY key = nullptr;
        RegOpenKeyExW(HKEY_LOCAL_MACHINE, kClassKey, 0, KEY_WRITE, &key);
        if (had_)
            RegSetValueExW(key, name_.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(old_.c_str()),
                           static_cast<DWORD>((old_.size() + 1) * sizeof(wchar_t)));
        else
            RegDeleteValueW(key, name_.c_str());
        RegCloseKey(key);
    }

private:
    std::wstring name_, old_;
    bool had_ = false;
};

class CapwellTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(sim.Load()) << "Merrowcom.dll with its control API";
        desktop_ = std::make_unique<ScopedDesktop>();
        ASSERT_NE(DesktopFolder().find("capwell_desktop"), std::string::npos) << DesktopFolder();
        ASSERT_EQ(sim.Reset(kGoodScenario), 0) << sim.LastError();
        DeleteFileA(ApiLogPath().c_str());
        RemoveDirectoryA(ApiLogFolder().c_str());
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        trace_ = std::wstring(temp) + L"capwell_reports.txt";
        DeleteFileW(trace_.c_str());
        env_ = std::make_unique<ScopedEnv>(L"CAPWELL_REPORT_FILE", trace_.c_str());
        ASSERT_TRUE(cpw.Load()) << "all 38 exports resolve";
    }
    void TearDown() override {
        if (cpw.module != nullptr) cpw.Cpw_Finalize();
        cpw.Unload();
        sim.ClearFaults();
    }

    static CpwInitParams Params(uint32_t api_log = 1) {
        CpwInitParams p{};
        const wchar_t name[] = L"CapwellTest";
        std::memcpy(p.name, name, sizeof name);
        p.interval = 16;
        p.audio_delay = 20;
        p.wdt_interval = 2000;
        p.wdt_err_count = 5;
        p.api_log = api_log;
        return p;
    }

    // A fresh load of the library (one initialisation per load).
    void Reload() {
        cpw.Cpw_Finalize();
        cpw.Unload();
        ASSERT_TRUE(cpw.Load());
    }

    std::vector<std::string> Reports() const { return Lines(ReadFileText(trace_)); }

    // Lets the worker run its passes and the simulator settle.
    void Settle(DWORD ms = 120) {
        Sleep(ms);
        sim.WaitIdle(2000);
    }

    std::vector<std::string> LogLines() const { return Lines(ReadFileText(ApiLogPath())); }

    // Log lines without their time stamp (the first two fields: date, time).
    // Continuation lines of multi-line entries stay as they are.
    std::vector<std::string> LogTails() const {
        std::vector<std::string> out;
        for (const auto& l : LogLines()) {
            const size_t c = l.find(',');
            const size_t d = c == std::string::npos ? c : l.find(',', c + 1);
            out.push_back(d == std::string::npos || l.rfind("\t", 0) == 0 ? l : l.substr(d + 1));
        }
        return out;
    }

    CapwellApi cpw;
    SimApi sim;
    std::wstring trace_;
    std::unique_ptr<ScopedEnv> env_;
    std::unique_ptr<ScopedDesktop> desktop_;
};

// Resource counts with the transient handles of the simulator's and Wine's
// background threads filtered out: the least of a few samples. A leak stays
// in every sample.
ResourceCounts SettledCounts() {
    ResourceCounts least = CurrentResourceCounts();
    for (int i = 0; i < 6; ++i) {
        Sleep(20);
        const ResourceCounts c = CurrentResourceCounts();
        least.threads = std::min(least.threads, c.threads);
        least.handles = std::min(least.handles, c.handles);
        least.gdi = std::min(least.gdi, c.gdi);
        least.user = std::min(least.user, c.user);
    }
    return least;
}

bool Contains(const std::vector<std::string>& lines, const std::string& text) {
    for (const auto& l : lines)
        if (l == text) return true;
    return false;
}

int CountPrefix(const std::vector<std::string>& lines, const std::string& prefix) {
    int n = 0;
    for (const auto& l : lines) n += l.rfind(prefix, 0) == 0;
    return n;
}

}  // namespace

// ---- Initialisation -------------------------------------------------------

TEST_F(CapwellTest, InitializeRejectsEachBoundsNeighbour) {
    struct Case {
        const char* what;
        void (*set)(CpwInitParams&);
    };
    const Case bad[] = {
        {"empty name", [](CpwInitParams& p) { p.name[0] = 0; }},
        {"interval 0", [](CpwInitParams& p) { p.interval = 0; }},
        {"interval 1001", [](CpwInitParams& p) { p.interval = 1001; }},
        {"audio_delay 1", [](CpwInitParams& p) { p.audio_delay = 1; }},
        {"audio_delay 161", [](CpwInitParams& p) { p.audio_delay = 161; }},
        {"wdt_interval 0", [](CpwInitParams& p) { p.wdt_interval = 0; }},
        {"wdt_interval 10001", [](CpwInitParams& p) { p.wdt_interval = 10001; }},
        {"wdt_err_count 0", [](CpwInitParams& p) { p.wdt_err_count = 0; }},
        {"wdt_err_count 11", [](CpwInitParams& p) { p.wdt_err_count = 11; }},
    };
    for (const auto& c : bad) {
        CpwInitParams p = Params();
        c.set(p);
        EXPECT_EQ(cpw.Cpw_Initialize(&p), CPW_E_PARAM) << c.what;
    }
    EXPECT_EQ(cpw.Cpw_Initialize(nullptr), CPW_E_NULL);
    MrcSimStatus st{};
    sim.GetStatus(&st);
    EXPECT_EQ(st.session_open, 0u) << "nothing was opened";
    EXPECT_EQ(GetFileAttributesA(ApiLogFolder().c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(CapwellTest, InitializeAcceptsEachBound) {
    struct Case {
        const char* what;
        void (*set)(CpwInitParams&);
    };
    const Case good[] = {
        {"interval 1", [](CpwInitParams& p) { p.interval = 1; }},
        {"interval 1000", [](CpwInitParams& p) { p.interval = 1000; }},
        {"audio_delay 2", [](CpwInitParams& p) { p.audio_delay = 2; }},
        {"audio_delay 160", [](CpwInitParams& p) { p.audio_delay = 160; }},
        {"wdt_interval 1", [](CpwInitParams& p) { p.wdt_interval = 1; }},
        {"wdt_interval 10000", [](CpwInitParams& p) { p.wdt_interval = 10000; }},
        {"wdt_err_count 1", [](CpwInitParams& p) { p.wdt_err_count = 1; }},
        {"wdt_err_count 10", [](CpwInitParams& p) { p.wdt_err_count = 10; }},
    };
    for (const auto& c : good) {
        CpwInitParams p = Params(0);
        c.set(p);
        EXPECT_EQ(cpw.Cpw_Initialize(&p), CPW_OK) << c.what;
        Reload();
    }
}

TEST_F(CapwellTest, SecondInitializeChangesNothing) {
    CpwInitParams p = Params();
    ASSERT_EQ(cpw.Cpw_Initialize(&p), CPW_OK);
    Settle();
    const size_t lines = LogLines().size();
    p.interval = 0;  // ranges are still checked first
    EXPECT_EQ(cpw.Cpw_Initialize(&p), CPW_E_PARAM);
    p = Params();
    EXPECT_EQ(cpw.Cpw_Initialize(&p), CPW_OK);
    Settle();
    EXPECT_EQ(LogLines().size(), lines) << "no bridge call";
}

TEST_F(CapwellTest, FirmwareWords) {
    struct Case {
        uint32_t word;
        CpwResult result;
        const char* report;
    };
    const Case cases[] = {
        {0x11ABCD00u, CPW_OK, nullptr},
        {0x11000001u, CPW_E_FIRMWARE, "Firmware version is new."},
        {0x10FFFF00u, CPW_E_FIRMWARE, "Firmware version is old."},
    };
    for (const auto& c : cases) {
        char json[256];
        std::snprintf(json, sizeof json,
                      "{\"firmware\": {\"version\": %u}, \"watchdog\": {\"err_count\": 5}}", c.word);
        ASSERT_EQ(sim.Reset(json), 0) << sim.LastError();
        DeleteFileW(trace_.c_str());
        CpwInitParams p = Params(0);
        EXPECT_EQ(cpw.Cpw_Initialize(&p), c.result) << std::hex << c.word;
        if (c.report != nullptr) {
            EXPECT_EQ(Reports(), std::vector<std::string>{c.report}) << std::hex << c.word;
            CpwVersion v{};
            EXPECT_EQ(cpw.Cpw_GetFirmwareVersion(&v), CPW_E_NOT_READY) << "not initialised";
            MrcSimStatus st{};
            sim.GetStatus(&st);
            EXPECT_EQ(st.session_open, 0u) << "a failed start closes its session";
        } else {
            EXPECT_TRUE(Reports().empty());
            CpwVersion v{};
            ASSERT_EQ(cpw.Cpw_GetFirmwareVersion(&v), CPW_OK);
            EXPECT_EQ(v.major, 1);
            EXPECT_EQ(v.minor, 1);
            EXPECT_EQ(v.revision, 0xABCD);
            EXPECT_EQ(v.build, 0);
        }
        Reload();
    }
}

TEST_F(CapwellTest, DriverTexts) {
    {
        CpwInitParams p = Params(0);
        ASSERT_EQ(cpw.Cpw_Initialize(&p), CPW_OK) << "1.9.300.0 from the .reg install, matched ignoring case";
        CpwVersion v{};
        ASSERT_EQ(cpw.Cpw_GetDriverVersion(&v), CPW_OK);
        EXPECT_EQ(v.major, 1);
        EXPECT_EQ(v.minor, 9);
        EXPECT_EQ(v.revision, 300);
        EXPECT_EQ(v.build, 0);
        Reload();
    }
    struct Case {
        const wchar_t* name;
        const wchar_t* value;
        CpwResult result;
        const char* report;
    };
    const Case cases[] = {
        {L"DriverVersion", L"1.0.0.1", CPW_E_DRIVER, "Driver version is new."},
        {L"DriverVersion", L"0.9.0.0", CPW_E_DRIVER, "Driver version is old."},
        {L"MatchingDeviceId", nullptr, CPW_E_START, "Driver not found."},
        {L"DriverVersion", L"1.9.x.0", CPW_E_START, "Driver version is API Error."},
        {L"DriverVersion", L"1.9.300", CPW_E_START, "Driver version is API Error."},
    };
    {
        // Stored without a terminator and with one stray byte after the text:
        // the text ends with its last whole character.
        const wchar_t text[] = L"1.9.300.0" L"7";
        DriverValue change(L"DriverVersion", text, static_cast<DWORD>(9 * sizeof(wchar_t) + 1));
        CpwInitParams p = Params(0);
        ASSERT_EQ(cpw.Cpw_Initialize(&p), CPW_OK);
        CpwVersion v{};
        ASSERT_EQ(cpw.Cpw_GetDriverVersion(&v), CPW_OK);
        EXPECT_EQ(v.revision, 300);
        EXPECT_EQ(v.build, 0);
        Reload();
    }
    for (const auto& c : cases) {
        DriverValue change(c.name, c.value);
        DeleteFileW(trace_.c_str());
        CpwInitParams p = Params(0);
        EXPECT_EQ(cpw.Cpw_Initialize(&p), c.result) << c.report;
        EXPECT_EQ(Reports(), std::vector<std::string>{c.report});
        Reload();
    }
}

TEST_F(CapwellTest, FinalizedLibraryAnswersOneEverywhere) {
    CpwInitParams p = Params(0);
    ASSERT_EQ(cpw.Cpw_Initialize(&p), CPW_OK);
    ASSERT_EQ(cpw.Cpw_Finalize(), CPW_OK);
    CpwVersion v{};
    uint32_t u = 0;
    CpwVideoState st{};
    CpwHdmiInfo hi{};
    CpwCaptureFrame* f = nullptr;
    RECT r{0, 0, 10, 10};
    CpwZoomRect z{0, 0, 10, 10};
    CpwLutGammaLut lut{};
    CpwRgbMatrix m{};
    CpwDriveGain g{};
    CpwCutoffOffset o{};
    CpwTwelveAxes a{};
    uint16_t three[3];
    const CpwResult results[] = {
        cpw.Cpw_Initialize(&p), cpw.Cpw_Finalize(), cpw.Cpw_GetApiVersion(&v),
        cpw.Cpw_GetFirmwareVersion(&v), cpw.Cpw_GetDriverVersion(&v),
        cpw.Cpw_RegisterNotifyWindowMessage(GetDesktopWindow()), cpw.Cpw_UnRegisterNotifyWindowMessage(),
        cpw.Cpw_GetNotifyWindowMessageCode(&u), cpw.Cpw_SetState(0, 1, 1), cpw.Cpw_GetState(&st),
        cpw.Cpw_GetHdmiInfo(&hi), cpw.Cpw_GetCaptureData(&f), cpw.Cpw_ReleaseCaptureData(),
        cpw.Cpw_SetVideoPosition(&r), cpw.Cpw_ZoomVideo(&z), cpw.Cpw_ResetZoomVideo(),
        cpw.Cpw_SaveBitmapImage(L"x.bmp"), cpw.Cpw_SetLutGammaLut(&lut), cpw.Cpw_ResetLutGammaLut(0),
        cpw.Cpw_GetDefaultLutGammaLut(0, &lut), cpw.Cpw_SetRgbMatrix(&m), cpw.Cpw_ResetRgbMatrix(),
        cpw.Cpw_GetDefaultRgbMatrix(&m), cpw.Cpw_SetDriveCutoffPos(1), cpw.Cpw_ResetDriveCutoffPos(),
        cpw.Cpw_GetDefaultDriveCutoffPos(&u), cpw.Cpw_SetDriveGain(&g), cpw.Cpw_ResetDriveGain(),
        cpw.Cpw_GetDefaultDriveGain(three), cpw.Cpw_SetCutoffOffset(&o), cpw.Cpw_ResetCutoffOffset(),
        cpw.Cpw_GetDefaultCutoffOffset(three), cpw.Cpw_SetColorMuteEnable(1, 1, 1), cpw.Cpw_ResetColorMute(),
        cpw.Cpw_SetTwelveAxes(&a), cpw.Cpw_ResetTwelveAxes(0), cpw.Cpw_GetDefaultTwelveAxes(0, &a),
        cpw.Cpw_ResetColorSetting(),
    };
    ASSERT_EQ(sizeof results / sizeof results[0], 38u);
    for (size_t i = 0; i < 38; ++i) EXPECT_EQ(results[i], CPW_E_NOT_READY) << "export #" << i;
    MrcSimStatus s{};
    sim.GetStatus(&s);
    EXPECT_EQ(s.session_open, 0u);
}

TEST_F(CapwellTest, CheckOrderBeforeInitialisation) {
    CpwVersion v{};
    uint32_t code = 0;
    EXPECT_EQ(cpw.Cpw_GetApiVersion(nullptr), CPW_E_NULL);
    EXPECT_EQ(cpw.Cpw_GetApiVersion(&v), CPW_E_NOT_READY);
    EXPECT_EQ(cpw.Cpw_RegisterNotifyWindowMessage(reinterpret_cast<CpwWindow>(uintptr_t{0x1234})),
              CPW_E_PARAM) << "not a window: 7 even before initialisation";
    EXPECT_EQ(cpw.Cpw_RegisterNotifyWindowMessage(GetDesktopWindow()), CPW_E_NOT_READY);
    EXPECT_EQ(cpw.Cpw_GetNotifyWindowMessageCode(nullptr), CPW_E_NULL);
    EXPECT_EQ(cpw.Cpw_GetNotifyWindowMessageCode(&code), CPW_E_NOT_READY);
    EXPECT_EQ(cpw.Cpw_GetDefaultTwelveAxes(3, nullptr), CPW_E_NULL);
    CpwTwelveAxes a{};
    EXPECT_EQ(cpw.Cpw_GetDefaultTwelveAxes(3, &a), CPW_E_NOT_READY);
    // The hidden window exists from the first call on.
    EXPECT_NE(FindWindowW(L"Capwell_VideoInput", nullptr), nullptr);
}

TEST_F(CapwellTest, InitialisedExportsAndNotificationCode) {
    CpwInitParams p = Params(0);
    ASSERT_EQ(cpw.Cpw_Initialize(&p), CPW_OK);
    uint32_t code = 0;
    ASSERT_EQ(cpw.Cpw_GetNotifyWindowMessageCode(&code), CPW_OK);
    EXPECT_EQ(code, RegisterWindowMessageW(L"Capwell_NotifyMessage"));
    CpwVersion v{};
    ASSERT_EQ(cpw.Cpw_GetApiVersion(&v), CPW_OK);
    EXPECT_EQ(v.major, 1);
    EXPECT_EQ(v.minor, 1);
    EXPECT_EQ(v.revision, 2);
    EXPECT_EQ(v.build, 0);
    CpwHdmiInfo h{};
    ASSERT_EQ(cpw.Cpw_GetHdmiInfo(&h), CPW_OK);
    EXPECT_EQ(h.status, 0u);
    EXPECT_EQ(h.width, 1920);
    EXPECT_EQ(h.height, 1080);
    CpwVideoState st{};
    ASSERT_EQ(cpw.Cpw_GetState(&st), CPW_OK);
    EXPECT_EQ(st.available, 1u) << "signal at start";
    CpwTwelveAxes a{};
    ASSERT_EQ(cpw.Cpw_GetDefaultTwelveAxes(3, &a), CPW_OK);
    EXPECT_EQ(a.color, 3u);
    EXPECT_EQ(a.h_offset, 128);
    EXPECT_EQ(a.sv_gain[2], 15);
    EXPECT_EQ(cpw.Cpw_GetDefaultTwelveAxes(12, &a), CPW_E_PARAM);
    CpwLutGammaLut lut{};
    EXPECT_EQ(cpw.Cpw_GetDefaultLutGammaLut(3, &lut), CPW_E_PARAM);
    ASSERT_EQ(cpw.Cpw_GetDefaultLutGammaLut(1, &lut), CPW_OK);
    EXPECT_EQ(lut.lut[32], 1023);
    uint16_t gain[3] = {};
    ASSERT_EQ(cpw.Cpw_GetDefaultDriveGain(gain), CPW_OK);
    EXPECT_EQ(gain[1], 512);
    uint16_t off[3] = {};
    ASSERT_EQ(cpw.Cpw_GetDefaultCutoffOffset(off), CPW_OK);
    EXPECT_EQ(off[2], 2048);
}

// ---- Request queue through the bridge -----------------------------------------

TEST_F(CapwellTest, ThreeZoomsInOnePeriodGiveOneSetProp) {
    CpwInitParams p = Params();
    p.interval = 200;  // a wide period, so the three calls fall in one
    ASSERT_EQ(cpw.Cpw_Initialize(&p), CPW_OK);
    Settle(700);
    const size_t before = LogLines().size();
    const CpwZoomRect z[3] = {{10, 20, 100, 200}, {11, 21, 101, 201}, {12, 22, 102, 202}};
    for (const auto& r : z) ASSERT_EQ(cpw.Cpw_ZoomVideo(&r), CPW_OK);
    Settle(600);
    const auto tails = LogTails();
    std::vector<std::string> fresh(tails.begin() + static_cast<long>(before), tails.end());
    int zooms = 0;
    std::string last;
    for (const auto& l : fresh)
        if (l.find("Kdr_VpSetProp,") != std::string::npos && l.find(",5,parts.x:") != std::string::npos) {
            ++zooms;
            last = l;
        }
    EXPECT_EQ(zooms, 1);
    EXPECT_NE(last.find(",5,parts.x:3840 parts.y:2160 top.x:12 top.y:22 size.x:102 size.y:202"),
              std::string::npos) << last;
}

TEST_F(CapwellTest, EqualValueSendsNothingAndNoDraw) {
    CpwInitParams p = Params(0);
    ASSERT_EQ(cpw.Cpw_Initialize(&p), CPW_OK);
    Settle(300);
    sim.RecordClear();
    ASSERT_EQ(cpw.Cpw_SetColorMuteEnable(0, 0, 0), CPW_OK);
    ASSERT_EQ(cpw.Cpw_ResetColorSetting(), CPW_OK) << "right after initialisation";
    Settle(300);
    const auto cmds = SimCommands(sim);
    for (const auto& c : cmds)
        EXPECT_TRUE(c.code != kCmdLut && c.code != kCmdMatrix && c.code != kCmdDriveCutoff &&
                    c.code != kCmdMute && c.code != kCmdAxes)
            << std::hex << c.code;
    int draws = 0;
    const uint32_t n = sim.RecordCount();
    for (uint32_t i = 0; i < n; ++i) {
        MrcSimRecord r{};
        sim.RecordGet(i, &r);
        draws += r.kind == 1 && r.channel == 16;
    }
    EXPECT_EQ(draws, 0);
}

TEST_F(CapwellTest, LutClampAndMuteNormalisation) {
    CpwInitParams p = Params(0);
    ASSERT_EQ(cpw.Cpw_Initialize(&p), CPW_OK);
    Settle(300);
    sim.RecordClear();
    CpwLutGammaLut lut{};
    lut.channel = 0;
    for (int i = 0; i < 33; ++i) lut.lut[i] = static_cast<uint16_t>(i * 30);
    lut.lut[0] = 0xFFF0;  // a negative 16-bit value: 0
    lut.lut[32] = 1500;   // above the 10 bits: 1023
    ASSERT_EQ(cpw.Cpw_SetLutGammaLut(&lut), CPW_OK);
    ASSERT_EQ(cpw.Cpw_SetColorMuteEnable(5, 0, 1), CPW_OK);
    lut.channel = 3;
    EXPECT_EQ(cpw.Cpw_SetLutGammaLut(&lut), CPW_E_PARAM);
    EXPECT_EQ(cpw.Cpw_ResetLutGammaLut(3), CPW_E_PARAM);
    CpwTwelveAxes a{};
    a.color = 12;
    EXPECT_EQ(cpw.Cpw_SetTwelveAxes(&a), CPW_E_PARAM);
    EXPECT_EQ(cpw.Cpw_ResetTwelveAxes(12), CPW_E_PARAM);
    Settle(300);
    const auto cmds = SimCommands(sim);
    const SimCommand* l = LastCode(cmds, kCmdLut);
    ASSERT_NE(l, nullptr);
    EXPECT_EQ(l->Word(0x0E100700), 1u) << "enable";
    EXPECT_EQ(l->Word(0x0E100704), 0u) << "R[0] 0xFFF0 -> 0";
    // R points 31 and 32 share the word at 0x0E100710 + 4 * 15.
    EXPECT_EQ(l->Word(0x0E10074C), (1023u << 16) | 930u) << "R[32] 1500 -> 1023";
    const SimCommand* m = LastCode(cmds, kCmdMute);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->Word(0x0E100700), 1u);
    EXPECT_EQ(m->Word(0x0E100704), 0u);
    EXPECT_EQ(m->Word(0x0E100708), 1u);
}

TEST_F(CapwellTest, MatrixSetThenResetSendsOnlyTheDefaults) {
    CpwInitParams p = Params(0);
    p.interval = 200;
    ASSERT_EQ(cpw.Cpw_Initialize(&p), CPW_OK);
    Settle(700);
    sim.RecordClear();
    CpwRgbMatrix m{{1, 2, 3, 4, 5, 6}, 7, 8};
    ASSERT_EQ(cpw.Cpw_SetRgbMatrix(&m), CPW_OK);
    ASSERT_EQ(cpw.Cpw_ResetRgbMatrix(), CPW_OK);
    Settle(600);
    EXPECT_EQ(CountCode(SimCommands(sim), kCmdMatrix), 0) << "the controller has the defaults already";
}

TEST_F(CapwellTest, LutFailureLeavesLaterGroupsForTheNextPass) {
    CpwInitParams p = Params();
    p.interval = 200;
    ASSERT_EQ(cpw.Cpw_Initialize(&p), CPW_OK);
    Settle(700);
    sim.RecordClear();
    DeleteFileW(trace_.c_str());
    ASSERT_EQ(sim.FailCommand(34, kCmdLut, MRCSIM_FAULT_FAIL, 1, 0, 0, 1), 0);
    CpwLutGammaLut lut{};
    lut.channel = 1;
    for (int i = 0; i < 33; ++i) lut.lut[i] = static_cast<uint16_t>(i * 31);
    ASSERT_EQ(cpw.Cpw_SetLutGammaLut(&lut), CPW_OK);
    ASSERT_EQ(cpw.Cpw_SetColorMuteEnable(1, 1, 0), CPW_OK);
    Settle(300);
    auto cmds = SimCommands(sim);
    EXPECT_EQ(CountCode(cmds, kCmdLut), 1);
    EXPECT_EQ(CountCode(cmds, kCmdMute), 0) << "the pass ended at the LUT";
    EXPECT_EQ(Reports(), std::vector<std::string>{"Kdr_DevSetProp(-3)"});
    // The next pass (any request starts one) sends the mute; the failed LUT
    // is not repeated until it changes.
    CpwZoomRect z{1, 1, 100, 100};
    ASSERT_EQ(cpw.Cpw_ZoomVideo(&z), CPW_OK);
    Settle(500);
    cmds = SimCommands(sim);
    EXPECT_EQ(CountCode(cmds, kCmdLut), 1);
    EXPECT_EQ(CountCode(cmds, kCmdMute), 1);
    const auto tails = LogTails();
    EXPECT_EQ(CountPrefix(tails, "-3,Kdr_DevSetProp,"), 1);
}

TEST_F(CapwellTest, ResumeForcesEveryGroupOnce) {
    CpwInitParams p = Params(0);
    ASSERT_EQ(cpw.Cpw_Initialize(&p), CPW_OK);
    Settle(300);
    HWND hidden = FindWindowW(L"Capwell_VideoInput", nullptr);
    ASSERT_NE(hidden, nullptr);
    SendMessageW(hidden, WM_POWERBROADCAST, PBT_APMSUSPEND, 0);
    sim.RecordClear();
    SendMessageW(hidden, WM_POWERBROADCAST, PBT_APMRESUMESUSPEND, 0);  // queues a forced request
    Settle(300);
    // The forced pass sends every stage although nothing changed; no pass
    // after it sends them again.
    const auto cmds = SimCommands(sim);
    EXPECT_EQ(CountCode(cmds, kCmdLut), 1);
    EXPECT_EQ(CountCode(cmds, kCmdMatrix), 1);
    EXPECT_EQ(CountCode(cmds, kCmdDriveCutoff), 1);
    EXPECT_EQ(CountCode(cmds, kCmdMute), 1);
    EXPECT_EQ(CountCode(cmds, kCmdAxes), 1);
    const SimCommand* mute = LastCode(cmds, kCmdMute);
    ASSERT_NE(mute, nullptr);
    EXPECT_EQ(mute->Word(0x0E100700), 0u);
}

TEST_F(CapwellTest, FinalizeSendsPendingRequestsBeforeTheClose) {
    CpwInitParams p = Params();
    p.interval = 1000;
    ASSERT_EQ(cpw.Cpw_Initialize(&p), CPW_OK);
    Settle(1500);
    CpwZoomRect z{7, 8, 9, 10};
    ASSERT_EQ(cpw.Cpw_ZoomVideo(&z), CPW_OK);
    ASSERT_EQ(cpw.Cpw_Finalize(), CPW_OK);
    const auto tails = LogTails();
    ptrdiff_t zoom = -1, close = -1;
    for (size_t i = 0; i < tails.size(); ++i) {
        if (tails[i].find(",5,parts.x:3840 parts.y:2160 top.x:7 top.y:8 size.x:9 size.y:10") != std::string::npos)
            zoom = static_cast<ptrdiff_t>(i);
        if (tails[i].rfind("0,Kdr_DevClose,", 0) == 0) close = static_cast<ptrdiff_t>(i);
    }
    ASSERT_GE(zoom, 0) << "the pending zoom went out";
    ASSERT_GE(close, 0);
    EXPECT_LT(zoom, close);
}

TEST_F(CapwellTest, BurstOfTenThousandLosesNoNewestValue) {
    CpwInitParams p = Params(1);
    ASSERT_EQ(cpw.Cpw_Initialize(&p), CPW_OK);
    Settle(300);
    sim.RecordClear();
    const size_t log_before = LogLines().size();
    CpwTwelveAxes a{};
    int failures = 0;
    const DWORD start = GetTickCount();
    for (uint32_t i = 0; i < 10000; ++i) {
        CpwZoomRect z{static_cast<int32_t>(i % 3000), static_cast<int32_t>(i % 1000),
                      static_cast<uint16_t>(1 + i % 800), 9};
        failures += cpw.Cpw_ZoomVideo(&z) != CPW_OK;
        if (i % 3 == 0) failures += cpw.Cpw_SetColorMuteEnable(i & 1, (i >> 1) & 1, (i >> 2) & 1) != CPW_OK;
        if (i % 11 == 0) {
            a.color = i % 12;
            a.h_offset = static_cast<uint16_t>(i % 256);
            a.s_gain = 1;
            failures += cpw.Cpw_SetTwelveAxes(&a) != CPW_OK;
        }
    }
    const DWORD elapsed = GetTickCount() - start;
    EXPECT_EQ(failures, 0);
    Settle(500);
    // What reached the controller: the newest mute and, per colour, the newest block.
    const auto cmds = SimCommands(sim);
    const SimCommand* m = LastCode(cmds, kCmdMute);
    ASSERT_NE(m, nullptr);
    const uint32_t last_mute = 9999;  // the last multiple of 3
    EXPECT_EQ(m->Word(0x0E100700), last_mute & 1);
    EXPECT_EQ(m->Word(0x0E100704), (last_mute >> 1) & 1);
    EXPECT_EQ(m->Word(0x0E100708), (last_mute >> 2) & 1);
    const SimCommand* ax = LastCode(cmds, kCmdAxes);
    ASSERT_NE(ax, nullptr);
    // One set command per pass at most: a burst costs a bounded number of calls.
    const int passes_bound = static_cast<int>(elapsed / p.interval) + 4;
    EXPECT_LE(CountCode(cmds, kCmdMute), passes_bound);
    // The newest zoom rectangle went out last.
    const auto tails = LogTails();
    std::string last_zoom;
    int zooms = 0;
    for (size_t i = log_before; i < tails.size(); ++i)
        if (tails[i].find(",5,parts.x:") != std::string::npos) {
            last_zoom = tails[i];
            ++zooms;
        }
    EXPECT_NE(last_zoom.find("top.x:" + std::to_string(9999 % 3000) + " top.y:" + std::to_string(9999 % 1000) +
                             " size.x:" + std::to_string(1 + 9999 % 800) + " size.y:9"),
              std::string::npos)
        << last_zoom;
    EXPECT_LE(zooms, passes_bound);
    std::printf("burst: 10000 zooms in %lu ms, %d zoom sends, %d mute sends\n", elapsed, zooms,
                CountCode(cmds, kCmdMute));
}

// ---- API log ---------------------------------------------------------------------

TEST_F(CapwellTest, ApiLogLinesAreExact) {
    CpwInitParams p = Params();
    ASSERT_EQ(cpw.Cpw_Initialize(&p), CPW_OK);
    Settle(300);
    ASSERT_EQ(cpw.Cpw_SetState(1, 1, 1), CPW_OK);  // pause
    ASSERT_EQ(sim.FailCommand(34, kCmdResume, MRCSIM_FAULT_FAIL, 1, 0, 0, 1), 0);
    DeleteFileW(trace_.c_str());
    ASSERT_EQ(cpw.Cpw_SetState(0, 1, 1), CPW_OK);  // live again: Kdr_VpPlay fails
    Settle(300);
    const auto lines = LogLines();
    ASSERT_FALSE(lines.empty());
    const std::regex stamp(R"(^\d{4}/\d{2}/\d{2},\d{2}:\d{2}:\d{2}\.\d{1,3},)");
    for (const auto& l : lines) {
        if (l.rfind("\t", 0) == 0) continue;  // continuation of a LUT or twelve-axis entry
        EXPECT_TRUE(std::regex_search(l, stamp)) << l;
    }
    const auto tails = LogTails();
    // The device and plane variables' addresses, from the first two lines.
    ASSERT_GE(tails.size(), 2u);
    const std::regex open(R"(^0,Kdr_DevOpen,0x([0-9A-F]{16}),0$)");
    std::smatch mo;
    ASSERT_TRUE(std::regex_match(tails[0], mo, open)) << tails[0];
    const std::string dev = "0x" + mo[1].str();
    std::string vp;
    for (const auto& t : tails)
        if (t.rfind("0,Kdr_VpCreate,", 0) == 0) vp = t.substr(std::string("0,Kdr_VpCreate,").size() + 19, 18);
    ASSERT_EQ(vp.size(), 18u);
    EXPECT_TRUE(Contains(tails, "0,Kdr_VpCreate," + dev + "," + vp + ",2,0"));
    // The watchdog's kdr_count is the controller's running count.
    const std::regex wdt("^0,Kdr_DevGetProp," + dev + ",3,state:1 interval:2000 err_count:5 kdr_count:\\d+ kdr_err:0$");
    EXPECT_TRUE(std::any_of(tails.begin(), tails.end(), [&](const std::string& t) { return std::regex_match(t, wdt); }));
    EXPECT_TRUE(Contains(tails, "0,Kdr_DevGetProp," + dev + ",4,event:0x0 size.x:1920 size.y:1080"));
    EXPECT_TRUE(Contains(tails, "0,Kdr_DevSetProp," + dev + ",7,time:20"));
    EXPECT_TRUE(Contains(tails, "0,Kdr_VpSetProp," + dev + "," + vp + ",11,index:0"));
    EXPECT_TRUE(Contains(tails, "0,Kdr_DevSetProp," + dev + ",9,enb_edp:0"));
    EXPECT_TRUE(Contains(tails, "0,Kdr_DevWdtInit," + dev + ",2000,5"));
    EXPECT_TRUE(Contains(tails, "0,Kdr_VpPause," + dev + "," + vp));
    EXPECT_TRUE(Contains(tails, "-3,Kdr_VpPlay," + dev + "," + vp));
    EXPECT_EQ(Reports(), std::vector<std::string>{"Kdr_VpPlay(-3)"});
    // The LUT entry spans four lines, the twelve-axis entry thirteen.
    std::string lut_row;
    for (int i = 0; i < 33; ++i) lut_row += (i ? "," : "") + std::to_string(i < 32 ? 32 * i : 1023);
    bool lut_found = false, axes_found = false;
    for (size_t i = 0; i + 3 < tails.size(); ++i) {
        if (tails[i] == "0,Kdr_DevSetProp," + dev + ",13,enb:1" && tails[i + 1] == "\tlut[R]:" + lut_row &&
            lines[i + 2] == "\tlut[G]:" + lut_row && lines[i + 3] == "\tlut[B]:" + lut_row)
            lut_found = true;
        if (tails[i] == "0,Kdr_DevSetProp," + dev + ",11,enb:1" && i + 12 < tails.size()) {
            bool all = true;
            for (int c = 0; c < 12; ++c)
                all = all && lines[i + 1 + static_cast<size_t>(c)] ==
                                 "\tcolor[" + std::to_string(c) +
                                     "]:h_offset:128 s_gain:128 v_gain:128 hs_gain:15,15,15 "
                                     "hv_gain:15,15,15 sv_gain:15,15,15";
            axes_found = axes_found || all;
        }
    }
    EXPECT_TRUE(lut_found);
    EXPECT_TRUE(axes_found);
}

TEST_F(CapwellTest, ApiLogOffCreatesNothing) {
    CpwInitParams p = Params(0);
    ASSERT_EQ(cpw.Cpw_Initialize(&p), CPW_OK);
    CpwZoomRect z{1, 1, 10, 10};
    ASSERT_EQ(cpw.Cpw_ZoomVideo(&z), CPW_OK);
    Settle(200);
    ASSERT_EQ(cpw.Cpw_Finalize(), CPW_OK);
    EXPECT_EQ(GetFileAttributesA(ApiLogFolder().c_str()), INVALID_FILE_ATTRIBUTES);
}

// ---- Load and unload ------------------------------------------------------------

TEST_F(CapwellTest, ReloadCyclesLeakNothing) {
    // The bridge stays loaded across the cycles (its own load and unload is
    // the bridge's business); Capwell.dll is loaded, initialised, used,
    // finalised and unloaded each time.
    HMODULE bridge = LoadLibraryW(L"Tolvane.dll");
    ASSERT_NE(bridge, nullptr);
    auto cycle = [&] {
        cpw.Unload();
        ASSERT_TRUE(cpw.Load());
        CpwInitParams p = Params(1);
        ASSERT_EQ(cpw.Cpw_Initialize(&p), CPW_OK);
        CpwZoomRect z{1, 1, 10, 10};
        cpw.Cpw_ZoomVideo(&z);
        CpwVersion v{};
        cpw.Cpw_GetDriverVersion(&v);
        CpwCaptureFrame* frame = nullptr;
        cpw.Cpw_GetCaptureData(&frame);  // the frame pool too
        cpw.Cpw_ReleaseCaptureData();
        Sleep(50);
        ASSERT_EQ(cpw.Cpw_Finalize(), CPW_OK);
        cpw.Unload();
    };
    // Wine and the simulator's threads allocate some handles lazily, once,
    // at moments of their own; a leak grows with every cycle. So: two
    // warm-up cycles, then two blocks of eight; each block may differ by a
    // few one-off handles but not by one per cycle or more.
    cycle();
    cycle();
    const ResourceCounts c0 = SettledCounts();
    for (int i = 0; i < 8; ++i) cycle();
    const ResourceCounts c1 = SettledCounts();
    for (int i = 0; i < 8; ++i) cycle();
    const ResourceCounts c2 = SettledCounts();
    EXPECT_EQ(c1.threads, c0.threads);
    EXPECT_EQ(c2.threads, c0.threads);
    EXPECT_LT(static_cast<long>(c1.handles) - static_cast<long>(c0.handles), 4) << "first eight cycles";
    EXPECT_LT(static_cast<long>(c2.handles) - static_cast<long>(c1.handles), 4) << "second eight cycles";
    EXPECT_LT(static_cast<long>(c2.handles) - static_cast<long>(c0.handles), 6) << "sixteen cycles";
    EXPECT_EQ(c2.user, c0.user);
    EXPECT_EQ(c2.gdi, c0.gdi);
    EXPECT_EQ(FindWindowW(L"Capwell_VideoInput", nullptr), nullptr);
    // Cycles without Cpw_Finalize on an uninitialised library, too.
    for (int i = 0; i < 8; ++i) {
        ASSERT_TRUE(cpw.Load());
        CpwVideoState st{};
        EXPECT_EQ(cpw.Cpw_GetState(&st), CPW_E_NOT_READY);
        cpw.Unload();
    }
    EXPECT_LT(static_cast<long>(SettledCounts().handles) - static_cast<long>(c2.handles), 4);
    EXPECT_EQ(FindWindowW(L"Capwell_VideoInput", nullptr), nullptr);
    FreeLibrary(bridge);
    ASSERT_TRUE(cpw.Load());  // for TearDown
}

// Unloading an initialised library without Cpw_Finalize: its timer, worker
// and callbacks keep running, so the image must stay. Run in a child process
// because the fault it guards against kills the process.
TEST_F(CapwellTest, ChildUnloadWithoutFinalize) {
    if (GetEnvironmentVariableW(L"CAPWELL_UNLOAD_CHILD", nullptr, 0) == 0) GTEST_SKIP() << "run by UnloadWithoutFinalizeKeepsTheProcessAlive";
    CpwInitParams p = Params(0);
    ASSERT_EQ(cpw.Cpw_Initialize(&p), CPW_OK);
    cpw.Unload();
    // Three supervision periods of message loop turns.
    const DWORD end = GetTickCount() + 3500;
    while (static_cast<int32_t>(end - GetTickCount()) > 0) {
        MSG m;
        while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&m);
        Sleep(20);
    }
    // Loaded again, the same session answers; its finalisation lets the image go.
    ASSERT_TRUE(cpw.Load());
    ASSERT_EQ(cpw.Cpw_Initialize(&p), CPW_OK);
    ASSERT_EQ(cpw.Cpw_Finalize(), CPW_OK);
    cpw.Unload();
    EXPECT_EQ(GetModuleHandleW(L"Capwell.dll"), nullptr);
}

TEST(CapwellUnload, UnloadWithoutFinalizeKeepsTheProcessAlive) {
    cwtest::ScopedEnv child(L"CAPWELL_UNLOAD_CHILD", L"1");
    // A crashing child ends at once instead of waiting in the debugger (inherited).
    const UINT mode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    const cwtest::ProcessResult r = cwtest::RunProcess(
        cwtest::ExeDir() + L"\\capwell_test.exe", {L"--gtest_filter=CapwellTest.ChildUnloadWithoutFinalize"}, 60000);
    SetErrorMode(mode);
    ASSERT_TRUE(r.started);
    ASSERT_FALSE(r.timed_out);
    EXPECT_EQ(r.exit_code, 0u) << std::hex << "exit code 0x" << r.exit_code;
}

// ---- Frame calls beside a finalisation -------------------------------------

// Any client thread may take and give back frames while the window thread
// finalises. Each cycle: a movie runs, two threads hammer the pair, the main
// thread finalises; every call answers 0 or 1, and once Cpw_Finalize has
// returned only 1. Run in a child whose heap fills freed blocks (the system's
// heap free checking), so a call that reads the freed object faults.
TEST_F(CapwellTest, ChildFrameCallsBesideFinalize) {
    if (GetEnvironmentVariableW(L"CAPWELL_FRAME_CHILD", nullptr, 0) == 0) GTEST_SKIP() << "run by FrameCallsBesideFinalizeAreSafe";
    // A fault ends the child with its code at once, without a debugger.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    SetUnhandledExceptionFilter([](EXCEPTION_POINTERS*) -> LONG { return EXCEPTION_EXECUTE_HANDLER; });
    ASSERT_EQ(sim.Update("{\"movie\": {\"fps\": 60}}"), 0) << sim.LastError();
    for (int cycle = 0; cycle < 25; ++cycle) {
        cpw.Unload();
        ASSERT_TRUE(cpw.Load());
        CpwInitParams p = Params(0);
        ASSERT_EQ(cpw.Cpw_Initialize(&p), CPW_OK);
        ASSERT_EQ(cpw.Cpw_SetState(CPW_MODE_MOVIE, 1, 0), CPW_OK);
        std::atomic<bool> finalised{false};
        std::atomic<int> odd{0}, late_ok{0}, taken{0};
        auto hammer = [&] {
            int after = 0;
            while (after < 2000) {
                const bool done = finalised.load();
                CpwCaptureFrame* f = nullptr;
                const CpwResult a = cpw.Cpw_GetCaptureData(&f);
                if (f != nullptr) taken += f->data != nullptr;
                const CpwResult b = cpw.Cpw_ReleaseCaptureData();
                if ((a != CPW_OK && a != CPW_E_NOT_READY) || (b != CPW_OK && b != CPW_E_NOT_READY)) ++odd;
                if (done) {
                    late_ok += a != CPW_E_NOT_READY || b != CPW_E_NOT_READY;
                    ++after;
                }
            }
        };
        std::thread t1(hammer), t2(hammer);
        // The first cycle waits for a frame (the movie's start takes its time
        // on a loaded machine); every cycle finalises at a different moment.
        const DWORD until = GetTickCount() + 3000;
        while (cycle == 0 && taken.load() == 0 && static_cast<int32_t>(until - GetTickCount()) > 0) Sleep(5);
        Sleep(static_cast<DWORD>(60 + 7 * (cycle % 5)));
        EXPECT_EQ(cpw.Cpw_Finalize(), CPW_OK);
        finalised = true;
        t1.join();
        t2.join();
        EXPECT_EQ(odd.load(), 0) << "cycle " << cycle;
        EXPECT_EQ(late_ok.load(), 0) << "cycle " << cycle << ": a frame call after Cpw_Finalize";
        if (cycle == 0) {
            EXPECT_GT(taken.load(), 0) << "the movie delivered no frame to take";
        }
    }
}

TEST(CapwellFrames, FrameCallsBesideFinalizeAreSafe) {
    cwtest::ScopedEnv child(L"CAPWELL_FRAME_CHILD", L"1");
    // Heap free checking for the child's image (Image File Execution
    // Options, FLG_HEAP_ENABLE_FREE_CHECK), removed again at the end.
    const wchar_t key_path[] =
        L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Image File Execution Options\\capwell_test.exe";
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, key_path, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const DWORD free_check = 0x20;
    RegSetValueExW(key, L"GlobalFlag", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&free_check), sizeof free_check);
    RegCloseKey(key);
    const UINT mode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    const cwtest::ProcessResult r = cwtest::RunProcess(
        cwtest::ExeDir() + L"\\capwell_test.exe", {L"--gtest_filter=CapwellTest.ChildFrameCallsBesideFinalize"}, 240000);
    SetErrorMode(mode);
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, key_path);
    ASSERT_TRUE(r.started);
    ASSERT_FALSE(r.timed_out);
    EXPECT_EQ(r.exit_code, 0u) << std::hex << "exit code 0x" << r.exit_code;
}
