#include "viewer/app/PlatformProbes.h"

#include <initguid.h>
#include <knownfolders.h>
#include <objbase.h>
#include <objidl.h>
#include <powrprof.h>
#include <shlobj.h>
#include <wbemidl.h>


#include "viewer/core/ProbeRules.h"
#include "viewer/framework/Resources.h"
#include "winkit/Com.h"

namespace vistrel {

namespace {

constexpr const wchar_t* kTavrinLibrary = L"Tavrin_x64.dll";
constexpr const wchar_t* kTavrinClass = L"TavrinClass";
constexpr const wchar_t* kSimulatedKey = L"Software\\Harlowe Simulator\\Tablet";

// COM for this thread's apartment, undone when the work is done.
class ComScope {
public:
    ComScope() noexcept : ok_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ~ComScope() {
        if (ok_) CoUninitialize();
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;
    bool Ok() const noexcept { return ok_; }

private:
    bool ok_;
};

using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);
using SetRotationFn = BOOL(WINAPI*)(DWORD);
using WineVersionFn = const char*(CDECL*)();

template <class Fn>
Fn Bound(HMODULE module, const char* name) noexcept {
    return module != nullptr ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
}

}  // namespace

std::uint32_t OsMajorVersion() noexcept {
    // RtlGetVersion tells the truth; GetVersionExW answers what the manifest allows.
    if (auto fn = Bound<RtlGetVersionFn>(GetModuleHandleW(L"ntdll.dll"), "RtlGetVersion")) {
        OSVERSIONINFOW v{sizeof v};
        if (fn(&v) == 0) return v.dwMajorVersion;
    }
    OSVERSIONINFOW v{sizeof v};
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (GetVersionExW(&v)) return v.dwMajorVersion;
#pragma GCC diagnostic pop
    return 0;
}

bool RunningOnWine() noexcept {
    return Bound<WineVersionFn>(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

bool SimulatedPanelSelected() noexcept {
    if (!RunningOnWine()) return false;
    DWORD value = 0;
    DWORD size = sizeof value;
    const LSTATUS status = RegGetValueW(HKEY_LOCAL_MACHINE, kSimulatedKey, L"InternalDisplay",
                                        RRF_RT_REG_DWORD, nullptr, &value, &size);
    return status == ERROR_SUCCESS && value == 1;
}

std::wstring QueryInternalMonitorIdWmi() {
    ComScope com;
    if (!com.Ok()) return {};
    // Fails harmlessly when the process security was set before.
    (void)CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_DEFAULT, RPC_C_IMP_LEVEL_IMPERSONATE,
                               nullptr, EOAC_NONE, nullptr);
    winkit::ComPtr<IWbemLocator> locator;
    if (FAILED(CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER, IID_IWbemLocator,
                                reinterpret_cast<void**>(locator.Put()))))
        return {};
    winkit::ComPtr<IWbemServices> services;
    BSTR ns = SysAllocString(L"ROOT\\WMI");
    const HRESULT connected = locator->ConnectServer(ns, nullptr, nullptr, nullptr, 0, nullptr, nullptr, services.Put());
    SysFreeString(ns);
    if (FAILED(connected)) return {};
    if (FAILED(CoSetProxyBlanket(services.Get(), RPC_C_AUTHN_WINNT, RPC_C_AUTHZ_NONE, nullptr, RPC_C_AUTHN_LEVEL_CALL,
                                 RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE)))
        return {};
    winkit::ComPtr<IEnumWbemClassObject> rows;
    BSTR language = SysAllocString(L"WQL");
    BSTR query = SysAllocString(L"SELECT * FROM WmiMonitorConnectionParams");
    const HRESULT queried = services->ExecQuery(language, query, WBEM_FLAG_FORWARD_ONLY | WBEM_FLAG_RETURN_IMMEDIATELY,
                                                nullptr, rows.Put());
    SysFreeString(language);
    SysFreeString(query);
    if (FAILED(queried)) return {};
    std::wstring id;
    for (;;) {
        winkit::ComPtr<IWbemClassObject> row;
        ULONG got = 0;
        if (rows->Next(static_cast<LONG>(WBEM_INFINITE), 1, row.Put(), &got) != WBEM_S_NO_ERROR || got == 0) break;
        VARIANT tech;
        VariantInit(&tech);
        if (SUCCEEDED(row->Get(L"VideoOutputTechnology", 0, &tech, nullptr, nullptr)) &&
            (tech.vt == VT_I4 || tech.vt == VT_UI4)) {
            VARIANT name;
            VariantInit(&name);
            if (SUCCEEDED(row->Get(L"InstanceName", 0, &name, nullptr, nullptr)) && name.vt == VT_BSTR) {
                if (auto found = InternalMonitorId(static_cast<std::int32_t>(tech.lVal), name.bstrVal)) id = *found;
            }
            VariantClear(&name);
        }
        VariantClear(&tech);
    }
    return id;
}

std::wstring DeviceNameOfMonitor(const std::wstring& id) {
    if (id.empty()) return {};
    for (DWORD adapter_index = 0; adapter_index < 16; ++adapter_index) {
        DISPLAY_DEVICEW adapter{sizeof adapter};
        if (!EnumDisplayDevicesW(nullptr, adapter_index, &adapter, 0)) continue;
        if ((adapter.StateFlags & DISPLAY_DEVICE_ATTACHED_TO_DESKTOP) == 0) continue;
        for (DWORD monitor_index = 0;; ++monitor_index) {
            DISPLAY_DEVICEW monitor{sizeof monitor};
            if (!EnumDisplayDevicesW(adapter.DeviceName, monitor_index, &monitor, 0)) break;
            if (std::wstring(monitor.DeviceID).find(id) != std::wstring::npos) return adapter.DeviceName;
        }
    }
    return {};
}

std::wstring FindInternalDisplayName() {
    if (SimulatedPanelSelected()) {
        MONITORINFOEXW mi{};
        mi.cbSize = sizeof mi;
        if (GetMonitorInfoW(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &mi)) return mi.szDevice;
        return {};
    }
    return DeviceNameOfMonitor(QueryInternalMonitorIdWmi());
}

namespace {

struct MonitorSearch {
    const std::wstring* name;
    bool found = false;
    RECT monitor{};
    RECT work{};
};

BOOL CALLBACK FindMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM data) {
    auto* search = reinterpret_cast<MonitorSearch*>(data);
    MONITORINFOEXW mi{};
    mi.cbSize = sizeof mi;
    if (GetMonitorInfoW(monitor, &mi) && search->name->find(mi.szDevice) != std::wstring::npos) {
        search->found = true;
        search->monitor = mi.rcMonitor;
        search->work = mi.rcWork;
        return FALSE;
    }
    return TRUE;
}

Rect ToRect(const RECT& r) noexcept { return Rect{r.left, r.top, r.right, r.bottom}; }

}  // namespace

bool ReadScreenInfo(const std::wstring& name, ScreenInfo& info) {
    if (name.empty()) return false;
    MonitorSearch search{&name};
    EnumDisplayMonitors(nullptr, nullptr, &FindMonitor, reinterpret_cast<LPARAM>(&search));
    if (!search.found) return false;
    DEVMODEW mode{};
    mode.dmSize = sizeof mode;
    if (!EnumDisplaySettingsW(name.c_str(), ENUM_CURRENT_SETTINGS, &mode)) return false;
    info.monitor = ToRect(search.monitor);
    info.work = ToRect(search.work);
    info.width = static_cast<int>(mode.dmPelsWidth);
    info.height = static_cast<int>(mode.dmPelsHeight);
    info.rotation = RotationOfOrientation(mode.dmDisplayOrientation);
    return true;
}

bool PreferLandscape() noexcept {
    auto fn = Bound<SetRotationFn>(GetModuleHandleW(L"user32.dll"), "SetDisplayAutoRotationPreferences");
    if (fn == nullptr) return true;
    constexpr DWORD kLandscape = 0x1;  // ORIENTATION_PREFERENCE_LANDSCAPE
    return fn(kLandscape) != FALSE;
}

bool TabletModeBinding::Bind(HWND frame, std::uint32_t os_major) {
    Unbind();
    if (!TabletProbeEnabled(os_major)) return true;
    enabled_ = true;
    module_.Reset(LoadLibraryW(kTavrinLibrary));
    if (!module_) return false;
    init_ = Bound<PFN_InitTavrin>(module_.Get(), "InitTavrin");
    finalize_ = Bound<PFN_FinalizeTavrin>(module_.Get(), "FinalizeTavrin");
    get_ = Bound<PFN_GetTavrin>(module_.Get(), "GetTavrin");
    if (init_ == nullptr || finalize_ == nullptr || get_ == nullptr) return false;
    message_ = RegisterWindowMessageW(TAVRIN_CHANGE_MESSAGE_NAME);
    return init_(frame, kTavrinClass) != 0;
}

int TabletModeBinding::CurrentMode() const noexcept {
    if (!enabled_ || get_ == nullptr) return 0;
    return get_() == TAVRIN_MODE_TABLET ? 1 : 0;
}

void TabletModeBinding::Unbind() noexcept {
    if (enabled_ && finalize_ != nullptr) (void)finalize_();
    module_.Reset();
    init_ = nullptr;
    get_ = nullptr;
    finalize_ = nullptr;
    message_ = 0;
    enabled_ = false;
}

bool SetBrightness(DWORD value) noexcept {
    GUID* scheme = nullptr;
    if (PowerGetActiveScheme(nullptr, &scheme) != ERROR_SUCCESS || scheme == nullptr) return false;
    SYSTEM_POWER_STATUS power{};
    const bool on_ac = GetSystemPowerStatus(&power) && power.ACLineStatus != 0;
    const DWORD written = on_ac ? PowerWriteACValueIndex(nullptr, scheme, &GUID_VIDEO_SUBGROUP,
                                                         &GUID_DEVICE_POWER_POLICY_VIDEO_BRIGHTNESS, value)
                                : PowerWriteDCValueIndex(nullptr, scheme, &GUID_VIDEO_SUBGROUP,
                                                         &GUID_DEVICE_POWER_POLICY_VIDEO_BRIGHTNESS, value);
    const DWORD applied = written == ERROR_SUCCESS ? PowerSetActiveScheme(nullptr, scheme) : written;
    LocalFree(scheme);
    return written == ERROR_SUCCESS && applied == ERROR_SUCCESS;
}

std::optional<DWORD> ReadBrightness() noexcept {
    GUID* scheme = nullptr;
    if (PowerGetActiveScheme(nullptr, &scheme) != ERROR_SUCCESS || scheme == nullptr) return std::nullopt;
    SYSTEM_POWER_STATUS power{};
    const bool on_ac = GetSystemPowerStatus(&power) && power.ACLineStatus != 0;
    DWORD value = 0;
    DWORD size = sizeof value;
    DWORD type = 0;
    const DWORD read = on_ac ? PowerReadACValue(nullptr, scheme, &GUID_VIDEO_SUBGROUP,
                                                &GUID_DEVICE_POWER_POLICY_VIDEO_BRIGHTNESS, &type,
                                                reinterpret_cast<UCHAR*>(&value), &size)
                             : PowerReadDCValue(nullptr, scheme, &GUID_VIDEO_SUBGROUP,
                                                &GUID_DEVICE_POWER_POLICY_VIDEO_BRIGHTNESS, &type,
                                                reinterpret_cast<UCHAR*>(&value), &size);
    LocalFree(scheme);
    if (read != ERROR_SUCCESS || size != sizeof value) return std::nullopt;
    return value;
}

bool SpeakerVolume::Open(HWND notify) {
    if (open_) return true;
    if (mixerOpen(&mixer_, 0, reinterpret_cast<DWORD_PTR>(notify), 0, CALLBACK_WINDOW | MIXER_OBJECTF_MIXER) !=
        MMSYSERR_NOERROR) {
        mixer_ = nullptr;
        return false;
    }
    MIXERLINEW line{};
    line.cbStruct = sizeof line;
    line.dwComponentType = MIXERLINE_COMPONENTTYPE_DST_SPEAKERS;
    MIXERCONTROLW control{};
    control.cbStruct = sizeof control;
    MIXERLINECONTROLSW controls{};
    controls.cbStruct = sizeof controls;
    controls.dwControlType = MIXERCONTROL_CONTROLTYPE_VOLUME;
    controls.cControls = 1;
    controls.cbmxctrl = sizeof control;
    controls.pamxctrl = &control;
    const HMIXEROBJ object = reinterpret_cast<HMIXEROBJ>(mixer_);
    if (mixerGetLineInfoW(object, &line, MIXER_OBJECTF_HMIXER | MIXER_GETLINEINFOF_COMPONENTTYPE) !=
            MMSYSERR_NOERROR ||
        (controls.dwLineID = line.dwLineID,
         mixerGetLineControlsW(object, &controls, MIXER_OBJECTF_HMIXER | MIXER_GETLINECONTROLSF_ONEBYTYPE) !=
             MMSYSERR_NOERROR)) {
        Close();
        return false;
    }
    control_id_ = control.dwControlID;
    minimum_ = control.Bounds.dwMinimum;
    maximum_ = control.Bounds.dwMaximum;
    open_ = true;
    return true;
}

bool SpeakerVolume::SetVolume(std::uint32_t percent) noexcept {
    const auto value = VolumeValue(minimum_, maximum_, percent);
    if (!open_ || !value) return false;
    MIXERCONTROLDETAILS_UNSIGNED detail{*value};
    MIXERCONTROLDETAILS details{};
    details.cbStruct = sizeof details;
    details.dwControlID = control_id_;
    details.cChannels = 1;
    details.cbDetails = sizeof detail;
    details.paDetails = &detail;
    return mixerSetControlDetails(reinterpret_cast<HMIXEROBJ>(mixer_), &details,
                                  MIXER_OBJECTF_HMIXER | MIXER_SETCONTROLDETAILSF_VALUE) == MMSYSERR_NOERROR;
}

std::optional<std::uint32_t> SpeakerVolume::ReadVolume() const noexcept {
    if (!open_) return std::nullopt;
    MIXERCONTROLDETAILS_UNSIGNED detail{};
    MIXERCONTROLDETAILS details{};
    details.cbStruct = sizeof details;
    details.dwControlID = control_id_;
    details.cChannels = 1;
    details.cbDetails = sizeof detail;
    details.paDetails = &detail;
    if (mixerGetControlDetailsW(reinterpret_cast<HMIXEROBJ>(mixer_), &details,
                                MIXER_OBJECTF_HMIXER | MIXER_GETCONTROLDETAILSF_VALUE) != MMSYSERR_NOERROR) {
        return std::nullopt;
    }
    return VolumePercent(minimum_, maximum_, detail.dwValue);
}

void SpeakerVolume::Close() noexcept {
    if (mixer_ != nullptr) mixerClose(mixer_);
    mixer_ = nullptr;
    minimum_ = 0;
    maximum_ = 0;
    control_id_ = 0xFFFFFFFF;
    open_ = false;
}

namespace {

std::wstring StartupPath() {
    PWSTR folder = nullptr;
    std::wstring path;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_Startup, 0, nullptr, &folder))) {
        const std::wstring program = fw::RunningProgramPath();
        std::wstring stem = program.substr(program.find_last_of(L"\\/") + 1);
        if (const std::size_t dot = stem.find_last_of(L'.'); dot != std::wstring::npos) stem.resize(dot);
        path = std::wstring(folder) + L"\\" + stem + L".lnk";
    }
    CoTaskMemFree(folder);
    return path;
}

}  // namespace

StartupShortcut::StartupShortcut() : path_(StartupPath()), target_(fw::RunningProgramPath()) {}

StartupShortcut::StartupShortcut(std::wstring path, std::wstring target)
    : path_(std::move(path)), target_(std::move(target)) {}

bool StartupShortcut::IsRegistered() const noexcept {
    return !path_.empty() && GetFileAttributesW(path_.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool StartupShortcut::Register() {
    if (IsRegistered()) return true;
    if (path_.empty()) return false;
    ComScope com;
    winkit::ComPtr<IShellLinkW> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(link.Put()))))
        return false;
    const std::wstring folder = target_.substr(0, target_.find_last_of(L"\\/"));
    if (FAILED(link->SetPath(target_.c_str())) || FAILED(link->SetWorkingDirectory(folder.c_str()))) return false;
    winkit::ComPtr<IPersistFile> file;
    if (FAILED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(file.Put())))) return false;
    return SUCCEEDED(file->Save(path_.c_str(), TRUE));
}

bool StartupShortcut::Unregister() noexcept {
    if (!IsRegistered()) return true;
    return DeleteFileW(path_.c_str()) != FALSE;
}

}  // namespace vistrel
