// Real windows under the Windows back end: the window conformance checks, then what only
// the Windows controls show (styles, the system menu, icons, owners, message boxes).
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/window_conformance.h"
#include "tests/win32/check.h"
#include "ui/dialog.h"
#include "ui/win32/theme_library.h"
#include "ui/win32/utf16.h"
#include "ui/win32/win32_toolkit.h"
#include "ui/win32/win32_window.h"
#include "ui/win32/windows_api.h"

namespace kd::test {

namespace {

using namespace kd::ui;
using kd::ui::win32::Utf16ToUtf8;
using kd::ui::win32::Win32Toolkit;
using kd::ui::win32::Win32Window;

using namespace kd::test::conformance;

HWND WindowOf(const Dialog& dialog) {
    const auto* window = dynamic_cast<const Win32Window*>(dialog.Peer());
    return window != nullptr ? window->Handle() : nullptr;
}

std::string TextOf(HWND window) {
    wchar_t buffer[256] = {};
    ::GetWindowTextW(window, buffer, 256);
    return Utf16ToUtf8(buffer);
}

bool HasStyle(HWND window, LONG style) {
    return (::GetWindowLongW(window, GWL_STYLE) & style) != 0;
}

// A page that deletes itself from inside one of its own handlers.
class SelfDestroyingPage : public Dialog {
  public:
    SelfDestroyingPage(Toolkit& toolkit, std::unique_ptr<SelfDestroyingPage>& holder)
        : Dialog(toolkit, kPage), holder_(holder) {}

  protected:
    bool OnSysCommand(int /*command*/) override {
        holder_.reset();
        return true;
    }

  private:
    std::unique_ptr<SelfDestroyingPage>& holder_;
};

// The user as the Windows controls meet one: by the messages a click, a tab or a menu
// entry sends.
class Win32BackEnd final : public BackEnd {
  public:
    explicit Win32BackEnd(Win32Toolkit& toolkit) : toolkit_(toolkit) {}

    ui::Toolkit& Toolkit() override { return toolkit_; }
    void Click(Dialog& dialog, int id) override {
        ::SendMessageW(::GetDlgItem(WindowOf(dialog), id), BM_CLICK, 0, 0);
    }
    // TCM_SETCURFOCUS makes the tab control tell its parent, as a user's pick does.
    void PickTab(Dialog& dialog, int tabId, int index) override {
        ::SendMessageW(::GetDlgItem(WindowOf(dialog), tabId), TCM_SETCURFOCUS,
                       static_cast<WPARAM>(index), 0);
    }
    void PickMenuEntry(Dialog& dialog, const std::string& text) override {
        const HWND window = WindowOf(dialog);
        const HMENU menu = ::GetSystemMenu(window, FALSE);
        for (int at = 0; at < ::GetMenuItemCount(menu); ++at) {
            wchar_t entry[128] = {};
            ::GetMenuStringW(menu, static_cast<UINT>(at), entry, 128, MF_BYPOSITION);
            if (Utf16ToUtf8(entry) == text) {
                ::SendMessageW(window, WM_SYSCOMMAND, ::GetMenuItemID(menu, at), 0);
                return;
            }
        }
    }
    std::function<bool()> WindowWatch(Dialog& dialog) override {
        return [window = WindowOf(dialog)] { return ::IsWindow(window) != FALSE; };
    }
    bool Check(bool ok, const std::string& what, const char* file, int line) override {
        return kd::test::Check(ok, what.c_str(), file, line);
    }

  private:
    Win32Toolkit& toolkit_;
};

bool HasIconPicture(HWND window) {
    for (HWND child = ::GetWindow(window, GW_CHILD); child != nullptr;
         child = ::GetWindow(child, GW_HWNDNEXT)) {
        if (::SendMessageW(child, STM_GETICON, 0, 0) != 0) {
            return true;
        }
    }
    return false;
}

void StylesAndLimits(Toolkit& toolkit) {
    KD_CASE("styles and limits");
    ScriptedWindow dialog(toolkit, kWindow);
    dialog.onInit = [](ScriptedWindow& d) {
        KD_CHECK(HasStyle(::GetDlgItem(WindowOf(d), kRadioA), WS_TABSTOP));
        KD_CHECK(!HasStyle(::GetDlgItem(WindowOf(d), kRadioB), WS_TABSTOP));
        KD_CHECK(HasStyle(::GetDlgItem(WindowOf(d), kReadOnlyEdit), ES_READONLY));
        // The unnamed icon got its picture from the program's resources.
        KD_CHECK(HasIconPicture(WindowOf(d)));
        d.SetTextLimit(kEdit, 5);
        KD_CHECK_EQ(::SendMessageW(::GetDlgItem(WindowOf(d), kEdit), EM_GETLIMITTEXT, 0, 0), 5);
        d.EndDialog(kResultOk);
    };
    KD_CHECK_EQ(dialog.DoModal(), kResultOk);
}

void TabCaptionsAndPageWindows(Toolkit& toolkit) {
    KD_CASE("tab captions and page windows");
    ScriptedWindow dialog(toolkit, kWindow);
    ScriptedWindow page(toolkit, kPage);
    std::unique_ptr<SelfDestroyingPage> doomedPage;
    doomedPage = std::make_unique<SelfDestroyingPage>(toolkit, doomedPage);
    HWND pageWindow = nullptr;
    HWND doomedWindow = nullptr;
    dialog.onInit = [&](ScriptedWindow& d) {
        for (const char* caption : {"首页", "关于", "条码", "输出"}) {
            d.TabInsert(kTabs, d.Peer()->TabCount(kTabs), caption);
        }
        // The pages' area lies below every tab's caption.
        const Rect area = d.TabDisplayArea(kTabs);
        for (int tab = 0; tab < 4; ++tab) {
            RECT caption{};
            ::SendMessageW(::GetDlgItem(WindowOf(d), kTabs), TCM_GETITEMRECT,
                           static_cast<WPARAM>(tab), reinterpret_cast<LPARAM>(&caption));
            KD_CHECK(caption.bottom > 0 && area.top >= caption.bottom);
        }
        KD_CHECK(page.CreateAsChild(d, kTabs));
        pageWindow = WindowOf(page);
        KD_CHECK(::GetParent(pageWindow) == ::GetDlgItem(WindowOf(d), kTabs));
        // The system's visual styles library is found and takes the tab background.
        KD_CHECK(ui::win32::ThemeLibrary().UseTabBackground(pageWindow));
        KD_CHECK(doomedPage->CreateAsChild(d, kTabs));
        doomedWindow = WindowOf(*doomedPage);
    };
    dialog.onShown = [&](ScriptedWindow& d) {
        // A page whose object goes from inside its own handler takes its window along.
        ::SendMessageW(doomedWindow, WM_SYSCOMMAND, 0x20, 0);
        KD_CHECK(doomedPage == nullptr);
        KD_CHECK(!::IsWindow(doomedWindow));
        d.EndDialog(kResultOk);
    };
    KD_CHECK_EQ(dialog.DoModal(), kResultOk);
    // The pages went with their parent's window.
    KD_CHECK(!::IsWindow(pageWindow));
}

void SystemMenuAndCloseBox(Toolkit& toolkit) {
    KD_CASE("system menu and close box");
    ScriptedWindow dialog(toolkit, kWindow);
    std::vector<int> clicks;
    std::vector<int> sysCommands;
    dialog.Bind(kCheck, [&] { clicks.push_back(kCheck); });
    dialog.onSysCommand = [&](int command) {
        sysCommands.push_back(command);
        return command == kAboutCommand;
    };
    dialog.onInit = [](ScriptedWindow& d) {
        KD_CHECK(d.AppendSystemMenu(kAboutEntry, kAboutCommand));
    };
    dialog.onShown = [&](ScriptedWindow& d) {
        const HWND window = WindowOf(d);
        const HMENU menu = ::GetSystemMenu(window, FALSE);
        const int count = ::GetMenuItemCount(menu);
        KD_CHECK(count >= 2);
        wchar_t text[64] = {};
        ::GetMenuStringW(menu, static_cast<UINT>(count - 1), text, 64, MF_BYPOSITION);
        KD_CHECK_EQ(Utf16ToUtf8(text), std::string(kAboutEntry));
        KD_CHECK_EQ(::GetMenuItemID(menu, count - 1), static_cast<UINT>(kAboutCommand));
        KD_CHECK((::GetMenuState(menu, static_cast<UINT>(count - 2), MF_BYPOSITION) &
                  MF_SEPARATOR) != 0);

        // Notifications other than clicks are no commands.
        ::SendMessageW(window, WM_COMMAND, MAKEWPARAM(kCheck, EN_CHANGE), 0);
        KD_CHECK(clicks.empty());

        ::SendMessageW(window, WM_SYSCOMMAND, kAboutCommand, 0);
        KD_CHECK(d.HasWindow());
        // Not handled by the dialog: the close box ends the run as Cancel.
        ::SendMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    };
    KD_CHECK_EQ(dialog.DoModal(), kResultCancel);
    KD_CHECK_EQ(dialog.shownCount, 1);
    KD_CHECK(sysCommands == (std::vector<int>{kAboutCommand, SC_CLOSE}));
}

void IconsAndOwnership(Toolkit& toolkit) {
    KD_CASE("icons, owners and message boxes");
    ScriptedWindow outer(toolkit, kWindow);
    int buttonClicks = 0;
    int sysCommands = 0;
    outer.Bind(kButton, [&] { ++buttonClicks; });
    outer.onSysCommand = [&](int) { return ++sysCommands > 0; };
    outer.onInit = [](ScriptedWindow& d) { d.SetIcon(kIcon); };
    outer.onShown = [&](ScriptedWindow& d) {
        const HWND window = WindowOf(d);
        const auto big = ::SendMessageW(window, WM_GETICON, ICON_BIG, 0);
        const auto small = ::SendMessageW(window, WM_GETICON, ICON_SMALL, 0);
        KD_CHECK(big != 0 && small != 0);
        KD_CHECK_EQ(::SendMessageW(window, WM_QUERYDRAGICON, 0, 0), big);
        d.SetIcon(4242);  // no such icon: the old one stays
        KD_CHECK_EQ(::SendMessageW(window, WM_GETICON, ICON_BIG, 0), big);

        // A box run from this window is owned by it and disables it meanwhile.
        ScriptedWindow inner(toolkit, kWindow);
        inner.onShown = [&](ScriptedWindow& box) {
            KD_CHECK(::GetWindow(WindowOf(box), GW_OWNER) == window);
            KD_CHECK(!::IsWindowEnabled(window));
            box.EndDialog(3);
        };
        KD_CHECK_EQ(inner.DoModal(&d), 3);
        KD_CHECK(::IsWindowEnabled(window));
        KD_CHECK_EQ(d.DoModal(), -1);  // it is running already

        // Without an owner it belongs to the running window all the same, which takes no
        // commands meanwhile: a click that reaches it by message does nothing.
        ScriptedWindow unowned(toolkit, kWindow);
        unowned.onShown = [&](ScriptedWindow& box) {
            KD_CHECK(::GetWindow(WindowOf(box), GW_OWNER) == window);
            KD_CHECK(!::IsWindowEnabled(window));
            ::SendMessageW(window, WM_COMMAND, MAKEWPARAM(kButton, BN_CLICKED),
                           reinterpret_cast<LPARAM>(::GetDlgItem(window, kButton)));
            ::SendMessageW(window, WM_COMMAND, IDCANCEL, 0);
            ::SendMessageW(window, WM_SYSCOMMAND, kAboutCommand, 0);
            box.EndDialog(4);
        };
        KD_CHECK_EQ(unowned.DoModal(), 4);
        KD_CHECK(::IsWindowEnabled(window));
        KD_CHECK_EQ(buttonClicks, 0);
        KD_CHECK_EQ(sysCommands, 0);
        ::SendMessageW(window, WM_COMMAND, MAKEWPARAM(kButton, BN_CLICKED),
                       reinterpret_cast<LPARAM>(::GetDlgItem(window, kButton)));
        KD_CHECK_EQ(buttonClicks, 1);

        d.EndDialog(kResultOk);
    };
    KD_CHECK_EQ(outer.DoModal(), kResultOk);
}

struct BoxSeen {
    std::wstring caption;
    std::string text;
    HWND owner = nullptr;
    bool found = false;
};

DWORD WINAPI AnswerMessageBox(void* argument) {
    auto* seen = static_cast<BoxSeen*>(argument);
    for (int attempt = 0; attempt < 400 && !seen->found; ++attempt) {
        if (const HWND box = ::FindWindowW(L"#32770", seen->caption.c_str())) {
            seen->text = TextOf(::GetDlgItem(box, 0xFFFF));
            seen->owner = ::GetWindow(box, GW_OWNER);
            seen->found = true;
            ::PostMessageW(box, WM_COMMAND, IDOK, 0);
        } else {
            ::Sleep(25);
        }
    }
    return 0;
}

void MessageBoxes(Toolkit& toolkit) {
    KD_CASE("message boxes");
    ScriptedWindow dialog(toolkit, kWindow);
    BoxSeen seen;
    seen.caption = L"测试消息框";
    dialog.onShown = [&](ScriptedWindow& d) {
        const HANDLE watcher = ::CreateThread(nullptr, 0, &AnswerMessageBox, &seen, 0, nullptr);
        KD_CHECK_EQ(d.MessageBox("未找到设备。", "测试消息框", kMessageIconInformation), kResultOk);
        ::WaitForSingleObject(watcher, 15000);
        ::CloseHandle(watcher);
        KD_CHECK(seen.found);
        KD_CHECK_EQ(seen.text, std::string("未找到设备。"));
        KD_CHECK(seen.owner == WindowOf(d));
        d.EndDialog(kResultOk);
    };
    KD_CHECK_EQ(dialog.DoModal(), kResultOk);
    KD_CHECK_EQ(toolkit.ApplicationName(), std::string("kd_win32_tests"));
}

}  // namespace

void RunWindowTests() {
    Win32Toolkit toolkit(::GetModuleHandleW(nullptr));
    Win32BackEnd backEnd(toolkit);
    for (const Case& windowCase : WindowCases()) {
        KD_CASE(windowCase.name);
        backEnd.Enter(windowCase.name);
        windowCase.run(backEnd);
    }
    StylesAndLimits(toolkit);
    TabCaptionsAndPageWindows(toolkit);
    SystemMenuAndCloseBox(toolkit);
    IconsAndOwnership(toolkit);
    MessageBoxes(toolkit);
}

}  // namespace kd::test
