#include "capture/video/win/VideoSupervision.h"

#include <cstring>

#include "capture/video/win/StillFileWin.h"

namespace Capwell::Lib {

namespace {

// The display power settings whose changes switch the device off and on.
constexpr GUID kConsoleDisplayState = {0x6fe69556, 0x704a, 0x47a0, {0x8f, 0x24, 0xc2, 0x8d, 0x93, 0x6f, 0xda, 0x47}};
constexpr GUID kMonitorPowerOn = {0x02731015, 0x4510, 0x4526, {0x99, 0xe6, 0xe5, 0xa1, 0x7e, 0xbd, 0x1a, 0xea}};
constexpr GUID kSessionDisplayStatus = {0x2b84c20e, 0xad23, 0x4ddf, {0x93, 0xdb, 0x05, 0xff, 0xbd, 0x7e, 0xfc, 0xa5}};

bool SameGuid(const GUID& a, const GUID& b) {
    return a.Data1 == b.Data1 && a.Data2 == b.Data2 && a.Data3 == b.Data3 &&
           std::memcmp(a.Data4, b.Data4, sizeof a.Data4) == 0;
}

}  // namespace

VideoSupervision::VideoSupervision(VideoHost& host, VideoState& state, std::function<bool()> initialised)
    : control_(host, state), initialised_(std::move(initialised)) {}

VideoSupervision::~VideoSupervision() = default;

void VideoSupervision::OnPowerBroadcast(WPARAM wp, LPARAM lp) {
    bool display = false;
    const uint8_t* data = nullptr;
    uint32_t length = 0;
    if (wp == PBT_POWERSETTINGCHANGE && lp != 0) {
        const auto* s = reinterpret_cast<const POWERBROADCAST_SETTING*>(lp);
        display = SameGuid(s->PowerSetting, kConsoleDisplayState) ||
                  SameGuid(s->PowerSetting, kMonitorPowerOn) ||
                  SameGuid(s->PowerSetting, kSessionDisplayStatus);
        data = s->Data;
        length = s->DataLength;
    }
    const PowerAction action = PowerBroadcastAction(static_cast<uint32_t>(wp), display, data, length);
    control_.OnPowerAction(action, initialised_(),
                           wp == PBT_APMSUSPEND || wp == PBT_APMSTANDBY);
}

void VideoSupervision::OnSessionChange(WPARAM wp) {
    control_.OnPowerAction(SessionChangeAction(static_cast<uint32_t>(wp)), initialised_(),
                           false);
}

CpwResult VideoSupervision::SaveBitmapImage(const wchar_t* path) {
    StillFileWin file;
    return control_.SaveBitmapImage(path, file);
}

}  // namespace Capwell::Lib
