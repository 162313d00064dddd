// The component core of the stand-in Merrowcom.dll: the three interfaces of the contract over the
// controller model, their factories and the control C API. Platform-free: the Windows DLL adds
// only DllMain and the export list (Merrowcom.def); the native build links it for tests.
#include <atomic>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "contract/Merrowcom.h"
#include "simulator/dll/ComponentAccess.h"
#include "simulator/dll/PanelWindow.h"
#include "simulator/include/MerrowcomSim.h"
#include "simulator/model/Controller.h"

namespace {

using mrcsim::Controller;

constexpr std::uint32_t kStatusNotImplemented = 0xC0000002u;
constexpr std::uint32_t kStatusScenarioError = 0xC0000022u;  // MERROWCOM_SCENARIO did not load

std::mutex g_mu;  // guards creation and the error text; every operation reads g_ctl without it
std::atomic<Controller*> g_ctl{nullptr};
std::atomic<bool> g_scenario_failed{false};
std::string g_error;  // process-wide: the scenario file's error arises on whichever thread came first
// What MrcSim_LastError hands out: one copy per calling thread, so that the text a caller holds
// stays valid while another thread fails or asks (a shared copy would be reallocated under it).
thread_local std::string t_error_copy;
std::vector<mrcsim::RecordEntry> g_snapshot;
std::mutex g_snapshot_mu;

void SetError(const std::string& e) {
    std::lock_guard<std::mutex> lk(g_mu);
    g_error = e;
}

// MERROWCOM_JOURNAL names a file that gets a line for every record entry as it is made and
// "release" for DeviceUtil op 3, flushed at once, so that another process (a test watching a
// program it started) can follow what the controller received while the program runs and
// after it ended.
class Journal {
public:
    void Open() {
        if (file_) return;  // a controller started again after MrcSim_Shutdown goes on in the same file
#if defined(_WIN32)
        const wchar_t* path = _wgetenv(L"MERROWCOM_JOURNAL");
        if (path && *path) file_ = _wfopen(path, L"wb");
#else
        const char* path = std::getenv("MERROWCOM_JOURNAL");
        if (path && *path) file_ = std::fopen(path, "wb");
#endif
    }
    bool IsOpen() const { return file_ != nullptr; }
    void Entry(const mrcsim::RecordEntry& e) {
        char line[128];
        std::snprintf(line, sizeof line, "%" PRIu64 " %u %u %08X %u %08X %08X %08X %08X\n", e.seq, e.kind,
                      e.channel, e.address, e.length, e.words[0], e.words[1], e.words[2], e.words[3]);
        Write(line);
    }
    void Write(const char* line) {
        std::lock_guard<std::mutex> lk(mu_);
        if (!file_) return;
        std::fputs(line, file_);
        std::fflush(file_);
    }

private:
    std::mutex mu_;
    std::FILE* file_ = nullptr;  // kept open to the process's end
};
Journal g_journal;

// The process-wide controller, created at first use with the MERROWCOM_SCENARIO file if named.
// Never destroyed except by MrcSim_Shutdown (its threads must not be joined during process exit).
Controller& GetController() {
    if (Controller* c = g_ctl.load(std::memory_order_acquire)) return *c;
    bool created = false;
    {
    std::lock_guard<std::mutex> lk(g_mu);
    if (!g_ctl.load(std::memory_order_relaxed)) {
        created = true;
        mrcsim::Scenario s;
#if defined(_WIN32)
        const wchar_t* path = _wgetenv(L"MERROWCOM_SCENARIO");  // any file name, not only the ANSI ones
#else
        const char* path = std::getenv("MERROWCOM_SCENARIO");
#endif
        if (path && *path) {
            std::string err;
            if (!mrcsim::LoadScenarioFile(std::filesystem::path(path), s, err)) {
                g_error = err;
                g_scenario_failed = true;
                s = mrcsim::Scenario{};
            }
        }
        auto* c = new Controller(s);
        g_journal.Open();
        if (g_journal.IsOpen()) c->SetRecordObserver([](const mrcsim::RecordEntry& e) { g_journal.Entry(e); });
        g_ctl.store(c, std::memory_order_release);
    }
    }
    // after the lock: the panel's thread reads the controller at once
    if (created) mrcsim::StartPanelFromEnvironment();
    return *g_ctl.load(std::memory_order_acquire);
}

class DeviceUtilImpl final : public merrowcom::DeviceUtil {
public:
    std::uint32_t MRC_CALL op0_reserved() override { return kStatusNotImplemented; }
    std::uint32_t MRC_CALL op1_startup_first(std::uint32_t* out) override {
        Controller& c = GetController();
        if (g_scenario_failed.load()) return kStatusScenarioError;
        return c.Startup(1, out);
    }
    std::uint32_t MRC_CALL op2_startup_second(std::uint32_t* out) override { return GetController().Startup(2, out); }
    std::uint32_t MRC_CALL op3_release() override {
        const std::uint32_t r = GetController().Release();
        g_journal.Write("release\n");
        return r;
    }
};

class GenericFuncImpl final : public merrowcom::GenericFunc {
public:
    std::uint32_t MRC_CALL op0_reserved() override { return kStatusNotImplemented; }
    std::uint32_t MRC_CALL op1_reserved() override { return kStatusNotImplemented; }
    std::uint32_t MRC_CALL op2_reserved() override { return kStatusNotImplemented; }
    std::uint32_t MRC_CALL op3_register(std::uint32_t, std::uint32_t, std::uint32_t,
                                        merrowcom::Receiver receiver) override {
        if (!receiver) return mrcsim::kStatusInvalidParameter;
        return GetController().RegisterReceiver(
            [receiver](const merrowcom::Message& m, std::uint32_t flags) { receiver(&m, flags); });
    }
    std::uint32_t MRC_CALL op4_unregister(std::uint32_t) override { return GetController().UnregisterReceiver(); }
    std::uint32_t MRC_CALL op5_send(const merrowcom::Message* request, merrowcom::SendReply* reply,
                                    std::uint32_t) override {
        return GetController().Send(request, reply);
    }
    std::uint32_t MRC_CALL op6_read32(std::uint32_t address, std::uint32_t* value) override {
        return GetController().Read32(address, value);
    }
    std::uint32_t MRC_CALL op7_write32(std::uint32_t address, std::uint32_t value) override {
        return GetController().Write32(address, value);
    }
    std::uint32_t MRC_CALL op8_read64(std::uint32_t address, double* value) override {
        return GetController().Read64(address, value);
    }
    std::uint32_t MRC_CALL op9_write64(std::uint32_t address, double value) override {
        return GetController().Write64(address, value);
    }
    std::uint32_t MRC_CALL op10_reserved() override { return kStatusNotImplemented; }
    std::uint32_t MRC_CALL op11_reserved() override { return kStatusNotImplemented; }
    std::uint32_t MRC_CALL op12_read_block(std::uint32_t address, void* buffer, std::uint32_t length) override {
        return GetController().ReadBlock(address, buffer, length);
    }
    std::uint32_t MRC_CALL op13_write_block(std::uint32_t address, const void* buffer,
                                            std::uint32_t length) override {
        return GetController().WriteBlock(address, buffer, length);
    }
};

class SystemCtrlImpl final : public merrowcom::SystemCtrl {
public:
    std::uint32_t MRC_CALL op0_reserved() override { return kStatusNotImplemented; }
};

DeviceUtilImpl g_util;
GenericFuncImpl g_generic;
SystemCtrlImpl g_sysctrl;

mrcsim::HdmiInput FromC(const MrcSimHdmi& h) {
    mrcsim::HdmiInput in;
    in.kind = h.state == 0 ? mrcsim::HdmiInput::Kind::NoCable
                           : (h.state == 1 ? mrcsim::HdmiInput::Kind::NoSignal : mrcsim::HdmiInput::Kind::Signal);
    in.width = h.width;
    in.height = h.height;
    in.fps_code = h.fps_code;
    in.scan = h.scan;
    in.format = h.format;
    in.bit_depth = h.bit_depth;
    in.hdcp = h.hdcp != 0;
    return in;
}

int32_t Fail(const std::string& why) {
    SetError(why);
    return -1;
}

// Starts the controller afresh from a scenario that parsed, clearing an earlier load error.
int32_t ApplyScenario(const mrcsim::Scenario& s) {
    Controller& c = GetController();
    {
        std::lock_guard<std::mutex> lk(g_mu);
        g_scenario_failed = false;
        g_error.clear();
    }
    c.Reset(s);
    return 0;
}

}  // namespace

extern "C" {

merrowcom::DeviceUtil* CreateDeviceUtilInstance() {
    GetController();
    return &g_util;
}
merrowcom::GenericFunc* CreateGenericfuncInstance() {
    GetController();
    return &g_generic;
}
merrowcom::SystemCtrl* CreateSystemCtrlInstance() {
    GetController();
    return &g_sysctrl;
}

int32_t MrcSim_Reset(const char* scenario_json) {
    mrcsim::Scenario s;
    std::string err;
    if (scenario_json && *scenario_json && !mrcsim::ParseScenarioJson(scenario_json, s, err)) return Fail(err);
    return ApplyScenario(s);
}

int32_t MrcSim_LoadScenarioFile(const char* path) {
    if (!path) return Fail("MrcSim_LoadScenarioFile: null path");
    mrcsim::Scenario s;
    std::string err;
    if (!mrcsim::LoadScenarioFileUtf8(path, s, err)) return Fail(err);
    return ApplyScenario(s);
}

int32_t MrcSim_Update(const char* scenario_json) {
    if (!scenario_json) return Fail("MrcSim_Update: null text");
    Controller& c = GetController();
    mrcsim::Scenario s = c.CurrentScenario();
    std::string err;
    if (!mrcsim::ParseScenarioJson(scenario_json, s, err)) return Fail(err);
    c.Update(s);
    return 0;
}

const char* MrcSim_LastError(void) {
    std::lock_guard<std::mutex> lk(g_mu);
    t_error_copy = g_error;
    return t_error_copy.c_str();
}

int32_t MrcSim_SetHdmi(const MrcSimHdmi* hdmi) {
    if (!hdmi || hdmi->state > 2) return Fail("MrcSim_SetHdmi: bad record");
    GetController().SetHdmi(FromC(*hdmi));
    return 0;
}

int32_t MrcSim_GetHdmi(MrcSimHdmi* out) {
    if (!out) return Fail("MrcSim_GetHdmi: null record");
    const mrcsim::HdmiInput in = GetController().Hdmi();
    out->state = static_cast<uint32_t>(in.kind);
    out->width = in.width;
    out->height = in.height;
    out->fps_code = in.fps_code;
    out->scan = in.scan;
    out->format = in.format;
    out->bit_depth = in.bit_depth;
    out->hdcp = in.hdcp ? 1u : 0u;
    return 0;
}

int32_t MrcSim_FailCommand(uint32_t channel, uint32_t code, uint32_t action, uint32_t word1, uint32_t word2,
                           uint32_t delay_ms, int32_t count) {
    if ((channel != 34 && channel != 16 && channel != mrcsim::CommandFault::kAnyChannel) || action > 2)
        return Fail("MrcSim_FailCommand: bad channel or action");
    mrcsim::CommandFault f;
    f.channel = channel;
    f.code = code;
    f.action = static_cast<mrcsim::CommandFault::Action>(action);
    f.word1 = word1;
    f.word2 = word2;
    f.delay_ms = delay_ms;
    f.count = count;
    GetController().AddCommandFault(f);
    return 0;
}

int32_t MrcSim_FailSend(uint32_t channel, int32_t busy, int32_t not_accepted, uint32_t result, int32_t result_count) {
    if (channel > 255) return Fail("MrcSim_FailSend: bad channel");
    mrcsim::SendFault f;
    f.channel = channel;
    f.busy = busy;
    f.not_accepted = not_accepted;
    f.result = result;
    f.result_count = result_count;
    GetController().AddSendFault(f);
    return 0;
}

int32_t MrcSim_MarkLost(uint32_t channel, int32_t count) {
    if (channel > 255) return Fail("MrcSim_MarkLost: bad channel");
    mrcsim::LostFault f;
    f.channel = channel;
    f.count = count;
    GetController().AddLostFault(f);
    return 0;
}

int32_t MrcSim_FailRegister(uint32_t address, uint32_t ops, uint32_t status, int32_t count, int32_t skip) {
    if (status == 0 || (ops & 3u) == 0) return Fail("MrcSim_FailRegister: status 0 or no operation");
    mrcsim::RegisterFault f;
    f.address = address;
    f.on_read = (ops & MRCSIM_REG_READ) != 0;
    f.on_write = (ops & MRCSIM_REG_WRITE) != 0;
    f.status = status;
    f.count = count;
    f.skip = skip;
    GetController().AddRegisterFault(f);
    return 0;
}

int32_t MrcSim_FailStartup(uint32_t op, uint32_t status) {
    if (op != 1 && op != 2) return Fail("MrcSim_FailStartup: op 1 or 2");
    GetController().SetStartupStatus(static_cast<int>(op), status);
    return 0;
}

int32_t MrcSim_ClearFaults(void) {
    GetController().ClearFaults();
    return 0;
}

int32_t MrcSim_Emit(uint32_t channel, uint32_t w0, uint32_t w1, uint32_t w2, uint32_t w3, uint32_t count) {
    if (channel > 255) return Fail("MrcSim_Emit: bad channel");
    const std::uint32_t w[4] = {w0, w1, w2, w3};
    GetController().Emit(channel, w, count);
    return 0;
}

int32_t MrcSim_Advance(uint32_t ms) {
    Controller& c = GetController();
    if (!c.CurrentScenario().manual_clock) return Fail("MrcSim_Advance: the scenario's clock is not manual");
    c.Advance(ms);
    return 0;
}

uint64_t MrcSim_NowMs(void) { return GetController().NowMs(); }

int32_t MrcSim_WaitIdle(uint32_t timeout_ms) {
    return GetController().WaitIdle(timeout_ms) ? 0 : Fail("MrcSim_WaitIdle: timed out");
}

uint32_t MrcSim_RecordCount(void) {
    auto r = GetController().Record();
    std::lock_guard<std::mutex> lk(g_snapshot_mu);
    g_snapshot = std::move(r);
    return static_cast<uint32_t>(g_snapshot.size());
}

int32_t MrcSim_RecordGet(uint32_t index, MrcSimRecord* out) {
    std::lock_guard<std::mutex> lk(g_snapshot_mu);
    if (!out || index >= g_snapshot.size()) return -1;
    const auto& e = g_snapshot[index];
    out->seq = e.seq;
    out->kind = e.kind;
    out->channel = e.channel;
    out->address = e.address;
    out->length = e.length;
    std::memcpy(out->words, e.words, sizeof(out->words));
    out->value64 = e.value64;
    return 0;
}

int32_t MrcSim_RecordClear(void) {
    GetController().ClearRecord();
    std::lock_guard<std::mutex> lk(g_snapshot_mu);
    g_snapshot.clear();
    return 0;
}

int32_t MrcSim_Peek(uint32_t address, uint32_t* value) {
    if (!value || address % 4 || address < mrcsim::kRegBase || address >= mrcsim::kRegBase + mrcsim::kRegSize)
        return -1;
    *value = GetController().Peek(address);
    return 0;
}

int32_t MrcSim_Poke(uint32_t address, uint32_t value) {
    if (address % 4 || address < mrcsim::kRegBase || address >= mrcsim::kRegBase + mrcsim::kRegSize) return -1;
    GetController().Poke(address, value);
    return 0;
}

int32_t MrcSim_GetStatus(MrcSimStatus* out) {
    if (!out) return -1;
    const mrcsim::ControllerStatus s = GetController().Status();
    out->playback_state = s.playback_state;
    out->session_open = s.session_open ? 1u : 0u;
    out->receiver_registered = s.receiver_registered ? 1u : 0u;
    out->firmware_version = s.firmware_version;
    out->commands = s.commands;
    out->replies = s.replies;
    out->events = s.events;
    out->delivered = s.delivered;
    out->undelivered = s.undelivered;
    out->frames_produced = s.frames_produced;
    out->frames_dropped = s.frames_dropped;
    out->frames_out = s.frames_out;
    out->frame_buffers = s.frame_buffers;
    out->picture_frame = s.picture_frame;
    out->record_total = s.record_total;
    out->startups = s.startups;
    out->releases = s.releases;
    return 0;
}

static int32_t CopyOut(const std::vector<std::uint8_t>& data, void* buffer, uint32_t capacity, uint32_t* length) {
    if (length) *length = static_cast<uint32_t>(data.size());
    if (data.size() > capacity || (!buffer && !data.empty())) return -1;
    if (!data.empty()) std::memcpy(buffer, data.data(), data.size());
    return 0;
}

int32_t MrcSim_GetFile(const char* name, void* buffer, uint32_t capacity, uint32_t* length) {
    if (!name) return -1;
    std::vector<std::uint8_t> data;
    if (!GetController().GetFile(name, data)) return Fail(std::string("MrcSim_GetFile: no file ") + name);
    return CopyOut(data, buffer, capacity, length);
}

int32_t MrcSim_PutFile(const char* name, const void* data, uint32_t length) {
    if (!name || (!data && length)) return -1;
    const auto* p = static_cast<const std::uint8_t*>(data);
    GetController().PutFile(name, std::vector<std::uint8_t>(p, p + length));
    return 0;
}

int32_t MrcSim_GetFirmwareImage(void* buffer, uint32_t capacity, uint32_t* length) {
    return CopyOut(GetController().FirmwareImage(), buffer, capacity, length);
}

int32_t MrcSim_Shutdown(void) {
    (void)MrcSim_PanelStop();  // it reads the controller
    Controller* c;
    {
        std::lock_guard<std::mutex> lk(g_mu);
        c = g_ctl.exchange(nullptr);
        g_scenario_failed = false;
    }
    delete c;
    return 0;
}

#if !defined(_WIN32)
// The panel needs a screen: the native build has none.
int32_t MrcSim_PanelStart(const MrcSimPanel*) {
    SetError("no screen in the native build");
    return -1;
}
int32_t MrcSim_PanelStop(void) { return 0; }
int32_t MrcSim_PanelSnapshot(const char*) {
    SetError("no screen in the native build");
    return -1;
}
#endif

}  // extern "C"

namespace mrcsim {
Controller& TheController() { return GetController(); }
void SetErrorText(const std::string& text) { SetError(text); }
#if !defined(_WIN32)
void StartPanelFromEnvironment() {}
#endif
}  // namespace mrcsim
