// Controller protocol words used by the bridge: messages, channels, register addresses,
// command and event codes, and the internal (non-exported) result values.
#pragma once

#include <cstdint>

namespace tolvane {

// One message between the bridge and the controller or between the bridge's threads.
struct Message {
    std::uint32_t word[4];  // word[0] is the code
};

// Channels.
constexpr std::uint32_t kChannelCount = 256;
constexpr std::uint32_t kChDraw = 16;
constexpr std::uint32_t kChDrawReply = 17;
constexpr std::uint32_t kChEvent = 32;
constexpr std::uint32_t kChCommand = 34;
constexpr std::uint32_t kChReply = 35;
constexpr std::uint32_t kBridgeQueueCapacity = 10;
constexpr std::uint32_t kMaxQueueCapacity = 256;

enum class ChannelMode : std::uint32_t { Outgoing = 0, Incoming = 1 };

// Internal results of channel and command operations (never exported as such).
namespace rc {
constexpr std::int32_t kOk = 0;
constexpr std::int32_t kBad = -1;        // bad argument, or a transport step failed
constexpr std::int32_t kTimeout = -2;    // send not delivered / command not answered
constexpr std::int32_t kFail = -3;       // command reply carried word1 != 0
constexpr std::int32_t kLost = -4;       // channel lost a message
constexpr std::int32_t kNotOpen = -5;    // channel not open / already open / has handler
constexpr std::int32_t kWaitLimit = -6;  // receive waited 5 seconds
constexpr std::int32_t kClosed = -7;     // receive ended by the closed flag; reply word2 != 0
}  // namespace rc

// Register words.
namespace reg {
constexpr std::uint32_t kParam0 = 0x0E100340u;
constexpr std::uint32_t kParam1 = 0x0E100344u;
constexpr std::uint32_t kParam2 = 0x0E100348u;
constexpr std::uint32_t kParam3 = 0x0E10034Cu;
constexpr std::uint32_t kResult0 = 0x0E100540u;
constexpr std::uint32_t Result(int i) { return kResult0 + 4u * static_cast<std::uint32_t>(i); }
constexpr std::uint32_t kSetArea = 0x0E100700u;  // colour and area parameters
constexpr std::uint32_t kGetArea = 0x0E100800u;  // colour and area results
constexpr std::uint32_t kPlaneBaseEnb = 0x0E100100u;
constexpr std::uint32_t kPlaneVideoEnb = 0x0E100104u;
constexpr std::uint32_t kPlaneDst = 0x0E100110u;  // x, y, w, h
constexpr std::uint32_t kPlaneSrc = 0x0E100120u;  // x, y, w, h
constexpr std::uint32_t kPlaneAngle = 0x0E100130u;
constexpr std::uint32_t kPlaneDrawMode = 0x0E100138u;
}  // namespace reg

// Command codes of the connection and the playback state.
namespace cmd {
constexpr std::uint32_t kOpen = 0x80000001u;
constexpr std::uint32_t kClose = 0x80000002u;
constexpr std::uint32_t kStateQuery = 0xD0001u;
constexpr std::uint32_t kPause = 0xB0010u;
constexpr std::uint32_t kResume = 0xB0011u;
constexpr std::uint32_t kMovieStart = 0xC0001u;
constexpr std::uint32_t kMovieStop = 0xC0002u;
}  // namespace cmd

// Event codes: from the controller on channel 32, and the bridge's own on the EventQueue.
namespace ev {
constexpr std::uint32_t kQuit = 1;
constexpr std::uint32_t kStateChanged = 0x10001u;
constexpr std::uint32_t kFramesReady = 0x20001u;
constexpr std::uint32_t kHdmiSize = 0x20000001u;
constexpr std::uint32_t kHdmiInfo = 0x20010001u;
constexpr std::uint32_t kFrameNotice = 0x20020001u;
constexpr std::uint32_t kPlaneLive = 0x20100001u;
constexpr std::uint32_t kPlanePaused = 0x20200001u;
constexpr std::uint32_t kPlaneMovie = 0x20300001u;
}  // namespace ev

// Converts a command result into an exported result code.
[[nodiscard]] std::int32_t ToExportResult(std::int32_t command_result);

}  // namespace tolvane
