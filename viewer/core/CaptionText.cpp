#include "viewer/core/CaptionText.h"

#include <cstdio>

namespace vistrel {

bool SameHdmiInfo(const CpwHdmiInfo& a, const CpwHdmiInfo& b) noexcept {
    return a.status == b.status && a.detect_hdcp == b.detect_hdcp && a.bit_depth == b.bit_depth &&
           a.format == b.format && a.fps == b.fps && a.scan == b.scan && a.height == b.height &&
           a.width == b.width;
}

std::wstring SignalText(const CpwHdmiInfo& info) {
    if (info.status != 0) return {};
    const wchar_t* scan = info.scan == 1 ? L"i" : info.scan == 2 ? L"p" : L"";
    const wchar_t* colour = L"Unknown";
    switch (info.format) {
        case 1: colour = L"RGB"; break;
        case 2: colour = L"YUV 4:4:4"; break;
        case 3: colour = L"YUV 4:2:2"; break;
        case 4: colour = L"YUV 4:2:0"; break;
        default: break;
    }
    wchar_t text[96];
    std::swprintf(text, sizeof text / sizeof text[0], L"%dx%d %.2f%ls %ls", static_cast<int>(info.width),
                  static_cast<int>(info.height), info.fps, scan, colour);
    return text;
}

std::wstring PowerText(int ac_line_status, int battery_percent, const std::wstring& external,
                       const std::wstring& internal) {
    if (ac_line_status == 1) return external;
    std::wstring text = internal;
    // 255 means the level is unknown; "[255%]" would be a wrong reading.
    if (ac_line_status == 0 && battery_percent >= 0 && battery_percent <= 100) {
        wchar_t level[16];
        std::swprintf(level, sizeof level / sizeof level[0], L" [%d%%]", battery_percent);
        text += level;
    }
    return text;
}

}  // namespace vistrel
