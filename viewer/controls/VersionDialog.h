// The viewer's about box: the product version from the program's own version
// resource and the driver, firmware and API versions the caller read from the
// capture library.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "viewer/framework/Dialogs.h"

namespace vistrel {

// A string of a module's version resource, in the resource's first
// translation; empty when the module has none or lacks the value.
std::wstring ModuleVersionString(const std::wstring& module_path, const wchar_t* name);

class VersionDialog : public fw::Dialog {
public:
    // The versions as four 16-bit fields, lowest first. `module_path` names
    // the module whose version is shown; empty means the running program.
    VersionDialog(std::uint64_t driver, std::uint64_t firmware, std::uint64_t api,
                  const std::wstring& module_path = {});

    // The language of the texts; 0 (the default) follows the thread's
    // user-interface language.
    void SetLanguage(LANGID language) noexcept { language_ = language; }
    const std::wstring& ProductVersion() const noexcept { return product_; }
    const std::wstring& Copyright() const noexcept { return copyright_; }

protected:
    bool OnInitDialog() override;

private:
    std::wstring String(UINT id) const;

    LANGID language_ = 0;
    bool product_missing_ = false;
    std::wstring product_;
    std::wstring driver_;
    std::wstring firmware_;
    std::wstring api_;
    std::wstring copyright_;
};

}  // namespace vistrel
