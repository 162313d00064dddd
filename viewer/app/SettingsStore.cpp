#include "viewer/app/SettingsStore.h"

#include <algorithm>
#include <memory>

namespace vistrel {

bool SystemParameterAccess::Get(UINT getCode, DWORD& value) {
    BOOL on = FALSE;
    if (!SystemParametersInfoW(getCode, 0, &on, 0)) return false;
    value = static_cast<DWORD>(on);
    return true;
}

bool SystemParameterAccess::Set(UINT setCode, DWORD value) {
    return SystemParametersInfoW(setCode, 0, reinterpret_cast<void*>(static_cast<UINT_PTR>(value)),
                                 SPIF_UPDATEINIFILE | SPIF_SENDCHANGE) != FALSE;
}

namespace {
SystemParameterAccess g_platformParameters;  // stateless: the system's own values
}  // namespace

SystemParameterAccess& SystemParameterAccess::Platform() { return g_platformParameters; }

namespace registry {

HKEY OpenBase(HKEY root, bool readOnly) noexcept {
    HKEY key = nullptr;
    LSTATUS status;
    if (readOnly) {
        status = RegOpenKeyExW(root, kKeyPath, 0, KEY_READ | KEY_WOW64_64KEY, &key);
    } else {
        status = RegCreateKeyExW(root, kKeyPath, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                 KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr, &key, nullptr);
    }
    return status == ERROR_SUCCESS ? key : nullptr;
}

bool ReadDword(HKEY root, bool readOnly, const wchar_t* name, DWORD& value) noexcept {
    HKEY key = OpenBase(root, readOnly);
    if (key == nullptr) return false;
    DWORD buffer = value;
    DWORD size = sizeof buffer;
    const LSTATUS status = RegGetValueW(key, kProgramKey, name, RRF_RT_REG_DWORD, nullptr, &buffer, &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) return false;
    value = buffer;
    return true;
}

bool ValueExists(HKEY root, bool readOnly, const wchar_t* name) noexcept {
    HKEY key = OpenBase(root, readOnly);
    if (key == nullptr) return false;
    const LSTATUS status = RegGetValueW(key, kProgramKey, name, RRF_RT_REG_DWORD, nullptr, nullptr, nullptr);
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

bool WriteDword(HKEY root, const wchar_t* name, DWORD value) noexcept {
    HKEY key = OpenBase(root, false);
    if (key == nullptr) return false;
    const LSTATUS status = RegSetKeyValueW(key, kProgramKey, name, REG_DWORD, &value, sizeof value);
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

bool DeleteValue(HKEY root, const wchar_t* name) noexcept {
    HKEY key = OpenBase(root, false);
    if (key == nullptr) return false;
    const LSTATUS status = RegDeleteKeyValueW(key, kProgramKey, name);
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

}  // namespace registry

long AudioDelaySettingData::GetValue() {
    return LimitAudioDelay(static_cast<std::int32_t>(AbsSettingData::GetValue()));
}

long DoubleClickZoomSettingData::GetValue() {
    return LimitZoom(static_cast<std::int32_t>(AbsSettingData::GetValue()));
}

long MaxZoomSettingData::GetValue() { return LimitZoom(static_cast<std::int32_t>(AbsSettingData::GetValue())); }

unsigned long VisualizationSettingData::GetInitialValue() {
    DWORD current = static_cast<DWORD>(value_);
    if (system_.Get(getCode_, current)) return current;
    return value_;
}

bool VisualizationSettingData::ApplyValue(unsigned long value) {
    if (ReadOnly()) return true;
    return system_.Set(setCode_, static_cast<DWORD>(value));
}

namespace {

// A machine-wide value: the default is written back when absent (a no-op for
// read-only settings), then the value is read with the class's limits.
template <class Setting>
auto ReadMachineValue() {
    Setting setting;
    if (!setting.Exists()) setting.WriteValue(setting.GetInitialValue());
    return setting.GetValue();
}

std::unique_ptr<SettingsStore> g_store;

}  // namespace

ViewParameters ReadViewParameters() {
    RawParameters raw;
    raw.detect = ReadMachineValue<DetectSettingData>();
    raw.apiLog = ReadMachineValue<ApiLogSettingData>();
    raw.executionInterval = ReadMachineValue<ExecutionIntervalSettingData>();
    raw.audioDelay = ReadMachineValue<AudioDelaySettingData>();
    raw.maxZoom = ReadMachineValue<MaxZoomSettingData>();
    raw.doubleClickZoom = ReadMachineValue<DoubleClickZoomSettingData>();
    raw.cinemaResolDotByDot = ReadMachineValue<CinemaResolDotByDotSettingData>();
    return BuildViewParameters(raw);
}

SettingsStore::SettingsStore(int alreadyRunning, SystemParameterAccess& system)
    : readOnly_(alreadyRunning != 0),
      system_(system),
      gesture_(readOnly_, system),
      contact_(readOnly_, system),
      parameters_(ReadViewParameters()) {
    Guard(gesture_);
    Guard(contact_);
}

SettingsStore::~SettingsStore() {
    parameters_.clear();
    Restore(contact_);
    Restore(gesture_);
}

SettingsStore& SettingsStore::Obtain(int alreadyRunning) {
    if (!g_store) g_store = std::make_unique<SettingsStore>(alreadyRunning);
    return *g_store;
}

void SettingsStore::Release() { g_store.reset(); }

void SettingsStore::Guard(VisualizationSettingData& setting) {
    // A value left behind by an abnormal end is the user's and is kept.
    if (!setting.Exists()) setting.WriteValue(setting.GetInitialValue());
    if (!readOnly_) setting.ApplyValue(0);
}

void SettingsStore::Restore(VisualizationSettingData& setting) {
    const unsigned long saved = setting.GetValue();
    if (!readOnly_) setting.ApplyValue(saved);
    setting.DeleteValue();
}

void SettingsStore::OnSettingChange(UINT code) {
    VisualizationSettingData* setting = nullptr;
    if (code == SPI_SETCONTACTVISUALIZATION) {
        setting = &contact_;
    } else if (code == SPI_SETGESTUREVISUALIZATION) {
        setting = &gesture_;
    } else {
        return;
    }
    const unsigned long current = setting->GetInitialValue();
    if (current == 0) return;
    setting->WriteValue(current);
    setting->ApplyValue(0);
}

}  // namespace vistrel
