#include "viewer/app/ColorPresetsWin.h"

#include <windows.h>

#include <knownfolders.h>
#include <shlobj.h>

#include <cwctype>
#include <vector>

#include "Capwell.h"
#include "viewer/app/Notificators.h"
#include "viewer/core/PresetCsv.h"
#include "viewer/framework/Resources.h"
#include "winkit/Com.h"
#include "winkit/Handle.h"

namespace vistrel {
namespace {

std::wstring Widen(std::string_view ascii) { return {ascii.begin(), ascii.end()}; }

// One string of the module's version information, in its first translation.
std::wstring VersionString(const std::vector<BYTE>& info, const wchar_t* item) {
    struct Translation {
        WORD language;
        WORD codePage;
    };
    Translation* tr = nullptr;
    UINT size = 0;
    if (!VerQueryValueW(info.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&tr), &size) ||
        size < sizeof(Translation))
        return {};
    wchar_t query[64];
    swprintf(query, 64, L"\\StringFileInfo\\%04x%04x\\%ls", tr->language, tr->codePage, item);
    wchar_t* value = nullptr;
    if (!VerQueryValueW(info.data(), query, reinterpret_cast<void**>(&value), &size) || size == 0) return {};
    return value;
}

bool MakeFolder(const std::wstring& path) {
    return CreateDirectoryW(path.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

}  // namespace

std::wstring UserPresetFolder(const std::wstring& modulePath) {
    winkit::CoTaskMem<wchar_t> local;
    if (FAILED(SHGetKnownFolderPath(FOLDERID_LocalAppData, KF_FLAG_DEFAULT, nullptr, local.Put()))) return {};
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(modulePath.c_str(), &ignored);
    if (size == 0) return {};
    std::vector<BYTE> info(size);
    if (!GetFileVersionInfoW(modulePath.c_str(), 0, size, info.data())) return {};
    std::wstring company = VersionString(info, L"CompanyName");
    const std::wstring internal = VersionString(info, L"InternalName");
    if (company.empty() || internal.empty()) return {};
    for (wchar_t& c : company)
        if (std::iswspace(c)) c = L'_';
    std::wstring path = local.Get();
    for (const std::wstring& part : {company, internal, std::wstring(L"Custom")}) {
        path += L'\\';
        path += part;
        if (!MakeFolder(path)) return {};
    }
    return path + L'\\';
}

std::wstring PresetFolders::PathOf(PresetPlace place, std::string_view name) const {
    return (place == PresetPlace::User ? user_ : factory_) + Widen(name);
}

bool PresetFolders::Exists(PresetPlace place, std::string_view name) {
    const DWORD attributes = GetFileAttributesW(PathOf(place, name).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::optional<std::string> PresetFolders::Read(PresetPlace place, std::string_view name) {
    winkit::UniqueHandle file(CreateFileW(PathOf(place, name).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return std::nullopt;
    // One byte beyond the limit is enough for the reader to reject a huge file.
    std::string text(kMaxPresetFileBytes + 1, '\0');
    DWORD total = 0;
    while (total < text.size()) {
        DWORD got = 0;
        if (!ReadFile(file.Get(), text.data() + total, static_cast<DWORD>(text.size() - total), &got, nullptr))
            return std::nullopt;
        if (got == 0) break;
        total += got;
    }
    text.resize(total);
    return text;
}

bool PresetFolders::WriteBytes(HANDLE file, std::string_view text) {
    while (!text.empty()) {
        DWORD put = 0;
        if (!WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &put, nullptr) || put == 0) return false;
        text.remove_prefix(put);
    }
    return true;
}

bool PresetFolders::WriteUser(std::string_view name, std::string_view text) {
    const std::wstring path = PathOf(PresetPlace::User, name);
    const std::wstring pending = PendingPath(path);
    bool complete = false;
    {
        winkit::UniqueHandle file(CreateFileW(pending.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                              FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) return false;
        complete = WriteBytes(file.Get(), text) && FlushFileBuffers(file.Get());
    }
    if (complete && MoveFileExW(pending.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    DeleteFileW(pending.c_str());
    return false;
}

void CapwellColorOutput::SetLutGammaLut(int channel, const std::vector<int>& curve) {
    CpwLutGammaLut lut{};
    lut.channel = static_cast<uint32_t>(channel);
    for (std::size_t i = 0; i < CPW_LUT_POINTS && i < curve.size(); ++i) lut.lut[i] = static_cast<uint16_t>(curve[i]);
    (void)Cpw_SetLutGammaLut(&lut);  // the library's results of the colour calls are not used
}

void CapwellColorOutput::SetTwelveAxes(int axis, const TwelveAxisValues& v) {
    CpwTwelveAxes a{};
    a.color = static_cast<uint32_t>(axis);
    a.h_offset = static_cast<uint16_t>(v[0]);
    a.s_gain = static_cast<uint16_t>(v[1]);
    a.v_gain = static_cast<uint16_t>(v[2]);
    for (int k = 0; k < 3; ++k) {
        a.hs_gain[k] = static_cast<uint16_t>(v[3 + k]);
        a.hv_gain[k] = static_cast<uint16_t>(v[6 + k]);
        a.sv_gain[k] = static_cast<uint16_t>(v[9 + k]);
    }
    (void)Cpw_SetTwelveAxes(&a);
}

void CapwellColorOutput::SetDriveGain(const Rgb& gain) {
    CpwDriveGain g{};
    for (int k = 0; k < 3; ++k) g.gain[k] = static_cast<uint16_t>(gain[k]);
    (void)Cpw_SetDriveGain(&g);
}

void CapwellColorOutput::SetCutoffOffset(const Rgb& offset) {
    CpwCutoffOffset o{};
    for (int k = 0; k < 3; ++k) o.offset[k] = static_cast<uint16_t>(offset[k]);
    (void)Cpw_SetCutoffOffset(&o);
}

void CapwellColorOutput::SetColorMuteEnable(const Rgb& mute) {
    (void)Cpw_SetColorMuteEnable(static_cast<uint32_t>(mute[0]), static_cast<uint32_t>(mute[1]),
                                 static_cast<uint32_t>(mute[2]));
}

void CapwellColorOutput::ColorChanged(const ColorRecord& record, const PresetSelection& selection) {
    (void)ColorSettingChangedNotificator::Broadcast(&record, &selection);
}

FramePresets::FramePresets() : FramePresets(UserPresetFolder(fw::RunningProgramPath()), kFactoryPresetFolder) {}

FramePresets::FramePresets(std::wstring userFolder, std::wstring factoryFolder)
    : folders_(std::move(userFolder), std::move(factoryFolder)) {}

void FramePresets::Start() {
    CpwTwelveAxes a{};
    if (Cpw_GetDefaultTwelveAxes(0, &a) == CPW_OK) {
        presets_.SetDefaultTwelveAxes({a.h_offset, a.s_gain, a.v_gain, a.hs_gain[0], a.hs_gain[1], a.hs_gain[2],
                                       a.hv_gain[0], a.hv_gain[1], a.hv_gain[2], a.sv_gain[0], a.sv_gain[1],
                                       a.sv_gain[2]});
    }
    presets_.RestoreSelection();
}

}  // namespace vistrel
