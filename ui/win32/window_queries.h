#pragma once

// Small questions asked of any window handle, shared by the files of Win32Window.
#include <algorithm>
#include <string>

#include "ui/win32/windows_api.h"

namespace kd::ui::win32 {

inline std::wstring WindowText(HWND window) {
    const int length = ::GetWindowTextLengthW(window);
    if (length <= 0) {
        return {};
    }
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const int copied = ::GetWindowTextW(window, text.data(), length + 1);
    text.resize(static_cast<size_t>(std::max(copied, 0)));
    return text;
}

inline bool HasStyle(HWND window, LONG style) {
    return (::GetWindowLongW(window, GWL_STYLE) & style) != 0;
}

inline int ClampToInt(LRESULT value) {
    return static_cast<int>(std::clamp<LRESULT>(value, -1, 0x7FFFFFFF));
}

}  // namespace kd::ui::win32
