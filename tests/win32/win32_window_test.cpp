// Real windows under the Windows back end: each case runs a modal dialog whose handlers
// act on it and check what the controls report.
#include <functional>
#include <memory>
#include <string>
#include <vector>

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

enum : int {
    kOk = 1,
    kCancel = 2,
    kCheck = 10,
    kRadioA,
    kRadioB,
    kRadioC,
    kEdit,
    kReadOnlyEdit,
    kCombo,
    kSortedCombo,
    kTabs,
    kLabel,
    kHiddenButton,
    kDisabledButton,
    kButton,
    kPageButton = 30,
    kPageCheck,
};

constexpr int kIcon = 128;
constexpr int kAboutCommand = 0x10;

constexpr ControlTemplate kControls[] = {
    {kOk, ControlKind::PushButton, "确定", 200, 5, 50, 14, kDefaultButton | kGroup},
    {kCancel, ControlKind::PushButton, "取消", 200, 22, 50, 14},
    {kButton, ControlKind::PushButton, "按钮", 200, 39, 50, 14},
    {kCheck, ControlKind::CheckBox, "选项", 5, 5, 60, 10, kGroup},
    {kRadioA, ControlKind::RadioButton, "甲", 5, 18, 30, 10, kGroup},
    {kRadioB, ControlKind::RadioButton, "乙", 40, 18, 30, 10},
    {kRadioC, ControlKind::RadioButton, "丙", 75, 18, 30, 10},
    {kEdit, ControlKind::Edit, "初始", 5, 32, 80, 12, kGroup},
    {kReadOnlyEdit, ControlKind::Edit, "只读", 90, 32, 80, 12, kReadOnly},
    {kCombo, ControlKind::ComboBox, "", 5, 48, 80, 60},
    {kSortedCombo, ControlKind::ComboBox, "", 90, 48, 80, 60, kSorted},
    {kLabel, ControlKind::Static, "标签", 5, 64, 80, 8},
    {kUnnamedControl, ControlKind::Icon, "", 180, 60, 20, 20, 0, kIcon},
    {kHiddenButton, ControlKind::PushButton, "隐藏", 200, 56, 50, 14, kHidden},
    {kDisabledButton, ControlKind::PushButton, "禁用", 200, 73, 50, 14, kDisabled},
    {kTabs, ControlKind::TabControl, "", 5, 90, 240, 100},
};
const DialogTemplate kWindow{900, DialogStyle::Modal, "测试窗口", 260, 200, "宋体", 9, kControls};

constexpr ControlTemplate kPageControls[] = {
    {kPageButton, ControlKind::PushButton, "页按钮", 5, 5, 50, 14},
    {kPageCheck, ControlKind::CheckBox, "页选项", 5, 25, 60, 10},
};
const DialogTemplate kPage{901, DialogStyle::Child, "", 200, 60, "宋体", 9, kPageControls};

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

// A dialog whose reactions each case sets.
class ScriptedDialog : public Dialog {
  public:
    ScriptedDialog(Toolkit& toolkit, const DialogTemplate& source) : Dialog(toolkit, source) {}

    std::function<void(ScriptedDialog&)> onInit;
    std::function<void(ScriptedDialog&)> onShown;
    std::function<bool(int)> onSysCommand;
    std::vector<int> tabChanges;
    int shownCount = 0;
    bool visibleWhenShown = false;

    void Bind(int id, std::function<void()> handler) { BindCommand(id, std::move(handler)); }
    HWND Window() const { return WindowOf(*this); }

  protected:
    bool OnInitDialog() override {
        Dialog::OnInitDialog();
        if (onInit) {
            onInit(*this);
        }
        return true;
    }
    void OnShown() override {
        ++shownCount;
        visibleWhenShown = ::IsWindowVisible(Window()) != FALSE;
        if (onShown) {
            onShown(*this);
        }
    }
    void OnTabChanged(int tabId) override { tabChanges.push_back(tabId); }
    bool OnSysCommand(int command) override { return onSysCommand && onSysCommand(command); }
};

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

void ControlsStartAsTheTemplateSays(Toolkit& toolkit) {
    KD_CASE("controls start as the template says");
    ScriptedDialog dialog(toolkit, kWindow);
    dialog.onInit = [](ScriptedDialog& d) {
        KD_CHECK_EQ(d.Peer()->Title(), std::string("测试窗口"));
        KD_CHECK_EQ(d.GetText(kEdit), std::string("初始"));
        KD_CHECK_EQ(d.GetText(kLabel), std::string("标签"));
        KD_CHECK_EQ(d.GetText(kOk), std::string("确定"));
        KD_CHECK(d.IsControlVisible(kOk));
        KD_CHECK(!d.IsControlVisible(kHiddenButton));
        KD_CHECK(d.IsControlEnabled(kHiddenButton));
        KD_CHECK(!d.IsControlEnabled(kDisabledButton));
        KD_CHECK(!d.IsChecked(kCheck));
        KD_CHECK_EQ(d.ComboSelection(kCombo), -1);
        KD_CHECK(HasStyle(::GetDlgItem(d.Window(), kRadioA), WS_TABSTOP));
        KD_CHECK(!HasStyle(::GetDlgItem(d.Window(), kRadioB), WS_TABSTOP));
        KD_CHECK(HasStyle(::GetDlgItem(d.Window(), kReadOnlyEdit), ES_READONLY));
        // The unnamed icon got its picture from the program's resources.
        const HWND icon = ::GetDlgItem(d.Window(), 0xFFFF);
        KD_CHECK(icon != nullptr);
        // Ids the window does not have read as empty and take no action.
        d.SetText(999, "x");
        KD_CHECK_EQ(d.GetText(999), std::string());
        KD_CHECK(!d.IsControlVisible(999));
        KD_CHECK(!d.IsControlEnabled(kUnnamedControl));
        KD_CHECK_EQ(d.ComboAdd(kOk, "x"), -1);
        KD_CHECK_EQ(d.TabSelection(kCombo), -1);
        d.EndDialog(7);
    };
    KD_CHECK_EQ(dialog.DoModal(), 7);
    KD_CHECK(!dialog.HasWindow());
    KD_CHECK_EQ(dialog.shownCount, 0);  // ended before it was ever shown
}

void TextsChecksAndStates(Toolkit& toolkit) {
    KD_CASE("texts, checks and states");
    ScriptedDialog dialog(toolkit, kWindow);
    dialog.onInit = [](ScriptedDialog& d) {
        d.SetText(kEdit, "串口号 COM3");
        KD_CHECK_EQ(d.GetText(kEdit), std::string("串口号 COM3"));
        d.SetText(kLabel, "");
        KD_CHECK_EQ(d.GetText(kLabel), std::string());
        d.SetTextLimit(kEdit, 5);
        KD_CHECK_EQ(::SendMessageW(::GetDlgItem(d.Window(), kEdit), EM_GETLIMITTEXT, 0, 0), 5);

        d.SetChecked(kCheck, true);
        KD_CHECK(d.IsChecked(kCheck));
        d.CheckRadioButton(kRadioA, kRadioC, kRadioB);
        KD_CHECK_EQ(d.CheckedRadioButton(kRadioA, kRadioC), int{kRadioB});
        d.SetChecked(kOk, true);  // not a check box: no state to keep
        KD_CHECK(!d.IsChecked(kOk));

        d.ShowControl(kHiddenButton, true);
        KD_CHECK(d.IsControlVisible(kHiddenButton));
        d.ShowControl(kOk, false);
        KD_CHECK(!d.IsControlVisible(kOk));
        d.EnableControl(kDisabledButton, true);
        KD_CHECK(d.IsControlEnabled(kDisabledButton));
        d.EnableControl(kButton, false);
        KD_CHECK(!d.IsControlEnabled(kButton));
        d.EndDialog(kResultOk);
    };
    KD_CHECK_EQ(dialog.DoModal(), kResultOk);
}

void ComboBoxes(Toolkit& toolkit) {
    KD_CASE("combo boxes");
    ScriptedDialog dialog(toolkit, kWindow);
    dialog.onInit = [](ScriptedDialog& d) {
        KD_CHECK_EQ(d.ComboAdd(kCombo, "9600"), 0);
        KD_CHECK_EQ(d.ComboAdd(kCombo, "115200"), 1);
        KD_CHECK_EQ(d.ComboAdd(kCombo, "无校验"), 2);
        KD_CHECK_EQ(d.ComboCount(kCombo), 3);
        KD_CHECK_EQ(d.ComboItemText(kCombo, 2), std::string("无校验"));
        KD_CHECK_EQ(d.ComboItemText(kCombo, 3), std::string());
        KD_CHECK_EQ(d.ComboItemText(kCombo, -1), std::string());

        // A sorted box reports the place each entry got, and data follow the entry.
        KD_CHECK_EQ(d.ComboAdd(kSortedCombo, "7"), 0);
        d.ComboSetItemData(kSortedCombo, 0, 7);
        KD_CHECK_EQ(d.ComboAdd(kSortedCombo, "5"), 0);
        d.ComboSetItemData(kSortedCombo, 0, 5);
        KD_CHECK_EQ(d.ComboAdd(kSortedCombo, "8"), 2);
        d.ComboSetItemData(kSortedCombo, 2, 8);
        KD_CHECK_EQ(d.ComboItemText(kSortedCombo, 1), std::string("7"));
        KD_CHECK_EQ(d.ComboItemData(kSortedCombo, 1), intptr_t{7});
        KD_CHECK_EQ(d.ComboItemData(kSortedCombo, 2), intptr_t{8});
        KD_CHECK_EQ(d.ComboItemData(kSortedCombo, 9), intptr_t{0});
        d.ComboSetItemData(kSortedCombo, 1, -123456789);
        KD_CHECK_EQ(d.ComboItemData(kSortedCombo, 1), intptr_t{-123456789});

        d.ComboSelect(kCombo, 1);
        KD_CHECK_EQ(d.ComboSelection(kCombo), 1);
        KD_CHECK_EQ(d.GetText(kCombo), std::string("115200"));
        d.ComboSelect(kCombo, -1);
        KD_CHECK_EQ(d.ComboSelection(kCombo), -1);
        KD_CHECK_EQ(d.GetText(kCombo), std::string());
        d.ComboSelect(kCombo, 2);
        d.ComboSelect(kCombo, 3);  // past the end clears too
        KD_CHECK_EQ(d.ComboSelection(kCombo), -1);

        d.ComboSelect(kCombo, 0);
        d.ComboClear(kCombo);
        KD_CHECK_EQ(d.ComboCount(kCombo), 0);
        KD_CHECK_EQ(d.ComboSelection(kCombo), -1);
        KD_CHECK_EQ(d.GetText(kCombo), std::string());
        d.EndDialog(kResultOk);
    };
    KD_CHECK_EQ(dialog.DoModal(), kResultOk);
}

void TabsAndPages(Toolkit& toolkit) {
    KD_CASE("tabs and pages");
    ScriptedDialog dialog(toolkit, kWindow);
    ScriptedDialog page(toolkit, kPage);
    ScriptedDialog otherPage(toolkit, kPage);
    std::unique_ptr<SelfDestroyingPage> doomedPage;
    doomedPage = std::make_unique<SelfDestroyingPage>(toolkit, doomedPage);
    HWND pageWindow = nullptr;
    HWND doomedWindow = nullptr;
    int pageClicks = 0;
    bool pageInitRan = false;
    page.onInit = [&](ScriptedDialog&) { pageInitRan = true; };
    page.Bind(kPageButton, [&] { ++pageClicks; });

    dialog.onInit = [&](ScriptedDialog& d) {
        d.TabInsert(kTabs, 0, "关于");
        KD_CHECK_EQ(d.TabSelection(kTabs), 0);
        d.TabInsert(kTabs, 1, "条码");
        d.TabInsert(kTabs, 99, "输出");  // past the end: appended
        d.TabInsert(kTabs, 0, "首页");
        KD_CHECK_EQ(d.Peer()->TabCount(kTabs), 4);
        KD_CHECK_EQ(d.Peer()->TabText(kTabs, 0), std::string("首页"));
        KD_CHECK_EQ(d.Peer()->TabText(kTabs, 3), std::string("输出"));
        KD_CHECK_EQ(d.Peer()->TabText(kTabs, 4), std::string());
        d.TabSelect(kTabs, 2);
        KD_CHECK_EQ(d.TabSelection(kTabs), 2);
        d.TabSelect(kTabs, 7);
        KD_CHECK_EQ(d.TabSelection(kTabs), 2);
        const Rect client = d.TabClientRect(kTabs);
        KD_CHECK(client.left == 0 && client.top == 0 && client.Width() > 100 &&
                 client.Height() > 50);
        // The pages' area lies inside the control and below every tab's caption.
        const Rect area = d.TabDisplayArea(kTabs);
        KD_CHECK(area.left > client.left && area.right < client.right &&
                 area.bottom < client.bottom && area.top < area.bottom);
        for (int tab = 0; tab < 4; ++tab) {
            RECT caption{};
            ::SendMessageW(::GetDlgItem(d.Window(), kTabs), TCM_GETITEMRECT,
                           static_cast<WPARAM>(tab), reinterpret_cast<LPARAM>(&caption));
            KD_CHECK(caption.bottom > 0 && area.top >= caption.bottom);
        }

        KD_CHECK(page.CreateAsChild(d, kTabs));
        KD_CHECK(pageInitRan);
        pageWindow = page.Window();
        KD_CHECK(::GetParent(pageWindow) == ::GetDlgItem(d.Window(), kTabs));
        // The system's visual styles library is found and takes the tab background.
        KD_CHECK(ui::win32::ThemeLibrary().UseTabBackground(pageWindow));
        KD_CHECK(!page.CreateAsChild(d, kTabs));  // it has a window already
        KD_CHECK(!otherPage.CreateAsChild(d, 999));
        KD_CHECK(!otherPage.CreateAsChild(d, kLabel) || otherPage.HasWindow());
        KD_CHECK(doomedPage->CreateAsChild(d, kTabs));
        doomedWindow = WindowOf(*doomedPage);

        KD_CHECK(page.IsWindowVisible());
        page.MoveWindow({4, 30, 204, 90});
        KD_CHECK(page.Peer()->WindowRect() == (Rect{4, 30, 204, 90}));
        page.ShowWindow(false);
        KD_CHECK(!page.IsWindowVisible());
        page.ShowWindow(true);
        KD_CHECK(!page.AppendSystemMenu("x", kAboutCommand));
        page.EndDialog(5);  // a page cannot end
        KD_CHECK(page.HasWindow());
    };
    dialog.onShown = [&](ScriptedDialog& d) {
        ::SendMessageW(::GetDlgItem(pageWindow, kPageButton), BM_CLICK, 0, 0);
        KD_CHECK_EQ(pageClicks, 1);
        ::SendMessageW(::GetDlgItem(pageWindow, kPageCheck), BM_CLICK, 0, 0);
        KD_CHECK(page.IsChecked(kPageCheck));
        // The user picks a tab: the window hears of it, the page does not.
        ::SendMessageW(::GetDlgItem(d.Window(), kTabs), TCM_SETCURFOCUS, 1, 0);
        KD_CHECK(d.tabChanges == std::vector<int>{kTabs});
        KD_CHECK(page.tabChanges.empty());
        // A page whose object goes from inside its own handler takes its window along.
        ::SendMessageW(doomedWindow, WM_SYSCOMMAND, 0x20, 0);
        KD_CHECK(doomedPage == nullptr);
        KD_CHECK(!::IsWindow(doomedWindow));
        d.EndDialog(kResultOk);
    };
    KD_CHECK_EQ(dialog.DoModal(), kResultOk);
    // The pages went with their parent's window; their objects live on without one.
    KD_CHECK(!page.HasWindow());
    KD_CHECK(!::IsWindow(pageWindow));
}

void PageObjectGoesBeforeItsWindow(Toolkit& toolkit) {
    KD_CASE("page object destroyed first");
    ScriptedDialog dialog(toolkit, kWindow);
    dialog.onInit = [&](ScriptedDialog& d) {
        HWND pageWindow = nullptr;
        {
            ScriptedDialog page(toolkit, kPage);
            KD_CHECK(page.CreateAsChild(d, kTabs));
            pageWindow = page.Window();
        }
        KD_CHECK(!::IsWindow(pageWindow));
        d.EndDialog(kResultOk);
    };
    KD_CHECK_EQ(dialog.DoModal(), kResultOk);
}

void CommandsSystemMenuAndCloseBox(Toolkit& toolkit) {
    KD_CASE("commands, system menu and close box");
    ScriptedDialog dialog(toolkit, kWindow);
    std::vector<int> clicks;
    std::vector<int> sysCommands;
    dialog.Bind(kCheck, [&] { clicks.push_back(kCheck); });
    dialog.Bind(kDisabledButton, [&] { clicks.push_back(kDisabledButton); });
    dialog.Bind(kRadioB, [&] { clicks.push_back(kRadioB); });
    dialog.onSysCommand = [&](int command) {
        sysCommands.push_back(command);
        return command == kAboutCommand;
    };
    dialog.onInit = [](ScriptedDialog& d) {
        KD_CHECK(d.AppendSystemMenu("关于配置工具  (&A)...", kAboutCommand));
        d.CheckRadioButton(kRadioA, kRadioC, kRadioA);
    };
    dialog.onShown = [&](ScriptedDialog& d) {
        const HWND window = d.Window();
        const HMENU menu = ::GetSystemMenu(window, FALSE);
        const int count = ::GetMenuItemCount(menu);
        KD_CHECK(count >= 2);
        wchar_t text[64] = {};
        ::GetMenuStringW(menu, static_cast<UINT>(count - 1), text, 64, MF_BYPOSITION);
        KD_CHECK_EQ(Utf16ToUtf8(text), std::string("关于配置工具  (&A)..."));
        KD_CHECK_EQ(::GetMenuItemID(menu, count - 1), static_cast<UINT>(kAboutCommand));
        KD_CHECK((::GetMenuState(menu, static_cast<UINT>(count - 2), MF_BYPOSITION) &
                  MF_SEPARATOR) != 0);

        ::SendMessageW(::GetDlgItem(window, kCheck), BM_CLICK, 0, 0);
        KD_CHECK(d.IsChecked(kCheck));
        ::SendMessageW(::GetDlgItem(window, kRadioB), BM_CLICK, 0, 0);
        KD_CHECK_EQ(d.CheckedRadioButton(kRadioA, kRadioC), int{kRadioB});
        ::SendMessageW(::GetDlgItem(window, kDisabledButton), BM_CLICK, 0, 0);
        // Notifications other than clicks are no commands.
        ::SendMessageW(window, WM_COMMAND, MAKEWPARAM(kCheck, EN_CHANGE), 0);
        KD_CHECK(clicks == (std::vector<int>{kCheck, kRadioB}));

        ::SendMessageW(window, WM_SYSCOMMAND, kAboutCommand, 0);
        KD_CHECK(d.HasWindow());
        // Not handled by the dialog: the close box ends the run as Cancel.
        ::SendMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    };
    KD_CHECK_EQ(dialog.DoModal(), kResultCancel);
    KD_CHECK_EQ(dialog.shownCount, 1);
    KD_CHECK(dialog.visibleWhenShown);
    KD_CHECK(sysCommands == (std::vector<int>{kAboutCommand, SC_CLOSE}));
}

void IconsAndOwnership(Toolkit& toolkit) {
    KD_CASE("icons, owners and message boxes");
    ScriptedDialog outer(toolkit, kWindow);
    int buttonClicks = 0;
    int sysCommands = 0;
    outer.Bind(kButton, [&] { ++buttonClicks; });
    outer.onSysCommand = [&](int) { return ++sysCommands > 0; };
    outer.onInit = [](ScriptedDialog& d) { d.SetIcon(kIcon); };
    outer.onShown = [&](ScriptedDialog& d) {
        const HWND window = d.Window();
        const auto big = ::SendMessageW(window, WM_GETICON, ICON_BIG, 0);
        const auto small = ::SendMessageW(window, WM_GETICON, ICON_SMALL, 0);
        KD_CHECK(big != 0 && small != 0);
        KD_CHECK_EQ(::SendMessageW(window, WM_QUERYDRAGICON, 0, 0), big);
        d.SetIcon(4242);  // no such icon: the old one stays
        KD_CHECK_EQ(::SendMessageW(window, WM_GETICON, ICON_BIG, 0), big);

        // A box run from this window is owned by it and disables it meanwhile.
        ScriptedDialog inner(toolkit, kWindow);
        inner.onShown = [&](ScriptedDialog& box) {
            KD_CHECK(::GetWindow(box.Window(), GW_OWNER) == window);
            KD_CHECK(!::IsWindowEnabled(window));
            box.EndDialog(3);
        };
        KD_CHECK_EQ(inner.DoModal(&d), 3);
        KD_CHECK(::IsWindowEnabled(window));
        KD_CHECK_EQ(d.DoModal(), -1);  // it is running already

        // Without an owner it belongs to the running window all the same, which takes no
        // commands meanwhile: a click that reaches it by message does nothing.
        ScriptedDialog unowned(toolkit, kWindow);
        unowned.onShown = [&](ScriptedDialog& box) {
            KD_CHECK(::GetWindow(box.Window(), GW_OWNER) == window);
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
    ScriptedDialog dialog(toolkit, kWindow);
    BoxSeen seen;
    seen.caption = L"测试消息框";
    dialog.onShown = [&](ScriptedDialog& d) {
        const HANDLE watcher = ::CreateThread(nullptr, 0, &AnswerMessageBox, &seen, 0, nullptr);
        KD_CHECK_EQ(d.MessageBox("未找到设备。", "测试消息框", kMessageIconInformation), kResultOk);
        ::WaitForSingleObject(watcher, 15000);
        ::CloseHandle(watcher);
        KD_CHECK(seen.found);
        KD_CHECK_EQ(seen.text, std::string("未找到设备。"));
        KD_CHECK(seen.owner == d.Window());
        d.EndDialog(kResultOk);
    };
    KD_CHECK_EQ(dialog.DoModal(), kResultOk);
    KD_CHECK_EQ(toolkit.ApplicationName(), std::string("kd_win32_tests"));
}

}  // namespace

void RunWindowTests() {
    Win32Toolkit toolkit(::GetModuleHandleW(nullptr));
    ControlsStartAsTheTemplateSays(toolkit);
    TextsChecksAndStates(toolkit);
    ComboBoxes(toolkit);
    TabsAndPages(toolkit);
    PageObjectGoesBeforeItsWindow(toolkit);
    CommandsSystemMenuAndCloseBox(toolkit);
    IconsAndOwnership(toolkit);
    MessageBoxes(toolkit);
}

}  // namespace kd::test
