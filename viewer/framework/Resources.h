// Strings and bitmaps of the resource script. Strings are looked up by number
// in the string table of the thread's user-interface language, falling back to
// the language's neutral table, then to English (1033), then to any table.
#pragma once

#include <windows.h>

#include <string>

#include "viewer/framework/Raii.h"

namespace fw {

inline constexpr LANGID kLangEnglish = 1033;
inline constexpr LANGID kLangJapanese = 1041;
inline constexpr LANGID kLangFrench = 12;

// The thread's user-interface language.
LANGID ThreadUiLanguage() noexcept;
// The string `id` in the thread's user-interface language; empty when absent.
std::wstring LoadResString(UINT id);
// The string `id` for `language` (with the fallbacks above).
std::wstring LoadResString(UINT id, LANGID language);
// A bitmap resource as a device-dependent bitmap; empty when absent.
Bitmap LoadResBitmap(UINT id) noexcept;
// The full path of the running program (its version resource, its folder);
// empty when the system cannot tell.
std::wstring RunningProgramPath();

}  // namespace fw
