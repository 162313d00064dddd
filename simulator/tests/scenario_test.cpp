#include <gtest/gtest.h>

#include "simulator/model/Scenario.h"

using namespace mrcsim;

TEST(Scenario, DefaultsWhenEmpty) {
    Scenario s;
    std::string err;
    ASSERT_TRUE(ParseScenarioJson("{}", s, err)) << err;
    EXPECT_EQ(s.hdmi.kind, HdmiInput::Kind::Signal);
    EXPECT_EQ(s.movie_buffers, 4u);
    EXPECT_FALSE(s.manual_clock);
}

TEST(Scenario, FullScenarioWithComments) {
    const char* text = R"({
      // identity
      "firmware": {"version": "0x01020304", "info": [1, 2, 3, 4, 5, 6, -7]},
      "watchdog": {"state": 1, "interval": 2000, "err_count": 5, "kdr_count": 0, "kdr_err": 5},
      "panel": {"width": 1920, "height": 1200},
      "output": {"width": 1920, "height": 1200, "event": 2},
      "aux": 7,
      "hdmi": {"state": "signal", "width": 1280, "height": 720, "fps_code": 8, "scan": "progressive",
               "format": "YUV422", "bit_depth": 10, "hdcp": false},
      /* a cable pull after 2 s and back after 4 s */
      "timeline": [
        {"at_ms": 2000, "hdmi": {"state": "no_cable"}},
        {"at_ms": 4000, "hdmi": {"state": "signal", "hdcp": true}},
        {"at_ms": 5000, "event": {"words": ["0x20000001", 0, "0x05000280"], "count": 150}}
      ],
      "movie": {"buffers": 3, "fps": 30},
      "clock": "manual",
      "record": {"enabled": true, "limit": 1000},
      "faults": {
        "startup": {"op1": 0, "op2": "0xC0000001"},
        "commands": [{"code": "0x30001", "action": "no_reply", "count": 1},
                     {"code": 0, "channel": 16, "action": "fail", "word1": 1},
                     {"code": "0x90002", "action": "delay", "delay_ms": 200},
                     {"code": "any", "channel": 0, "action": "no_reply"}],
        "send": [{"channel": 34, "busy": 3, "not_accepted": 2}],
        "lost": [{"channel": 35, "count": 1}],
        "registers": [{"address": "0x0E100540", "op": "read", "status": "0xC0000185", "count": 2, "skip": 1}]
      },
      "fw_update": {"write_exit": 0, "read_differs": true, "read_differs_count": 1,
                    "version_after_swap": "0x01020400"},
      "_note": "keys starting with _ are ignored"
    })";
    Scenario s;
    std::string err;
    ASSERT_TRUE(ParseScenarioJson(text, s, err)) << err;
    EXPECT_EQ(s.firmware_version, 0x01020304u);
    EXPECT_EQ(s.firminfo[6], -7);
    EXPECT_EQ(s.watchdog[4], 5);
    EXPECT_EQ(s.output_event, 2u);
    EXPECT_EQ(s.hdmi.format, 3u);
    EXPECT_EQ(s.hdmi.scan, 2u);
    ASSERT_EQ(s.timeline.size(), 3u);
    EXPECT_EQ(s.timeline[0].hdmi.kind, HdmiInput::Kind::NoCable);
    EXPECT_EQ(s.timeline[0].hdmi.width, 1280u);  // carried over
    EXPECT_TRUE(s.timeline[1].hdmi.hdcp);
    EXPECT_EQ(s.timeline[2].type, TimelineEntry::Type::Event);
    EXPECT_EQ(s.timeline[2].count, 150u);
    EXPECT_EQ(s.timeline[2].words[2], 0x05000280u);
    EXPECT_EQ(s.movie_buffers, 3u);
    EXPECT_TRUE(s.manual_clock);
    EXPECT_EQ(s.record_limit, 1000u);
    EXPECT_EQ(s.startup_status[1], 0xC0000001u);
    ASSERT_EQ(s.command_faults.size(), 4u);
    EXPECT_EQ(s.command_faults[0].action, CommandFault::Action::NoReply);
    EXPECT_EQ(s.command_faults[1].channel, 16u);
    EXPECT_EQ(s.command_faults[2].delay_ms, 200u);
    EXPECT_EQ(s.command_faults[3].code, CommandFault::kAnyCode);
    EXPECT_EQ(s.command_faults[3].channel, CommandFault::kAnyChannel);
    ASSERT_EQ(s.send_faults.size(), 1u);
    EXPECT_EQ(s.send_faults[0].busy, 3);
    EXPECT_EQ(s.register_faults[0].skip, 1);
    EXPECT_TRUE(s.fw_update.read_differs);
}

TEST(Scenario, ErrorsAreReported) {
    const char* bad[] = {
        "{",                                            // syntax
        R"({"hdmi": {"colour": 1}})",                   // unknown key
        R"({"hdmi": {"state": "maybe"}})",
        R"({"movie": {"buffers": 0}})",                 // out of range
        R"({"faults": {"commands": [{"action": "fail"}]}})",  // code missing
        R"({"faults": {"registers": [{"address": 1, "status": 0}]}})",
        R"({"firmware": {"version": "12abc"}})",
        R"({"clock": "fast"})",
        R"({"timeline": [{"at_ms": 1}]})",
    };
    for (const char* t : bad) {
        Scenario s;
        std::string err;
        EXPECT_FALSE(ParseScenarioJson(t, s, err)) << t;
        EXPECT_FALSE(err.empty());
    }
}

TEST(Scenario, ExampleFilesParse) {
    for (const char* f : {"/demo.json", "/faults.json"}) {
        Scenario s;
        std::string err;
        EXPECT_TRUE(LoadScenarioFile(std::string(MRCSIM_SCENARIOS) + f, s, err)) << err;
    }
    Scenario s;
    std::string err;
    EXPECT_FALSE(LoadScenarioFile("/nonexistent/x.json", s, err));
}
