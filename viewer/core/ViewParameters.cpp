#include "viewer/core/ViewParameters.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cwchar>

namespace vistrel {

std::wstring ViewParameters::Text(int key) const {
    auto it = find(key);
    return it == end() ? std::wstring() : it->second;
}

std::int32_t ViewParameters::Int(int key) const { return ParseDecimal(Text(key)); }

double ViewParameters::Double(int key) const { return ParseDouble(Text(key)); }

std::int32_t ParseDecimal(const std::wstring& text) noexcept {
    const wchar_t* begin = text.c_str();
    wchar_t* end = nullptr;
    errno = 0;
    const long long value = std::wcstoll(begin, &end, 10);
    if (end == begin || errno == ERANGE || value < INT32_MIN || value > INT32_MAX) return 0;
    return static_cast<std::int32_t>(value);
}

double ParseDouble(const std::wstring& text) noexcept {
    const wchar_t* begin = text.c_str();
    wchar_t* end = nullptr;
    errno = 0;
    const double value = std::wcstod(begin, &end);
    if (end == begin || errno == ERANGE) return 0.0;
    return value;
}

std::int32_t LimitAudioDelay(std::int32_t raw) noexcept { return std::clamp(raw, 2, 160); }

std::int32_t LimitZoom(std::int32_t raw) noexcept { return std::clamp(raw, 1, 10); }

ViewParameters BuildViewParameters(const RawParameters& raw) {
    auto number = [](std::int32_t v) { return std::to_wstring(v); };
    auto flag = [](std::uint32_t v) { return std::wstring(v != 0 ? L"1" : L"0"); };
    ViewParameters p;
    p[kParamDetect] = flag(raw.detect);
    p[kParamApiLog] = flag(raw.apiLog);
    p[kParamExecutionInterval] = number(raw.executionInterval);
    p[kParamAudioDelay] = number(LimitAudioDelay(raw.audioDelay));
    const std::int32_t maxZoom = LimitZoom(raw.maxZoom);
    p[kParamMaxZoom] = number(maxZoom);
    p[kParamDoubleClickZoom] = number(std::min(LimitZoom(raw.doubleClickZoom), maxZoom));
    p[kParamCinemaResolDotByDot] = flag(raw.cinemaResolDotByDot);
    return p;
}

}  // namespace vistrel
