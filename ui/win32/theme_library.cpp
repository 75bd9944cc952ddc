#include "ui/win32/theme_library.h"

#include <string>

#include "ui/win32/windows_api.h"

namespace kd::ui::win32 {

namespace {

// From uxtheme.h; written out so that the header and its import library are not needed.
constexpr DWORD kEnableTabTexture = 0x00000006;  // ETDT_ENABLE | ETDT_USETABTEXTURE
using EnableThemeDialogTextureCall = HRESULT(WINAPI*)(HWND, DWORD);

}  // namespace

ThemeLibrary::ThemeLibrary() {
    // By its full path in the system folder: a uxtheme.dll beside the program must not be
    // the one loaded.
    wchar_t folder[MAX_PATH] = {};
    const UINT length = ::GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return;
    }
    const std::wstring path = std::wstring(folder, length) + L"\\uxtheme.dll";
    const HMODULE module = ::LoadLibraryW(path.c_str());
    if (module == nullptr) {
        return;
    }
    module_ = module;
    enableDialogTexture_ =
        reinterpret_cast<void (*)()>(::GetProcAddress(module, "EnableThemeDialogTexture"));
}

ThemeLibrary::~ThemeLibrary() {
    if (module_ != nullptr) {
        ::FreeLibrary(static_cast<HMODULE>(module_));
    }
}

bool ThemeLibrary::UseTabBackground(void* window) const {
    if (enableDialogTexture_ == nullptr || window == nullptr) {
        return false;
    }
    const auto call = reinterpret_cast<EnableThemeDialogTextureCall>(enableDialogTexture_);
    return SUCCEEDED(call(static_cast<HWND>(window), kEnableTabTexture));
}

}  // namespace kd::ui::win32
