// The tab control of a window: its tabs, and where its pages go.
#include <algorithm>

#include "ui/win32/utf16.h"
#include "ui/win32/win32_window.h"
#include "ui/win32/window_queries.h"

namespace kd::ui::win32 {

void Win32Window::TabInsert(int id, int index, std::string_view text) {
    const HWND tab = Control(id, ControlKind::TabControl);
    if (tab == nullptr) {
        return;
    }
    const int count = TabCount(id);
    std::wstring wide = Utf8ToUtf16(text);
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = wide.data();
    ::SendMessageW(tab, TCM_INSERTITEMW, static_cast<WPARAM>(std::clamp(index, 0, count)),
                   reinterpret_cast<LPARAM>(&item));
    // The first tab is the selected one, whatever the control does by itself.
    if (::SendMessageW(tab, TCM_GETCURSEL, 0, 0) < 0 && TabCount(id) > 0) {
        ::SendMessageW(tab, TCM_SETCURSEL, 0, 0);
    }
}

int Win32Window::TabCount(int id) const {
    const HWND tab = Control(id, ControlKind::TabControl);
    return tab != nullptr ? std::max(ClampToInt(::SendMessageW(tab, TCM_GETITEMCOUNT, 0, 0)), 0)
                          : 0;
}

std::string Win32Window::TabText(int id, int index) const {
    const HWND tab = Control(id, ControlKind::TabControl);
    if (tab == nullptr || index < 0 || index >= TabCount(id)) {
        return {};
    }
    // The control cannot tell a caption's length: grow the buffer until it fits.
    for (size_t capacity = 64; capacity <= 0x10000; capacity *= 4) {
        std::wstring text(capacity, L'\0');
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = text.data();
        item.cchTextMax = static_cast<int>(capacity);
        if (::SendMessageW(tab, TCM_GETITEMW, static_cast<WPARAM>(index),
                           reinterpret_cast<LPARAM>(&item)) == FALSE) {
            return {};
        }
        // The control may hand back its own buffer instead of filling ours.
        const std::wstring_view got(item.pszText != nullptr ? item.pszText : L"");
        if (got.size() + 1 < capacity) {
            return Utf16ToUtf8(got);
        }
    }
    return {};
}

void Win32Window::TabSelect(int id, int index) {
    const HWND tab = Control(id, ControlKind::TabControl);
    if (tab != nullptr && index >= 0 && index < TabCount(id)) {
        ::SendMessageW(tab, TCM_SETCURSEL, static_cast<WPARAM>(index), 0);
    }
}

int Win32Window::TabSelection(int id) const {
    const HWND tab = Control(id, ControlKind::TabControl);
    if (tab == nullptr) {
        return -1;
    }
    const LRESULT selection = ::SendMessageW(tab, TCM_GETCURSEL, 0, 0);
    return selection < 0 ? -1 : ClampToInt(selection);
}

Rect Win32Window::TabClientRect(int id) const {
    const HWND tab = Control(id, ControlKind::TabControl);
    RECT client{};
    if (tab == nullptr || !::GetClientRect(tab, &client)) {
        return {};
    }
    return {client.left, client.top, client.right, client.bottom};
}

Rect Win32Window::TabDisplayArea(int id) const {
    const HWND tab = Control(id, ControlKind::TabControl);
    RECT area{};
    if (tab == nullptr || !::GetClientRect(tab, &area)) {
        return {};
    }
    ::SendMessageW(tab, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
    return {area.left, area.top, area.right, area.bottom};
}
}  // namespace kd::ui::win32
