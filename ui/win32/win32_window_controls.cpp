// The controls of a window, reached by template id as the dialogs ask for them.
#include <algorithm>

#include "ui/win32/utf16.h"
#include "ui/win32/win32_window.h"
#include "ui/win32/window_queries.h"

namespace kd::ui::win32 {

namespace {

std::wstring EntryText(HWND combo, int index) {
    const LRESULT length = ::SendMessageW(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length <= 0) {
        return {};
    }
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const LRESULT copied = ::SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(index),
                                          reinterpret_cast<LPARAM>(text.data()));
    text.resize(copied > 0 ? std::min(static_cast<size_t>(copied), text.size() - 1) : 0);
    return text;
}

// A window's device context with the window's own font selected, for measuring text
// as the window draws it.
class FontContext {
  public:
    explicit FontContext(HWND window) : window_(window), dc_(::GetDC(window)) {
        const auto font = reinterpret_cast<HGDIOBJ>(::SendMessageW(window, WM_GETFONT, 0, 0));
        if (dc_ != nullptr && font != nullptr) {
            previous_ = ::SelectObject(dc_, font);
        }
    }
    FontContext(const FontContext&) = delete;
    FontContext& operator=(const FontContext&) = delete;
    ~FontContext() {
        if (dc_ != nullptr) {
            if (previous_ != nullptr) {
                ::SelectObject(dc_, previous_);
            }
            ::ReleaseDC(window_, dc_);
        }
    }

    HDC Get() const { return dc_; }

  private:
    HWND window_;
    HDC dc_;
    HGDIOBJ previous_ = nullptr;
};

}  // namespace

HWND Win32Window::Control(int id) const {
    if (kinds_.count(id) == 0) {
        return nullptr;
    }
    return ::GetDlgItem(hwnd_, id);
}

HWND Win32Window::Control(int id, ControlKind kind) const {
    const auto found = kinds_.find(id);
    if (found == kinds_.end() || found->second != kind) {
        return nullptr;
    }
    return ::GetDlgItem(hwnd_, id);
}

void Win32Window::SetChecked(int id, bool checked) {
    HWND button = Control(id, ControlKind::CheckBox);
    if (button == nullptr) {
        button = Control(id, ControlKind::RadioButton);
    }
    if (button != nullptr) {
        ::SendMessageW(button, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
    }
}

bool Win32Window::IsChecked(int id) const {
    HWND button = Control(id, ControlKind::CheckBox);
    if (button == nullptr) {
        button = Control(id, ControlKind::RadioButton);
    }
    return button != nullptr && ::SendMessageW(button, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void Win32Window::SetText(int id, std::string_view text) {
    if (const HWND control = Control(id)) {
        ::SetWindowTextW(control, Utf8ToUtf16(text).c_str());
    }
}

std::string Win32Window::GetText(int id) const {
    const HWND control = Control(id);
    return control != nullptr ? Utf16ToUtf8(WindowText(control)) : std::string();
}

void Win32Window::SetTextLimit(int id, size_t bytes) {
    // 0 lifts the limit, as for the controls themselves.
    const auto limit = static_cast<WPARAM>(std::min<size_t>(bytes, 0x7FFFFFFE));
    if (const HWND edit = Control(id, ControlKind::Edit)) {
        ::SendMessageW(edit, EM_LIMITTEXT, limit, 0);
    } else if (const HWND combo = Control(id, ControlKind::ComboBox)) {
        ::SendMessageW(combo, CB_LIMITTEXT, limit, 0);
    }
}

void Win32Window::SetVisible(int id, bool visible) {
    if (const HWND control = Control(id)) {
        ::ShowWindow(control, visible ? SW_SHOW : SW_HIDE);
    }
}

// The control's own state: during initialisation the dialog itself is not shown yet.
bool Win32Window::IsVisible(int id) const {
    const HWND control = Control(id);
    return control != nullptr && HasStyle(control, WS_VISIBLE);
}

void Win32Window::SetEnabled(int id, bool enabled) {
    if (const HWND control = Control(id)) {
        ::EnableWindow(control, enabled ? TRUE : FALSE);
    }
}

bool Win32Window::IsEnabled(int id) const {
    const HWND control = Control(id);
    return control != nullptr && ::IsWindowEnabled(control) != FALSE;
}

bool Win32Window::ValidComboIndex(HWND combo, int index) const {
    return index >= 0 && index < ClampToInt(::SendMessageW(combo, CB_GETCOUNT, 0, 0));
}

void Win32Window::ComboClear(int id) {
    if (const HWND combo = Control(id, ControlKind::ComboBox)) {
        ::SendMessageW(combo, CB_RESETCONTENT, 0, 0);
        ::SetWindowTextW(combo, L"");
    }
}

int Win32Window::ComboAdd(int id, std::string_view text) {
    const HWND combo = Control(id, ControlKind::ComboBox);
    if (combo == nullptr) {
        return -1;
    }
    const std::wstring wide = Utf8ToUtf16(text);
    const LRESULT index =
        ::SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide.c_str()));
    return index < 0 ? -1 : ClampToInt(index);
}

int Win32Window::ComboCount(int id) const {
    const HWND combo = Control(id, ControlKind::ComboBox);
    return combo != nullptr ? std::max(ClampToInt(::SendMessageW(combo, CB_GETCOUNT, 0, 0)), 0) : 0;
}

std::string Win32Window::ComboItemText(int id, int index) const {
    const HWND combo = Control(id, ControlKind::ComboBox);
    if (combo == nullptr || !ValidComboIndex(combo, index)) {
        return {};
    }
    return Utf16ToUtf8(EntryText(combo, index));
}

void Win32Window::ComboSetItemData(int id, int index, intptr_t data) {
    const HWND combo = Control(id, ControlKind::ComboBox);
    if (combo != nullptr && ValidComboIndex(combo, index)) {
        ::SendMessageW(combo, CB_SETITEMDATA, static_cast<WPARAM>(index),
                       static_cast<LPARAM>(data));
    }
}

intptr_t Win32Window::ComboItemData(int id, int index) const {
    const HWND combo = Control(id, ControlKind::ComboBox);
    if (combo == nullptr || !ValidComboIndex(combo, index)) {
        return 0;
    }
    return static_cast<intptr_t>(
        ::SendMessageW(combo, CB_GETITEMDATA, static_cast<WPARAM>(index), 0));
}

void Win32Window::ComboSelect(int id, int index) {
    const HWND combo = Control(id, ControlKind::ComboBox);
    if (combo == nullptr) {
        return;
    }
    // Any index outside the list clears the selection and the edit field.
    const int target = ValidComboIndex(combo, index) ? index : -1;
    ::SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(target), 0);
}

int Win32Window::ComboSelection(int id) const {
    const HWND combo = Control(id, ControlKind::ComboBox);
    if (combo == nullptr) {
        return -1;
    }
    const LRESULT selection = ::SendMessageW(combo, CB_GETCURSEL, 0, 0);
    return selection < 0 ? -1 : ClampToInt(selection);
}

void Win32Window::ComboFitDropWidth(int id) {
    const HWND combo = Control(id, ControlKind::ComboBox);
    if (combo == nullptr) {
        return;
    }
    const FontContext context(combo);
    if (context.Get() == nullptr) {
        return;
    }
    int widest = 0;
    const int count = ComboCount(id);
    for (int index = 0; index < count; ++index) {
        const std::wstring text = EntryText(combo, index);
        SIZE size{};
        if (::GetTextExtentPoint32W(context.Get(), text.c_str(), static_cast<int>(text.size()),
                                    &size)) {
            widest = std::max(widest, static_cast<int>(size.cx));
        }
    }
    TEXTMETRICW metrics{};
    ::GetTextMetricsW(context.Get(), &metrics);
    // The list's frame, the entries' margins (about an average character) and a scroll
    // bar. The list never opens narrower than the box, whatever is asked.
    const int chrome = 2 * ::GetSystemMetrics(SM_CXEDGE) +
                       static_cast<int>(metrics.tmAveCharWidth) + ::GetSystemMetrics(SM_CXVSCROLL);
    ::SendMessageW(combo, CB_SETDROPPEDWIDTH, static_cast<WPARAM>(widest + chrome), 0);
}

int Win32Window::ComboDropWidth(int id) const {
    const HWND combo = Control(id, ControlKind::ComboBox);
    if (combo == nullptr) {
        return 0;
    }
    RECT box{};
    ::GetWindowRect(combo, &box);
    const int dropped = ClampToInt(::SendMessageW(combo, CB_GETDROPPEDWIDTH, 0, 0));
    return std::max(dropped, static_cast<int>(box.right - box.left));
}

void Win32Window::SetProgress(int id, int position, int range) {
    if (const HWND bar = Control(id, ControlKind::Progress)) {
        range = std::max(range, 0);
        ::SendMessageW(bar, PBM_SETRANGE32, 0, range);
        ::SendMessageW(bar, PBM_SETPOS, static_cast<WPARAM>(std::clamp(position, 0, range)), 0);
    }
}

int Win32Window::ProgressPosition(int id) const {
    const HWND bar = Control(id, ControlKind::Progress);
    return bar != nullptr ? ClampToInt(::SendMessageW(bar, PBM_GETPOS, 0, 0)) : 0;
}

}  // namespace kd::ui::win32

namespace kd::ui::win32 {

int Win32Window::ListAdd(int id, std::string_view text) {
    const HWND list = Control(id, ControlKind::ListBox);
    if (list == nullptr) {
        return -1;
    }
    const std::wstring wide = Utf8ToUtf16(text);
    const int index =
        ClampToInt(::SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide.c_str())));
    if (index < 0) {
        return -1;
    }
    // A line wider than the list gets a horizontal scroll bar to reach its end.
    if (const HDC dc = ::GetDC(list)) {
        const auto font = reinterpret_cast<HFONT>(::SendMessageW(list, WM_GETFONT, 0, 0));
        const HGDIOBJ old = ::SelectObject(dc, font);
        SIZE size{};
        if (::GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), &size) &&
            size.cx + 8 > ClampToInt(::SendMessageW(list, LB_GETHORIZONTALEXTENT, 0, 0))) {
            ::SendMessageW(list, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(size.cx + 8), 0);
        }
        ::SelectObject(dc, old);
        ::ReleaseDC(list, dc);
    }
    ::SendMessageW(list, LB_SETTOPINDEX, static_cast<WPARAM>(index), 0);
    return index;
}

void Win32Window::ListRemove(int id, int index) {
    if (const HWND list = Control(id, ControlKind::ListBox); list != nullptr && index >= 0) {
        ::SendMessageW(list, LB_DELETESTRING, static_cast<WPARAM>(index), 0);
    }
}

int Win32Window::ListCount(int id) const {
    const HWND list = Control(id, ControlKind::ListBox);
    return list != nullptr ? std::max(0, ClampToInt(::SendMessageW(list, LB_GETCOUNT, 0, 0))) : 0;
}

std::string Win32Window::ListItemText(int id, int index) const {
    const HWND list = Control(id, ControlKind::ListBox);
    if (list == nullptr || index < 0) {
        return {};
    }
    const int length =
        ClampToInt(::SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0));
    if (length < 0) {
        return {};
    }
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const int copied = ClampToInt(::SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(index),
                                                 reinterpret_cast<LPARAM>(text.data())));
    text.resize(static_cast<size_t>(std::max(copied, 0)));
    return Utf16ToUtf8(text);
}

}  // namespace kd::ui::win32
