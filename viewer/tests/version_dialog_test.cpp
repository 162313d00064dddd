// The version dialog run modally: its title and texts read back from the
// running dialog in each language, and the product version of a program with
// and without a version resource.
#include <gtest/gtest.h>

#include <windows.h>

#include <map>
#include <string>

#include "resource.h"
#include "viewer/controls/VersionDialog.h"
#include "viewer/framework/Resources.h"

namespace {

constexpr UINT kReadBack = WM_APP + 200;  // test-only: read the texts, then close

class ReadingDialog : public vistrel::VersionDialog {
public:
    using VersionDialog::VersionDialog;
    std::wstring title;
    std::map<int, std::wstring> texts;

protected:
    bool OnInitDialog() override {
        const bool focus = VersionDialog::OnInitDialog();
        PostMessageW(Handle(), kReadBack, 0, 0);
        return focus;
    }
    LRESULT HandleMessage(UINT msg, WPARAM w, LPARAM l) override {
        if (msg != kReadBack) return VersionDialog::HandleMessage(msg, w, l);
        title = Read(Handle());
        for (int id = IDC_VERSION_PRODUCT; id <= IDC_VERSION_COPYRIGHT; ++id) texts[id] = Read(Item(id));
        EndDialog(IDOK);
        return 0;
    }

private:
    static std::wstring Read(HWND hwnd) {
        wchar_t text[256] = {};
        GetWindowTextW(hwnd, text, 256);
        return text;
    }
};

std::wstring Beside(const wchar_t* name) {
    std::wstring path = fw::RunningProgramPath();
    return path.substr(0, path.find_last_of(L"\\/") + 1) + name;
}

// Fields from the lowest: 1, 2, 3, 4.
constexpr std::uint64_t kDriver = 0x0004000300020001ull;
constexpr std::uint64_t kFirmware = 0x0000000000070010ull;
constexpr std::uint64_t kApi = 0x0001000000000002ull;

TEST(Version, TextsInEachLanguage) {
    struct Expected {
        LANGID language;
        std::wstring title, driver, firmware;
    };
    const Expected expected[] = {
        {fw::kLangEnglish, L"About Vistrel\u00A0", L"Driver", L"Firmware"},
        {fw::kLangJapanese, L" Vistrel のバージョン情報", L"ドライバ", L"ファームウェア"},
        {fw::kLangFrench, L"À propos de «\u00A0Vistrel\u00A0»", L"Driver", L"Firmware"},
    };
    for (const Expected& e : expected) {
        ReadingDialog dialog(kDriver, kFirmware, kApi, Beside(L"Vistrel.exe"));
        dialog.SetLanguage(e.language);
        ASSERT_EQ(dialog.DoModal(nullptr), IDOK) << e.language;
        EXPECT_EQ(dialog.title, e.title) << e.language;
        EXPECT_EQ(dialog.texts[IDC_VERSION_PRODUCT_LABEL], L"Vistrel");
        EXPECT_EQ(dialog.texts[IDC_VERSION_DRIVER_LABEL], e.driver);
        EXPECT_EQ(dialog.texts[IDC_VERSION_FIRMWARE_LABEL], e.firmware);
        EXPECT_EQ(dialog.texts[IDC_VERSION_API_LABEL], L"API");
        EXPECT_EQ(dialog.texts[IDC_VERSION_DRIVER], L"1.2.3.4");
        EXPECT_EQ(dialog.texts[IDC_VERSION_FIRMWARE], L"16.7.0.0");
        EXPECT_EQ(dialog.texts[IDC_VERSION_API], L"2.0.0.1");
        // The program's own version resource: its last group is not 0, so nothing is trimmed.
        EXPECT_EQ(dialog.texts[IDC_VERSION_PRODUCT], L"1.0.0.1");
        EXPECT_EQ(dialog.texts[IDC_VERSION_COPYRIGHT], L"Copyright (C) Harlowe Corporation");
    }
}

TEST(Version, ProgramWithoutVersionResourceShowsADash) {
    // The test program carries no version resource.
    ReadingDialog dialog(kDriver, kFirmware, kApi);
    EXPECT_EQ(dialog.ProductVersion(), L"-");
    EXPECT_EQ(dialog.Copyright(), L"");
    ASSERT_EQ(dialog.DoModal(nullptr), IDOK);
    EXPECT_EQ(dialog.texts[IDC_VERSION_PRODUCT], L"-");
    EXPECT_EQ(dialog.texts[IDC_VERSION_COPYRIGHT], L"");
}

}  // namespace
