// Scenario files: JSON (comments allowed) read with nlohmann-json.
#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>
#include <stdexcept>

#include <nlohmann/json.hpp>

#include "simulator/model/Scenario.h"

namespace mrcsim {

namespace {

// the scenario's names of the colour formats 1..4
constexpr const char* kFormatNames[] = {"", "RGB", "YUV444", "YUV422", "YUV420"};

using nlohmann::json;

struct ParseError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

void CheckKeys(const json& obj, const std::string& where, std::initializer_list<const char*> allowed) {
    if (!obj.is_object()) throw ParseError(where + ": expected an object");
    std::set<std::string> ok(allowed.begin(), allowed.end());
    for (auto it = obj.begin(); it != obj.end(); ++it) {
        const std::string& k = it.key();
        if (!k.empty() && (k[0] == '_' || k == "comment")) continue;
        if (!ok.count(k)) throw ParseError(where + ": unknown key \"" + k + "\"");
    }
}

// An integer given as a JSON number or as a string ("0x0E100540", "-5", "12").
long long ToInt(const json& v, const std::string& where, long long lo, long long hi) {
    long long n = 0;
    if (v.is_number_integer()) {
        n = v.get<long long>();
    } else if (v.is_number_unsigned()) {
        n = static_cast<long long>(v.get<unsigned long long>());
    } else if (v.is_string()) {
        const std::string s = v.get<std::string>();
        std::size_t used = 0;
        try {
            n = std::stoll(s, &used, 0);
        } catch (...) {
            throw ParseError(where + ": not a number: \"" + s + "\"");
        }
        if (used != s.size()) throw ParseError(where + ": not a number: \"" + s + "\"");
    } else {
        throw ParseError(where + ": expected a number");
    }
    if (n < lo || n > hi) throw ParseError(where + ": " + std::to_string(n) + " out of range");
    return n;
}

std::uint32_t U32(const json& v, const std::string& where) {
    long long n = ToInt(v, where, -2147483648LL, 0xFFFFFFFFLL);
    return static_cast<std::uint32_t>(n);
}
std::int32_t I32(const json& v, const std::string& where) {
    return static_cast<std::int32_t>(ToInt(v, where, -2147483648LL, 2147483647LL));
}
bool Boolean(const json& v, const std::string& where) {
    if (!v.is_boolean()) throw ParseError(where + ": expected true or false");
    return v.get<bool>();
}

void ParseHdmi(const json& j, HdmiInput& h, const std::string& where) {
    CheckKeys(j, where, {"state", "width", "height", "fps_code", "scan", "format", "bit_depth", "hdcp", "still"});
    if (j.contains("state")) {
        const std::string s = j["state"].is_string() ? j["state"].get<std::string>() : "";
        if (s == "no_cable")
            h.kind = HdmiInput::Kind::NoCable;
        else if (s == "no_signal")
            h.kind = HdmiInput::Kind::NoSignal;
        else if (s == "signal")
            h.kind = HdmiInput::Kind::Signal;
        else
            throw ParseError(where + ".state: one of \"no_cable\", \"no_signal\", \"signal\"");
    }
    if (j.contains("width")) h.width = static_cast<std::uint32_t>(ToInt(j["width"], where + ".width", 0, 65535));
    if (j.contains("height")) h.height = static_cast<std::uint32_t>(ToInt(j["height"], where + ".height", 0, 65535));
    if (j.contains("fps_code")) h.fps_code = static_cast<std::uint32_t>(ToInt(j["fps_code"], where + ".fps_code", 0, 15));
    if (j.contains("scan")) {
        const json& v = j["scan"];
        if (v.is_string() && v.get<std::string>() == "interlaced")
            h.scan = 1;
        else if (v.is_string() && v.get<std::string>() == "progressive")
            h.scan = 2;
        else
            h.scan = static_cast<std::uint32_t>(ToInt(v, where + ".scan", 0, 15));
    }
    if (j.contains("format")) {
        const json& v = j["format"];
        bool found = false;
        if (v.is_string())
            for (std::uint32_t i = 1; i < 5; ++i)
                if (v.get<std::string>() == kFormatNames[i]) {
                    h.format = i;
                    found = true;
                }
        if (!found) h.format = static_cast<std::uint32_t>(ToInt(v, where + ".format", 0, 15));
    }
    if (j.contains("bit_depth")) h.bit_depth = static_cast<std::uint32_t>(ToInt(j["bit_depth"], where + ".bit_depth", 0, 255));
    if (j.contains("hdcp")) h.hdcp = Boolean(j["hdcp"], where + ".hdcp");
    if (j.contains("still")) h.still = Boolean(j["still"], where + ".still");
}

CommandFault ParseCommandFault(const json& j, const std::string& where) {
    CheckKeys(j, where, {"code", "channel", "action", "word1", "word2", "delay_ms", "count"});
    CommandFault f;
    if (!j.contains("code")) throw ParseError(where + ": \"code\" is required");
    const bool any = j["code"].is_string() && j["code"].get<std::string>() == "any";
    f.code = any ? CommandFault::kAnyCode : U32(j["code"], where + ".code");
    if (j.contains("channel")) f.channel = static_cast<std::uint32_t>(ToInt(j["channel"], where + ".channel", 0, 255));
    if (f.channel != 34 && f.channel != 16 && f.channel != CommandFault::kAnyChannel)
        throw ParseError(where + ".channel: 34 (commands), 16 (draw) or 0 (both)");
    const std::string a = j.contains("action") && j["action"].is_string() ? j["action"].get<std::string>() : "fail";
    if (a == "no_reply")
        f.action = CommandFault::Action::NoReply;
    else if (a == "delay")
        f.action = CommandFault::Action::Delay;
    else if (a == "fail")
        f.action = CommandFault::Action::Fail;
    else
        throw ParseError(where + ".action: one of \"no_reply\", \"delay\", \"fail\"");
    if (j.contains("word1")) f.word1 = U32(j["word1"], where + ".word1");
    if (j.contains("word2")) f.word2 = U32(j["word2"], where + ".word2");
    if (f.action == CommandFault::Action::Fail && f.word1 == 0 && f.word2 == 0) f.word1 = 1;
    if (j.contains("delay_ms")) f.delay_ms = static_cast<std::uint32_t>(ToInt(j["delay_ms"], where + ".delay_ms", 0, 600000));
    if (j.contains("count")) f.count = I32(j["count"], where + ".count");
    return f;
}

template <typename F>
void EachItem(const json& j, const std::string& where, F f) {
    if (!j.is_array()) throw ParseError(where + ": expected an array");
    for (std::size_t i = 0; i < j.size(); ++i) f(j[i], where + "[" + std::to_string(i) + "]");
}

void ParseInto(const json& root, Scenario& s) {
    CheckKeys(root, "scenario",
              {"firmware", "watchdog", "panel", "output", "aux", "hdmi", "timeline", "movie", "clock", "record",
               "faults", "fw_update"});
    if (root.contains("firmware")) {
        const json& j = root["firmware"];
        CheckKeys(j, "firmware", {"version", "info"});
        if (j.contains("version")) s.firmware_version = U32(j["version"], "firmware.version");
        if (j.contains("info")) {
            if (!j["info"].is_array() || j["info"].size() != 7) throw ParseError("firmware.info: seven numbers");
            for (int i = 0; i < 7; ++i) s.firminfo[i] = I32(j["info"][i], "firmware.info");
        }
    }
    if (root.contains("watchdog")) {
        const json& j = root["watchdog"];
        CheckKeys(j, "watchdog", {"state", "interval", "err_count", "kdr_count", "kdr_err"});
        const char* names[] = {"state", "interval", "err_count", "kdr_count", "kdr_err"};
        for (int i = 0; i < 5; ++i)
            if (j.contains(names[i])) s.watchdog[i] = I32(j[names[i]], std::string("watchdog.") + names[i]);
    }
    if (root.contains("panel")) {
        const json& j = root["panel"];
        CheckKeys(j, "panel", {"width", "height"});
        if (j.contains("width")) s.panel_width = U32(j["width"], "panel.width");
        if (j.contains("height")) s.panel_height = U32(j["height"], "panel.height");
    }
    if (root.contains("output")) {
        const json& j = root["output"];
        CheckKeys(j, "output", {"width", "height", "event"});
        if (j.contains("width")) s.output_width = U32(j["width"], "output.width");
        if (j.contains("height")) s.output_height = U32(j["height"], "output.height");
        if (j.contains("event")) s.output_event = U32(j["event"], "output.event");
    }
    if (root.contains("aux")) s.aux = U32(root["aux"], "aux");
    if (root.contains("hdmi")) ParseHdmi(root["hdmi"], s.hdmi, "hdmi");
    if (root.contains("timeline")) {
        s.timeline.clear();
        HdmiInput last = s.hdmi;
        EachItem(root["timeline"], "timeline", [&](const json& j, const std::string& w) {
            CheckKeys(j, w, {"at_ms", "hdmi", "event"});
            TimelineEntry e;
            if (!j.contains("at_ms")) throw ParseError(w + ": \"at_ms\" is required");
            e.at_ms = static_cast<std::uint64_t>(ToInt(j["at_ms"], w + ".at_ms", 0, 1LL << 40));
            if (j.contains("hdmi") == j.contains("event")) throw ParseError(w + ": exactly one of \"hdmi\", \"event\"");
            if (j.contains("hdmi")) {
                e.type = TimelineEntry::Type::Hdmi;
                e.hdmi = last;
                ParseHdmi(j["hdmi"], e.hdmi, w + ".hdmi");
                last = e.hdmi;
            } else {
                const json& ev = j["event"];
                CheckKeys(ev, w + ".event", {"channel", "words", "count"});
                e.type = TimelineEntry::Type::Event;
                if (ev.contains("channel")) e.channel = static_cast<std::uint32_t>(ToInt(ev["channel"], w + ".event.channel", 0, 255));
                if (!ev.contains("words") || !ev["words"].is_array() || ev["words"].empty() || ev["words"].size() > 4)
                    throw ParseError(w + ".event.words: one to four numbers");
                for (std::size_t i = 0; i < ev["words"].size(); ++i) e.words[i] = U32(ev["words"][i], w + ".event.words");
                if (ev.contains("count")) e.count = static_cast<std::uint32_t>(ToInt(ev["count"], w + ".event.count", 1, 1000000));
            }
            s.timeline.push_back(e);
        });
    }
    if (root.contains("movie")) {
        const json& j = root["movie"];
        CheckKeys(j, "movie", {"buffers", "fps"});
        if (j.contains("buffers")) s.movie_buffers = static_cast<std::uint32_t>(ToInt(j["buffers"], "movie.buffers", 1, 16));
        if (j.contains("fps")) s.movie_fps = static_cast<std::uint32_t>(ToInt(j["fps"], "movie.fps", 0, 240));
    }
    if (root.contains("clock")) {
        const json& c = root["clock"];
        if (c == "manual")
            s.manual_clock = true;
        else if (c == "real")
            s.manual_clock = false;
        else
            throw ParseError("clock: \"real\" or \"manual\"");
    }
    if (root.contains("record")) {
        const json& j = root["record"];
        if (j.is_boolean()) {
            s.record = j.get<bool>();
        } else {
            CheckKeys(j, "record", {"enabled", "limit"});
            if (j.contains("enabled")) s.record = Boolean(j["enabled"], "record.enabled");
            if (j.contains("limit")) s.record_limit = static_cast<std::uint32_t>(ToInt(j["limit"], "record.limit", 1, 100000000));
        }
    }
    if (root.contains("faults")) {
        const json& j = root["faults"];
        CheckKeys(j, "faults", {"startup", "commands", "send", "lost", "registers"});
        if (j.contains("startup")) {
            CheckKeys(j["startup"], "faults.startup", {"op1", "op2"});
            if (j["startup"].contains("op1")) s.startup_status[0] = U32(j["startup"]["op1"], "faults.startup.op1");
            if (j["startup"].contains("op2")) s.startup_status[1] = U32(j["startup"]["op2"], "faults.startup.op2");
        }
        if (j.contains("commands")) {
            s.command_faults.clear();
            EachItem(j["commands"], "faults.commands",
                     [&](const json& c, const std::string& w) { s.command_faults.push_back(ParseCommandFault(c, w)); });
        }
        if (j.contains("send")) {
            s.send_faults.clear();
            EachItem(j["send"], "faults.send", [&](const json& c, const std::string& w) {
                CheckKeys(c, w, {"channel", "busy", "not_accepted", "result", "result_count"});
                SendFault f;
                if (c.contains("channel")) f.channel = static_cast<std::uint32_t>(ToInt(c["channel"], w + ".channel", 0, 255));
                if (c.contains("busy")) f.busy = I32(c["busy"], w + ".busy");
                if (c.contains("not_accepted")) f.not_accepted = I32(c["not_accepted"], w + ".not_accepted");
                if (c.contains("result")) {
                    f.result = U32(c["result"], w + ".result");
                    f.result_count = 1;
                }
                if (c.contains("result_count")) f.result_count = I32(c["result_count"], w + ".result_count");
                s.send_faults.push_back(f);
            });
        }
        if (j.contains("lost")) {
            s.lost_faults.clear();
            EachItem(j["lost"], "faults.lost", [&](const json& c, const std::string& w) {
                CheckKeys(c, w, {"channel", "count"});
                LostFault f;
                if (c.contains("channel")) f.channel = static_cast<std::uint32_t>(ToInt(c["channel"], w + ".channel", 0, 255));
                if (c.contains("count")) f.count = I32(c["count"], w + ".count");
                s.lost_faults.push_back(f);
            });
        }
        if (j.contains("registers")) {
            s.register_faults.clear();
            EachItem(j["registers"], "faults.registers", [&](const json& c, const std::string& w) {
                CheckKeys(c, w, {"address", "op", "status", "count", "skip"});
                RegisterFault f;
                if (!c.contains("address")) throw ParseError(w + ": \"address\" is required");
                f.address = U32(c["address"], w + ".address");
                const std::string op = c.contains("op") && c["op"].is_string() ? c["op"].get<std::string>() : "read";
                if (op == "read") {
                    f.on_read = true;
                    f.on_write = false;
                } else if (op == "write") {
                    f.on_read = false;
                    f.on_write = true;
                } else if (op == "both") {
                    f.on_read = f.on_write = true;
                } else {
                    throw ParseError(w + ".op: \"read\", \"write\" or \"both\"");
                }
                if (c.contains("status")) f.status = U32(c["status"], w + ".status");
                if (f.status == 0) throw ParseError(w + ".status: must not be 0");
                if (c.contains("count")) f.count = I32(c["count"], w + ".count");
                if (c.contains("skip")) f.skip = I32(c["skip"], w + ".skip");
                s.register_faults.push_back(f);
            });
        }
    }
    if (root.contains("fw_update")) {
        const json& j = root["fw_update"];
        CheckKeys(j, "fw_update",
                  {"write_exit", "read_exit", "swap_exit", "read_differs", "read_differs_count", "version_after_swap"});
        FwUpdateBehaviour& f = s.fw_update;
        if (j.contains("write_exit")) f.write_exit = U32(j["write_exit"], "fw_update.write_exit");
        if (j.contains("read_exit")) f.read_exit = U32(j["read_exit"], "fw_update.read_exit");
        if (j.contains("swap_exit")) f.swap_exit = U32(j["swap_exit"], "fw_update.swap_exit");
        if (j.contains("read_differs")) f.read_differs = Boolean(j["read_differs"], "fw_update.read_differs");
        if (j.contains("read_differs_count")) f.read_differs_count = I32(j["read_differs_count"], "fw_update.read_differs_count");
        if (j.contains("version_after_swap")) f.version_after_swap = U32(j["version_after_swap"], "fw_update.version_after_swap");
    }
}

}  // namespace

bool ParseScenarioJson(const std::string& text, Scenario& out, std::string& error) {
    try {
        const json root = json::parse(text, nullptr, true, /*ignore_comments=*/true);
        Scenario s = out;
        ParseInto(root, s);
        out = std::move(s);
        return true;
    } catch (const json::exception& e) {
        error = std::string("scenario: ") + e.what();
    } catch (const ParseError& e) {
        error = e.what();
    } catch (const std::exception& e) {
        error = e.what();
    }
    return false;
}

bool LoadScenarioFile(const std::filesystem::path& path, Scenario& out, std::string& error) {
    const std::u8string u8 = path.u8string();
    const std::string name(u8.begin(), u8.end());
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "scenario: cannot open \"" + name + "\"";
        return false;
    }
    std::ostringstream ss;
    ss << in.rdbuf();
    if (!ParseScenarioJson(ss.str(), out, error)) {
        error = name + ": " + error;
        return false;
    }
    return true;
}

bool LoadScenarioFileUtf8(const std::string& path, Scenario& out, std::string& error) {
    return LoadScenarioFile(std::filesystem::path(std::u8string(path.begin(), path.end())), out, error);
}

}  // namespace mrcsim
