/*
 * Tavrin.h - exports of the tablet-mode probe Tavrin_x64.dll.
 *
 * Plain C, usable from C and C++. The viewer loads the library at run time
 * and binds the three exports by name; the PFN_ types below are the shapes
 * to cast GetProcAddress results to.
 *
 * Like Capwell.h, the header needs no <windows.h>: the window handle is the
 * incomplete struct HWND__ that <windows.h> (STRICT) completes, so callers
 * pass HWND directly.
 */
#ifndef TAVRIN_H
#define TAVRIN_H

#include <stdint.h>

#if defined(_WIN32)
#define TAVRINAPI __cdecl
#else
#define TAVRINAPI
#endif

#if defined(__cplusplus)
#define TAVRIN_STATIC_ASSERT(cond, msg) static_assert(cond, msg)
#else
#define TAVRIN_STATIC_ASSERT(cond, msg) _Static_assert(cond, msg)
#endif

/* UTF-16 code unit: wchar_t on Windows, so L"..." texts pass directly. */
#if defined(_WIN32)
typedef wchar_t TavrinWChar;
#else
typedef uint16_t TavrinWChar;
#endif
TAVRIN_STATIC_ASSERT(sizeof(TavrinWChar) == 2, "TavrinWChar must be a 16-bit unit");

#if defined(__cplusplus)
extern "C" {
#endif

/* Window handle: the same type as HWND of <windows.h> (STRICT). */
struct HWND__;
typedef struct HWND__* TavrinWindow;

/* File name the viewer loads. */
#define TAVRIN_DLL_NAME L"Tavrin_x64.dll"

/* Registered window message posted to the notify window when the mode
 * changes: wParam = the new mode (TAVRIN_MODE_*), lParam = 0. */
#define TAVRIN_CHANGE_MESSAGE_NAME L"Harlowe_Tavrin_ModChg"

/* Modes returned by GetTavrin and posted with the change message. */
#define TAVRIN_MODE_OTHER         0   /* an interaction mode other than mouse or touch */
#define TAVRIN_MODE_DESKTOP       1   /* user-interaction mode Mouse */
#define TAVRIN_MODE_TABLET        2   /* user-interaction mode Touch */
#define TAVRIN_MODE_UNKNOWN     (-1)  /* not read: no hidden window, or every attempt failed */
#define TAVRIN_MODE_LOOP_FAILED (-2)  /* posted once when the probe's message loop fails */

/* Starts the probe thread with a hidden window of the given class name and
 * remembers notify_window for the change message. Returns 1 when the hidden
 * window exists, 0 on failure (a null window or class name gives 0 at once).
 * The class name is copied; the caller may free it after the call. */
int32_t TAVRINAPI InitTavrin(TavrinWindow notify_window, const TavrinWChar* class_name);

/* The current mode, read now (TAVRIN_MODE_*), -1 before InitTavrin. */
int32_t TAVRINAPI GetTavrin(void);

/* Stops the probe thread. Returns 1 when it has ended (or was never
 * started), 0 when it did not end within 5 seconds. */
int32_t TAVRINAPI FinalizeTavrin(void);

typedef int32_t (TAVRINAPI* PFN_InitTavrin)(TavrinWindow notify_window, const TavrinWChar* class_name);
typedef int32_t (TAVRINAPI* PFN_GetTavrin)(void);
typedef int32_t (TAVRINAPI* PFN_FinalizeTavrin)(void);

#if defined(__cplusplus)
}
#endif

#endif /* TAVRIN_H */
