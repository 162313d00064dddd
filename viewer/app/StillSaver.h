// Still captures: the capture folder under the user's Pictures, saving the
// current frame there, and showing the folder beside the viewer.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "Capwell.h"
#include "viewer/core/Rect.h"
#include "viewer/core/StillCapture.h"

namespace vistrel {

// The Pictures folder joined with the application title; empty without a
// Pictures folder.
std::wstring CaptureFolder();

// Creates the folder (one level) when it is not a directory; answers whether
// it is one now.
bool EnsureFolder(const std::wstring& folder);

// The library call that writes the still (Cpw_SaveBitmapImage by default).
using SaveBitmapFn = std::function<CpwResult(const wchar_t* path)>;

// Saves the current frame as "<folder>\<local time>.bmp" and says what the
// result means for the screens.
SaveOutcome SaveStillCapture(const std::wstring& folder, const SaveBitmapFn& save = {});

// Opens the folder in the file browser and, once its window shows, places it
// on the left half of the work area and the viewer on the right.
void PlaceBrowserBeside(const std::wstring& folder, HWND viewer, const Rect& work);

}  // namespace vistrel
