#include "ui/win32/win32_window.h"

#include <new>

#include "ui/dialog.h"
#include "ui/win32/utf16.h"
#include "ui/win32/window_queries.h"

namespace kd::ui::win32 {

namespace {

// Posted after WM_INITDIALOG: the dialog hears that its window is on screen.
constexpr UINT kShownMessage = WM_APP + 1;
// The one timer a window has (SetTimer).
constexpr UINT_PTR kTimerId = 1;

}  // namespace

Win32Window::Win32Window(HWND hwnd, Dialog& dialog, HINSTANCE instance, bool modal, bool modeless)
    : hwnd_(hwnd), dialog_(&dialog), instance_(instance), modal_(modal), modeless_(modeless) {
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
        auto* window = new (std::nothrow)
            Win32Window(hwnd, *start->dialog, start->instance, start->modal, start->modeless);
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
    const bool topLevel = modal_ || modeless_;
    dialog_->AttachPeer(this);
    if (!Dispatch([](Dialog& dialog) { dialog.HandleInit(); })) {
        return FALSE;
    }
    if (topLevel && !ended_ && dialog_ != nullptr) {
        ::PostMessageW(hwnd, kShownMessage, 0, 0);
    }
    // A top-level window puts the focus on its first control; a page leaves it alone, as
    // it may be made while another window has the focus.
    return topLevel ? TRUE : FALSE;
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
    if (modeless_) {
        ::RemovePropW(hwnd_, kModelessProperty);
    }
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
    // Calls into the dialog come last in each handler: the peer may be gone after them.
    switch (message) {
        case WM_COMMAND:
            return OnCommand(wParam, lParam);
        case WM_NOTIFY:
            OnNotify(lParam);
            return FALSE;
        case WM_SYSCOMMAND:
            return OnSysCommand(wParam);
        case WM_PAINT:
            return PaintIconic() ? TRUE : FALSE;
        case WM_QUERYDRAGICON:
            // One of the few messages whose result a dialog procedure returns directly.
            return reinterpret_cast<INT_PTR>(bigIcon_);
        case WM_SHOWWINDOW:
            OnShowWindow(wParam != 0);
            return FALSE;
        case WM_TIMER:
            if (wParam == kTimerId && !ended_) {
                Dispatch([](Dialog& dialog) { dialog.HandleTimer(); });
            }
            return TRUE;
        case kShownMessage:
            OnShownMessage();
            return TRUE;
        default:
            return FALSE;
    }
}

INT_PTR Win32Window::OnCommand(WPARAM wParam, LPARAM lParam) {
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
    Dispatch([id = static_cast<int>(LOWORD(wParam))](Dialog& dialog) { dialog.HandleCommand(id); });
    return TRUE;
}

void Win32Window::OnNotify(LPARAM lParam) {
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    if (header != nullptr && header->code == static_cast<UINT>(TCN_SELCHANGE)) {
        Dispatch([id = static_cast<int>(header->idFrom)](Dialog& dialog) {
            dialog.HandleTabChanged(id);
        });
    }
}

INT_PTR Win32Window::OnSysCommand(WPARAM wParam) {
    if (!TakesInput()) {
        return TRUE;
    }
    // A greyed entry of ours cannot be chosen; nor may a message sent for it choose it.
    if (const HMENU menu = ::GetSystemMenu(hwnd_, FALSE);
        menu != nullptr && (wParam & 0xFFF0) < SC_SIZE &&
        (::GetMenuState(menu, static_cast<UINT>(wParam & 0xFFF0), MF_BYCOMMAND) & MF_GRAYED) != 0) {
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

void Win32Window::OnShowWindow(bool shown) {
    if (shown && waitingForShow_) {
        waitingForShow_ = false;
        ::PostMessageW(hwnd_, kShownMessage, 0, 0);
    }
}

bool Win32Window::TakesInput() const {
    return ::IsWindowEnabled(::GetAncestor(hwnd_, GA_ROOT)) != FALSE;
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

bool Win32Window::AppendSystemMenu(std::string_view text, int command, bool separatorBefore) {
    if (!HasStyle(hwnd_, WS_SYSMENU)) {
        return false;
    }
    const HMENU menu = ::GetSystemMenu(hwnd_, FALSE);
    if (menu == nullptr) {
        return false;
    }
    const std::wstring wide = Utf8ToUtf16(text);
    return (!separatorBefore || ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr) != FALSE) &&
           ::AppendMenuW(menu, MF_STRING, static_cast<UINT_PTR>(command), wide.c_str()) != FALSE;
}

bool Win32Window::EnableSystemMenu(int command, bool enabled) {
    const HMENU menu = HasStyle(hwnd_, WS_SYSMENU) ? ::GetSystemMenu(hwnd_, FALSE) : nullptr;
    if (menu == nullptr || command < 0 || command > 0xFFFF) {
        return false;
    }
    const UINT state = MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED);
    return ::EnableMenuItem(menu, static_cast<UINT>(command), state) != -1;
}

void Win32Window::SetTimer(uint32_t intervalMs) {
    // The window's timer goes with the window.
    if (intervalMs == 0) {
        ::KillTimer(hwnd_, kTimerId);
    } else {
        ::SetTimer(hwnd_, kTimerId, intervalMs, nullptr);
    }
}

void Win32Window::EndDialog(int code) {
    if (modeless_ && !ended_) {
        ended_ = true;
        if (dispatchDepth_ > 0) {
            destroyPending_ = true;  // destroyed once the running call has returned
        } else {
            ::DestroyWindow(hwnd_);  // deletes this peer on WM_NCDESTROY
        }
        return;
    }
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
