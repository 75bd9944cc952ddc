// Each case runs a modal dialog whose handlers act on it as the program and the user
// would, and checks what the dialog reports through ui/ alone.
#include "tests/support/window_conformance.h"

#include <memory>

namespace kd::test::conformance {

using namespace kd::ui;

namespace {

constexpr ControlTemplate kControls[] = {
    {kOk, ControlKind::PushButton, "确定", 200, 5, 50, 14, kDefaultButton | kGroup},
    {kCancel, ControlKind::PushButton, "取消", 200, 22, 50, 14},
    {kButton, ControlKind::PushButton, "按钮", 200, 39, 50, 14},
    {kCheck, ControlKind::CheckBox, "选项(&O)", 5, 5, 60, 10, kGroup},
    {kRadioA, ControlKind::RadioButton, "甲", 5, 18, 30, 10, kGroup},
    {kRadioB, ControlKind::RadioButton, "乙", 40, 18, 30, 10},
    {kRadioC, ControlKind::RadioButton, "丙", 75, 18, 30, 10},
    {kOtherRadio, ControlKind::RadioButton, "丁", 110, 18, 30, 10, kGroup},
    {kUnnamedControl, ControlKind::Static, "名称", 5, 34, 20, 8, kGroup},
    {kEdit, ControlKind::Edit, "初始", 30, 32, 60, 12},
    {kReadOnlyEdit, ControlKind::Edit, "只读", 95, 32, 80, 12, kReadOnly},
    {kCombo, ControlKind::ComboBox, "", 30, 48, 60, 60},
    {kUnnamedControl, ControlKind::Static, "波特率", 5, 50, 24, 8},
    {kSortedCombo, ControlKind::ComboBox, "", 95, 48, 80, 60, kSorted},
    {kLabel, ControlKind::Static, "标签", 5, 64, 80, 8},
    {kUnnamedControl, ControlKind::Icon, "", 180, 60, 20, 20, 0, kIcon},
    {kHiddenButton, ControlKind::PushButton, "隐藏", 200, 56, 50, 14, kHidden},
    {kDisabledButton, ControlKind::PushButton, "禁用", 200, 73, 50, 14, kDisabled},
    {kTabs, ControlKind::TabControl, "", 5, 90, 240, 100},
    {kProgress, ControlKind::Progress, "进度", 5, 192, 240, 6},
};

constexpr ControlTemplate kPageControls[] = {
    {kPageButton, ControlKind::PushButton, "页按钮", 5, 5, 50, 14},
    {kPageCheck, ControlKind::CheckBox, "页选项", 5, 25, 60, 10},
};

}  // namespace

const DialogTemplate kWindow{900, DialogStyle::Modal, "测试窗口", 260, 200, "宋体", 9, kControls};
const DialogTemplate kPage{901, DialogStyle::Child, "", 200, 60, "System", 10, kPageControls};

namespace {

void ControlsStartAsTheTemplateSays(BackEnd& b) {
    ScriptedWindow dialog(b.Toolkit(), kWindow);
    dialog.onInit = [&b](ScriptedWindow& d) {
        KD_CONFORM_EQ(b, d.Peer()->Title(), std::string("测试窗口"));
        KD_CONFORM_EQ(b, d.GetText(kEdit), std::string("初始"));
        KD_CONFORM_EQ(b, d.GetText(kLabel), std::string("标签"));
        KD_CONFORM_EQ(b, d.GetText(kOk), std::string("确定"));
        KD_CONFORM(b, d.IsControlVisible(kOk));
        KD_CONFORM(b, !d.IsControlVisible(kHiddenButton));
        KD_CONFORM(b, d.IsControlEnabled(kHiddenButton));
        KD_CONFORM(b, !d.IsControlEnabled(kDisabledButton));
        KD_CONFORM(b, !d.IsChecked(kCheck));
        KD_CONFORM_EQ(b, d.ComboSelection(kCombo), -1);
        KD_CONFORM_EQ(b, d.GetText(kCombo), std::string());
        // Ids the window does not have read as empty and take no action.
        d.SetText(999, "x");
        KD_CONFORM_EQ(b, d.GetText(999), std::string());
        KD_CONFORM(b, !d.IsControlVisible(999));
        KD_CONFORM(b, !d.IsControlEnabled(kUnnamedControl));
        KD_CONFORM_EQ(b, d.ComboAdd(kOk, "x"), -1);
        KD_CONFORM_EQ(b, d.TabSelection(kCombo), -1);
        d.EndDialog(7);
    };
    KD_CONFORM_EQ(b, dialog.DoModal(), 7);
    KD_CONFORM(b, !dialog.HasWindow());
    KD_CONFORM_EQ(b, dialog.shownCount, 0);  // ended before it was ever shown
}

void TextsChecksAndStates(BackEnd& b) {
    ScriptedWindow dialog(b.Toolkit(), kWindow);
    dialog.onInit = [&b](ScriptedWindow& d) {
        d.SetText(kEdit, "串口号 COM3");
        KD_CONFORM_EQ(b, d.GetText(kEdit), std::string("串口号 COM3"));
        d.SetText(kLabel, "");
        KD_CONFORM_EQ(b, d.GetText(kLabel), std::string());

        d.SetChecked(kCheck, true);
        KD_CONFORM(b, d.IsChecked(kCheck));
        d.SetChecked(kOk, true);  // not a check box: no state to keep
        KD_CONFORM(b, !d.IsChecked(kOk));
        d.CheckRadioButton(kRadioA, kRadioC, kRadioB);
        KD_CONFORM_EQ(b, d.CheckedRadioButton(kRadioA, kRadioC), int{kRadioB});

        d.ShowControl(kHiddenButton, true);
        KD_CONFORM(b, d.IsControlVisible(kHiddenButton));
        d.ShowControl(kOk, false);
        KD_CONFORM(b, !d.IsControlVisible(kOk));
        d.EnableControl(kDisabledButton, true);
        KD_CONFORM(b, d.IsControlEnabled(kDisabledButton));
        d.EnableControl(kButton, false);
        KD_CONFORM(b, !d.IsControlEnabled(kButton));
        d.EndDialog(kResultOk);
    };
    KD_CONFORM_EQ(b, dialog.DoModal(), kResultOk);
}

void ComboBoxes(BackEnd& b) {
    ScriptedWindow dialog(b.Toolkit(), kWindow);
    dialog.onShown = [&b](ScriptedWindow& d) {
        KD_CONFORM_EQ(b, d.ComboAdd(kCombo, "9600"), 0);
        KD_CONFORM_EQ(b, d.ComboAdd(kCombo, "115200"), 1);
        KD_CONFORM_EQ(b, d.ComboAdd(kCombo, "无校验"), 2);
        KD_CONFORM_EQ(b, d.ComboCount(kCombo), 3);
        // Adding leaves the selection and the edit field alone.
        KD_CONFORM_EQ(b, d.ComboSelection(kCombo), -1);
        KD_CONFORM_EQ(b, d.GetText(kCombo), std::string());
        KD_CONFORM_EQ(b, d.ComboItemText(kCombo, 2), std::string("无校验"));
        KD_CONFORM_EQ(b, d.ComboItemText(kCombo, 3), std::string());
        KD_CONFORM_EQ(b, d.ComboItemText(kCombo, -1), std::string());

        // A sorted box reports the place each entry got, and data follow the entry.
        KD_CONFORM_EQ(b, d.ComboAdd(kSortedCombo, "7"), 0);
        d.ComboSetItemData(kSortedCombo, 0, 7);
        KD_CONFORM_EQ(b, d.ComboAdd(kSortedCombo, "5"), 0);
        d.ComboSetItemData(kSortedCombo, 0, 5);
        KD_CONFORM_EQ(b, d.ComboAdd(kSortedCombo, "8"), 2);
        d.ComboSetItemData(kSortedCombo, 2, 8);
        KD_CONFORM_EQ(b, d.ComboItemText(kSortedCombo, 1), std::string("7"));
        KD_CONFORM_EQ(b, d.ComboItemData(kSortedCombo, 0), intptr_t{5});
        KD_CONFORM_EQ(b, d.ComboItemData(kSortedCombo, 1), intptr_t{7});
        KD_CONFORM_EQ(b, d.ComboItemData(kSortedCombo, 2), intptr_t{8});
        KD_CONFORM_EQ(b, d.ComboItemData(kSortedCombo, 9), intptr_t{0});
        d.ComboSetItemData(kSortedCombo, 1, -123456789);
        KD_CONFORM_EQ(b, d.ComboItemData(kSortedCombo, 1), intptr_t{-123456789});

        d.ComboSelect(kCombo, 1);
        KD_CONFORM_EQ(b, d.ComboSelection(kCombo), 1);
        KD_CONFORM_EQ(b, d.GetText(kCombo), std::string("115200"));
        d.ComboSelect(kCombo, -1);
        KD_CONFORM_EQ(b, d.ComboSelection(kCombo), -1);
        KD_CONFORM_EQ(b, d.GetText(kCombo), std::string());
        d.ComboSelect(kCombo, 2);
        d.ComboSelect(kCombo, 3);  // past the end clears too
        KD_CONFORM_EQ(b, d.ComboSelection(kCombo), -1);
        KD_CONFORM_EQ(b, d.GetText(kCombo), std::string());

        d.ComboSelect(kCombo, 0);
        d.ComboClear(kCombo);
        KD_CONFORM_EQ(b, d.ComboCount(kCombo), 0);
        KD_CONFORM_EQ(b, d.ComboSelection(kCombo), -1);
        KD_CONFORM_EQ(b, d.GetText(kCombo), std::string());
        d.EndDialog(kResultOk);
    };
    KD_CONFORM_EQ(b, dialog.DoModal(), kResultOk);
}

// A drop-down list opens as wide as its longest entry, wherever that entry lies, never
// narrower than its box, and narrows again when the long entries go.
void DropListWidths(BackEnd& b) {
    ScriptedWindow dialog(b.Toolkit(), kWindow);
    dialog.onShown = [&b](ScriptedWindow& d) {
        const int box = d.ComboDropWidth(kCombo);
        KD_CONFORM(b, box > 0);
        d.ComboAdd(kCombo, "COM1");
        d.ComboAdd(kCombo, "USB-SERIAL CH340 (COM3)");
        d.ComboAdd(kCombo, "COM2");
        d.ComboFitDropWidth(kCombo);
        const int fitted = d.ComboDropWidth(kCombo);
        KD_CONFORM(b, fitted > box);
        d.ComboAdd(kCombo, "ttyUSB0 (USB2.0-Serial, QinHeng Electronics, 序列号 A50285BI)");
        KD_CONFORM_EQ(b, d.ComboDropWidth(kCombo), fitted);  // until asked again
        d.ComboFitDropWidth(kCombo);
        KD_CONFORM(b, d.ComboDropWidth(kCombo) > fitted);

        d.ComboClear(kCombo);
        d.ComboAdd(kCombo, "COM1");
        d.ComboFitDropWidth(kCombo);
        KD_CONFORM_EQ(b, d.ComboDropWidth(kCombo), box);
        d.EndDialog(kResultOk);
    };
    KD_CONFORM_EQ(b, dialog.DoModal(), kResultOk);
}

void InsertTabs(BackEnd& b, ScriptedWindow& d) {
    d.TabInsert(kTabs, 0, "关于");
    KD_CONFORM_EQ(b, d.TabSelection(kTabs), 0);
    d.TabInsert(kTabs, 1, "条码");
    d.TabInsert(kTabs, 99, "输出");  // past the end: appended
    d.TabInsert(kTabs, 0, "首页");
    KD_CONFORM_EQ(b, d.Peer()->TabCount(kTabs), 4);
    KD_CONFORM_EQ(b, d.Peer()->TabText(kTabs, 0), std::string("首页"));
    KD_CONFORM_EQ(b, d.Peer()->TabText(kTabs, 3), std::string("输出"));
    KD_CONFORM_EQ(b, d.Peer()->TabText(kTabs, 4), std::string());
    d.TabSelect(kTabs, 2);
    KD_CONFORM_EQ(b, d.TabSelection(kTabs), 2);
    d.TabSelect(kTabs, 7);
    KD_CONFORM_EQ(b, d.TabSelection(kTabs), 2);
    const Rect client = d.TabClientRect(kTabs);
    KD_CONFORM(b,
               client.left == 0 && client.top == 0 && client.Width() > 100 && client.Height() > 50);
    // The pages' area lies inside the control's frame.
    const Rect area = d.TabDisplayArea(kTabs);
    KD_CONFORM(b, area.left > client.left && area.right < client.right &&
                      area.bottom < client.bottom && area.top < area.bottom);
}

// A page that deletes itself from inside one of its own handlers.
class SelfDestroyingPage : public Dialog {
  public:
    SelfDestroyingPage(Toolkit& toolkit, std::unique_ptr<SelfDestroyingPage>& holder)
        : Dialog(toolkit, kPage) {
        BindCommand(kPageButton, [&holder] { holder.reset(); });
    }
};

void TabsAndPages(BackEnd& b) {
    ScriptedWindow dialog(b.Toolkit(), kWindow);
    ScriptedWindow page(b.Toolkit(), kPage);
    ScriptedWindow otherPage(b.Toolkit(), kPage);
    std::unique_ptr<SelfDestroyingPage> doomed;
    doomed = std::make_unique<SelfDestroyingPage>(b.Toolkit(), doomed);
    int pageClicks = 0;
    bool pageInitRan = false;
    page.onInit = [&](ScriptedWindow&) { pageInitRan = true; };
    page.Bind(kPageButton, [&] { ++pageClicks; });

    dialog.onInit = [&](ScriptedWindow& d) {
        InsertTabs(b, d);
        KD_CONFORM(b, page.CreateAsChild(d, kTabs));
        KD_CONFORM(b, pageInitRan);
        KD_CONFORM(b, !page.CreateAsChild(d, kTabs));  // it has a window already
        KD_CONFORM(b, !otherPage.CreateAsChild(d, 999));
        KD_CONFORM(b, !otherPage.CreateAsChild(d, kLabel) || otherPage.HasWindow());
        KD_CONFORM(b, doomed->CreateAsChild(d, kTabs));

        KD_CONFORM(b, page.IsWindowVisible());
        page.MoveWindow({4, 30, 204, 90});
        KD_CONFORM(b, page.Peer()->WindowRect() == (Rect{4, 30, 204, 90}));
        page.ShowWindow(false);
        KD_CONFORM(b, !page.IsWindowVisible());
        page.ShowWindow(true);
        KD_CONFORM(b, !page.AppendSystemMenu("x", kAboutCommand));
        page.EndDialog(5);  // a page cannot end
        KD_CONFORM(b, page.HasWindow());
    };
    dialog.onShown = [&](ScriptedWindow& d) {
        b.Click(page, kPageButton);
        KD_CONFORM_EQ(b, pageClicks, 1);
        b.Click(page, kPageCheck);
        KD_CONFORM(b, page.IsChecked(kPageCheck));
        // The user picks a tab: the window hears of it, the page does not.
        b.PickTab(d, kTabs, 1);
        KD_CONFORM_EQ(b, d.TabSelection(kTabs), 1);
        KD_CONFORM(b, d.tabChanges == std::vector<int>{kTabs});
        KD_CONFORM(b, page.tabChanges.empty());
        // A page whose object goes from inside its own handler.
        b.Click(*doomed, kPageButton);
        KD_CONFORM(b, doomed == nullptr);
        d.EndDialog(kResultOk);
    };
    KD_CONFORM_EQ(b, dialog.DoModal(), kResultOk);
    // The pages went with their parent's window; their objects live on without one.
    KD_CONFORM(b, !page.HasWindow());
}

void PageObjectGoesBeforeItsWindow(BackEnd& b) {
    ScriptedWindow dialog(b.Toolkit(), kWindow);
    dialog.onInit = [&b](ScriptedWindow& d) {
        std::function<bool()> pageWindowExists;
        {
            ScriptedWindow page(b.Toolkit(), kPage);
            KD_CONFORM(b, page.CreateAsChild(d, kTabs));
            pageWindowExists = b.WindowWatch(page);
            KD_CONFORM(b, pageWindowExists());
        }
        KD_CONFORM(b, !pageWindowExists());
        d.EndDialog(kResultOk);
    };
    KD_CONFORM_EQ(b, dialog.DoModal(), kResultOk);
}

// A bar keeps its position within [0, range], whatever it is told.
void ProgressBars(BackEnd& b) {
    ScriptedWindow dialog(b.Toolkit(), kWindow);
    dialog.onInit = [&b](ScriptedWindow& d) {
        KD_CONFORM_EQ(b, d.ProgressPosition(kProgress), 0);
        d.SetProgress(kProgress, 30, 60);
        KD_CONFORM_EQ(b, d.ProgressPosition(kProgress), 30);
        d.SetProgress(kProgress, 90, 60);
        KD_CONFORM_EQ(b, d.ProgressPosition(kProgress), 60);
        d.SetProgress(kProgress, -5, 60);
        KD_CONFORM_EQ(b, d.ProgressPosition(kProgress), 0);
        d.SetProgress(kLabel, 5, 10);  // not a bar
        KD_CONFORM_EQ(b, d.ProgressPosition(kLabel), 0);
        d.EndDialog(kResultOk);
    };
    KD_CONFORM_EQ(b, dialog.DoModal(), kResultOk);
}

void ClicksAndTheWindowMenu(BackEnd& b) {
    ScriptedWindow dialog(b.Toolkit(), kWindow);
    std::vector<int> clicks;
    std::vector<int> sysCommands;
    for (int id : {kCheck, kRadioA, kRadioB, kOtherRadio, kDisabledButton, kButton}) {
        dialog.Bind(id, [&clicks, id] { clicks.push_back(id); });
    }
    dialog.onSysCommand = [&](int command) {
        sysCommands.push_back(command);
        return command == kAboutCommand;
    };
    dialog.onInit = [&b](ScriptedWindow& d) {
        KD_CONFORM(b, d.AppendSystemMenu(kAboutEntry, kAboutCommand));
        d.CheckRadioButton(kRadioA, kRadioC, kRadioA);
        d.SetChecked(kOtherRadio, true);
    };
    dialog.onShown = [&](ScriptedWindow& d) {
        b.Click(d, kCheck);
        KD_CONFORM(b, d.IsChecked(kCheck));
        // A radio button clears its own group only, and a checked one stays checked.
        b.Click(d, kRadioB);
        KD_CONFORM_EQ(b, d.CheckedRadioButton(kRadioA, kRadioC), int{kRadioB});
        KD_CONFORM(b, d.IsChecked(kOtherRadio));
        b.Click(d, kRadioB);
        KD_CONFORM(b, d.IsChecked(kRadioB));
        b.Click(d, kDisabledButton);
        KD_CONFORM(b, clicks == (std::vector<int>{kCheck, kRadioB, kRadioB}));

        b.PickMenuEntry(d, kAboutEntry);
        KD_CONFORM(b, d.HasWindow());
        KD_CONFORM(b, sysCommands == std::vector<int>{kAboutCommand});
        d.EndDialog(kResultOk);
    };
    KD_CONFORM_EQ(b, dialog.DoModal(), kResultOk);
    KD_CONFORM_EQ(b, dialog.shownCount, 1);
    KD_CONFORM(b, dialog.visibleWhenShown);
}

}  // namespace

const std::vector<Case>& WindowCases() {
    static const std::vector<Case> cases = {
        {"ControlsStartAsTheTemplateSays", &ControlsStartAsTheTemplateSays},
        {"TextsChecksAndStates", &TextsChecksAndStates},
        {"ComboBoxes", &ComboBoxes},
        {"DropListWidths", &DropListWidths},
        {"TabsAndPages", &TabsAndPages},
        {"PageObjectGoesBeforeItsWindow", &PageObjectGoesBeforeItsWindow},
        {"ClicksAndTheWindowMenu", &ClicksAndTheWindowMenu},
        {"ProgressBars", &ProgressBars},
    };
    return cases;
}

}  // namespace kd::test::conformance
