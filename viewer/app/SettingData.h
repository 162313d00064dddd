// Registry-backed settings: each class names one 32-bit value under
// <root>\Software\Harlowe\Vistrel (64-bit registry view), its default, how it
// is limited, and how it is put into effect. A read-only setting never writes,
// deletes or creates anything.
#pragma once

#include <windows.h>

#include <cstdint>

#ifndef SPI_GETCONTACTVISUALIZATION
#define SPI_GETCONTACTVISUALIZATION 0x2018
#define SPI_SETCONTACTVISUALIZATION 0x2019
#endif
#ifndef SPI_GETGESTUREVISUALIZATION
#define SPI_GETGESTUREVISUALIZATION 0x201A
#define SPI_SETGESTUREVISUALIZATION 0x201B
#endif

namespace vistrel {

enum _API_LOG_STATE : DWORD { API_LOG_OFF = 0, API_LOG_ON = 1 };
enum _CINEMA_RESOL_DOTBYDOT_STATE : DWORD { CINEMA_RESOL_DOTBYDOT_OFF = 0, CINEMA_RESOL_DOTBYDOT_ON = 1 };
enum _DETECT_STATE : DWORD { DETECT_OFF = 0, DETECT_ON = 1 };

// Reading and writing the user's system settings (the touch visualisations).
class SystemParameterAccess {
public:
    virtual ~SystemParameterAccess() = default;
    // SystemParametersInfoW(get code, 0, &value, 0).
    virtual bool Get(UINT getCode, DWORD& value);
    // SystemParametersInfoW(set code, 0, value, update the profile and broadcast).
    virtual bool Set(UINT setCode, DWORD value);
    static SystemParameterAccess& Platform();
};

namespace registry {
inline constexpr const wchar_t* kKeyPath = L"Software\\Harlowe";
inline constexpr const wchar_t* kProgramKey = L"Vistrel";

// Opens root\Software\Harlowe in the 64-bit view: read access without
// creating when read-only, else full access, creating it when absent.
HKEY OpenBase(HKEY root, bool readOnly) noexcept;
bool ReadDword(HKEY root, bool readOnly, const wchar_t* name, DWORD& value) noexcept;
bool ValueExists(HKEY root, bool readOnly, const wchar_t* name) noexcept;
bool WriteDword(HKEY root, const wchar_t* name, DWORD value) noexcept;
bool DeleteValue(HKEY root, const wchar_t* name) noexcept;
}  // namespace registry

template <class T>
class AbsSettingData {
    static_assert(sizeof(T) == 4, "settings are 32-bit values");

public:
    AbsSettingData(HKEY root, const wchar_t* valueName, T defaultValue, bool readOnly) noexcept
        : value_(defaultValue), root_(root), valueName_(valueName), readOnly_(readOnly ? 1 : 0) {}
    AbsSettingData(const AbsSettingData&) = delete;
    AbsSettingData& operator=(const AbsSettingData&) = delete;
    virtual ~AbsSettingData() = default;

    // The registry value; the member value when it is absent, of another type
    // or unreadable.
    virtual T GetValue() {
        DWORD raw = static_cast<DWORD>(value_);
        if (!registry::ReadDword(root_, readOnly_ != 0, valueName_, raw)) return value_;
        return static_cast<T>(raw);
    }
    // The value to store when the registry value is absent.
    virtual T GetInitialValue() = 0;
    // Puts a value into effect; true on success.
    virtual bool ApplyValue(T value) = 0;

    bool Exists() const noexcept { return registry::ValueExists(root_, readOnly_ != 0, valueName_); }
    bool WriteValue(T value) const noexcept {
        if (readOnly_ != 0) return false;
        return registry::WriteDword(root_, valueName_, static_cast<DWORD>(value));
    }
    bool DeleteValue() const noexcept {
        if (readOnly_ != 0) return true;
        return registry::DeleteValue(root_, valueName_);
    }

    T Value() const noexcept { return value_; }
    bool ReadOnly() const noexcept { return readOnly_ != 0; }
    const wchar_t* ValueName() const noexcept { return valueName_; }

protected:
    T value_;

private:
    HKEY root_;
    const wchar_t* valueName_;
    int readOnly_;
};

// Machine-wide, read-only value that is only stored when applied.
template <class T>
class StoredSettingData : public AbsSettingData<T> {
public:
    StoredSettingData(const wchar_t* name, T defaultValue) noexcept
        : AbsSettingData<T>(HKEY_LOCAL_MACHINE, name, defaultValue, true) {}
    T GetInitialValue() override { return this->value_; }
    bool ApplyValue(T value) override {
        this->value_ = value;
        return true;
    }
};

// Machine-wide, read-only value that nothing applies.
template <class T>
class FixedSettingData : public AbsSettingData<T> {
public:
    FixedSettingData(const wchar_t* name, T defaultValue) noexcept
        : AbsSettingData<T>(HKEY_LOCAL_MACHINE, name, defaultValue, true) {}
    T GetInitialValue() override { return this->value_; }
    bool ApplyValue(T) override { return true; }
};

class ApiLogSettingData final : public StoredSettingData<_API_LOG_STATE> {
public:
    ApiLogSettingData() noexcept : StoredSettingData(L"ApiLog", API_LOG_OFF) {}
};

class AudioDelaySettingData final : public StoredSettingData<long> {
public:
    AudioDelaySettingData() noexcept : StoredSettingData(L"AudioDelay", 20) {}
    long GetValue() override;  // 2..160
};

class CinemaResolDotByDotSettingData final : public StoredSettingData<_CINEMA_RESOL_DOTBYDOT_STATE> {
public:
    CinemaResolDotByDotSettingData() noexcept : StoredSettingData(L"CinemaResolDotByDot", CINEMA_RESOL_DOTBYDOT_OFF) {}
};

class DetectSettingData final : public FixedSettingData<_DETECT_STATE> {
public:
    DetectSettingData() noexcept : FixedSettingData(L"Detect", DETECT_ON) {}
};

class DoubleClickZoomSettingData final : public StoredSettingData<long> {
public:
    DoubleClickZoomSettingData() noexcept : StoredSettingData(L"DoubleClickZoom", 2) {}
    long GetValue() override;  // 1..10
};

class ExecutionIntervalSettingData final : public FixedSettingData<long> {
public:
    ExecutionIntervalSettingData() noexcept : FixedSettingData(L"ExecutionInterval", 16) {}
};

class MaxZoomSettingData final : public StoredSettingData<long> {
public:
    MaxZoomSettingData() noexcept : StoredSettingData(L"MaxZoom", 8) {}
    long GetValue() override;  // 1..10
};

// A per-user touch visualisation: the registry keeps the user's own value
// while the viewer has switched the system setting off.
class VisualizationSettingData : public AbsSettingData<unsigned long> {
public:
    VisualizationSettingData(const wchar_t* name, UINT getCode, UINT setCode, bool readOnly,
                             SystemParameterAccess& system) noexcept
        : AbsSettingData(HKEY_CURRENT_USER, name, 0, readOnly), getCode_(getCode), setCode_(setCode),
          system_(system) {}
    // The current system value (the member value when it cannot be read).
    unsigned long GetInitialValue() override;
    // Sets the system value; when read-only succeeds doing nothing.
    bool ApplyValue(unsigned long value) override;
    UINT SetCode() const noexcept { return setCode_; }

private:
    UINT getCode_;
    UINT setCode_;
    SystemParameterAccess& system_;
};

class ContactSettingData final : public VisualizationSettingData {
public:
    ContactSettingData(bool readOnly, SystemParameterAccess& system) noexcept
        : VisualizationSettingData(L"ContactVisualization", SPI_GETCONTACTVISUALIZATION,
                                   SPI_SETCONTACTVISUALIZATION, readOnly, system) {}
};

class GestureSettingData final : public VisualizationSettingData {
public:
    GestureSettingData(bool readOnly, SystemParameterAccess& system) noexcept
        : VisualizationSettingData(L"GestureVisualization", SPI_GETGESTUREVISUALIZATION,
                                   SPI_SETGESTUREVISUALIZATION, readOnly, system) {}
};

}  // namespace vistrel
