// Still captures: the file name from the local time and what a save result
// means for the viewer's screens. Free of platform headers.
#pragma once

#include <cstdint>
#include <string>

namespace vistrel {

struct LocalTime {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
};

// "%04d%02d%02d_%02d%02d%02d%03d.bmp", for example 20260308_141503027.bmp.
std::wstring StillFileName(const LocalTime& t);

// The states a save result gives: none, a save error (1 no space, 2 bad
// location) or the fatal error.
struct SaveOutcome {
    std::int32_t save_error = 0;
    bool internal_error = false;
    bool Failed() const noexcept { return save_error != 0 || internal_error; }
};
// Cpw_SaveBitmapImage's result: 0 saved, 8 not written (space), 9 not created
// (location), anything else fatal.
SaveOutcome OutcomeOfSave(std::uint32_t result) noexcept;
// No capture folder at all: a bad location.
inline SaveOutcome NoCaptureFolder() noexcept { return SaveOutcome{2, false}; }

}  // namespace vistrel
