// Controller protocol constants: the register words, command codes, channels and event codes
// the bridge uses; the simulator answers exactly these.
// Platform-free: shared by the controller model, its tests and the DLL.
#pragma once

#include <cstdint>

namespace mrcsim {

// ---- message channels ----
constexpr std::uint32_t kChDraw = 16;       // draw request, host -> controller
constexpr std::uint32_t kChDrawReply = 17;  // draw reply, controller -> host
constexpr std::uint32_t kChEvent = 32;      // unsolicited events, controller -> host
constexpr std::uint32_t kChCommand = 34;    // command requests, host -> controller
constexpr std::uint32_t kChReply = 35;      // command replies, controller -> host

// ---- register space ----
constexpr std::uint32_t kRegBase = 0x0E100000u;
constexpr std::uint32_t kRegSize = 0x3000u;  // up to the end of transfer window 3's data area

// Parameter and result words of the commands.
constexpr std::uint32_t kParam0 = 0x0E100340u;
constexpr std::uint32_t kParam1 = 0x0E100344u;
constexpr std::uint32_t kParam2 = 0x0E100348u;
constexpr std::uint32_t kParam3 = 0x0E10034Cu;
constexpr std::uint32_t kResult0 = 0x0E100540u;  // results 0..8 at kResult0 + 4*i
constexpr std::uint32_t Result(int i) { return kResult0 + 4u * static_cast<std::uint32_t>(i); }

// Plane layout words written before a draw request.
constexpr std::uint32_t kPlaneBaseEnb = 0x0E100100u;
constexpr std::uint32_t kPlaneVideoEnb = 0x0E100104u;
constexpr std::uint32_t kPlaneDst = 0x0E100110u;  // x, y, w, h
constexpr std::uint32_t kPlaneSrc = 0x0E100120u;  // x, y, w, h
constexpr std::uint32_t kPlaneAngle = 0x0E100130u;
constexpr std::uint32_t kPlaneDrawMode = 0x0E100138u;

// Movie counters (kept by the bridge).
constexpr std::uint32_t kMovieCount = 0x0E100040u;   // u32
constexpr std::uint32_t kMovieBytes = 0x0E100048u;   // double
constexpr std::uint32_t kMovieSeconds = 0x0E100050u; // double

// Transfer windows of the file channel: B = 0x0E100000 + w*0x800.
constexpr std::uint32_t WindowBase(std::uint32_t w) { return kRegBase + w * 0x800u; }
constexpr std::uint32_t kWinFlag = 0x1000u;
constexpr std::uint32_t kWinTotal = 0x1100u;
constexpr std::uint32_t kWinRemaining = 0x1104u;
constexpr std::uint32_t kWinChunk = 0x1108u;
constexpr std::uint32_t kWinName = 0x1200u;
constexpr std::uint32_t kWinNameBytes = 256u;
constexpr std::uint32_t kWinData = 0x1300u;
constexpr std::uint32_t kWinDataBytes = 1280u;

// ---- controller memory (simulator's choice; addresses handed out in result words / notices) ----
constexpr std::uint32_t kStillAddress = 0x10000000u;
constexpr std::uint32_t kFrameBase = 0x20000000u;
constexpr std::uint32_t kFrameStride = 0x02000000u;  // 32 MiB, enough for 3840x2160x3

// ---- command codes ----
constexpr std::uint32_t kCmdOpen = 0x80000001u;
constexpr std::uint32_t kCmdClose = 0x80000002u;
constexpr std::uint32_t kCmdWdtSet = 0x00001u;
constexpr std::uint32_t kCmdWdtGet = 0x10001u;
constexpr std::uint32_t kCmdPanel = 0x20001u;
constexpr std::uint32_t kCmdHdmi = 0x30001u;
constexpr std::uint32_t kCmdFirmInfo = 0x40001u;
constexpr std::uint32_t kCmdTimeSet = 0x50001u;
constexpr std::uint32_t kCmdAux = 0x60001u;
constexpr std::uint32_t kCmdOutput = 0x70001u;
// colour properties: set 0x8xxxx, get 0x9xxxx, reset 0xAxxxx with the same low part
constexpr std::uint32_t kCmdStill = 0xB0001u;
constexpr std::uint32_t kCmdPause = 0xB0010u;
constexpr std::uint32_t kCmdResume = 0xB0011u;
constexpr std::uint32_t kCmdMovieStart = 0xC0001u;
constexpr std::uint32_t kCmdMovieStop = 0xC0002u;
constexpr std::uint32_t kCmdFrameRelease = 0xC0003u;
constexpr std::uint32_t kCmdStateQuery = 0xD0001u;
constexpr std::uint32_t kCmdFileToCtrl = 0x100001u;
constexpr std::uint32_t kCmdFileFromCtrl = 0x110001u;
constexpr std::uint32_t kCmdShellReset = 0x120001u;
constexpr std::uint32_t kCmdShellRun = 0x130001u;

// ---- event codes on channel 32 ----
constexpr std::uint32_t kEvHdmiSize = 0x20000001u;
constexpr std::uint32_t kEvHdmiInfo = 0x20010001u;
constexpr std::uint32_t kEvFrame = 0x20020001u;
constexpr std::uint32_t kEvPlaneLive = 0x20100001u;
constexpr std::uint32_t kEvPlanePaused = 0x20200001u;
constexpr std::uint32_t kEvPlaneMovie = 0x20300001u;

// ---- HDMI event bits (see docs/simulator.md, "HDMI input table") ----
constexpr std::uint32_t kHdmiBitConnected = 0x2u;    // cable present (connect := bit 1 in get 6)
constexpr std::uint32_t kHdmiBitNoCable = 0x4u;      // cable absent (connect := 0 on the event path)
constexpr std::uint32_t kHdmiBitNoSignal = 0x10u;    // cable present, no signal
constexpr std::uint32_t kHdmiBitTiming = 0x20u;      // word3 carries scan and fps
constexpr std::uint32_t kHdmiBitHdcp = 0x2000u;      // HDCP-protected input
constexpr std::uint32_t kHdmiBitHdcpOff = 0x4000u;   // HDCP protection ended (set once on the change)

// ---- playback states (KdrState) ----
constexpr std::uint32_t kStateLive = 1;
constexpr std::uint32_t kStatePaused = 2;
constexpr std::uint32_t kStateMovie = 3;

// ---- statuses of the component ----
constexpr std::uint32_t kStatusOk = 0;
constexpr std::uint32_t kStatusBusy = 0xC00000A3u;
constexpr std::uint32_t kStatusInvalidParameter = 0xC000000Du;  // bad address, null pointer
constexpr std::uint32_t kStatusDeviceError = 0xC0000185u;       // injected register fault default
constexpr std::uint32_t kStatusNotRegistered = 0xC0000010u;

// ---- reply detail codes (word2 of a reply; word1 is the failure flag) ----
constexpr std::uint32_t kDetailNotOpen = 1;      // command before 0x80000001
constexpr std::uint32_t kDetailBadParam = 2;     // parameter word out of range
constexpr std::uint32_t kDetailState = 3;        // refused playback transition / wrong state
constexpr std::uint32_t kDetailNoSignal = 4;     // no input picture for still or movie
constexpr std::uint32_t kDetailNotFound = 5;     // file not in the store / frame not out
constexpr std::uint32_t kFailUnknownCommand = 1; // word1 for a command code the controller does not know

}  // namespace mrcsim
