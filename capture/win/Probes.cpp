#include "capture/win/Probes.h"

#include <objbase.h>
#include <oleauto.h>
#include <setupapi.h>
#include <wbemidl.h>

#include <cstring>
#include <cwctype>
#include <vector>

#include "capture/core/Orientation.h"
#include "winkit/Com.h"
#include "winkit/Handle.h"

#ifndef CAPWELL_HARDWARE_ID
#define CAPWELL_HARDWARE_ID L"PCI\\VEN_1B7C&DEV_0C01"
#endif

static_assert(DMDO_90 == 1 && DMDO_180 == 2 && DMDO_270 == 3, "orientation codes");

namespace Capwell::Lib::Probes {

namespace {

// A string from SysAllocString.
using BStr = winkit::Unique<winkit::traits::NullIsEmpty<BSTR, &SysFreeString>>;
// A device information set from SetupDiGetClassDevsW (INVALID_HANDLE_VALUE is
// turned away before it is owned).
using UniqueDevInfo = winkit::Unique<winkit::traits::NullIsEmpty<HDEVINFO, &SetupDiDestroyDeviceInfoList>>;

struct Variant {
    VARIANT v;
    Variant() { VariantInit(&v); }
    ~Variant() { VariantClear(&v); }
};

bool QueryInternalMonitor(std::wstring& id) {
    winkit::ComPtr<IWbemLocator> locator;
    if (FAILED(CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER, IID_IWbemLocator,
                                locator.PutVoid())))
        return false;
    winkit::ComPtr<IWbemServices> services;
    const BStr ns(SysAllocString(L"ROOT\\WMI"));
    if (FAILED(locator->ConnectServer(ns.Get(), nullptr, nullptr, nullptr, 0, nullptr, nullptr,
                                      services.Put())))
        return false;
    if (FAILED(CoSetProxyBlanket(services.Get(), RPC_C_AUTHN_WINNT, RPC_C_AUTHZ_NONE, nullptr,
                                 RPC_C_AUTHN_LEVEL_CALL, RPC_C_IMP_LEVEL_IMPERSONATE, nullptr,
                                 EOAC_NONE)))
        return false;
    winkit::ComPtr<IEnumWbemClassObject> rows;
    const BStr language(SysAllocString(L"WQL"));
    const BStr query(SysAllocString(L"SELECT * FROM WmiMonitorConnectionParams"));
    if (FAILED(services->ExecQuery(language.Get(), query.Get(),
                                   WBEM_FLAG_FORWARD_ONLY | WBEM_FLAG_RETURN_IMMEDIATELY, nullptr,
                                   rows.Put())))
        return false;
    id.clear();
    for (;;) {
        winkit::ComPtr<IWbemClassObject> row;
        ULONG got = 0;
        if (rows->Next(static_cast<LONG>(WBEM_INFINITE), 1, row.Put(), &got) != S_OK || got == 0) break;
        Variant tech;
        if (FAILED(row->Get(L"VideoOutputTechnology", 0, &tech.v, nullptr, nullptr))) continue;
        Variant as_uint;
        if (FAILED(VariantChangeType(&as_uint.v, &tech.v, 0, VT_UI4))) continue;
        if ((as_uint.v.ulVal & 0x80000000u) == 0) continue;
        Variant instance;
        if (FAILED(row->Get(L"InstanceName", 0, &instance.v, nullptr, nullptr)) ||
            instance.v.vt != VT_BSTR || instance.v.bstrVal == nullptr)
            continue;
        // "DISPLAY\<hardware id>\<instance>": keep the second part.
        const std::wstring name(instance.v.bstrVal);
        const size_t a = name.find(L'\\');
        if (a == std::wstring::npos) continue;
        const size_t b = name.find(L'\\', a + 1);
        id = name.substr(a + 1, b == std::wstring::npos ? std::wstring::npos : b - a - 1);
    }
    return true;
}

// Registry string data as stored: whole characters of the byte count (an odd
// last byte is no character), up to the first terminator if there is one. The
// data need not end with a terminator, nor have an even length.
std::wstring RegistryText(const BYTE* data, DWORD bytes) {
    std::wstring text(bytes / sizeof(wchar_t), L'\0');
    std::memcpy(text.data(), data, text.size() * sizeof(wchar_t));
    const size_t end = text.find(L'\0');
    if (end != std::wstring::npos) text.resize(end);
    return text;
}

std::wstring Lower(std::wstring s) {
    for (auto& c : s) c = static_cast<wchar_t>(std::towlower(c));
    return s;
}

}  // namespace

bool FindInternalMonitorId(std::wstring& id) {
    const HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (FAILED(init) && init != RPC_E_CHANGED_MODE) return false;
    const bool balance = SUCCEEDED(init);
    // Security can be set only once per process; when the client (or an
    // earlier probe) already did, go on with its settings.
    const HRESULT sec = CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_DEFAULT,
                                             RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE, nullptr);
    bool ok = SUCCEEDED(sec) || sec == RPC_E_TOO_LATE;
    if (ok) ok = QueryInternalMonitor(id);
    if (balance) CoUninitialize();
    return ok;
}

// Wine's WMI has no monitor rows. The simulated tablet's set-up selects the
// primary monitor as the panel (the value the viewer reads too); the choice is
// honoured only on Wine, so it never applies on a tablet.
std::wstring SimulatedPanelName() {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    if (ntdll == nullptr || GetProcAddress(ntdll, "wine_get_version") == nullptr) return {};
    DWORD value = 0;
    DWORD size = sizeof value;
    if (RegGetValueW(HKEY_LOCAL_MACHINE, L"Software\\Harlowe Simulator\\Tablet", L"InternalDisplay",
                     RRF_RT_REG_DWORD, nullptr, &value, &size) != ERROR_SUCCESS || value != 1)
        return {};
    MONITORINFOEXW mi{};
    mi.cbSize = sizeof mi;
    if (!GetMonitorInfoW(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &mi)) return {};
    return mi.szDevice;
}

std::wstring FindPanelName() {
    if (std::wstring simulated = SimulatedPanelName(); !simulated.empty()) return simulated;
    std::wstring id;
    if (!FindInternalMonitorId(id)) return {};
    for (DWORD adapter = 0; adapter < 16; ++adapter) {
        DISPLAY_DEVICEW dev{};
        dev.cb = sizeof dev;
        if (!EnumDisplayDevicesW(nullptr, adapter, &dev, 0)) return {};
        if (!(dev.StateFlags & DISPLAY_DEVICE_ATTACHED_TO_DESKTOP)) continue;
        for (DWORD monitor = 0;; ++monitor) {
            DISPLAY_DEVICEW mon{};
            mon.cb = sizeof mon;
            if (!EnumDisplayDevicesW(dev.DeviceName, monitor, &mon, 0)) break;
            if (std::wstring(mon.DeviceID).find(id) != std::wstring::npos) return dev.DeviceName;
        }
    }
    return {};
}

void ProbeDisplay(DisplayInfo& display) {
    display.name = FindPanelName();
    if (display.name.empty()) return;
    DEVMODEW mode{};
    mode.dmSize = sizeof mode;
    if (!EnumDisplaySettingsW(display.name.c_str(), ENUM_CURRENT_SETTINGS, &mode)) return;
    display.angle = AngleFromOrientation(mode.dmDisplayOrientation);
    display.width = static_cast<int32_t>(mode.dmPelsWidth);
    display.height = static_cast<int32_t>(mode.dmPelsHeight);
}

const wchar_t* ControllerHardwareId() { return CAPWELL_HARDWARE_ID; }

int FindDriverVersion(const std::wstring& hardware_id, std::wstring& version) {
    if (hardware_id.empty()) return -1;
    const HDEVINFO listed = SetupDiGetClassDevsW(nullptr, nullptr, nullptr, DIGCF_PRESENT | DIGCF_ALLCLASSES);
    if (listed == INVALID_HANDLE_VALUE) return -1;
    const UniqueDevInfo set(listed);
    const std::wstring wanted = Lower(hardware_id);
    int result = 1;
    SP_DEVINFO_DATA info{};
    info.cbSize = sizeof info;
    for (DWORD i = 0; result == 1 && SetupDiEnumDeviceInfo(set.Get(), i, &info); ++i) {
        wchar_t driver[260] = {};
        if (!SetupDiGetDeviceRegistryPropertyW(set.Get(), &info, SPDRP_DRIVER, nullptr,
                                               reinterpret_cast<BYTE*>(driver),
                                               sizeof driver - sizeof(wchar_t), nullptr))
            continue;
        const std::wstring path = std::wstring(L"SYSTEM\\CurrentControlSet\\Control\\Class\\") + driver;
        winkit::UniqueRegKey key;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, key.Put()) != ERROR_SUCCESS) continue;
        std::wstring matching, driver_version;
        for (DWORD v = 0;; ++v) {
            wchar_t name[260];
            DWORD name_len = 260;
            BYTE data[260 * sizeof(wchar_t)];
            DWORD data_len = sizeof data;
            DWORD type = 0;
            const LSTATUS st = RegEnumValueW(key.Get(), v, name, &name_len, nullptr, &type, data, &data_len);
            if (st == ERROR_NO_MORE_ITEMS) break;
            if (st != ERROR_SUCCESS || type != REG_SZ) continue;
            const std::wstring text = RegistryText(data, data_len);
            if (wcscmp(name, L"MatchingDeviceId") == 0) matching = text;
            else if (wcscmp(name, L"DriverVersion") == 0) driver_version = text;
        }
        if (!matching.empty() && Lower(matching) == wanted) {
            version = driver_version;
            result = 0;
        }
    }
    return result;
}

}  // namespace Capwell::Lib::Probes
