// Event-log reports and the API log file.
//
// Reports go to the Windows event log under the client's name, always. The
// API log, when switched on, gets one line per bridge call and callback.
// Lock: the log lock serialises whole lines; it is a leaf lock.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "capture/core/ApiLogFormat.h"

namespace Capwell::Lib::Diagnostics {

// The event source name (the client's name); kept by the manager's creation.
void SetSourceName(const std::wstring& name);

// Writes one error entry. Falls back to OutputDebugStringW when reporting
// fails. When the environment variable CAPWELL_REPORT_FILE names a file, the
// text is also appended to it as one UTF-8 line (a diagnostics hook; Wine's
// event log keeps nothing).
void Report(const std::wstring& text);
void Report(const std::string& text);
// Reports the text of a string resource (101 to 107).
void ReportResource(UINT id);

// Opens "zorvapi.log" in "log" under the desktop folder; false when the
// folder or the file cannot be made (nothing is logged then).
[[nodiscard]] bool OpenApiLog();
void CloseApiLog();
[[nodiscard]] bool ApiLogOpen();

void WriteLine(int32_t result, const char* name, const std::string& args);

// One line: time, result, name, argument text. `args` is only called while
// the log is open, so building the text costs nothing otherwise.
template <typename Args>
void LogCall(int32_t result, const char* name, Args&& args) {
    if (ApiLogOpen()) WriteLine(result, name, args());
}

// A bridge call's trace: the report (for a nonzero result) before the line.
template <typename Args>
[[nodiscard]] int32_t Traced(int32_t result, const char* name, Args&& args) {
    if (result != 0) Report(LogText::Failure(name, result));
    LogCall(result, name, args);
    return result;
}

void SetModule(HMODULE module);
HMODULE Module();

}  // namespace Capwell::Lib::Diagnostics
