// The viewer's operating parameters as texts by integer key, and the limits
// applied when they are read. Free of platform headers.
#pragma once

#include <cstdint>
#include <map>
#include <string>

namespace vistrel {

enum ViewParameterKey : int {
    kParamDetect = 0,
    kParamApiLog = 1,
    kParamExecutionInterval = 2,
    kParamAudioDelay = 3,
    kParamMaxZoom = 4,
    kParamDoubleClickZoom = 5,
    kParamCinemaResolDotByDot = 6,
};

class ViewParameters : public std::map<int, std::wstring> {
public:
    // The key's text; empty when the key is missing.
    std::wstring Text(int key) const;
    // The key's text as a decimal integer; 0 when it does not start with a
    // number or is out of range.
    std::int32_t Int(int key) const;
    // The key's text as a decimal number; 0 when it does not start with one.
    double Double(int key) const;
};

// Decimal text to a 32-bit integer, 0 when there is no number or it is out of range.
std::int32_t ParseDecimal(const std::wstring& text) noexcept;
double ParseDouble(const std::wstring& text) noexcept;

// Limits of the numeric parameters.
std::int32_t LimitAudioDelay(std::int32_t raw) noexcept;    // 2..160
std::int32_t LimitZoom(std::int32_t raw) noexcept;          // 1..10 (MaxZoom, DoubleClickZoom)

struct RawParameters {
    std::uint32_t detect = 1;
    std::uint32_t apiLog = 0;
    std::int32_t executionInterval = 16;
    std::int32_t audioDelay = 20;
    std::int32_t maxZoom = 8;
    std::int32_t doubleClickZoom = 2;
    std::uint32_t cinemaResolDotByDot = 0;
};

// The parameter texts for raw registry values (limits applied here).
ViewParameters BuildViewParameters(const RawParameters& raw);

}  // namespace vistrel
