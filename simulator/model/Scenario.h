// Configuration of the simulated controller: everything a scenario file or the control API can set.
// Platform-free.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace mrcsim {

// HDMI input state (see docs/simulator.md, "HDMI input table").
struct HdmiInput {
    enum class Kind : std::uint32_t { NoCable = 0, NoSignal = 1, Signal = 2 };
    Kind kind = Kind::Signal;
    std::uint32_t width = 1920;
    std::uint32_t height = 1080;
    std::uint32_t fps_code = 8;    // 1 23.98, 2 24, 3 25, 4 29.97, 5 30, 6 50, 7 59.94, 8 60
    std::uint32_t scan = 2;        // 1 interlaced ("i"), 2 progressive ("p"), 0 unknown
    std::uint32_t format = 1;      // 1 RGB, 2 YUV 4:4:4, 3 YUV 4:2:2, 4 YUV 4:2:0
    std::uint32_t bit_depth = 8;
    bool hdcp = false;
    bool still = false;            // the source holds its picture (a paused player): no HDMI change

    bool operator==(const HdmiInput& o) const {
        return kind == o.kind && width == o.width && height == o.height && fps_code == o.fps_code &&
               scan == o.scan && format == o.format && bit_depth == o.bit_depth && hdcp == o.hdcp &&
               still == o.still;
    }
    bool operator!=(const HdmiInput& o) const { return !(*this == o); }
};

// Frame rate in frames per second for an fps code (0 for an unknown code).
double FpsForCode(std::uint32_t code);

// What happens to one command (or draw request) instead of the normal answer.
struct CommandFault {
    enum class Action : std::uint32_t { NoReply = 0, Delay = 1, Fail = 2 };
    static constexpr std::uint32_t kAnyChannel = 0, kAnyCode = 0xFFFFFFFFu;  // a controller gone silent
    std::uint32_t channel = 34;  // 34 for commands, 16 for the draw request, kAnyChannel both
    std::uint32_t code = 0;      // word0 of the request (0 for the draw request), or kAnyCode
    Action action = Action::Fail;
    std::uint32_t word1 = 0;     // Fail: reply word1 / word2 (the command is not carried out)
    std::uint32_t word2 = 0;
    std::uint32_t delay_ms = 0;  // Delay: the reply is delivered this much later
    std::int32_t count = -1;     // how many times; -1 = every time
};

// Faults of GenericFunc op 5 (send).
struct SendFault {
    std::uint32_t channel = 0;       // 0 = any channel
    std::int32_t busy = 0;           // next N sends return 0xC00000A3
    std::int32_t not_accepted = 0;   // next N sends return 0 with accepted word 0
    std::uint32_t result = 0;        // reply result word for the next result_count sends
    std::int32_t result_count = 0;
};

// The next `count` messages delivered on `channel` carry the lost bit in the receiver's flags.
struct LostFault {
    std::uint32_t channel = 35;
    std::int32_t count = 1;
};

// A register access at `address` fails with `status`.
struct RegisterFault {
    std::uint32_t address = 0;
    bool on_read = true;
    bool on_write = false;
    std::uint32_t status = 0xC0000185u;
    std::int32_t count = -1;  // -1 = every time
    std::int32_t skip = 0;    // let this many matching accesses pass first
};

struct FwUpdateBehaviour {
    std::uint32_t write_exit = 0;   // exit status forced on "fw_update write" (0 = normal)
    std::uint32_t read_exit = 0;    // exit status forced on "fw_update read"
    std::uint32_t swap_exit = 0;    // exit status forced on "fw_update swap"
    bool read_differs = false;      // read-back image has one byte flipped
    std::int32_t read_differs_count = -1;  // how many read-backs differ (-1 = all)
    std::uint32_t version_after_swap = 0;  // firmware version word after a swap (0 = unchanged)
};

// One timed action of a scenario's timeline (time from the scenario's start on the
// controller's clock: real milliseconds, or the manual clock advanced by the control API).
struct TimelineEntry {
    enum class Type : std::uint32_t { Hdmi = 0, Event = 1 };
    std::uint64_t at_ms = 0;
    Type type = Type::Hdmi;
    HdmiInput hdmi;
    // Event: `count` messages on `channel` with these words (an event flood when count > 1).
    std::uint32_t channel = 32;
    std::uint32_t words[4] = {0, 0, 0, 0};
    std::uint32_t count = 1;
};

struct Scenario {
    std::uint32_t firmware_version = 0x01000000u;
    std::int32_t firminfo[7] = {1, 0, 0, 0, 0, 0, 0};
    // KdrWdtInfo: state, interval, err_count, kdr_count, kdr_err
    std::int32_t watchdog[5] = {1, 2000, 5, 0, 0};
    std::uint32_t panel_width = 1280, panel_height = 800;
    std::uint32_t output_width = 1280, output_height = 800, output_event = 0;
    std::uint32_t aux = 0;
    HdmiInput hdmi;
    std::vector<TimelineEntry> timeline;
    std::uint32_t movie_buffers = 4;  // controller frame buffers (1..16)
    std::uint32_t movie_fps = 0;      // 0 = the rate the host asks for; else forced
    bool manual_clock = false;        // true: time moves only through Controller::advance
    bool record = true;               // keep the received-command / register-write record
    std::uint32_t record_limit = 200000;
    std::uint32_t startup_status[2] = {0, 0};  // DeviceUtil op 1, op 2
    std::vector<CommandFault> command_faults;
    std::vector<SendFault> send_faults;
    std::vector<LostFault> lost_faults;
    std::vector<RegisterFault> register_faults;
    FwUpdateBehaviour fw_update;
};

// Parses a scenario from JSON text (see docs/simulator.md). Returns false and sets `error`
// on a syntax error, an unknown key or a value out of range; `out` is then unchanged.
bool ParseScenarioJson(const std::string& text, Scenario& out, std::string& error);
// Reads the file and parses it.
bool LoadScenarioFile(const std::filesystem::path& path, Scenario& out, std::string& error);
// The same with a UTF-8 file name.
bool LoadScenarioFileUtf8(const std::string& path, Scenario& out, std::string& error);

}  // namespace mrcsim
