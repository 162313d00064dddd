#include "viewer/core/StillCapture.h"

#include <cwchar>

namespace vistrel {

std::wstring StillFileName(const LocalTime& t) {
    wchar_t name[64];
    std::swprintf(name, 64, L"%04d%02d%02d_%02d%02d%02d%03d.bmp", t.year, t.month, t.day, t.hour, t.minute, t.second,
                  t.millisecond);
    return name;
}

SaveOutcome OutcomeOfSave(std::uint32_t result) noexcept {
    switch (result) {
        case 0: return SaveOutcome{};
        case 8: return SaveOutcome{1, false};
        case 9: return SaveOutcome{2, false};
        default: return SaveOutcome{0, true};
    }
}

}  // namespace vistrel
