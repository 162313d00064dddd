// The controller bar's flows as a person uses them in full screen: presets,
// the waveform display and back, a still and its folder. Vistrel.exe runs as
// a program of its own on the simulated controller; what reached the
// controller is read from its journal, what a person sees from the windows
// and the files.
#include <gtest/gtest.h>

#include <shlobj.h>

#include <cwctype>
#include <fstream>
#include <iterator>
#include <set>

#include "outside_support.h"

namespace {

constexpr char kSteadyInput[] = R"({
  "firmware": {"version": "0x11000200"},
  "panel": {"width": 1280, "height": 720}, "output": {"width": 1280, "height": 720, "event": 0},
  "hdmi": {"state": "signal", "width": 1920, "height": 1080, "fps_code": 8, "scan": "progressive",
           "format": "RGB", "bit_depth": 8, "hdcp": false},
  "clock": "real"})";

constexpr std::uint32_t kCmdDriveCutoff = 0x80004, kCmdLut = 0x80005;
constexpr std::uint32_t kCmdMovieStart = 0xC0001, kCmdMovieStop = 0xC0002;
constexpr std::uint32_t kLutGreenPoints12 = 0x0E100750;  // the set area's G points 1 and 2
constexpr std::uint32_t kDriveBlue = 0x0E100714;         // blue gain | offset << 16
constexpr std::uint32_t Pair(std::uint32_t lo, std::uint32_t hi) { return lo | hi << 16; }

std::wstring KnownFolder(int csidl) {
    wchar_t path[MAX_PATH] = {};
    return SUCCEEDED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path)) ? path : L"";
}

std::string ReadAll(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// The user's selected presets, put back as they were when the test ends so
// that its clicks are not the next start's selection.
class SelectionKept {
public:
    SelectionKept()
        : path_(KnownFolder(CSIDL_LOCAL_APPDATA) + L"\\Harlowe_Corporation\\Vistrel\\Custom\\selected_mode.csv"),
          had_(GetFileAttributesW(path_.c_str()) != INVALID_FILE_ATTRIBUTES),
          text_(had_ ? ReadAll(path_) : "") {
        DeleteFileW(path_.c_str());  // the first start's selection: 2.2 and Middle
    }
    ~SelectionKept() {
        if (had_) {
            std::ofstream(path_.c_str(), std::ios::binary) << text_;
        } else {
            DeleteFileW(path_.c_str());
        }
    }
    SelectionKept(const SelectionKept&) = delete;
    SelectionKept& operator=(const SelectionKept&) = delete;

private:
    std::wstring path_;
    bool had_;
    std::string text_;
};

std::wstring AppTitle() {
    const std::wstring exe = cwtest::ExeDir() + L"\\Vistrel.exe";
    HMODULE m = LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    wchar_t text[128] = {};
    if (m != nullptr) {
        LoadStringW(m, IDS_APP_TITLE, text, 128);
        FreeLibrary(m);
    }
    return text;
}

std::set<std::wstring> Bitmaps(const std::wstring& folder) {
    std::set<std::wstring> names;
    WIN32_FIND_DATAW data;
    HANDLE h = FindFirstFileW((folder + L"\\*.bmp").c_str(), &data);
    if (h == INVALID_HANDLE_VALUE) return names;
    do {
        names.insert(data.cFileName);
    } while (FindNextFileW(h, &data));
    FindClose(h);
    return names;
}

// yyyymmdd_hhmmssmmm.bmp
bool StillName(const std::wstring& n) {
    if (n.size() != 22 || n.substr(18) != L".bmp" || n[8] != L'_') return false;
    for (std::size_t i = 0; i < 18; ++i) {
        if (i != 8 && !std::iswdigit(n[i])) return false;
    }
    return true;
}

std::wstring ImageName(DWORD pid) {
    HANDLE p = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (p == nullptr) return {};
    wchar_t path[MAX_PATH] = {};
    DWORD size = MAX_PATH;
    const bool ok = QueryFullProcessImageNameW(p, 0, path, &size) != FALSE;
    CloseHandle(p);
    if (!ok) return {};
    const std::wstring s = path;
    return s.substr(s.rfind(L'\\') + 1);
}

// The visible top-level windows of the file browser.
std::set<HWND> Browsers() {
    std::set<HWND> found;
    for (HWND w = GetTopWindow(nullptr); w != nullptr; w = GetWindow(w, GW_HWNDNEXT)) {
        DWORD pid = 0;
        GetWindowThreadProcessId(w, &pid);
        if (IsWindowVisible(w) && lstrcmpiW(ImageName(pid).c_str(), L"explorer.exe") == 0) found.insert(w);
    }
    return found;
}

// A bar control, shown again first: the bar hides after ten idle seconds.
HWND BarControl(Viewer& viewer, int id) {
    HWND found = nullptr;
    WaitFor([&] {
        PostMessageW(viewer.ShownView(), WM_MOUSEMOVE, 0, MAKELPARAM(100, 100));
        found = viewer.Visible(id);
        return found != nullptr && IsWindowEnabled(found);
    }, 30000);
    return found;
}

std::wstring TextOf(HWND w) {
    wchar_t text[64] = {};
    GetWindowTextW(w, text, 64);
    return text;
}

// What a person sees when a control is missing: the screen, the frame's mode,
// the other visible windows.
std::string Seen(Viewer& viewer) {
    std::string s = "screen " + std::to_string(viewer.ShownKind()) +
                    ((viewer.Style() & WS_POPUP) != 0 ? ", full screen" : ", window");
    for (HWND w = GetTopWindow(nullptr); w != nullptr; w = GetWindow(w, GW_HWNDNEXT)) {
        if (w == viewer.Frame() || !IsWindowVisible(w)) continue;
        char text[128] = {}, cls[64] = {};
        GetWindowTextA(w, text, 128);
        GetClassNameA(w, cls, 64);
        s += std::string(", \"") + text + "\" (" + cls + ")";
    }
    return s;
}

TEST(Outside, ControllerBarFlowsReachTheControllerAndTheUser) {
    const cwtest::TempDir dir;
    const std::wstring scenario = dir.path() + L"\\steady.json";
    std::ofstream(scenario.c_str(), std::ios::binary) << kSteadyInput;
    const Journal journal(dir.path() + L"\\journal.txt");
    const cwtest::ScopedEnv env_scenario(L"MERROWCOM_SCENARIO", scenario.c_str());
    const cwtest::ScopedEnv env_journal(L"MERROWCOM_JOURNAL", journal.Path().c_str());
    const cwtest::ScopedEnv env_panel(L"MERROWCOM_PANEL", nullptr);
    const SelectionKept selection;
    const std::wstring title = AppTitle();
    ASSERT_FALSE(title.empty());
    const std::wstring stills = KnownFolder(CSIDL_MYPICTURES) + L"\\" + title;
    const std::set<std::wstring> before = Bitmaps(stills);

    Viewer viewer;
    ASSERT_TRUE(viewer.Started());
    ASSERT_TRUE(WaitFor([&] { return GetFileAttributesW(journal.Path().c_str()) != INVALID_FILE_ATTRIBUTES; }, 60000))
        << "the viewer did not start the controller";
    ASSERT_TRUE(viewer.FindFrame(15000));
    ASSERT_TRUE(WaitFor([&] { return viewer.ShownKind() == 2; }, 15000)) << "screen " << viewer.ShownKind();
    // The first start's presets, 2.2 and Middle, reach the controller.
    ASSERT_TRUE(WaitFor([&] { return journal.LastWord(kLutGreenPoints12) == Pair(32, 64); }, 10000));
    ASSERT_TRUE(WaitFor([&] { return journal.LastWord(kDriveBlue) == Pair(512, 2048); }, 10000));

    // "2.4" sends its curve, "Low" its warmer white.
    HWND button = BarControl(viewer, IDC_BAR_BALANCE_2);
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(TextOf(button), L"2.4");
    int luts = journal.Commands(kCmdLut);
    Viewer::Click(button);
    EXPECT_TRUE(WaitFor([&] { return journal.Commands(kCmdLut) > luts; }, 10000)) << "no LUT set after \"2.4\"";
    EXPECT_EQ(journal.LastWord(kLutGreenPoints12), Pair(23, 49)) << "G points 1 and 2 of the 2.4 curve";
    button = BarControl(viewer, IDC_BAR_LEVEL_1);
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(TextOf(button), L"Low");
    const int drives = journal.Commands(kCmdDriveCutoff);
    Viewer::Click(button);
    EXPECT_TRUE(WaitFor([&] { return journal.Commands(kCmdDriveCutoff) > drives; }, 10000)) << "no gain after \"Low\"";
    EXPECT_EQ(journal.LastWord(kDriveBlue), Pair(414, 2048)) << "Low's blue gain";

    // The waveform display starts the movie and shows the back button; back
    // stops it and shows the live picture with its bar again.
    button = BarControl(viewer, IDC_BAR_WAVEFORM);
    ASSERT_NE(button, nullptr);
    Viewer::Click(button);
    EXPECT_TRUE(WaitFor([&] { return journal.Commands(kCmdMovieStart) > 0; }, 10000)) << "no movie start";
    button = BarControl(viewer, IDC_BAR_BACK);
    ASSERT_NE(button, nullptr) << "no back button in waveform mode";
    EXPECT_EQ(viewer.Visible(IDC_BAR_CAPTURE), nullptr) << "waveform mode shows only the displays and back";
    Viewer::Click(button);
    EXPECT_TRUE(WaitFor([&] { return journal.Commands(kCmdMovieStop) > 0; }, 10000)) << "no movie stop";
    EXPECT_TRUE(WaitFor([&] { return viewer.Visible(IDC_BAR_BACK) == nullptr; }, 10000));
    EXPECT_EQ(viewer.ShownKind(), 2);

    // The camera: a bitmap with a millisecond name in Pictures\<title>.
    button = BarControl(viewer, IDC_BAR_CAPTURE);
    ASSERT_NE(button, nullptr);
    Viewer::Click(button);
    std::wstring still;
    EXPECT_TRUE(WaitFor([&] {
        for (const std::wstring& n : Bitmaps(stills)) {
            if (before.count(n) == 0 && ReadAll(stills + L"\\" + n).size() > 54) still = n;
        }
        return !still.empty();
    }, 20000)) << "no new still in the capture folder";
    if (!still.empty()) {
        EXPECT_TRUE(StillName(still)) << "still named \"" << std::string(still.begin(), still.end()) << "\"";
        EXPECT_EQ(ReadAll(stills + L"\\" + still).substr(0, 2), "BM");
        DeleteFileW((stills + L"\\" + still).c_str());
    }
    EXPECT_NE(BarControl(viewer, IDC_BAR_CAPTURE), nullptr) << "the camera is enabled again; " << Seen(viewer);

    // The folder: the file browser opens on the capture folder.
    const std::set<HWND> open = Browsers();
    button = BarControl(viewer, IDC_BAR_FOLDER);
    ASSERT_NE(button, nullptr) << Seen(viewer);
    Viewer::Click(button);
    HWND browser = nullptr;
    EXPECT_TRUE(WaitFor([&] {
        for (HWND w : Browsers()) {
            if (open.count(w) == 0) browser = w;
        }
        return browser != nullptr;
    }, 20000)) << "no file browser";
    if (browser != nullptr) {
        EXPECT_EQ(TextOf(browser), title) << "the browser shows the capture folder";
        PostMessageW(browser, WM_CLOSE, 0, 0);
        EXPECT_TRUE(WaitFor([&] { return !IsWindow(browser); }, 10000)) << "the file browser did not close";
    }

    PostMessageW(viewer.Frame(), WM_CLOSE, 0, 0);
    ASSERT_EQ(WaitForSingleObject(viewer.Process(), 20000), WAIT_OBJECT_0) << "the viewer did not end";
    DWORD code = 1;
    GetExitCodeProcess(viewer.Process(), &code);
    EXPECT_EQ(code, 0u);
}

}  // namespace
