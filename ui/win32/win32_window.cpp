#include "ui/win32/win32_window.h"

#include <algorithm>
#include <new>

#include "ui/dialog.h"
#include "ui/win32/utf16.h"

namespace kd::ui::win32 {

namespace {

// Posted after WM_INITDIALOG: the dialog hears that its window is on screen.
constexpr UINT kShownMessage = WM_APP + 1;

std::wstring WindowText(HWND window) {
    const int length = ::GetWindowTextLengthW(window);
    if (length <= 0) {
        return {};
    }
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const int copied = ::GetWindowTextW(window, text.data(), length + 1);
    text.resize(static_cast<size_t>(std::max(copied, 0)));
    return text;
}

bool HasStyle(HWND window, LONG style) {
    return (::GetWindowLongW(window, GWL_STYLE) & style) != 0;
}

int ClampToInt(LRESULT value) {
    return static_cast<int>(std::clamp<LRESULT>(value, -1, 0x7FFFFFFF));
}

}  // namespace

Win32Window::Win32Window(HWND hwnd, Dialog& dialog, HINSTANCE instance, bool modal)
    : hwnd_(hwnd), dialog_(&dialog), instance_(instance), modal_(modal) {
    for (const ControlTemplate& control : dialog.Template().controls) {
        if (control.id != kUnnamedControl) {
            kinds_[control.id] = control.kind;
        }
    }
}

Win32Window::~Win32Window() {
    if (bigIcon_ != nullptr) {
        ::DestroyIcon(bigIcon_);
    }
    if (smallIcon_ != nullptr) {
        ::DestroyIcon(smallIcon_);
    }
}

INT_PTR CALLBACK Win32Window::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* start = reinterpret_cast<WindowStart*>(lParam);
        if (start == nullptr || start->dialog == nullptr) {
            return FALSE;
        }
        start->handle = hwnd;
        auto* window =
            new (std::nothrow) Win32Window(hwnd, *start->dialog, start->instance, start->modal);
        if (window == nullptr) {
            if (start->modal) {
                ::EndDialog(hwnd, -1);
            } else {
                ::DestroyWindow(hwnd);
            }
            return FALSE;
        }
        ::SetWindowLongPtrW(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(window));
        return window->OnInitDialog();
    }
    // Messages before WM_INITDIALOG (WM_SETFONT and the like) find no peer yet.
    auto* window = reinterpret_cast<Win32Window*>(::GetWindowLongPtrW(hwnd, DWLP_USER));
    if (window == nullptr) {
        return FALSE;
    }
    if (message == WM_NCDESTROY) {
        ::SetWindowLongPtrW(hwnd, DWLP_USER, 0);
        window->OnDestroyed();
        return FALSE;
    }
    return window->HandleMessage(message, wParam, lParam);
}

template <typename Call>
bool Win32Window::Dispatch(Call&& call) {
    if (dialog_ == nullptr) {
        return true;
    }
    ++dispatchDepth_;
    call(*dialog_);
    --dispatchDepth_;
    if (dispatchDepth_ > 0) {
        return true;
    }
    if (windowGone_) {
        delete this;
        return false;
    }
    if (destroyPending_) {
        // Ends in WM_NCDESTROY, which deletes this peer.
        ::DestroyWindow(hwnd_);
        return false;
    }
    return true;
}

INT_PTR Win32Window::OnInitDialog() {
    const HWND hwnd = hwnd_;
    const bool modal = modal_;
    dialog_->AttachPeer(this);
    if (!Dispatch([](Dialog& dialog) { dialog.HandleInit(); })) {
        return FALSE;
    }
    if (modal && !ended_ && dialog_ != nullptr) {
        ::PostMessageW(hwnd, kShownMessage, 0, 0);
    }
    // A modal window puts the focus on its first control; a page leaves it alone, as it
    // may be made while another window has the focus.
    return modal ? TRUE : FALSE;
}

void Win32Window::OnShownMessage() {
    if (shown_ || ended_ || dialog_ == nullptr) {
        return;
    }
    if (!::IsWindowVisible(hwnd_)) {
        // The modal loop shows the window when it first runs idle.
        waitingForShow_ = true;
        return;
    }
    shown_ = true;
    Dispatch([](Dialog& dialog) { dialog.HandleShown(); });
}

void Win32Window::OnDestroyed() {
    if (dialog_ != nullptr) {
        dialog_->DetachPeer();
        dialog_ = nullptr;
    }
    if (dispatchDepth_ > 0) {
        windowGone_ = true;  // a call into the dialog is still running on this peer
    } else {
        delete this;
    }
}

bool Win32Window::PaintIconic() {
    if (!::IsIconic(hwnd_) || bigIcon_ == nullptr) {
        return false;
    }
    PAINTSTRUCT paint{};
    const HDC dc = ::BeginPaint(hwnd_, &paint);
    ::SendMessageW(hwnd_, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    RECT client{};
    ::GetClientRect(hwnd_, &client);
    const int x = (client.right - client.left - ::GetSystemMetrics(SM_CXICON) + 1) / 2;
    const int y = (client.bottom - client.top - ::GetSystemMetrics(SM_CYICON) + 1) / 2;
    ::DrawIcon(dc, x, y, bigIcon_);
    ::EndPaint(hwnd_, &paint);
    return true;
}

INT_PTR Win32Window::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    // Calls into the dialog come last in each case: the peer may be gone after them.
    switch (message) {
        case WM_COMMAND:
            // Clicks, and Enter, Escape and the close box as IDOK and IDCANCEL; the
            // notifications of edit fields and combo boxes are not commands.
            if (HIWORD(wParam) != BN_CLICKED || ended_) {
                return FALSE;
            }
            // Nor can a user reach a window while a modal dialog of its own is open.
            if (!TakesInput()) {
                return TRUE;
            }
            // A disabled button can still be clicked by message (BM_CLICK from another
            // program); the user could not, so neither may the message.
            if (lParam != 0 && !::IsWindowEnabled(reinterpret_cast<HWND>(lParam))) {
                return TRUE;
            }
            Dispatch([id = static_cast<int>(LOWORD(wParam))](Dialog& dialog) {
                dialog.HandleCommand(id);
            });
            return TRUE;
        case WM_NOTIFY: {
            const auto* header = reinterpret_cast<const NMHDR*>(lParam);
            if (header != nullptr && header->code == static_cast<UINT>(TCN_SELCHANGE)) {
                Dispatch([id = static_cast<int>(header->idFrom)](Dialog& dialog) {
                    dialog.HandleTabChanged(id);
                });
            }
            return FALSE;
        }
        case WM_SYSCOMMAND: {
            if (!TakesInput()) {
                return TRUE;
            }
            const HWND hwnd = hwnd_;
            bool handled = false;
            Dispatch([&handled, command = static_cast<int>(wParam)](Dialog& dialog) {
                handled = dialog.HandleSysCommand(command);
            });
            if (handled && ::IsWindow(hwnd)) {
                ::SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, 0);
            }
            return handled ? TRUE : FALSE;
        }
        case WM_PAINT:
            return PaintIconic() ? TRUE : FALSE;
        case WM_QUERYDRAGICON:
            // One of the few messages whose result a dialog procedure returns directly.
            return reinterpret_cast<INT_PTR>(bigIcon_);
        case WM_SHOWWINDOW:
            if (wParam != 0 && waitingForShow_) {
                waitingForShow_ = false;
                ::PostMessageW(hwnd_, kShownMessage, 0, 0);
            }
            return FALSE;
        case kShownMessage:
            OnShownMessage();
            return TRUE;
        default:
            return FALSE;
    }
}

bool Win32Window::TakesInput() const {
    return ::IsWindowEnabled(::GetAncestor(hwnd_, GA_ROOT)) != FALSE;
}

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
    const LRESULT length = ::SendMessageW(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length <= 0) {
        return {};
    }
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const LRESULT copied = ::SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(index),
                                          reinterpret_cast<LPARAM>(text.data()));
    text.resize(copied > 0 ? std::min(static_cast<size_t>(copied), text.size() - 1) : 0);
    return Utf16ToUtf8(text);
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

void Win32Window::MoveWindow(const Rect& pixels) {
    ::MoveWindow(hwnd_, pixels.left, pixels.top, pixels.Width(), pixels.Height(), TRUE);
}

Rect Win32Window::WindowRect() const {
    RECT bounds{};
    if (!::GetWindowRect(hwnd_, &bounds)) {
        return {};
    }
    // A page is placed in its parent's client area; a top-level window on the screen.
    if (HasStyle(hwnd_, WS_CHILD)) {
        ::MapWindowPoints(HWND_DESKTOP, ::GetParent(hwnd_), reinterpret_cast<POINT*>(&bounds), 2);
    }
    return {bounds.left, bounds.top, bounds.right, bounds.bottom};
}

void Win32Window::ShowWindow(bool visible) {
    ::ShowWindow(hwnd_, visible ? SW_SHOW : SW_HIDE);
}

bool Win32Window::IsWindowVisible() const {
    return HasStyle(hwnd_, WS_VISIBLE);
}

std::string Win32Window::Title() const {
    return Utf16ToUtf8(WindowText(hwnd_));
}

void Win32Window::SetIcon(int iconId) {
    if (iconId <= 0 || iconId > 0xFFFF) {
        return;
    }
    const auto load = [&](int widthMetric, int heightMetric) {
        return static_cast<HICON>(::LoadImageW(instance_, MAKEINTRESOURCEW(iconId), IMAGE_ICON,
                                               ::GetSystemMetrics(widthMetric),
                                               ::GetSystemMetrics(heightMetric), LR_DEFAULTCOLOR));
    };
    const HICON big = load(SM_CXICON, SM_CYICON);
    const HICON small = load(SM_CXSMICON, SM_CYSMICON);
    if (big == nullptr || small == nullptr) {
        // No such icon: keep the one the window has.
        if (big != nullptr) {
            ::DestroyIcon(big);
        }
        if (small != nullptr) {
            ::DestroyIcon(small);
        }
        return;
    }
    ::SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
    ::SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
    // The window no longer uses the old ones.
    if (bigIcon_ != nullptr) {
        ::DestroyIcon(bigIcon_);
    }
    if (smallIcon_ != nullptr) {
        ::DestroyIcon(smallIcon_);
    }
    bigIcon_ = big;
    smallIcon_ = small;
    if (::IsIconic(hwnd_)) {
        ::InvalidateRect(hwnd_, nullptr, TRUE);
    }
}

bool Win32Window::AppendSystemMenu(std::string_view text, int command) {
    if (!HasStyle(hwnd_, WS_SYSMENU)) {
        return false;
    }
    const HMENU menu = ::GetSystemMenu(hwnd_, FALSE);
    if (menu == nullptr) {
        return false;
    }
    const std::wstring wide = Utf8ToUtf16(text);
    return ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr) != FALSE &&
           ::AppendMenuW(menu, MF_STRING, static_cast<UINT_PTR>(command), wide.c_str()) != FALSE;
}

void Win32Window::EndDialog(int code) {
    if (!modal_) {
        return;
    }
    ended_ = true;
    ::EndDialog(hwnd_, code);
}

void Win32Window::DialogDestroyed() {
    dialog_ = nullptr;
    if (modal_) {
        // Nothing may answer the window's buttons any more: end its modal run.
        ended_ = true;
        ::EndDialog(hwnd_, kResultCancel);
        return;
    }
    if (dispatchDepth_ > 0) {
        destroyPending_ = true;  // destroyed once the running call has returned
        return;
    }
    ::DestroyWindow(hwnd_);  // deletes this peer on WM_NCDESTROY
}

}  // namespace kd::ui::win32
