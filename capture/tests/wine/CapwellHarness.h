// Test harness for Capwell.dll under Wine with the real bridge and the
// controller simulator: loads the library per test (a process initialises it
// once per load), binds the 38 exports and the simulator's control API, and
// reads the API log and the report trace.
#pragma once

#include <windows.h>

#include <shlobj.h>

#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "Capwell.h"
#include "simulator/include/MrcSimClient.h"

namespace cwtest {

#define CPW_EXPORTS(X)                                                                     \
    X(Cpw_Initialize, CpwResult(CPWAPI*)(const CpwInitParams*))                            \
    X(Cpw_Finalize, CpwResult(CPWAPI*)(void))                                              \
    X(Cpw_GetApiVersion, CpwResult(CPWAPI*)(CpwVersion*))                                  \
    X(Cpw_GetFirmwareVersion, CpwResult(CPWAPI*)(CpwVersion*))                             \
    X(Cpw_GetDriverVersion, CpwResult(CPWAPI*)(CpwVersion*))                               \
    X(Cpw_RegisterNotifyWindowMessage, CpwResult(CPWAPI*)(CpwWindow))                      \
    X(Cpw_UnRegisterNotifyWindowMessage, CpwResult(CPWAPI*)(void))                         \
    X(Cpw_GetNotifyWindowMessageCode, CpwResult(CPWAPI*)(uint32_t*))                       \
    X(Cpw_SetState, CpwResult(CPWAPI*)(uint32_t, uint32_t, uint32_t))                      \
    X(Cpw_GetState, CpwResult(CPWAPI*)(CpwVideoState*))                                    \
    X(Cpw_GetHdmiInfo, CpwResult(CPWAPI*)(CpwHdmiInfo*))                                   \
    X(Cpw_GetCaptureData, CpwResult(CPWAPI*)(CpwCaptureFrame**))                           \
    X(Cpw_ReleaseCaptureData, CpwResult(CPWAPI*)(void))                                    \
    X(Cpw_SetVideoPosition, CpwResult(CPWAPI*)(const struct tagRECT*))                     \
    X(Cpw_ZoomVideo, CpwResult(CPWAPI*)(const CpwZoomRect*))                               \
    X(Cpw_ResetZoomVideo, CpwResult(CPWAPI*)(void))                                        \
    X(Cpw_SaveBitmapImage, CpwResult(CPWAPI*)(const CpwWChar*))                            \
    X(Cpw_SetLutGammaLut, CpwResult(CPWAPI*)(const CpwLutGammaLut*))                       \
    X(Cpw_ResetLutGammaLut, CpwResult(CPWAPI*)(uint32_t))                                  \
    X(Cpw_GetDefaultLutGammaLut, CpwResult(CPWAPI*)(uint32_t, CpwLutGammaLut*))            \
    X(Cpw_SetRgbMatrix, CpwResult(CPWAPI*)(const CpwRgbMatrix*))                           \
    X(Cpw_ResetRgbMatrix, CpwResult(CPWAPI*)(void))                                        \
    X(Cpw_GetDefaultRgbMatrix, CpwResult(CPWAPI*)(CpwRgbMatrix*))                          \
    X(Cpw_SetDriveCutoffPos, CpwResult(CPWAPI*)(uint32_t))                                 \
    X(Cpw_ResetDriveCutoffPos, CpwResult(CPWAPI*)(void))                                   \
    X(Cpw_GetDefaultDriveCutoffPos, CpwResult(CPWAPI*)(uint32_t*))                         \
    X(Cpw_SetDriveGain, CpwResult(CPWAPI*)(const CpwDriveGain*))                           \
    X(Cpw_ResetDriveGain, CpwResult(CPWAPI*)(void))                                        \
    X(Cpw_GetDefaultDriveGain, CpwResult(CPWAPI*)(uint16_t*))                              \
    X(Cpw_SetCutoffOffset, CpwResult(CPWAPI*)(const CpwCutoffOffset*))                     \
    X(Cpw_ResetCutoffOffset, CpwResult(CPWAPI*)(void))                                     \
    X(Cpw_GetDefaultCutoffOffset, CpwResult(CPWAPI*)(uint16_t*))                           \
    X(Cpw_SetColorMuteEnable, CpwResult(CPWAPI*)(uint32_t, uint32_t, uint32_t))            \
    X(Cpw_ResetColorMute, CpwResult(CPWAPI*)(void))                                        \
    X(Cpw_SetTwelveAxes, CpwResult(CPWAPI*)(const CpwTwelveAxes*))                         \
    X(Cpw_ResetTwelveAxes, CpwResult(CPWAPI*)(uint32_t))                                   \
    X(Cpw_GetDefaultTwelveAxes, CpwResult(CPWAPI*)(uint32_t, CpwTwelveAxes*))              \
    X(Cpw_ResetColorSetting, CpwResult(CPWAPI*)(void))

struct CapwellApi {
    HMODULE module = nullptr;
#define CPW_MEMBER(name, type) decltype(&::name) name = nullptr;
    CPW_EXPORTS(CPW_MEMBER)
#undef CPW_MEMBER
    int resolved = 0;

    bool Load() {
        module = LoadLibraryW(L"Capwell.dll");
        if (module == nullptr) return false;
        resolved = 0;
#define CPW_BIND(name, type)                                                     \
    name = reinterpret_cast<decltype(&::name)>(reinterpret_cast<void*>(GetProcAddress(module, #name))); \
    resolved += name != nullptr;
        CPW_EXPORTS(CPW_BIND)
#undef CPW_BIND
        return resolved == 38;
    }
    void Unload() {
        if (module != nullptr) FreeLibrary(module);
        module = nullptr;
    }
};

// The simulator's control API, from its one client.
struct SimApi : mrcsim::Client {
    bool Load() {
        static_cast<mrcsim::Client&>(*this) = mrcsim::BindClient();
        return complete;
    }
};

// A set command as the controller received it: its code and the parameter
// words written to the colour area (0x0E100700..) since the previous command.
struct SimCommand {
    uint32_t code = 0;
    std::vector<std::pair<uint32_t, uint32_t>> writes;
    uint32_t Word(uint32_t address) const {
        for (auto it = writes.rbegin(); it != writes.rend(); ++it)
            if (it->first == address) return it->second;
        return 0xFFFFFFFFu;
    }
};

inline std::vector<SimCommand> SimCommands(SimApi& sim) {
    std::vector<SimCommand> out;
    std::vector<std::pair<uint32_t, uint32_t>> pending;
    const uint32_t n = sim.RecordCount();
    for (uint32_t i = 0; i < n; ++i) {
        MrcSimRecord r{};
        if (sim.RecordGet(i, &r) != 0) continue;
        if (r.kind == 2) {
            pending.emplace_back(r.address, r.words[0]);
        } else if (r.kind == 1 && r.channel == 34) {
            SimCommand c;
            c.code = r.words[0];
            c.writes = std::move(pending);
            pending.clear();
            out.push_back(std::move(c));
        }
    }
    return out;
}

inline int CountCode(const std::vector<SimCommand>& cmds, uint32_t code) {
    int n = 0;
    for (const auto& c : cmds) n += c.code == code;
    return n;
}

inline const SimCommand* LastCode(const std::vector<SimCommand>& cmds, uint32_t code) {
    for (auto it = cmds.rbegin(); it != cmds.rend(); ++it)
        if (it->code == code) return &*it;
    return nullptr;
}

inline std::string DesktopFolder() {
    char desktop[MAX_PATH] = {};
    SHGetFolderPathA(nullptr, CSIDL_DESKTOP, nullptr, SHGFP_TYPE_CURRENT, desktop);
    return desktop;
}

// Points the user's desktop folder at a folder of the test's own for its
// lifetime (Wine maps the desktop to the Unix home folder otherwise).
class ScopedDesktop {
public:
    ScopedDesktop() {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        path_ = std::wstring(temp) + L"capwell_desktop";
        CreateDirectoryW(path_.c_str(), nullptr);
        RegCreateKeyExW(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &key_, nullptr);
        wchar_t old[MAX_PATH] = {};
        DWORD size = sizeof old - sizeof(wchar_t);
        DWORD type = 0;
        had_ = RegQueryValueExW(key_, L"Desktop", nullptr, &type, reinterpret_cast<BYTE*>(old), &size) ==
               ERROR_SUCCESS;
        old_ = old;
        old_type_ = type;
        RegSetValueExW(key_, L"Desktop", 0, REG_SZ, reinterpret_cast<const BYTE*>(path_.c_str()),
                       static_cast<DWORD>((path_.size() + 1) * sizeof(wchar_t)));
    }
    ~ScopedDesktop() {
        if (had_)
            RegSetValueExW(key_, L"Desktop", 0, old_type_, reinterpret_cast<const BYTE*>(old_.c_str()),
                           static_cast<DWORD>((old_.size() + 1) * sizeof(wchar_t)));
        else
            RegDeleteValueW(key_, L"Desktop");
        RegCloseKey(key_);
    }
    ScopedDesktop(const ScopedDesktop&) = delete;
    ScopedDesktop& operator=(const ScopedDesktop&) = delete;

private:
    static constexpr const wchar_t* kKey =
        L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
    HKEY key_ = nullptr;
    std::wstring path_, old_;
    DWORD old_type_ = REG_SZ;
    bool had_ = false;
};

inline std::string ApiLogFolder() { return DesktopFolder() + "\\log"; }
inline std::string ApiLogPath() { return ApiLogFolder() + "\\zorvapi.log"; }

inline std::string ReadFileText(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}
inline std::string ReadFileText(const std::wstring& path) {
    std::ifstream f(path.c_str(), std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

// Lines of a text; CRLF and LF both end a line.
inline std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> out;
    std::string cur;
    for (char c : text) {
        if (c == '\n') {
            if (!cur.empty() && cur.back() == '\r') cur.pop_back();
            out.push_back(cur);
            cur.clear();
        } else {
            cur += c;
        }
    }
    if (!cur.empty()) out.push_back(cur);
    return out;
}

}  // namespace cwtest
