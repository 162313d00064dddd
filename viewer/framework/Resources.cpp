#include "viewer/framework/Resources.h"

#include "viewer/framework/Window.h"

namespace fw {
namespace {

// Reads string `id` from the string block of one language; false when the
// block or the entry is missing (an empty entry counts as missing).
bool FindInBlock(HINSTANCE module, UINT id, LANGID language, std::wstring& out) {
    HRSRC info = FindResourceExW(module, RT_STRING, MAKEINTRESOURCEW(id / 16 + 1), language);
    if (info == nullptr) return false;
    HGLOBAL data = LoadResource(module, info);
    if (data == nullptr) return false;
    const auto* p = static_cast<const WCHAR*>(LockResource(data));
    const DWORD size = SizeofResource(module, info) / sizeof(WCHAR);
    if (p == nullptr) return false;
    const WCHAR* end = p + size;
    // A block holds 16 counted strings in order.
    for (UINT i = 0; i < id % 16; ++i) {
        if (p >= end) return false;
        p += 1 + *p;
    }
    if (p >= end || *p == 0 || p + 1 + *p > end) return false;
    out.assign(p + 1, p + 1 + *p);
    return true;
}

BOOL CALLBACK FirstLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR param) {
    *reinterpret_cast<LANGID*>(param) = language;
    return FALSE;
}

}  // namespace

LANGID ThreadUiLanguage() noexcept { return GetThreadUILanguage(); }

std::wstring LoadResString(UINT id) { return LoadResString(id, ThreadUiLanguage()); }

std::wstring LoadResString(UINT id, LANGID language) {
    HINSTANCE module = ResourceInstance();
    std::wstring text;
    const LANGID neutral = MAKELANGID(PRIMARYLANGID(language), SUBLANG_NEUTRAL);
    for (LANGID candidate : {language, neutral, kLangEnglish}) {
        if (FindInBlock(module, id, candidate, text)) return text;
    }
    LANGID any = kLangEnglish;
    EnumResourceLanguagesW(module, RT_STRING, MAKEINTRESOURCEW(id / 16 + 1), &FirstLanguage,
                           reinterpret_cast<LONG_PTR>(&any));
    if (any != kLangEnglish && FindInBlock(module, id, any, text)) {
        return text;
    }
    return {};
}

Bitmap LoadResBitmap(UINT id) noexcept {
    return Bitmap(static_cast<HBITMAP>(
        LoadImageW(ResourceInstance(), MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR)));
}

std::wstring RunningProgramPath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) return {};
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

}  // namespace fw
