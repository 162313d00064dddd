#include "simulator/model/Controller.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <sstream>

namespace mrcsim {

namespace {

constexpr std::uint64_t kNever = ~0ull;

bool HeapLater(const std::uint64_t ad, const std::uint64_t ao, const std::uint64_t bd, const std::uint64_t bo) {
    return ad != bd ? ad > bd : ao > bo;
}

std::uint32_t FormatCode(std::uint32_t format) {  // movie format -> notice format code
    return format == 3 ? 1u : (format == 2 ? 2u : 0u);
}

std::vector<std::string> SplitWords(const std::string& line) {
    std::vector<std::string> out;
    std::istringstream in(line);
    std::string w;
    while (in >> w) out.push_back(w);
    return out;
}

const char* const kShellCmd = "/dev/shm/shell_cmd";
const char* const kShellOut = "/dev/shm/shell_out";
const char* const kFwUpdate = "/usr/sbin/fw_update";
constexpr std::size_t kStoreLimit = 64u * 1024u * 1024u;

// frames a second by the input's rate code (1..8)
constexpr double kFrameRates[] = {0.0, 24000.0 / 1001.0, 24.0, 25.0, 30000.0 / 1001.0, 30.0, 50.0, 60000.0 / 1001.0, 60.0};

}  // namespace

double FpsForCode(std::uint32_t code) {
    return code < 9 ? kFrameRates[code] : 0.0;
}

std::uint32_t Controller::FrameBytes(std::uint32_t w, std::uint32_t h, std::uint32_t format) {
    return h * RowBytes(w, format);
}

// ----------------------------------------------------------------------------------------------
// construction, threads

Controller::Controller(const Scenario& scenario) : regs_(kRegSize / 4, 0) {
    WarmUpSyncObjects();
    {
        std::lock_guard<std::mutex> lk(mu_);
        InitLocked(scenario);
    }
    StartThreads();
}

namespace {
template <typename M>
void ContendOnce(M& m) {
    std::atomic<bool> held{false};
    std::thread t([&] {
        std::lock_guard<M> g(m);
        held = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(3));
    });
    while (!held) std::this_thread::yield();
    { std::lock_guard<M> g(m); }
    t.join();
}
}  // namespace

void Controller::WarmUpSyncObjects() {
#if defined(_WIN32)
    // The Windows thread runtime creates a mutex's event on its first contention and a
    // condition variable's semaphores on its first wait. Making them here, once, keeps the
    // process's handle count flat afterwards, so callers' open/close leak checks see no
    // handles appear at moments that depend on thread timing.
    ContendOnce(mu_);
    ContendOnce(recv_mu_);
    std::unique_lock<std::mutex> lk(mu_);
    cv_.wait_for(lk, std::chrono::milliseconds(1));
    out_cv_.wait_for(lk, std::chrono::milliseconds(1));
    clock_cv_.wait_for(lk, std::chrono::milliseconds(1));
#endif
}

Controller::~Controller() { StopThreads(); }

void Controller::StartThreads() {
    {
        std::lock_guard<std::mutex> lk(mu_);
        stopping_ = false;
    }
    firmware_thread_ = std::thread([this] { FirmwareLoop(); });
    delivery_thread_ = std::thread([this] { DeliveryLoop(); });
    bool manual;
    {
        std::lock_guard<std::mutex> lk(mu_);
        manual = sc_.manual_clock;
    }
    if (!manual) clock_thread_ = std::thread([this] { ClockLoop(); });
}

void Controller::StopThreads() {
    {
        std::lock_guard<std::mutex> lk(mu_);
        stopping_ = true;
    }
    cv_.notify_all();
    out_cv_.notify_all();
    clock_cv_.notify_all();
    if (firmware_thread_.joinable()) firmware_thread_.join();
    if (delivery_thread_.joinable()) delivery_thread_.join();
    if (clock_thread_.joinable()) clock_thread_.join();
}

void Controller::Reset(const Scenario& scenario) {
    StopThreads();
    {
        std::lock_guard<std::mutex> lk(mu_);
        InitLocked(scenario);
    }
    StartThreads();
}

std::uint64_t Controller::SteadyMs() const {
    return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                          std::chrono::steady_clock::now().time_since_epoch())
                                          .count());
}

std::uint64_t Controller::ClockMsLocked() const {
    return sc_.manual_clock ? manual_now_ms_ : SteadyMs() - clock_origin_ms_;
}

std::uint64_t Controller::NowMs() const {
    std::lock_guard<std::mutex> lk(mu_);
    return ClockMsLocked();
}

void Controller::InitLocked(const Scenario& s) {
    const bool registered = st_.receiver_registered;
    sc_ = s;
    std::fill(regs_.begin(), regs_.end(), 0u);
    inbox_.clear();
    outbox_.clear();
    firmware_busy_ = false;
    delivering_ = false;
    session_open_ = false;
    state_ = kStateLive;
    frozen_frame_ = 0;
    clock_origin_ms_ = SteadyMs();
    manual_now_ms_ = 0;
    picture_origin_ms_ = 0;
    timeline_next_ = 0;
    timeline_base_ms_ = 0;
    std::stable_sort(sc_.timeline.begin(), sc_.timeline.end(),
                     [](const TimelineEntry& a, const TimelineEntry& b) { return a.at_ms < b.at_ms; });
    time_value_ = 0;
    frames_.clear();
    movie_w_ = movie_h_ = movie_fps_ = 0;
    movie_format_ = 1;
    pending_drops_ = 0;
    rendering_ = false;
    still_.clear();
    store_.clear();
    staged_image_.clear();
    active_image_.clear();
    read_differs_left_ = sc_.fw_update.read_differs_count;
    lost_pending_.clear();
    for (const auto& l : sc_.lost_faults) lost_pending_[l.channel] += l.count;
    record_.clear();
    record_seq_ = 0;
    st_ = ControllerStatus{};
    st_.receiver_registered = registered;
    draw_snapshot_.clear();

    // Colour properties: the words a set command takes, and where its get puts them (+0x100,
    // or in place for the area words).
    props_.clear();
    auto range = [](std::uint32_t first, std::uint32_t last) {
        std::vector<std::uint32_t> v;
        for (std::uint32_t a = first; a <= last; a += 4) v.push_back(a);
        return v;
    };
    auto add = [&](std::uint32_t low, std::vector<std::uint32_t> addrs, std::uint32_t delta,
                   std::vector<std::uint32_t> defaults) {
        Prop p;
        p.set_addrs = std::move(addrs);
        p.get_delta = delta;
        defaults.resize(p.set_addrs.size(), 0);
        p.defaults = defaults;
        p.values = defaults;
        props_[low] = std::move(p);
    };
    add(0x0001, {0x0E100700u}, 0x100, {1});                                    // enb_edp
    add(0x0002, range(0x0E100704u, 0x0E100714u), 0x100,                      // RGB matrix
        {256u, 256u << 16, 0, 0, 0x808080u});
    {
        std::vector<std::uint32_t> a{0x0E100790u};
        for (std::uint32_t base : {0x0E100794u, 0x0E1007A0u, 0x0E1007C4u})
            for (std::uint32_t i = 0; i < 3; ++i) a.push_back(base + 4 * i);
        for (std::uint32_t base : {0x0E1007D0u, 0x0E100800u, 0x0E100818u})
            for (std::uint32_t i = 0; i < 6; ++i) a.push_back(base + 4 * i);
        add(0x0003, a, 0x100, {0});                                           // twelve axes
    }
    add(0x0004, range(0x0E100700u, 0x0E100714u), 0x100,                      // drive / cutoff
        {0, 0, 1, 512, 512, 512});
    {
        std::vector<std::uint32_t> d{0, 0, 0, 0};
        auto pt = [](std::uint32_t i) { return std::min<std::uint32_t>(1023u, i * 32u); };
        for (int c = 0; c < 3; ++c)
            for (std::uint32_t k = 0; k < 16; ++k) d.push_back(pt(2 * k + 2) << 16 | pt(2 * k + 1));
        add(0x0005, range(0x0E100700u, 0x0E1007CCu), 0x100, d);               // LUT gamma
    }
    add(0x0006, range(0x0E100700u, 0x0E100708u), 0x100, {0, 0, 0});          // colour mute
    add(0x0011, {0x0E100850u}, 0, {0});                                      // area enable
    add(0x0012, {0x0E10085Cu, 0x0E100860u}, 0, {0, 0});                      // area top
    add(0x0013, {0x0E100884u, 0x0E100888u}, 0, {16, 8});                     // area size

    ApplyHdmiLocked(sc_.hdmi, false);
}

// ----------------------------------------------------------------------------------------------
// register space and memory

bool Controller::RegValid(std::uint32_t address, std::uint32_t bytes) const {
    return address % 4 == 0 && address >= kRegBase &&
           static_cast<std::uint64_t>(address) + bytes <= static_cast<std::uint64_t>(kRegBase) + kRegSize;
}

std::uint32_t& Controller::Reg(std::uint32_t address) { return regs_[(address - kRegBase) / 4]; }

void Controller::RecordLocked(const RecordEntry& e) {
    ++st_.record_total;
    if (record_observer_) {
        RecordEntry seen = e;
        seen.seq = st_.record_total - 1;
        record_observer_(seen);
    }
    if (!sc_.record) return;
    record_.push_back(e);
    record_.back().seq = record_seq_++;
    while (record_.size() > sc_.record_limit) record_.pop_front();
}

bool Controller::RegisterFaultLocked(std::uint32_t address, bool write, std::uint32_t* status) {
    for (auto it = sc_.register_faults.begin(); it != sc_.register_faults.end(); ++it) {
        if (it->address != address || (write ? !it->on_write : !it->on_read) || it->count == 0) continue;
        if (it->skip > 0) {
            --it->skip;
            continue;
        }
        *status = it->status;
        if (it->count > 0) --it->count;
        return true;
    }
    return false;
}

std::uint32_t Controller::Read32(std::uint32_t address, std::uint32_t* value) {
    if (!value) return kStatusInvalidParameter;
    std::lock_guard<std::mutex> lk(mu_);
    std::uint32_t status;
    if (RegisterFaultLocked(address, false, &status)) return status;
    if (!RegValid(address, 4)) return kStatusInvalidParameter;
    *value = Reg(address);
    return kStatusOk;
}

std::uint32_t Controller::Write32(std::uint32_t address, std::uint32_t value) {
    std::lock_guard<std::mutex> lk(mu_);
    std::uint32_t status;
    if (RegisterFaultLocked(address, true, &status)) return status;
    if (!RegValid(address, 4)) return kStatusInvalidParameter;
    RecordEntry e;
    e.kind = RecordEntry::Write32;
    e.address = address;
    e.words[0] = value;
    RecordLocked(e);
    Reg(address) = value;
    const std::uint32_t off = address - kRegBase;
    if (off >= 0x1000 && (off & 0x7FF) == 0) cv_.notify_all();  // a transfer-window flag
    return kStatusOk;
}

std::uint32_t Controller::Read64(std::uint32_t address, double* value) {
    if (!value) return kStatusInvalidParameter;
    std::lock_guard<std::mutex> lk(mu_);
    std::uint32_t status;
    if (RegisterFaultLocked(address, false, &status)) return status;
    if (!RegValid(address, 8)) return kStatusInvalidParameter;
    std::memcpy(value, &Reg(address), 8);
    return kStatusOk;
}

std::uint32_t Controller::Write64(std::uint32_t address, double value) {
    std::lock_guard<std::mutex> lk(mu_);
    std::uint32_t status;
    if (RegisterFaultLocked(address, true, &status)) return status;
    if (!RegValid(address, 8)) return kStatusInvalidParameter;
    RecordEntry e;
    e.kind = RecordEntry::Write64;
    e.address = address;
    e.value64 = value;
    RecordLocked(e);
    std::memcpy(&Reg(address), &value, 8);
    return kStatusOk;
}

std::uint32_t Controller::ReadBlock(std::uint32_t address, void* buffer, std::uint32_t length) {
    if (!buffer && length) return kStatusInvalidParameter;
    std::lock_guard<std::mutex> lk(mu_);
    std::uint32_t status;
    if (RegisterFaultLocked(address, false, &status)) return status;
    if (length == 0) return kStatusOk;
    if (RegValid(address, length)) {
        std::memcpy(buffer, reinterpret_cast<const std::uint8_t*>(regs_.data()) + (address - kRegBase), length);
        return kStatusOk;
    }
    const std::uint64_t end = static_cast<std::uint64_t>(address) + length;
    if (address >= kStillAddress && end <= kStillAddress + static_cast<std::uint64_t>(still_.size())) {
        std::memcpy(buffer, still_.data() + (address - kStillAddress), length);
        return kStatusOk;
    }
    for (const auto& f : frames_) {
        if (address >= f.address && end <= f.address + static_cast<std::uint64_t>(f.data.size())) {
            if (f.state == FrameBuffer::State::Rendering) return kStatusDeviceError;
            std::memcpy(buffer, f.data.data() + (address - f.address), length);
            return kStatusOk;
        }
    }
    return kStatusInvalidParameter;
}

std::uint32_t Controller::WriteBlock(std::uint32_t address, const void* buffer, std::uint32_t length) {
    if (!buffer && length) return kStatusInvalidParameter;
    std::lock_guard<std::mutex> lk(mu_);
    std::uint32_t status;
    if (RegisterFaultLocked(address, true, &status)) return status;
    if (length == 0) return kStatusOk;
    if (!RegValid(address, length)) return kStatusInvalidParameter;
    RecordEntry e;
    e.kind = RecordEntry::WriteBlock;
    e.address = address;
    e.length = length;
    std::memcpy(e.words, buffer, std::min<std::uint32_t>(length, 16));
    RecordLocked(e);
    std::memcpy(reinterpret_cast<std::uint8_t*>(regs_.data()) + (address - kRegBase), buffer, length);
    cv_.notify_all();
    return kStatusOk;
}

// ----------------------------------------------------------------------------------------------
// vendor operations

std::uint32_t Controller::Startup(int op, std::uint32_t* out) {
    std::lock_guard<std::mutex> lk(mu_);
    const std::uint32_t status = (op == 1 || op == 2) ? sc_.startup_status[op - 1] : kStatusInvalidParameter;
    if (status != 0) return status;
    if (out) *out = op == 1 ? 1u : sc_.firmware_version;  // op 1: controllers found; op 2: firmware word
    if (op == 2) ++st_.startups;
    return kStatusOk;
}

std::uint32_t Controller::Release() {
    std::lock_guard<std::mutex> lk(mu_);
    ++st_.releases;
    return kStatusOk;
}

std::uint32_t Controller::RegisterReceiver(Receiver r) {
    std::lock_guard<std::recursive_mutex> rl(recv_mu_);
    receiver_ = std::move(r);
    std::lock_guard<std::mutex> lk(mu_);
    st_.receiver_registered = static_cast<bool>(receiver_);
    return kStatusOk;
}

std::uint32_t Controller::UnregisterReceiver() {
    // Waits for a delivery in progress, unless called from inside the receiver (the delivery
    // thread holds a copy of the receiver while it runs, so clearing it here is safe).
    std::lock_guard<std::recursive_mutex> rl(recv_mu_);
    receiver_ = nullptr;
    std::lock_guard<std::mutex> lk(mu_);
    st_.receiver_registered = false;
    return kStatusOk;
}

std::uint32_t Controller::Send(const merrowcom::Message* request, merrowcom::SendReply* reply) {
    if (!request || !reply) return kStatusInvalidParameter;
    std::memset(reply, 0, sizeof(*reply));
    std::lock_guard<std::mutex> lk(mu_);
    const std::uint32_t ch = request->channel;
    for (auto it = sc_.send_faults.begin(); it != sc_.send_faults.end(); ++it) {
        if (it->channel != 0 && it->channel != ch) continue;
        if (it->busy > 0) {
            --it->busy;
            return kStatusBusy;
        }
        if (it->not_accepted > 0) {
            --it->not_accepted;
            return kStatusOk;  // accepted word stays 0
        }
    }
    reply->accepted = 1;
    RecordEntry e;
    e.kind = RecordEntry::Message;
    e.channel = ch;
    std::memcpy(e.words, request->word, sizeof(e.words));
    RecordLocked(e);
    for (auto it = sc_.send_faults.begin(); it != sc_.send_faults.end(); ++it) {
        if (it->channel != 0 && it->channel != ch) continue;
        if (it->result_count > 0) {
            --it->result_count;
            reply->result = it->result;
            return kStatusOk;  // not taken further
        }
    }
    if (ch != kChCommand && ch != kChDraw) {
        reply->result = kStatusInvalidParameter;
        return kStatusOk;
    }
    std::array<std::uint32_t, 4> w{};
    std::memcpy(w.data(), request->word, sizeof(request->word));
    inbox_.emplace_back(ch, w);
    cv_.notify_all();
    return kStatusOk;
}

// ----------------------------------------------------------------------------------------------
// outgoing messages and the receiving thread

void Controller::PostLocked(std::uint32_t channel, std::uint32_t w0, std::uint32_t w1, std::uint32_t w2,
                            std::uint32_t w3, std::uint32_t delay_ms) {
    Outgoing o;
    o.due_ms = SteadyMs() + delay_ms;
    o.order = out_order_++;
    o.channel = channel;
    o.words[0] = w0;
    o.words[1] = w1;
    o.words[2] = w2;
    o.words[3] = w3;
    outbox_.push_back(o);
    std::push_heap(outbox_.begin(), outbox_.end(), [](const Outgoing& a, const Outgoing& b) {
        return HeapLater(a.due_ms, a.order, b.due_ms, b.order);
    });
    if (channel == kChEvent) ++st_.events;
    if (channel == kChReply || channel == kChDrawReply) ++st_.replies;
    out_cv_.notify_all();
}

void Controller::Emit(std::uint32_t channel, const std::uint32_t words[4], std::uint32_t count) {
    std::lock_guard<std::mutex> lk(mu_);
    for (std::uint32_t i = 0; i < count; ++i) PostLocked(channel, words[0], words[1], words[2], words[3]);
}

void Controller::DeliveryLoop() {
    std::unique_lock<std::mutex> lk(mu_);
    auto later = [](const Outgoing& a, const Outgoing& b) { return HeapLater(a.due_ms, a.order, b.due_ms, b.order); };
    while (!stopping_) {
        if (outbox_.empty()) {
            out_cv_.wait(lk);
            continue;
        }
        const std::uint64_t now = SteadyMs();
        if (outbox_.front().due_ms > now) {
            out_cv_.wait_for(lk, std::chrono::milliseconds(outbox_.front().due_ms - now));
            continue;
        }
        std::pop_heap(outbox_.begin(), outbox_.end(), later);
        const Outgoing o = outbox_.back();
        outbox_.pop_back();
        std::uint32_t flags = 0;
        auto lost = lost_pending_.find(o.channel);
        if (lost != lost_pending_.end() && lost->second != 0) {
            flags |= merrowcom::kFlagLost;
            if (lost->second > 0) --lost->second;
        }
        delivering_ = true;
        lk.unlock();
        merrowcom::Message m{};
        m.kind = 2;
        m.channel = o.channel;
        std::memcpy(m.word, o.words, sizeof(m.word));
        bool delivered = false;
        {
            std::lock_guard<std::recursive_mutex> rl(recv_mu_);
            if (receiver_) {
                const Receiver r = receiver_;
                r(m, flags);
                delivered = true;
            }
        }
        lk.lock();
        delivering_ = false;
        if (delivered)
            ++st_.delivered;
        else
            ++st_.undelivered;
        cv_.notify_all();
    }
}

bool Controller::WaitIdle(std::uint32_t timeout_ms) {
    std::unique_lock<std::mutex> lk(mu_);
    return cv_.wait_for(lk, std::chrono::milliseconds(timeout_ms), [this] {
        return inbox_.empty() && !firmware_busy_ && outbox_.empty() && !delivering_;
    });
}

// ----------------------------------------------------------------------------------------------
// firmware: commands

void Controller::FirmwareLoop() {
    std::unique_lock<std::mutex> lk(mu_);
    for (;;) {
        cv_.wait(lk, [this] { return stopping_ || !inbox_.empty(); });
        if (stopping_) break;
        const auto item = inbox_.front();
        inbox_.pop_front();
        firmware_busy_ = true;
        RunMessage(lk, item.first, item.second.data());
        firmware_busy_ = false;
        cv_.notify_all();
    }
}

void Controller::RunMessage(std::unique_lock<std::mutex>& lk, std::uint32_t channel, const std::uint32_t w[4]) {
    ++st_.commands;
    const std::uint32_t code = channel == kChDraw ? 0u : w[0];
    CommandFault fault;
    bool faulted = false;
    for (auto it = sc_.command_faults.begin(); it != sc_.command_faults.end(); ++it) {
        if (it->count == 0) continue;
        if (it->channel != channel && it->channel != CommandFault::kAnyChannel) continue;
        if (it->code != code && it->code != CommandFault::kAnyCode) continue;
        fault = *it;
        faulted = true;
        if (it->count > 0) --it->count;
        break;
    }
    std::uint32_t w1 = 0, w2 = 0;
    if (faulted && fault.action == CommandFault::Action::Fail) {
        w1 = fault.word1;
        w2 = fault.word2;
    } else if (channel == kChDraw) {
        RunDraw(&w1);
    } else {
        ++sc_.watchdog[3];  // kdr_count: commands seen
        RunCommand(lk, code, &w1, &w2);
    }
    if (stopping_) return;
    if (faulted && fault.action == CommandFault::Action::NoReply) return;
    const std::uint32_t delay = faulted && fault.action == CommandFault::Action::Delay ? fault.delay_ms : 0;
    if (channel == kChDraw)
        PostLocked(kChDrawReply, w[0], w1, w[2], w[3], delay);
    else
        PostLocked(kChReply, code, w1, w2, 0, delay);
}

bool Controller::RunDraw(std::uint32_t* w1) {
    draw_snapshot_.clear();
    for (std::uint32_t a = kPlaneBaseEnb; a <= kPlaneDrawMode; a += 4) draw_snapshot_.push_back(Reg(a));
    *w1 = 0;
    return true;
}

void Controller::SetStateLocked(std::uint32_t s) {
    if (s == state_) return;
    if (s == kStatePaused) frozen_frame_ = PictureFrameLocked();
    state_ = s;
    const std::uint32_t ev = s == kStateLive ? kEvPlaneLive : (s == kStatePaused ? kEvPlanePaused : kEvPlaneMovie);
    PostLocked(kChEvent, ev, s, 0, 0);
}

std::uint64_t Controller::PictureFrameLocked() const {
    if (state_ == kStatePaused) return frozen_frame_;
    if (sc_.hdmi.still) return still_frame_;
    return PictureFrameAtLocked(static_cast<double>(ClockMsLocked()));
}

std::uint64_t Controller::PictureFrameAtLocked(double ms) const {
    const double fps = FpsForCode(sc_.hdmi.fps_code);
    const double since = ms - static_cast<double>(picture_origin_ms_);
    if (since <= 0) return 0;
    // the small bias keeps exact frame times (k periods after the origin) on frame k
    return static_cast<std::uint64_t>(since * (fps > 0 ? fps : 60.0) / 1000.0 + 1e-6);
}

bool Controller::RunCommand(std::unique_lock<std::mutex>& lk, std::uint32_t code, std::uint32_t* w1,
                            std::uint32_t* w2) {
    *w1 = *w2 = 0;
    if (!session_open_ && code != kCmdOpen && code != kCmdClose) {
        *w2 = kDetailNotOpen;
        return false;
    }
    auto R = [this](int i) -> std::uint32_t& { return Reg(Result(i)); };
    const HdmiInput& in = sc_.hdmi;
    const bool picture = in.kind == HdmiInput::Kind::Signal;
    switch (code) {
        case kCmdOpen:
            session_open_ = true;
            return true;
        case kCmdClose:
            session_open_ = false;
            state_ = kStateLive;  // a closed connection leaves the plane live, no events
            return true;
        case kCmdWdtSet:
            sc_.watchdog[0] = 1;
            sc_.watchdog[1] = static_cast<std::int32_t>(Reg(kParam0));
            sc_.watchdog[2] = static_cast<std::int32_t>(Reg(kParam1));
            sc_.watchdog[4] = 0;
            R(0) = 0;
            return true;
        case kCmdWdtGet:
            R(0) = 0;
            for (int i = 0; i < 5; ++i) R(1 + i) = static_cast<std::uint32_t>(sc_.watchdog[i]);
            return true;
        case kCmdPanel:
            R(0) = sc_.panel_width;
            R(1) = sc_.panel_height;
            return true;
        case kCmdHdmi:
            // no cable: the size words keep the last timing (see docs: HDMI input table)
            R(0) = in.kind != HdmiInput::Kind::NoSignal ? in.width : 0;
            R(1) = in.kind != HdmiInput::Kind::NoSignal ? in.height : 0;
            R(2) = HdmiEventWordLocked(in, false);
            R(3) = 0;
            R(4) = picture ? in.format : 0;
            R(5) = picture ? in.scan : 0;
            R(6) = picture ? in.fps_code : 0;
            R(7) = picture ? in.bit_depth : 0;
            R(8) = picture && in.hdcp ? 1u : 2u;
            return true;
        case kCmdFirmInfo:
            R(0) = sc_.firmware_version;
            for (int i = 0; i < 7; ++i) R(1 + i) = static_cast<std::uint32_t>(sc_.firminfo[i]);
            return true;
        case kCmdTimeSet:
            time_value_ = static_cast<std::int32_t>(Reg(kParam0));
            R(0) = 0;
            return true;
        case kCmdAux:
            R(0) = 0;
            R(1) = sc_.aux;
            return true;
        case kCmdOutput:
            R(0) = sc_.output_width;
            R(1) = sc_.output_height;
            R(2) = sc_.output_event;
            return true;
        case kCmdStateQuery:
            R(0) = state_;
            return true;
        case kCmdPause:
            if (state_ != kStateLive) break;
            SetStateLocked(kStatePaused);
            return true;
        case kCmdResume:
            if (state_ != kStatePaused) break;
            SetStateLocked(kStateLive);
            return true;
        case kCmdMovieStart: {
            if (state_ != kStateLive) break;
            const std::uint32_t w = Reg(kParam0), h = Reg(kParam1), f = Reg(kParam2), fps = Reg(kParam3);
            if (w < 60 || w > 3840 || h < 40 || h > 2160 || f > 2 || fps < 1 || fps > 60) {
                *w2 = kDetailBadParam;
                return false;
            }
            cv_.wait(lk, [this] { return !rendering_ || stopping_; });
            if (stopping_) return false;
            movie_w_ = w;
            movie_h_ = h;
            movie_format_ = f == 2 ? 2u : (f == 1 ? 3u : 1u);
            movie_fps_ = sc_.movie_fps ? sc_.movie_fps : fps;
            const std::uint32_t bytes = FrameBytes(w, h, movie_format_);
            const std::uint32_t n = std::max<std::uint32_t>(1u, std::min<std::uint32_t>(16u, sc_.movie_buffers));
            frames_.resize(n);
            for (std::uint32_t i = 0; i < n; ++i) {
                frames_[i].state = FrameBuffer::State::Free;
                frames_[i].address = kFrameBase + i * kFrameStride;
                frames_[i].data.assign(bytes, 0);
            }
            movie_start_ms_ = ClockMsLocked();
            movie_next_index_ = 1;
            pending_drops_ = 0;
            SetStateLocked(kStateMovie);
            clock_cv_.notify_all();
            return true;
        }
        case kCmdMovieStop:
            if (state_ != kStateMovie) break;
            SetStateLocked(kStateLive);  // frames still out stay valid until given back
            return true;
        case kCmdFrameRelease: {
            const std::uint32_t addr = Reg(kParam0);
            for (auto& f : frames_) {
                if (f.address == addr && f.state == FrameBuffer::State::Out) {
                    f.state = FrameBuffer::State::Free;
                    cv_.notify_all();
                    return true;
                }
            }
            *w2 = kDetailNotFound;
            return false;
        }
        case kCmdStill: {
            if (state_ != kStatePaused) break;
            if (!picture || in.hdcp || in.width == 0 || in.height == 0) {
                *w2 = kDetailNoSignal;
                return false;
            }
            const std::uint32_t rb = RowBytes(in.width, 1);
            still_.assign(static_cast<std::size_t>(rb) * in.height, 0);
            // BMP order: bottom-up rows, BGR, rows padded to 4 bytes
            still_renderer_.Render(frozen_frame_, in.width, in.height, 1,
                                   still_.data() + static_cast<std::size_t>(rb) * (in.height - 1),
                                   -static_cast<std::ptrdiff_t>(rb));
            R(0) = 0;
            R(1) = kStillAddress;
            R(2) = in.width;
            R(3) = in.height;
            return true;
        }
        case kCmdFileToCtrl: {
            const std::uint32_t window = Reg(kParam0);
            if (window > 3) {
                *w2 = kDetailBadParam;
                return false;
            }
            const bool ok = ReceiveFileLocked(lk, window, w2);
            if (!ok && *w2 == 0) *w1 = 1;
            return ok;
        }
        case kCmdFileFromCtrl: {
            const std::uint32_t window = Reg(kParam0);
            if (window > 3) {
                *w2 = kDetailBadParam;
                return false;
            }
            const bool ok = SendFileLocked(lk, window, w2);
            if (!ok && *w2 == 0) *w1 = 1;
            return ok;
        }
        case kCmdShellReset:
            for (std::uint32_t wdx = 0; wdx < 4; ++wdx) {
                const std::uint32_t b = WindowBase(wdx);
                Reg(b + kWinFlag) = 0;
                Reg(b + kWinTotal) = 0;
                Reg(b + kWinRemaining) = 0;
                Reg(b + kWinChunk) = 0;
            }
            R(0) = 0;
            return true;
        case kCmdShellRun: {
            std::string output;
            std::uint32_t exit_status = 127;
            auto it = store_.find(kShellCmd);
            if (it != store_.end()) {
                std::string line(it->second.begin(), it->second.end());
                while (!line.empty() && (line.back() == '\0' || line.back() == '\n' || line.back() == '\r'))
                    line.pop_back();
                exit_status = RunShellLocked(line, output);
            } else {
                output = "sh: /dev/shm/shell_cmd: No such file\n";
            }
            store_[kShellOut] = std::vector<std::uint8_t>(output.begin(), output.end());
            R(0) = exit_status;
            return true;
        }
        default: {
            const std::uint32_t group = code >> 16, low = code & 0xFFFFu;
            auto p = props_.find(low);
            if ((code & 0xFFF00000u) == 0 && p != props_.end() && (group == 8 || group == 9 || group == 0xA)) {
                Prop& prop = p->second;
                if (group == 8) {
                    for (std::size_t i = 0; i < prop.set_addrs.size(); ++i) prop.values[i] = Reg(prop.set_addrs[i]);
                } else if (group == 9) {
                    for (std::size_t i = 0; i < prop.set_addrs.size(); ++i)
                        Reg(prop.set_addrs[i] + prop.get_delta) = prop.values[i];
                } else {
                    prop.values = prop.defaults;
                }
                return true;
            }
            *w1 = kFailUnknownCommand;
            return false;
        }
    }
    // refused playback transition or wrong state
    *w2 = kDetailState;
    return false;
}

// ----------------------------------------------------------------------------------------------
// HDMI input

std::uint32_t Controller::HdmiEventWordLocked(const HdmiInput& in, bool hdcp_changed) const {
    switch (in.kind) {
        case HdmiInput::Kind::NoCable:
            return kHdmiBitNoCable;
        case HdmiInput::Kind::NoSignal:
            return kHdmiBitConnected | kHdmiBitNoSignal;
        case HdmiInput::Kind::Signal:
        default:
            return kHdmiBitConnected | kHdmiBitTiming | (in.hdcp ? kHdmiBitHdcp : 0u) |
                   (hdcp_changed ? kHdmiBitHdcpOff : 0u);
    }
}

void Controller::ApplyHdmiLocked(const HdmiInput& in, bool emit_events) {
    const HdmiInput old = sc_.hdmi;
    if (in.still && !old.still) still_frame_ = PictureFrameLocked();  // taken before the input changes
    sc_.hdmi = in;
    HdmiInput old_timing = old, new_timing = in;
    old_timing.still = new_timing.still = false;
    if (old_timing == new_timing) return;  // a source that holds its picture changes nothing on the cable
    const bool old_pic = old.kind == HdmiInput::Kind::Signal;
    const bool new_pic = in.kind == HdmiInput::Kind::Signal;
    if (!emit_events) return;
    if (old_pic != new_pic || old.width != in.width || old.height != in.height || old.fps_code != in.fps_code)
        picture_origin_ms_ = ClockMsLocked();
    // the reported size: the timing's size, kept while no cable is in, 0 without signal
    const bool old_sized = old.kind != HdmiInput::Kind::NoSignal, new_sized = in.kind != HdmiInput::Kind::NoSignal;
    const std::uint32_t ow = old_sized ? old.width : 0, oh = old_sized ? old.height : 0;
    const std::uint32_t nw = new_sized ? in.width : 0, nh = new_sized ? in.height : 0;
    const bool hdcp_changed = old_pic && new_pic && old.hdcp != in.hdcp;
    const std::uint32_t size_word = (nw & 0xFFFFu) << 16 | (nh & 0xFFFFu);
    const std::uint32_t timing =
        new_pic ? ((in.scan & 0xFu) | (in.fps_code & 0xFu) << 4 | (in.format & 0xFu) << 8 | (in.bit_depth & 0xFFu) << 12)
                : 0u;
    PostLocked(kChEvent, kEvHdmiInfo, HdmiEventWordLocked(in, hdcp_changed), size_word, timing);
    if (ow != nw || oh != nh) PostLocked(kChEvent, kEvHdmiSize, 0, size_word, 0);
}

void Controller::SetHdmi(const HdmiInput& input) {
    std::lock_guard<std::mutex> lk(mu_);
    ApplyHdmiLocked(input, true);
}

HdmiInput Controller::Hdmi() const {
    std::lock_guard<std::mutex> lk(mu_);
    return sc_.hdmi;
}

// ----------------------------------------------------------------------------------------------
// clock: movie frames and the timeline

std::uint64_t Controller::MovieDueLocked(std::uint64_t index) const {
    return movie_start_ms_ + index * 1000ull / (movie_fps_ ? movie_fps_ : 1u);
}

std::uint64_t Controller::NextDueLocked() const {
    std::uint64_t due = kNever;
    if (timeline_next_ < sc_.timeline.size()) due = timeline_base_ms_ + sc_.timeline[timeline_next_].at_ms;
    if (state_ == kStateMovie && movie_fps_ > 0) due = std::min(due, MovieDueLocked(movie_next_index_));
    return due;
}

void Controller::ProduceFrameLocked(std::unique_lock<std::mutex>& lk, std::uint64_t index) {
    const HdmiInput& in = sc_.hdmi;
    if (in.kind != HdmiInput::Kind::Signal || in.hdcp) return;  // nothing to capture
    FrameBuffer* fb = nullptr;
    for (auto& f : frames_)
        if (f.state == FrameBuffer::State::Free) {
            fb = &f;
            break;
        }
    if (!fb) {
        ++st_.frames_dropped;
        ++pending_drops_;
        return;
    }
    fb->state = FrameBuffer::State::Rendering;
    rendering_ = true;
    // the input frame showing at the frame's exact due time (not "now": a late clock thread
    // must not give two frames the same picture)
    const double due = static_cast<double>(movie_start_ms_) + static_cast<double>(index) * 1000.0 / movie_fps_;
    const std::uint64_t frame_no = PictureFrameAtLocked(due);
    const std::uint32_t w = movie_w_, h = movie_h_, fmt = movie_format_;
    std::uint8_t* data = fb->data.data();
    lk.unlock();
    movie_renderer_.Render(frame_no, w, h, fmt, data, static_cast<std::ptrdiff_t>(RowBytes(w, fmt)));
    lk.lock();
    rendering_ = false;
    fb->state = FrameBuffer::State::Out;
    const std::uint32_t drops = std::min<std::uint32_t>(pending_drops_, 255u);
    pending_drops_ -= drops;
    PostLocked(kChEvent, kEvFrame, FormatCode(fmt) | drops << 8, (w & 0xFFFFu) << 16 | (h & 0xFFFFu), fb->address);
    ++st_.frames_produced;
    cv_.notify_all();
}

void Controller::ClockStepLocked(std::unique_lock<std::mutex>& lk, std::uint64_t now) {
    while (timeline_next_ < sc_.timeline.size() && timeline_base_ms_ + sc_.timeline[timeline_next_].at_ms <= now) {
        const TimelineEntry e = sc_.timeline[timeline_next_++];
        if (e.type == TimelineEntry::Type::Hdmi) {
            ApplyHdmiLocked(e.hdmi, true);
        } else {
            for (std::uint32_t i = 0; i < e.count; ++i)
                PostLocked(e.channel, e.words[0], e.words[1], e.words[2], e.words[3]);
        }
    }
    while (!stopping_ && state_ == kStateMovie && movie_fps_ > 0 && MovieDueLocked(movie_next_index_) <= now) {
        if (!sc_.manual_clock && MovieDueLocked(movie_next_index_ + 2) <= now) {
            // the clock fell behind by more than two periods: those frames are lost
            ++st_.frames_dropped;
            ++pending_drops_;
            ++movie_next_index_;
            continue;
        }
        ProduceFrameLocked(lk, movie_next_index_);
        ++movie_next_index_;
    }
}

void Controller::ClockLoop() {
    std::unique_lock<std::mutex> lk(mu_);
    while (!stopping_) {
        // On the manual clock only Advance() moves time and produces frames: stepping here
        // too would produce a frame a second time while Advance() renders it unlocked.
        if (!sc_.manual_clock) ClockStepLocked(lk, ClockMsLocked());
        if (stopping_) break;
        const std::uint64_t due = NextDueLocked();
        if (due == kNever) {
            clock_cv_.wait_for(lk, std::chrono::milliseconds(100));
        } else {
            const std::uint64_t now = ClockMsLocked();
            if (due > now) clock_cv_.wait_for(lk, std::chrono::milliseconds(due - now));
        }
    }
}

void Controller::Advance(std::uint32_t ms) {
    std::unique_lock<std::mutex> lk(mu_);
    if (!sc_.manual_clock) return;
    const std::uint64_t target = manual_now_ms_ + ms;
    for (;;) {
        const std::uint64_t due = NextDueLocked();
        if (due > target) break;
        manual_now_ms_ = std::max(manual_now_ms_, due);
        ClockStepLocked(lk, manual_now_ms_);
    }
    manual_now_ms_ = target;
}

// ----------------------------------------------------------------------------------------------
// transfer windows and the shell

bool Controller::WaitFlagLocked(std::unique_lock<std::mutex>& lk, std::uint32_t window, std::uint32_t value,
                                std::uint32_t timeout_ms) {
    const std::uint32_t flag = WindowBase(window) + kWinFlag;
    return cv_.wait_for(lk, std::chrono::milliseconds(timeout_ms),
                        [&] { return stopping_ || Reg(flag) == value; }) &&
           !stopping_;
}

std::string Controller::ReadWindowNameLocked(std::uint32_t window) {
    const std::uint32_t b = WindowBase(window) + kWinName;
    std::string name;
    for (std::uint32_t i = 0; i < kWinNameBytes; ++i) {
        const std::uint32_t word = Reg(b + (i & ~3u));
        const char c = static_cast<char>((word >> (24 - 8 * (i & 3u))) & 0xFFu);
        if (c == '\0') break;
        name.push_back(c);
    }
    return name;
}

bool Controller::ReceiveFileLocked(std::unique_lock<std::mutex>& lk, std::uint32_t window, std::uint32_t* w2) {
    const std::uint32_t b = WindowBase(window);
    std::vector<std::uint8_t> data;
    std::string name;
    std::uint32_t total = 0;
    bool first = true, bad = false;
    for (;;) {
        if (!WaitFlagLocked(lk, window, 1, 10000)) return false;
        const std::uint32_t chunk = Reg(b + kWinChunk);
        const std::uint32_t remaining = Reg(b + kWinRemaining);
        if (first) {
            name = ReadWindowNameLocked(window);
            total = Reg(b + kWinTotal);
            if (total > kStoreLimit) bad = true;
            first = false;
        }
        if (chunk > kWinDataBytes || data.size() + chunk > total) bad = true;
        if (!bad) {
            for (std::uint32_t i = 0; i < chunk; ++i) {
                const std::uint32_t word = Reg(b + kWinData + (i & ~3u));
                data.push_back(static_cast<std::uint8_t>((word >> (24 - 8 * (i & 3u))) & 0xFFu));
            }
        }
        Reg(b + kWinFlag) = 0;
        if (remaining == 0 || bad) break;
    }
    if (bad || data.size() != total || name.rfind("/dev/shm/", 0) != 0) {
        *w2 = kDetailBadParam;
        return false;
    }
    store_[name] = std::move(data);
    return true;
}

bool Controller::SendFileLocked(std::unique_lock<std::mutex>& lk, std::uint32_t window, std::uint32_t* w2) {
    const std::uint32_t b = WindowBase(window);
    const std::string name = ReadWindowNameLocked(window);
    auto it = store_.find(name);
    const std::vector<std::uint8_t> empty;
    const std::vector<std::uint8_t>& data = it != store_.end() ? it->second : empty;
    const std::uint32_t total = static_cast<std::uint32_t>(data.size());
    std::uint32_t remaining = total, offset = 0;
    do {
        if (!WaitFlagLocked(lk, window, 0, 10000)) return false;
        const std::uint32_t chunk = std::min(remaining, kWinDataBytes);
        for (std::uint32_t i = 0; i < chunk; i += 4) {
            std::uint32_t word = 0;
            for (std::uint32_t k = 0; k < 4; ++k)
                if (i + k < chunk) word |= static_cast<std::uint32_t>(data[offset + i + k]) << (24 - 8 * k);
            Reg(b + kWinData + i) = word;
        }
        remaining -= chunk;
        offset += chunk;
        Reg(b + kWinTotal) = total;
        Reg(b + kWinChunk) = chunk;
        Reg(b + kWinRemaining) = remaining;
        Reg(b + kWinFlag) = 1;
    } while (remaining > 0);
    // the reader clears the flag after the last chunk; a reader that never does (an empty file
    // it did not read) is not left with a stuck window
    if (!WaitFlagLocked(lk, window, 0, 2000)) {
        if (stopping_) return false;
        Reg(b + kWinFlag) = 0;
    }
    if (it == store_.end()) {
        *w2 = kDetailNotFound;
        return false;
    }
    return true;
}

std::uint32_t Controller::RunShellLocked(const std::string& line, std::string& output) {
    const auto words = SplitWords(line);
    if (words.empty()) return 0;
    if (words[0] == "rm") {
        for (std::size_t i = 1; i < words.size(); ++i)
            if (words[i] != "-f") store_.erase(words[i]);
        return 0;
    }
    if (words[0] == kFwUpdate && words.size() >= 2) {
        const FwUpdateBehaviour& fw = sc_.fw_update;
        if (words[1] == "write" && words.size() == 3) {
            if (fw.write_exit) {
                output = "fw_update: write failed\n";
                return fw.write_exit;
            }
            auto it = store_.find(words[2]);
            if (it == store_.end() || it->second.empty()) {
                output = "fw_update: " + words[2] + ": no image\n";
                return 1;
            }
            staged_image_ = it->second;
            output = "fw_update: wrote " + std::to_string(staged_image_.size()) + " bytes\n";
            return 0;
        }
        if (words[1] == "read" && words.size() == 3) {
            if (fw.read_exit) {
                output = "fw_update: read failed\n";
                return fw.read_exit;
            }
            if (staged_image_.empty()) {
                output = "fw_update: nothing written\n";
                return 1;
            }
            std::vector<std::uint8_t> back = staged_image_;
            if (fw.read_differs && read_differs_left_ != 0) {
                back[back.size() / 2] ^= 0x5Au;
                if (read_differs_left_ > 0) --read_differs_left_;
            }
            store_[words[2]] = std::move(back);
            output = "fw_update: read " + std::to_string(staged_image_.size()) + " bytes\n";
            return 0;
        }
        if (words[1] == "swap" && words.size() == 2) {
            if (fw.swap_exit) {
                output = "fw_update: swap failed\n";
                return fw.swap_exit;
            }
            if (staged_image_.empty()) {
                output = "fw_update: nothing written\n";
                return 1;
            }
            active_image_ = staged_image_;
            if (fw.version_after_swap) sc_.firmware_version = fw.version_after_swap;
            output = "fw_update: swapped\n";
            return 0;
        }
        output = "fw_update: usage: write|read FILE, swap\n";
        return 2;
    }
    output = "sh: " + words[0] + ": not found\n";
    return 127;
}

// ----------------------------------------------------------------------------------------------
// control

void Controller::Update(const Scenario& s) {
    std::lock_guard<std::mutex> lk(mu_);
    const HdmiInput new_hdmi = s.hdmi;
    const bool hdmi_changed = new_hdmi != sc_.hdmi;
    const HdmiInput keep = sc_.hdmi;
    const bool manual = sc_.manual_clock;
    const std::vector<TimelineEntry> old_timeline = sc_.timeline;
    sc_ = s;
    sc_.manual_clock = manual;  // the clock kind changes only with a reset
    sc_.hdmi = keep;
    if (hdmi_changed) ApplyHdmiLocked(new_hdmi, true);
    std::stable_sort(sc_.timeline.begin(), sc_.timeline.end(),
                     [](const TimelineEntry& a, const TimelineEntry& b) { return a.at_ms < b.at_ms; });
    if (sc_.timeline.size() != old_timeline.size() ||
        !std::equal(old_timeline.begin(), old_timeline.end(), sc_.timeline.begin(),
                    [](const TimelineEntry& a, const TimelineEntry& b) { return a.at_ms == b.at_ms && a.type == b.type; })) {
        timeline_next_ = 0;
        timeline_base_ms_ = ClockMsLocked();
    }
    lost_pending_.clear();
    for (const auto& l : sc_.lost_faults) lost_pending_[l.channel] += l.count;
    read_differs_left_ = sc_.fw_update.read_differs_count;
    if (state_ == kStateMovie && sc_.movie_fps) {
        movie_fps_ = sc_.movie_fps;
        movie_start_ms_ = ClockMsLocked();
        movie_next_index_ = 1;
    }
    clock_cv_.notify_all();
}

Scenario Controller::CurrentScenario() const {
    std::lock_guard<std::mutex> lk(mu_);
    return sc_;
}

void Controller::AddCommandFault(const CommandFault& f) {
    std::lock_guard<std::mutex> lk(mu_);
    sc_.command_faults.push_back(f);
}
void Controller::AddSendFault(const SendFault& f) {
    std::lock_guard<std::mutex> lk(mu_);
    sc_.send_faults.push_back(f);
}
void Controller::AddLostFault(const LostFault& f) {
    std::lock_guard<std::mutex> lk(mu_);
    sc_.lost_faults.push_back(f);
    lost_pending_[f.channel] += f.count;
}
void Controller::AddRegisterFault(const RegisterFault& f) {
    std::lock_guard<std::mutex> lk(mu_);
    sc_.register_faults.push_back(f);
}
void Controller::SetStartupStatus(int op, std::uint32_t status) {
    std::lock_guard<std::mutex> lk(mu_);
    if (op == 1 || op == 2) sc_.startup_status[op - 1] = status;
}
void Controller::SetFwUpdate(const FwUpdateBehaviour& b) {
    std::lock_guard<std::mutex> lk(mu_);
    sc_.fw_update = b;
    read_differs_left_ = b.read_differs_count;
}
void Controller::ClearFaults() {
    std::lock_guard<std::mutex> lk(mu_);
    sc_.command_faults.clear();
    sc_.send_faults.clear();
    sc_.lost_faults.clear();
    sc_.register_faults.clear();
    sc_.startup_status[0] = sc_.startup_status[1] = 0;
    sc_.fw_update = FwUpdateBehaviour{};
    read_differs_left_ = -1;
    lost_pending_.clear();
}

std::vector<RecordEntry> Controller::Record() const {
    std::lock_guard<std::mutex> lk(mu_);
    return std::vector<RecordEntry>(record_.begin(), record_.end());
}
std::uint64_t Controller::RecordTotal() const {
    std::lock_guard<std::mutex> lk(mu_);
    return st_.record_total;
}
void Controller::ClearRecord() {
    std::lock_guard<std::mutex> lk(mu_);
    record_.clear();
}
void Controller::SetRecordObserver(std::function<void(const RecordEntry&)> observer) {
    std::lock_guard<std::mutex> lk(mu_);
    record_observer_ = std::move(observer);
}
std::uint32_t Controller::Peek(std::uint32_t address) const {
    std::lock_guard<std::mutex> lk(mu_);
    if (!RegValid(address, 4)) return 0;
    return regs_[(address - kRegBase) / 4];
}
void Controller::Poke(std::uint32_t address, std::uint32_t value) {
    std::lock_guard<std::mutex> lk(mu_);
    if (!RegValid(address, 4)) return;
    Reg(address) = value;
    cv_.notify_all();
}
bool Controller::GetFile(const std::string& name, std::vector<std::uint8_t>& data) const {
    std::lock_guard<std::mutex> lk(mu_);
    auto it = store_.find(name);
    if (it == store_.end()) return false;
    data = it->second;
    return true;
}
void Controller::PutFile(const std::string& name, const std::vector<std::uint8_t>& data) {
    std::lock_guard<std::mutex> lk(mu_);
    store_[name] = data;
}
std::vector<std::uint8_t> Controller::FirmwareImage() const {
    std::lock_guard<std::mutex> lk(mu_);
    return active_image_;
}
PanelState Controller::PanelNow() const {
    std::lock_guard<std::mutex> lk(mu_);
    PanelState p;
    auto word = [this](std::uint32_t address) {
        const std::size_t i = (address - kPlaneBaseEnb) / 4u;
        return i < draw_snapshot_.size() ? draw_snapshot_[i] : 0u;
    };
    auto as_int = [&](std::uint32_t address) { return static_cast<std::int32_t>(word(address)); };
    p.plane.base_on = word(kPlaneBaseEnb) != 0;
    p.plane.video_on = word(kPlaneVideoEnb) != 0;
    p.plane.dst_x = as_int(kPlaneDst), p.plane.dst_y = as_int(kPlaneDst + 4);
    p.plane.dst_w = as_int(kPlaneDst + 8), p.plane.dst_h = as_int(kPlaneDst + 12);
    p.plane.src_x = as_int(kPlaneSrc), p.plane.src_y = as_int(kPlaneSrc + 4);
    p.plane.src_w = as_int(kPlaneSrc + 8), p.plane.src_h = as_int(kPlaneSrc + 12);
    p.plane.angle = as_int(kPlaneAngle);
    p.output_width = sc_.output_width;
    p.output_height = sc_.output_height;
    p.input = sc_.hdmi;
    p.content = PlaneContent(p.plane, p.input);
    p.frame = PictureFrameLocked();
    p.playback_state = state_;
    return p;
}

ControllerStatus Controller::Status() const {
    std::lock_guard<std::mutex> lk(mu_);
    ControllerStatus s = st_;
    s.playback_state = state_;
    s.session_open = session_open_;
    s.firmware_version = sc_.firmware_version;
    s.picture_frame = PictureFrameLocked();
    s.frame_buffers = static_cast<std::uint32_t>(frames_.size());
    s.frames_out = 0;
    for (const auto& f : frames_)
        if (f.state == FrameBuffer::State::Out) ++s.frames_out;
    return s;
}

}  // namespace mrcsim
