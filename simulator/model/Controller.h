// The simulated capture controller, platform-free (no <windows.h>): register space, controller
// memory, command processor, playback state machine, HDMI input, picture source, movie frames,
// shell/file channel, fault injection and the record of what the controller received.
//
// Threads of the model:
//  - firmware thread: takes the messages the host sent on channels 16 and 34 and runs them,
//    including the controller's side of the transfer-window handshake;
//  - delivery thread (the component's receiving thread): hands every controller message
//    (replies on 17 and 35, events on 32) to the registered receiver, never on a caller's thread;
//  - clock thread (real clock only): movie frames at the configured rate and the timeline.
#pragma once

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "contract/Merrowcom.h"
#include "simulator/model/Pattern.h"
#include "simulator/model/PanelComposer.h"
#include "simulator/model/Protocol.h"
#include "simulator/model/Scenario.h"

namespace mrcsim {

// One entry of the record of what the controller received.
struct RecordEntry {
    enum Kind : std::uint32_t { Message = 1, Write32 = 2, Write64 = 3, WriteBlock = 4 };
    std::uint64_t seq = 0;
    std::uint32_t kind = 0;
    std::uint32_t channel = 0;  // Message
    std::uint32_t address = 0;  // writes
    std::uint32_t length = 0;   // WriteBlock: bytes
    std::uint32_t words[4] = {0, 0, 0, 0};  // Message: word0..3; Write32: value in words[0];
                                            // WriteBlock: first four words
    double value64 = 0.0;       // Write64
};

struct ControllerStatus {
    std::uint32_t playback_state = kStateLive;
    bool session_open = false;
    bool receiver_registered = false;
    std::uint64_t commands = 0;          // messages taken from channels 16 and 34
    std::uint64_t replies = 0;           // replies put out on 17 and 35
    std::uint64_t events = 0;            // messages put out on channel 32
    std::uint64_t delivered = 0;         // messages given to the receiver
    std::uint64_t undelivered = 0;       // dropped because no receiver was registered
    std::uint64_t frames_produced = 0;   // frame notices sent
    std::uint64_t frames_dropped = 0;    // device drops (no free frame buffer in time)
    std::uint32_t frames_out = 0;        // frames notified and not given back
    std::uint32_t frame_buffers = 0;
    std::uint32_t firmware_version = 0;
    std::uint64_t picture_frame = 0;     // current input frame number
    std::uint64_t record_total = 0;      // record entries ever made
    std::uint64_t startups = 0;          // DeviceUtil op 1 calls that succeeded
    std::uint64_t releases = 0;          // DeviceUtil op 3 calls
};

class Controller {
public:
    using Receiver = std::function<void(const merrowcom::Message&, std::uint32_t flags)>;

    explicit Controller(const Scenario& scenario = Scenario{});
    ~Controller();
    Controller(const Controller&) = delete;
    Controller& operator=(const Controller&) = delete;

    // ---- the vendor operations (GenericFunc / DeviceUtil) ----
    [[nodiscard]] std::uint32_t Startup(int op, std::uint32_t* out);  // DeviceUtil op 1 / op 2
    [[nodiscard]] std::uint32_t Release();                            // DeviceUtil op 3
    [[nodiscard]] std::uint32_t RegisterReceiver(Receiver r);         // GenericFunc op 3
    [[nodiscard]] std::uint32_t UnregisterReceiver();                 // GenericFunc op 4 (waits for a running delivery)
    [[nodiscard]] std::uint32_t Send(const merrowcom::Message* request, merrowcom::SendReply* reply);  // op 5
    [[nodiscard]] std::uint32_t Read32(std::uint32_t address, std::uint32_t* value);   // op 6
    [[nodiscard]] std::uint32_t Write32(std::uint32_t address, std::uint32_t value);   // op 7
    [[nodiscard]] std::uint32_t Read64(std::uint32_t address, double* value);          // op 8
    [[nodiscard]] std::uint32_t Write64(std::uint32_t address, double value);          // op 9
    [[nodiscard]] std::uint32_t ReadBlock(std::uint32_t address, void* buffer, std::uint32_t length);         // op 12
    [[nodiscard]] std::uint32_t WriteBlock(std::uint32_t address, const void* buffer, std::uint32_t length);  // op 13

    // ---- control (tests, scenario) ----
    // Back to power-on with this scenario: all state, store, faults, record and clock reset;
    // the registered receiver is kept.
    void Reset(const Scenario& scenario);
    // Applies a changed scenario without a reset: identity words, sizes, watchdog, HDMI (with
    // its events), movie rate, faults, fw_update behaviour; the timeline is replaced and runs
    // from the current time.
    void Update(const Scenario& scenario);
    Scenario CurrentScenario() const;
    void SetHdmi(const HdmiInput& input);  // emits 0x20010001 (and 0x20000001 on a size change)
    HdmiInput Hdmi() const;
    void AddCommandFault(const CommandFault& f);
    void AddSendFault(const SendFault& f);
    void AddLostFault(const LostFault& f);
    void AddRegisterFault(const RegisterFault& f);
    void SetStartupStatus(int op, std::uint32_t status);
    void SetFwUpdate(const FwUpdateBehaviour& b);
    void ClearFaults();
    // Puts `count` messages on `channel` (32 for events) to the host.
    void Emit(std::uint32_t channel, const std::uint32_t words[4], std::uint32_t count = 1);
    // Manual clock: moves time forward, producing the frames and timeline entries that fall due.
    void Advance(std::uint32_t ms);
    std::uint64_t NowMs() const;

    std::vector<RecordEntry> Record() const;
    std::uint64_t RecordTotal() const;
    void ClearRecord();
    // Called with each record entry as it is made (whether or not the record keeps it), under
    // the controller's lock: it must return quickly and must not call the controller.
    void SetRecordObserver(std::function<void(const RecordEntry&)> observer);
    // Register access without faults or recording.
    std::uint32_t Peek(std::uint32_t address) const;
    void Poke(std::uint32_t address, std::uint32_t value);
    [[nodiscard]] bool GetFile(const std::string& name, std::vector<std::uint8_t>& data) const;
    void PutFile(const std::string& name, const std::vector<std::uint8_t>& data);
    std::vector<std::uint8_t> FirmwareImage() const;
    ControllerStatus Status() const;
    // The video plane as the last draw request left it, with what it carries now.
    PanelState PanelNow() const;
    // Waits (real time) until no message is waiting to be run or delivered; for tests.
    [[nodiscard]] bool WaitIdle(std::uint32_t timeout_ms);

    // Renders the test pattern of input frame `frame` at w x h in `format` (1 BGR, 2 YUV 4:4:4,
    // 3 YUV 4:2:2), rows top-down, padded to 4 bytes. Exposed for tests and the benchmark.
    static std::uint32_t FrameBytes(std::uint32_t w, std::uint32_t h, std::uint32_t format);

private:
    struct Outgoing {
        std::uint64_t due_ms;  // steady-clock ms
        std::uint64_t order;
        std::uint32_t channel;
        std::uint32_t words[4];
    };
    struct FrameBuffer {
        enum class State { Free, Rendering, Out } state = State::Free;
        std::vector<std::uint8_t> data;
        std::uint32_t address = 0;
    };
    struct Prop {
        std::vector<std::uint32_t> set_addrs;
        std::uint32_t get_delta = 0x100;
        std::vector<std::uint32_t> values;
        std::vector<std::uint32_t> defaults;
    };

    void WarmUpSyncObjects();
    void StartThreads();
    void StopThreads();
    void FirmwareLoop();
    void DeliveryLoop();
    void ClockLoop();

    // all of the following run with mu_ held unless said otherwise
    void InitLocked(const Scenario& s);
    std::uint32_t& Reg(std::uint32_t address);
    bool RegValid(std::uint32_t address, std::uint32_t bytes) const;
    void RecordLocked(const RecordEntry& e);
    bool RegisterFaultLocked(std::uint32_t address, bool write, std::uint32_t* status);
    void PostLocked(std::uint32_t channel, std::uint32_t w0, std::uint32_t w1, std::uint32_t w2,
                    std::uint32_t w3, std::uint32_t delay_ms = 0);
    void RunMessage(std::unique_lock<std::mutex>& lk, std::uint32_t channel, const std::uint32_t w[4]);
    // returns false when the command failed: detail in *w1/*w2
    bool RunCommand(std::unique_lock<std::mutex>& lk, std::uint32_t code, std::uint32_t* w1,
                    std::uint32_t* w2);
    bool RunDraw(std::uint32_t* w1);
    void SetStateLocked(std::uint32_t state);
    void ApplyHdmiLocked(const HdmiInput& in, bool emit_events);
    std::uint32_t HdmiEventWordLocked(const HdmiInput& in, bool hdcp_changed) const;
    std::uint64_t PictureFrameLocked() const;
    std::uint64_t PictureFrameAtLocked(double ms) const;
    void ClockStepLocked(std::unique_lock<std::mutex>& lk, std::uint64_t now);
    void ProduceFrameLocked(std::unique_lock<std::mutex>& lk, std::uint64_t index);
    std::uint64_t SteadyMs() const;
    std::uint64_t NextDueLocked() const;
    std::uint64_t MovieDueLocked(std::uint64_t index) const;
    std::uint64_t ClockMsLocked() const;

    // file channel
    bool ReceiveFileLocked(std::unique_lock<std::mutex>& lk, std::uint32_t window, std::uint32_t* w2);
    bool SendFileLocked(std::unique_lock<std::mutex>& lk, std::uint32_t window, std::uint32_t* w2);
    bool WaitFlagLocked(std::unique_lock<std::mutex>& lk, std::uint32_t window, std::uint32_t value,
                        std::uint32_t timeout_ms);
    std::string ReadWindowNameLocked(std::uint32_t window);
    std::uint32_t RunShellLocked(const std::string& line, std::string& output);

    mutable std::mutex mu_;
    std::condition_variable cv_;        // firmware inbox, register writes (flags), frame buffers
    std::condition_variable out_cv_;    // delivery queue
    std::condition_variable clock_cv_;  // clock thread
    bool stopping_ = false;

    Scenario sc_;
    std::vector<std::uint32_t> regs_;  // kRegSize / 4 words from kRegBase
    std::deque<std::pair<std::uint32_t, std::array<std::uint32_t, 4>>> inbox_;
    bool firmware_busy_ = false;
    std::vector<Outgoing> outbox_;     // heap ordered by (due, order)
    std::uint64_t out_order_ = 0;
    bool delivering_ = false;

    // receiver
    std::recursive_mutex recv_mu_;  // held while the receiver runs (op 4 from inside it is allowed)
    Receiver receiver_;

    // state
    bool session_open_ = false;
    std::uint32_t state_ = kStateLive;
    std::uint64_t frozen_frame_ = 0;
    std::uint64_t still_frame_ = 0;  // the input frame a still source holds
    std::uint64_t clock_origin_ms_ = 0;  // steady ms at scenario start
    std::uint64_t manual_now_ms_ = 0;
    std::uint64_t picture_origin_ms_ = 0;  // clock ms when the current input started
    std::size_t timeline_next_ = 0;
    std::uint64_t timeline_base_ms_ = 0;
    std::int32_t time_value_ = 0;
    std::map<std::uint32_t, Prop> props_;  // by low part of the command (0x0001, 0x0002, ... 0x0013)
    std::vector<std::uint32_t> draw_snapshot_;

    // movie
    std::vector<FrameBuffer> frames_;
    std::uint32_t movie_w_ = 0, movie_h_ = 0, movie_format_ = 1, movie_fps_ = 0;
    std::uint64_t movie_start_ms_ = 0;
    std::uint64_t movie_next_index_ = 0;
    std::uint32_t pending_drops_ = 0;
    bool rendering_ = false;

    // still
    std::vector<std::uint8_t> still_;
    PatternRenderer movie_renderer_;
    PatternRenderer still_renderer_;

    // shell / file store
    std::map<std::string, std::vector<std::uint8_t>> store_;
    std::vector<std::uint8_t> staged_image_;
    std::vector<std::uint8_t> active_image_;
    std::int32_t read_differs_left_ = -1;

    // lost flags pending per channel
    std::map<std::uint32_t, std::int32_t> lost_pending_;

    // record
    std::deque<RecordEntry> record_;
    std::function<void(const RecordEntry&)> record_observer_;
    std::uint64_t record_seq_ = 0;

    ControllerStatus st_;

    std::thread firmware_thread_;
    std::thread delivery_thread_;
    std::thread clock_thread_;
};

}  // namespace mrcsim
