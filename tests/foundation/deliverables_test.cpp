// Every deliverable: present, exporting exactly its names, carrying its version
// resource, and needing no DLL beyond the system's and our own.
#include <gtest/gtest.h>

#include "tests/support/CwProcess.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

namespace {

using Names = std::set<std::string>;

// Export and import names read straight from the PE file, not through the loader.
struct PeInfo {
    bool ok = false;
    Names exports;
    Names imports;  // DLL names, lower case
};

PeInfo ReadPe(const std::wstring& path) {
    PeInfo info;
    std::ifstream f(std::filesystem::path(path), std::ios::binary);
    std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    auto in = [&](size_t off, size_t len) { return off <= bytes.size() && len <= bytes.size() - off; };
    if (!in(0, sizeof(IMAGE_DOS_HEADER))) return info;
    IMAGE_DOS_HEADER dos;
    std::memcpy(&dos, bytes.data(), sizeof dos);
    if (dos.e_magic != IMAGE_DOS_SIGNATURE || !in(dos.e_lfanew, sizeof(IMAGE_NT_HEADERS64))) return info;
    IMAGE_NT_HEADERS64 nt;
    std::memcpy(&nt, bytes.data() + dos.e_lfanew, sizeof nt);
    if (nt.Signature != IMAGE_NT_SIGNATURE || nt.OptionalHeader.Magic != IMAGE_NT_OPTIONAL_HDR64_MAGIC)
        return info;
    size_t sec_off = dos.e_lfanew + offsetof(IMAGE_NT_HEADERS64, OptionalHeader) + nt.FileHeader.SizeOfOptionalHeader;
    std::vector<IMAGE_SECTION_HEADER> sections(nt.FileHeader.NumberOfSections);
    if (!in(sec_off, sections.size() * sizeof(IMAGE_SECTION_HEADER))) return info;
    std::memcpy(sections.data(), bytes.data() + sec_off, sections.size() * sizeof(IMAGE_SECTION_HEADER));
    auto rva_to_off = [&](DWORD rva) -> size_t {
        for (const auto& s : sections) {
            if (rva >= s.VirtualAddress && rva < s.VirtualAddress + std::max(s.Misc.VirtualSize, s.SizeOfRawData))
                return rva - s.VirtualAddress + s.PointerToRawData;
        }
        return SIZE_MAX;
    };
    auto str_at = [&](DWORD rva) {
        size_t off = rva_to_off(rva);
        std::string s;
        while (off < bytes.size() && bytes[off]) s.push_back(static_cast<char>(bytes[off++]));
        return s;
    };
    const auto& exp_dir = nt.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    if (exp_dir.VirtualAddress) {
        IMAGE_EXPORT_DIRECTORY ed;
        size_t off = rva_to_off(exp_dir.VirtualAddress);
        if (!in(off, sizeof ed)) return info;
        std::memcpy(&ed, bytes.data() + off, sizeof ed);
        size_t names_off = rva_to_off(ed.AddressOfNames);
        if (!in(names_off, ed.NumberOfNames * 4ull)) return info;
        for (DWORD i = 0; i < ed.NumberOfNames; ++i) {
            DWORD name_rva;
            std::memcpy(&name_rva, bytes.data() + names_off + i * 4, 4);
            info.exports.insert(str_at(name_rva));
        }
    }
    const auto& imp_dir = nt.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (imp_dir.VirtualAddress) {
        size_t off = rva_to_off(imp_dir.VirtualAddress);
        for (;; off += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
            IMAGE_IMPORT_DESCRIPTOR d;
            if (!in(off, sizeof d)) return info;
            std::memcpy(&d, bytes.data() + off, sizeof d);
            if (d.Name == 0) break;
            std::string name = str_at(d.Name);
            std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
            info.imports.insert(name);
        }
    }
    info.ok = true;
    return info;
}

std::wstring Bin(const char* file) {
    std::string f(file);
    return cwtest::ExeDir() + L"\\" + std::wstring(f.begin(), f.end());
}


struct Deliverable {
    const char* target;
    const char* file;
    const char* internal_name;
    Names exports;  // exact export table; empty for programs
};

const Names kCapwell = {
    "Cpw_Finalize", "Cpw_GetApiVersion", "Cpw_GetCaptureData", "Cpw_GetDefaultCutoffOffset",
    "Cpw_GetDefaultDriveCutoffPos", "Cpw_GetDefaultDriveGain", "Cpw_GetDefaultLutGammaLut",
    "Cpw_GetDefaultRgbMatrix", "Cpw_GetDefaultTwelveAxes", "Cpw_GetDriverVersion", "Cpw_GetFirmwareVersion",
    "Cpw_GetHdmiInfo", "Cpw_GetNotifyWindowMessageCode", "Cpw_GetState", "Cpw_Initialize",
    "Cpw_RegisterNotifyWindowMessage", "Cpw_ReleaseCaptureData", "Cpw_ResetColorMute", "Cpw_ResetColorSetting",
    "Cpw_ResetCutoffOffset", "Cpw_ResetDriveCutoffPos", "Cpw_ResetDriveGain", "Cpw_ResetLutGammaLut",
    "Cpw_ResetRgbMatrix", "Cpw_ResetTwelveAxes", "Cpw_ResetZoomVideo", "Cpw_SaveBitmapImage",
    "Cpw_SetColorMuteEnable", "Cpw_SetCutoffOffset", "Cpw_SetDriveCutoffPos", "Cpw_SetDriveGain",
    "Cpw_SetLutGammaLut", "Cpw_SetRgbMatrix", "Cpw_SetState", "Cpw_SetTwelveAxes", "Cpw_SetVideoPosition",
    "Cpw_UnRegisterNotifyWindowMessage", "Cpw_ZoomVideo"};

const Names kTolvane = {
    "Kdr_DevClose", "Kdr_DevGetProp", "Kdr_DevOpen", "Kdr_DevReset", "Kdr_DevResetProp", "Kdr_DevSetCb",
    "Kdr_DevSetProp", "Kdr_DevUpdate", "Kdr_DevWdtInit", "Kdr_VpCreate", "Kdr_VpDestroy", "Kdr_VpDisableAll",
    "Kdr_VpDrawAll", "Kdr_VpGet", "Kdr_VpGetProp", "Kdr_VpMovie", "Kdr_VpPause", "Kdr_VpPlay", "Kdr_VpSetCb",
    "Kdr_VpSetProp"};

const Names kTavrin = {"InitTavrin", "GetTavrin", "FinalizeTavrin"};

// Our stand-in for the outside colour-correction library.
const Names kOkumo = {"Okm_ConvertToWaveFormData"};

const Names kMerrowcomFactories = {"CreateDeviceUtilInstance", "CreateGenericfuncInstance",
                                   "CreateSystemCtrlInstance"};

// DLLs a deliverable may import: the system's and our own.
const Names kAllowedImports = {
    "kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "shell32.dll", "ole32.dll", "oleaut32.dll",
    "comctl32.dll", "comdlg32.dll", "shlwapi.dll", "setupapi.dll", "wtsapi32.dll", "powrprof.dll",
    "version.dll", "winmm.dll", "gdiplus.dll", "uxtheme.dll", "dwmapi.dll", "msimg32.dll", "imm32.dll",
    "wbemuuid.dll", "propsys.dll", "combase.dll", "cfgmgr32.dll", "msvcrt.dll", "ucrtbase.dll",
    "capwell.dll", "tolvane.dll", "okumo.dll", "ntdll.dll", "bcrypt.dll", "ws2_32.dll"};

class Deliverables : public ::testing::TestWithParam<Deliverable> {};

TEST_P(Deliverables, ExportsExactlyItsNamesAndNeedsNoRuntimeDll) {
    const auto& d = GetParam();
    PeInfo pe = ReadPe(Bin(d.file));
    ASSERT_TRUE(pe.ok) << d.file << " is missing or not a 64-bit PE image";
    if (std::strcmp(d.target, "Merrowcom") == 0) {
        // The stand-in component adds its control API beside the three factories.
        for (const auto& n : kMerrowcomFactories) EXPECT_TRUE(pe.exports.count(n)) << n;
        for (const auto& n : pe.exports) {
            if (!kMerrowcomFactories.count(n)) {
                EXPECT_EQ(n.rfind("MrcSim", 0), 0u) << "unexpected export " << n;
            }
        }
    } else {
        EXPECT_EQ(pe.exports, d.exports);
    }
    for (const auto& imp : pe.imports) {
        bool api_set = imp.rfind("api-ms-win-", 0) == 0;
        EXPECT_TRUE(api_set || kAllowedImports.count(imp)) << d.file << " imports " << imp;
    }
}

TEST_P(Deliverables, LoadsAndResolvesEveryExport) {
    const auto& d = GetParam();
    if (d.exports.empty()) return;
    // Loading without running DllMain: resolving names is what is checked here.
    HMODULE m = LoadLibraryExW(Bin(d.file).c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES);
    ASSERT_NE(m, nullptr) << GetLastError();
    for (const auto& n : d.exports) EXPECT_NE(GetProcAddress(m, n.c_str()), nullptr) << n;
    FreeLibrary(m);
}

TEST_P(Deliverables, CarriesTheVersionResource) {
    const auto& d = GetParam();
    std::wstring path = Bin(d.file);
    DWORD dummy = 0;
    DWORD size = GetFileVersionInfoSizeW(path.c_str(), &dummy);
    ASSERT_GT(size, 0u) << d.file;
    std::vector<unsigned char> data(size);
    ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, data.data()));
    auto query = [&](const wchar_t* key) {
        std::wstring sub = std::wstring(L"\\StringFileInfo\\040904b0\\") + key;
        wchar_t* value = nullptr;
        UINT len = 0;
        if (!VerQueryValueW(data.data(), sub.c_str(), reinterpret_cast<void**>(&value), &len) || !value)
            return std::wstring();
        return std::wstring(value);
    };
    EXPECT_EQ(query(L"CompanyName"), L"Harlowe Corporation");
    std::string internal(d.internal_name);
    EXPECT_EQ(query(L"InternalName"), std::wstring(internal.begin(), internal.end()));
    std::string version(CW_VERSION_TEXT);
    EXPECT_EQ(query(L"FileVersion"), std::wstring(version.begin(), version.end()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT len = 0;
    ASSERT_TRUE(VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &len));
    EXPECT_EQ(fixed->dwFileVersionMS, (CW_VERSION_MAJOR_NUM << 16) | CW_VERSION_MINOR_NUM);
}

INSTANTIATE_TEST_SUITE_P(All, Deliverables,
                         ::testing::Values(Deliverable{"Capwell", "Capwell.dll", "Capwell", kCapwell},
                                           Deliverable{"Tolvane", "Tolvane.dll", "Tolvane", kTolvane},
                                           Deliverable{"Tavrin", "Tavrin_x64.dll", "Tavrin", kTavrin},
                                           Deliverable{"Merrowcom", "Merrowcom.dll", "Merrowcom", {}},
                                           Deliverable{"Okumo", "Okumo.dll", "Okumo", kOkumo},
                                           Deliverable{"Dornet", "Dornet.exe", "Dornet", {}},
                                           Deliverable{"Vistrel", "Vistrel.exe", "Vistrel", {}}),
                         [](const auto& info) { return std::string(info.param.target); });

}  // namespace
