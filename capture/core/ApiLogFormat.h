// Text of the API log: the line prefix and the argument text of every bridge
// call and callback. Platform-free, so the exact bytes are testable natively.
#pragma once

#include <cstdint>
#include <string>

#include "Tolvane.h"

namespace Capwell::Lib::LogText {

struct LocalTime {
    int year, month, day, hour, minute, second, milliseconds;
};

// "%04d/%02d/%02d,%02d:%02d:%02d.%d,%d,%s,<args>\n" (milliseconds unpadded).
std::string Line(const LocalTime& t, int32_t result, const char* name, const std::string& args);

// Pointers print as the Windows C runtime prints "%p" on x64: 16 upper-case
// hex digits, so "0x%p" reads 0x000000000012FF40 on every toolchain.
std::string Ptr(const void* p);

std::string Printf(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

using Dev = const void*;
using Vp = const void*;

std::string DevOpen(Dev dev);
std::string DevClose(Dev dev);
std::string VpCreate(Dev dev, Vp vp);
std::string VpIndex(Dev dev, Vp vp, int index);
std::string DevEdp(Dev dev, int enb_edp);
std::string DevTime(Dev dev, int time);
std::string DevWdtInit(Dev dev, int interval, int err_count);
std::string FirmInfo(Dev dev, const KdrFirmInfo& r);
std::string ApiVersion(Dev dev, uint32_t version_no);
std::string Wdt(Dev dev, const KdrWdtInfo& r);
std::string Output(Dev dev, const KdrOutputInfo& r);
std::string Hdmi(Dev dev, const KdrHdmiInfo& r);
std::string VpAngle(Dev dev, Vp vp, int angle);
std::string VpPosition(Dev dev, Vp vp, const KdrRect& r);
std::string VpZoom(Dev dev, Vp vp, int mode, const KdrParts& z);
std::string VpEnable(Dev dev, Vp vp, int enb);
std::string Lut(Dev dev, const KdrLutGamma& r);
std::string Matrix(Dev dev, const KdrRgbMatrix& r);
std::string DriveCutoff(Dev dev, const KdrDriveCutoff& r);
std::string Mute(Dev dev, const KdrColorMute& r);
std::string TwelveAxes(Dev dev, const KdrTwelveAxes& r);
std::string DevSetCb(Dev dev, int kind, const void* fn);
std::string VpSetCb(Dev dev, Vp vp, int kind, const void* fn);
std::string VpState(Dev dev, Vp vp, int state);
std::string StillInfo(Dev dev, Vp vp, const KdrStillInfo& r);
std::string StillBitmap(Dev dev, Vp vp, const void* buffer, uint32_t size);
std::string MovieSetting(Dev dev, Vp vp, const KdrMovieSetting& r);
std::string FrameRelease(Dev dev, Vp vp, uint64_t frame_id);
std::string VpPlain(Dev dev, Vp vp);  // Kdr_VpPlay, Kdr_VpPause, Kdr_VpMovie

constexpr const char* kHdmiCallbackName = "HDMI Callback arrived.";
constexpr const char* kStateCallbackName = "StateChanged Callback arrived.";
constexpr const char* kMovieCallbackName = "MovieCapture Callback arrived.";
std::string HdmiCallback(const KdrHdmiInfo& r);
std::string StateCallback(int state);
std::string MovieCallback(const KdrMovieFrame& f);

// Event-log text of a failed bridge call: "Kdr_VpPlay(-3)".
std::string Failure(const char* name, int32_t result);

}  // namespace Capwell::Lib::LogText
