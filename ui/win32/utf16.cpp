#include "ui/win32/utf16.h"

#include <climits>

#include "ui/win32/windows_api.h"

namespace kd::ui::win32 {

std::wstring Utf8ToUtf16(std::string_view utf8) {
    if (utf8.empty() || utf8.size() > static_cast<size_t>(INT_MAX)) {
        return {};
    }
    const int length = static_cast<int>(utf8.size());
    const int needed = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, nullptr, 0);
    if (needed <= 0) {
        return {};
    }
    std::wstring utf16(static_cast<size_t>(needed), L'\0');
    const int written =
        ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, utf16.data(), needed);
    utf16.resize(written > 0 ? static_cast<size_t>(written) : 0);
    return utf16;
}

std::string Utf16ToUtf8(std::wstring_view utf16) {
    if (utf16.empty() || utf16.size() > static_cast<size_t>(INT_MAX)) {
        return {};
    }
    const int length = static_cast<int>(utf16.size());
    const int needed =
        ::WideCharToMultiByte(CP_UTF8, 0, utf16.data(), length, nullptr, 0, nullptr, nullptr);
    if (needed <= 0) {
        return {};
    }
    std::string utf8(static_cast<size_t>(needed), '\0');
    const int written = ::WideCharToMultiByte(CP_UTF8, 0, utf16.data(), length, utf8.data(), needed,
                                              nullptr, nullptr);
    utf8.resize(written > 0 ? static_cast<size_t>(written) : 0);
    return utf8;
}

}  // namespace kd::ui::win32
