#include "viewer/controls/VersionDialog.h"

#include <cwchar>
#include <vector>

#include "resource.h"
#include "viewer/core/VersionText.h"
#include "viewer/framework/Resources.h"

namespace vistrel {

std::wstring ModuleVersionString(const std::wstring& module_path, const wchar_t* name) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(module_path.c_str(), &ignored);
    if (size == 0) return {};
    std::vector<BYTE> info(size);
    if (!GetFileVersionInfoW(module_path.c_str(), 0, size, info.data())) return {};
    struct Translation {
        WORD language;
        WORD code_page;
    };
    void* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(info.data(), L"\\VarFileInfo\\Translation", &value, &length) || value == nullptr ||
        length < sizeof(Translation)) {
        return {};
    }
    const Translation t = *static_cast<const Translation*>(value);
    wchar_t key[96];
    std::swprintf(key, 96, L"\\StringFileInfo\\%04x%04x\\%ls", t.language, t.code_page, name);
    value = nullptr;
    length = 0;
    if (!VerQueryValueW(info.data(), key, &value, &length) || value == nullptr || length == 0) return {};
    // The length counts the terminating null, which is not part of the text.
    std::wstring text(static_cast<const wchar_t*>(value), length);
    while (!text.empty() && text.back() == L'\0') text.pop_back();
    return text;
}

VersionDialog::VersionDialog(std::uint64_t driver, std::uint64_t firmware, std::uint64_t api,
                             const std::wstring& module_path)
    : fw::Dialog(IDD_VERSION_DIALOG),
      driver_(controls::FormatPackedVersion(driver)),
      firmware_(controls::FormatPackedVersion(firmware)),
      api_(controls::FormatPackedVersion(api)) {
    const std::wstring path = module_path.empty() ? fw::RunningProgramPath() : module_path;
    product_ = controls::TrimVersion(ModuleVersionString(path, L"ProductVersion"));
    product_missing_ = product_.empty();
    if (product_missing_) product_ = fw::LoadResString(IDS_VERSION_NONE);
    copyright_ = ModuleVersionString(path, L"LegalCopyright");
}

std::wstring VersionDialog::String(UINT id) const {
    return language_ != 0 ? fw::LoadResString(id, language_) : fw::LoadResString(id);
}

bool VersionDialog::OnInitDialog() {
    if (product_missing_) product_ = String(IDS_VERSION_NONE);
    const std::wstring name = String(IDS_APP_TITLE);
    const std::wstring title =
        String(IDS_VERSION_TITLE_PREFIX) + name + String(IDS_VERSION_TITLE_SUFFIX);
    SetWindowTextW(Handle(), title.c_str());
    struct Text {
        int id;
        const std::wstring& text;
    };
    const std::wstring driver_label = String(IDS_VERSION_DRIVER);
    const std::wstring firmware_label = String(IDS_VERSION_FIRMWARE);
    const std::wstring api_label = String(IDS_VERSION_API);
    const Text texts[] = {
        {IDC_VERSION_PRODUCT, product_},         {IDC_VERSION_DRIVER, driver_},
        {IDC_VERSION_FIRMWARE, firmware_},       {IDC_VERSION_API, api_},
        {IDC_VERSION_PRODUCT_LABEL, name},       {IDC_VERSION_DRIVER_LABEL, driver_label},
        {IDC_VERSION_FIRMWARE_LABEL, firmware_label}, {IDC_VERSION_API_LABEL, api_label},
        {IDC_VERSION_COPYRIGHT, copyright_},
    };
    for (const Text& t : texts) SetDlgItemTextW(Handle(), t.id, t.text.c_str());
    return fw::Dialog::OnInitDialog();
}

}  // namespace vistrel
