#include "ui/win32/win32_toolkit.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "ui/dialog.h"
#include "ui/win32/dialog_template_builder.h"
#include "ui/win32/utf16.h"
#include "ui/win32/win32_window.h"
#include "ui/win32/windows_api.h"

// After windows.h; the lean headers leave the common dialogs out.
#include <commdlg.h>

namespace kd::ui::win32 {

namespace {

HWND WindowOf(const Dialog& dialog) {
    const auto* window = dynamic_cast<const Win32Window*>(dialog.Peer());
    return window != nullptr ? window->Handle() : nullptr;
}

// Boxes are owned by the top-level window, also when a page asks for them.
HWND OwnerWindow(const Dialog* owner) {
    const HWND window = owner != nullptr ? WindowOf(*owner) : nullptr;
    return window != nullptr ? ::GetAncestor(window, GA_ROOT) : nullptr;
}

// The filter the common dialogs take: name and pattern, each ended by a null, and a
// second null after the last pair.
std::wstring FilterOf(const FileDialogRequest& request) {
    std::wstring filter = Utf8ToUtf16(request.filterName);
    filter.push_back(L'\0');
    filter += Utf8ToUtf16(request.pattern);
    filter.push_back(L'\0');
    filter.push_back(L'\0');
    return filter;
}

// "*.json" gives "json": the extension a saved name without one receives.
std::wstring DefaultExtensionOf(std::string_view pattern) {
    const size_t dot = pattern.rfind('.');
    if (dot == std::string_view::npos ||
        pattern.find_first_of("*?", dot) != std::string_view::npos) {
        return {};
    }
    return Utf8ToUtf16(pattern.substr(dot + 1));
}

bool Exists(const std::wstring& path) {
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// A name without a suffix that names nothing yet gets the filter's; any other name is
// taken as typed.
bool TakesSuffix(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    const size_t nameAt = slash == std::wstring::npos ? 0 : slash + 1;
    return path.find(L'.', nameAt) == std::wstring::npos && !Exists(path);
}

// The dialog asked about replacing the name typed; a suffix added afterwards names another
// file, so that one is asked about here, in the dialog's words.
bool MayReplace(HWND owner, const std::wstring& title, const std::wstring& path) {
    const std::wstring text = path + L" 已存在。\n要替换它吗？";
    return ::MessageBoxW(owner, text.c_str(), title.c_str(),
                         MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) == IDYES;
}

// The modal loop of the main window runs the dialog manager for its own window only: Tab,
// Enter and Escape in a modeless window reach it through this hook.
LRESULT CALLBACK ModelessKeys(int code, WPARAM wParam, LPARAM lParam) {
    auto* message = reinterpret_cast<MSG*>(lParam);
    if (code == HC_ACTION && wParam == PM_REMOVE && message != nullptr &&
        message->message >= WM_KEYFIRST && message->message <= WM_KEYLAST) {
        const HWND root =
            message->hwnd != nullptr ? ::GetAncestor(message->hwnd, GA_ROOT) : nullptr;
        if (root != nullptr && ::GetPropW(root, Win32Window::kModelessProperty) != nullptr &&
            ::IsDialogMessageW(root, message)) {
            message->message = WM_NULL;
            message->wParam = 0;
            message->lParam = 0;
        }
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

// Text for other programs: Windows line ends.
std::wstring ClipboardText(std::string_view text) {
    std::wstring wide;
    for (const wchar_t unit : Utf8ToUtf16(text)) {
        if (unit == L'\n') {
            wide.push_back(L'\r');
        }
        wide.push_back(unit);
    }
    return wide;
}

class OpenedClipboard {
  public:
    explicit OpenedClipboard(HWND owner) : open_(::OpenClipboard(owner) != FALSE) {}
    ~OpenedClipboard() {
        if (open_) {
            ::CloseClipboard();
        }
    }
    OpenedClipboard(const OpenedClipboard&) = delete;
    OpenedClipboard& operator=(const OpenedClipboard&) = delete;
    bool IsOpen() const { return open_; }

  private:
    bool open_;
};

}  // namespace

Win32Toolkit::~Win32Toolkit() {
    if (keyHook_ != nullptr) {
        ::UnhookWindowsHookEx(static_cast<HHOOK>(keyHook_));
    }
}

bool Win32Toolkit::ShowModeless(Dialog& dialog, Dialog& owner) {
    const HWND ownerWindow = OwnerWindow(&owner);
    if (dialog.HasWindow() || ownerWindow == nullptr) {
        return false;
    }
    const std::vector<uint8_t> bytes =
        BuildDialogTemplate(dialog.Template(), dialog.Template().style);
    if (bytes.empty()) {
        return false;
    }
    const auto instance = static_cast<HINSTANCE>(instance_);
    WindowStart start{&dialog, instance, false, nullptr, true};
    const HWND window = ::CreateDialogIndirectParamW(
        instance, reinterpret_cast<LPCDLGTEMPLATEW>(bytes.data()), ownerWindow,
        &Win32Window::DialogProc, reinterpret_cast<LPARAM>(&start));
    if (window == nullptr || !dialog.HasWindow()) {
        return false;
    }
    ::SetPropW(window, Win32Window::kModelessProperty, reinterpret_cast<HANDLE>(1));
    if (keyHook_ == nullptr) {
        keyHook_ =
            ::SetWindowsHookExW(WH_GETMESSAGE, &ModelessKeys, nullptr, ::GetCurrentThreadId());
    }
    ::ShowWindow(window, SW_SHOW);
    return true;
}

bool Win32Toolkit::CopyToClipboard(std::string_view text) {
    const std::wstring wide = ClipboardText(text);
    // Owned by a window of ours: without an owner, the clipboard takes no data.
    const OpenedClipboard clipboard(static_cast<HWND>(ActiveModalWindow()));
    if (!clipboard.IsOpen() || ::EmptyClipboard() == FALSE) {
        return false;
    }
    const size_t bytes = (wide.size() + 1) * sizeof(wchar_t);
    const HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (memory == nullptr) {
        return false;
    }
    if (void* at = ::GlobalLock(memory)) {
        std::memcpy(at, wide.c_str(), bytes);
        ::GlobalUnlock(memory);
        if (::SetClipboardData(CF_UNICODETEXT, memory) != nullptr) {
            return true;  // the clipboard owns it now
        }
    }
    ::GlobalFree(memory);
    return false;
}

Win32Toolkit::Win32Toolkit(void* instance) : instance_(instance) {
    INITCOMMONCONTROLSEX classes{};
    classes.dwSize = sizeof(classes);
    classes.dwICC = ICC_STANDARD_CLASSES | ICC_TAB_CLASSES | ICC_PROGRESS_CLASS;
    ::InitCommonControlsEx(&classes);
}

void* Win32Toolkit::ActiveModalWindow() const {
    for (auto it = running_.rbegin(); it != running_.rend(); ++it) {
        const HWND window = (*it)->handle;
        if (window != nullptr && ::IsWindow(window) && ::IsWindowEnabled(window)) {
            return window;
        }
    }
    return nullptr;
}

int Win32Toolkit::RunModal(Dialog& dialog, Dialog* owner) {
    // A second window for the same dialog would take over its peer.
    if (dialog.HasWindow()) {
        return -1;
    }
    const std::vector<uint8_t> bytes =
        BuildDialogTemplate(dialog.Template(), dialog.Template().style);
    if (bytes.empty()) {
        return -1;
    }
    const auto instance = static_cast<HINSTANCE>(instance_);
    // A dialog made without a parent still belongs to the window the user works in, and
    // disables it while it runs.
    const HWND ownerWindow =
        owner != nullptr ? OwnerWindow(owner) : static_cast<HWND>(ActiveModalWindow());
    WindowStart start{&dialog, instance, true, nullptr};
    running_.push_back(&start);
    const INT_PTR result = ::DialogBoxIndirectParamW(
        instance, reinterpret_cast<LPCDLGTEMPLATEW>(bytes.data()), ownerWindow,
        &Win32Window::DialogProc, reinterpret_cast<LPARAM>(&start));
    running_.pop_back();
    return static_cast<int>(result);
}

bool Win32Toolkit::CreateChild(Dialog& page, Dialog& parent, int hostId) {
    if (page.HasWindow()) {
        return false;
    }
    const HWND parentWindow = WindowOf(parent);
    if (parentWindow == nullptr || hostId < 0 || hostId >= 0xFFFF) {
        return false;
    }
    const HWND host = ::GetDlgItem(parentWindow, hostId);
    if (host == nullptr) {
        return false;
    }
    const std::vector<uint8_t> bytes = BuildDialogTemplate(page.Template(), DialogStyle::Child);
    if (bytes.empty()) {
        return false;
    }
    const auto instance = static_cast<HINSTANCE>(instance_);
    WindowStart start{&page, instance, false, nullptr};
    const HWND window = ::CreateDialogIndirectParamW(
        instance, reinterpret_cast<LPCDLGTEMPLATEW>(bytes.data()), host, &Win32Window::DialogProc,
        reinterpret_cast<LPARAM>(&start));
    if (window == nullptr || !page.HasWindow()) {
        return false;
    }
    // A page in a tab control takes the tab's background where visual styles are on.
    const ControlTemplate* hostControl = parent.Template().Find(hostId);
    if (hostControl != nullptr && hostControl->kind == ControlKind::TabControl) {
        theme_.UseTabBackground(window);
    }
    return true;
}

void Win32Toolkit::ProcessEvents() {
    MSG message{};
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            // Left for the loop that waits for it.
            ::PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        const auto dialog = static_cast<HWND>(ActiveModalWindow());
        if (dialog != nullptr && ::IsDialogMessageW(dialog, &message)) {
            continue;
        }
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
}

int Win32Toolkit::MessageBox(Dialog* owner, std::string_view text, std::string_view caption,
                             uint32_t flags) {
    UINT type = MB_OK;
    if ((flags & kMessageSystemModal) != 0) {
        type |= MB_SYSTEMMODAL;
    }
    // The icon flags share bits: combined they would name no icon at all, so the
    // warning wins.
    if ((flags & kMessageIconWarning) != 0) {
        type |= MB_ICONWARNING;
    } else if ((flags & kMessageIconInformation) != 0) {
        type |= MB_ICONINFORMATION;
    }
    const std::wstring wideText = Utf8ToUtf16(text);
    const std::wstring wideCaption = Utf8ToUtf16(caption);
    return ::MessageBoxW(OwnerWindow(owner), wideText.c_str(), wideCaption.c_str(), type);
}

std::optional<std::string> Win32Toolkit::ChooseFile(Dialog* owner,
                                                    const FileDialogRequest& request) {
    const bool save = request.kind == FileDialogKind::Save;
    const std::wstring filter = FilterOf(request);
    const std::wstring title = Utf8ToUtf16(request.title);
    const std::wstring extension = DefaultExtensionOf(request.pattern);
    // Room for long paths; the suggested name starts the buffer.
    std::wstring suggested = save ? Utf8ToUtf16(request.defaultName) : std::wstring();
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof(dialog);
    // The dialog disables this window while it runs, as a modal dialog does.
    dialog.hwndOwner =
        owner != nullptr ? OwnerWindow(owner) : static_cast<HWND>(ActiveModalWindow());
    dialog.lpstrFilter = filter.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrTitle = title.empty() ? nullptr : title.c_str();
    // No lpstrDefExt: the dialog would add it to any name, also to one that exists.
    // The program's working directory stays where it was.
    dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR |
                   (save ? OFN_OVERWRITEPROMPT | OFN_NOREADONLYRETURN : OFN_FILEMUSTEXIST);
    for (;;) {
        std::wstring path(32768, L'\0');
        path.replace(0, std::min(suggested.size(), path.size() - 1), suggested);
        dialog.lpstrFile = path.data();
        dialog.nMaxFile = static_cast<DWORD>(path.size());
        if ((save ? ::GetSaveFileNameW(&dialog) : ::GetOpenFileNameW(&dialog)) == FALSE) {
            return std::nullopt;
        }
        path.resize(path.find(L'\0'));
        if (path.empty()) {
            return std::nullopt;
        }
        if (!save || extension.empty() || !TakesSuffix(path)) {
            return Utf16ToUtf8(path);
        }
        path += L"." + extension;
        if (!Exists(path) || MayReplace(dialog.hwndOwner, title, path)) {
            return Utf16ToUtf8(path);
        }
        suggested = path;  // asked again, from the name it would have had
    }
}

void Win32Toolkit::SetCursor(Cursor cursor) {
    ::SetCursor(::LoadCursorW(nullptr, cursor == Cursor::Wait ? IDC_WAIT : IDC_ARROW));
}

std::string Win32Toolkit::ApplicationName() const {
    // Long paths do not fit MAX_PATH: grow until the whole name came back.
    std::wstring path;
    for (DWORD capacity = MAX_PATH; capacity <= 0x10000; capacity *= 2) {
        path.assign(capacity, L'\0');
        const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), capacity);
        if (length == 0) {
            return {};
        }
        if (length < capacity) {
            path.resize(length);
            break;
        }
        path.clear();
    }
    const size_t slash = path.find_last_of(L"\\/");
    std::wstring name = slash == std::wstring::npos ? path : path.substr(slash + 1);
    const size_t dot = name.rfind(L'.');
    if (dot != std::wstring::npos && dot > 0) {
        name.resize(dot);
    }
    return Utf16ToUtf8(name);
}

}  // namespace kd::ui::win32
