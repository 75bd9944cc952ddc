#pragma once

#include <string>
#include <string_view>

namespace kd::ui::win32 {

// Texts are UTF-8 everywhere but at the Windows API, which takes UTF-16. Invalid input
// never fails: bad sequences come out as the replacement character U+FFFD.
std::wstring Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::wstring_view utf16);

}  // namespace kd::ui::win32
