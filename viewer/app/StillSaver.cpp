#include "viewer/app/StillSaver.h"

#include <shellapi.h>
#include <shlobj.h>
#include <shlwapi.h>

#include "viewer/core/FrameGeometry.h"
#include "viewer/framework/Raii.h"
#include "viewer/framework/Resources.h"
#include "viewer/res/resource.h"

namespace vistrel {

namespace {

constexpr DWORD kBrowserWaitMs = 1000;
constexpr int kTitleUnits = 260;

bool IsDirectory(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

struct BrowserSearch {
    std::wstring title;
    HWND found = nullptr;
};

bool IsExplorer(HWND window) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    winkit::UniqueHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
    if (!process) return false;
    wchar_t path[MAX_PATH] = {};
    DWORD size = MAX_PATH;
    if (!QueryFullProcessImageNameW(process.Get(), 0, path, &size)) return false;
    return lstrcmpiW(PathFindFileNameW(path), L"explorer.exe") == 0;
}

BOOL CALLBACK FindBrowser(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<BrowserSearch*>(data);
    wchar_t title[kTitleUnits] = {};
    GetWindowTextW(window, title, kTitleUnits);
    if (search->title == title && IsExplorer(window)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

std::wstring CaptureFolder() {
    wchar_t pictures[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_MYPICTURES, nullptr, SHGFP_TYPE_CURRENT, pictures))) return {};
    wchar_t folder[MAX_PATH] = {};
    const std::wstring title = fw::LoadResString(IDS_APP_TITLE);
    if (PathCombineW(folder, pictures, title.c_str()) == nullptr) return {};
    return folder;
}

bool EnsureFolder(const std::wstring& folder) {
    if (folder.empty()) return false;
    if (!IsDirectory(folder)) CreateDirectoryW(folder.c_str(), nullptr);
    return IsDirectory(folder);
}

SaveOutcome SaveStillCapture(const std::wstring& folder, const SaveBitmapFn& save) {
    if (folder.empty()) return NoCaptureFolder();
    (void)EnsureFolder(folder);
    SYSTEMTIME now{};
    GetLocalTime(&now);
    const std::wstring name = StillFileName(LocalTime{now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute,
                                                      now.wSecond, now.wMilliseconds});
    wchar_t path[MAX_PATH] = {};
    if (PathCombineW(path, folder.c_str(), name.c_str()) == nullptr) return NoCaptureFolder();
    const CpwResult result = save ? save(path) : Cpw_SaveBitmapImage(path);
    return OutcomeOfSave(result);
}

void PlaceBrowserBeside(const std::wstring& folder, HWND viewer, const Rect& work) {
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_WAITFORINPUTIDLE;
    info.lpVerb = L"open";
    info.lpFile = folder.c_str();
    info.nShow = SW_SHOWNORMAL;
    if (!ShellExecuteExW(&info)) return;
    Sleep(kBrowserWaitMs);
    BrowserSearch search{PathFindFileNameW(folder.c_str())};
    EnumWindows(&FindBrowser, reinterpret_cast<LPARAM>(&search));
    if (search.found == nullptr) return;
    const SideBySide place = SplitWork(work);
    const UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;
    SetWindowPos(viewer, nullptr, place.viewer.left, place.viewer.top, place.viewer.Width(), place.viewer.Height(),
                 flags);
    SetWindowPos(search.found, nullptr, place.browser.left, place.browser.top, place.browser.Width(),
                 place.browser.Height(), flags);
}

}  // namespace vistrel
