// Real Qt windows on the offscreen platform: each case runs a modal dialog whose handlers
// act on it as a user and a test tool would, and check what the dialog and the widgets
// report.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QtTest/QTest>

#include "tests/qt/scripted_dialog.h"

namespace kd::test {
namespace {

using namespace kd::ui;
using kd::ui::qt::QtToolkit;

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
    kOtherRadio,
    kPageButton = 30,
    kPageCheck,
};

constexpr int kIcon = 128;
constexpr int kAboutCommand = 0x10;

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
};
const DialogTemplate kWindow{900, DialogStyle::Modal, "测试窗口", 260, 200, "宋体", 9, kControls};

constexpr ControlTemplate kPageControls[] = {
    {kPageButton, ControlKind::PushButton, "页按钮", 5, 5, 50, 14},
    {kPageCheck, ControlKind::CheckBox, "页选项", 5, 25, 60, 10},
};
const DialogTemplate kPage{901, DialogStyle::Child, "", 200, 60, "System", 10, kPageControls};

QtToolkit& Toolkit() {
    // The application icon as the back end carries it.
    static QtToolkit toolkit({{kIcon, QStringLiteral(":/kd/app.ico")}});
    return toolkit;
}

QRect Expected(int x, int y, int width, int height, int baseX, int baseY) {
    // MulDiv rounding, computed here on its own.
    const auto convert = [](int units, int base, int divisor) {
        return (units * base * 2 + divisor) / (2 * divisor);
    };
    return {convert(x, baseX, 4), convert(y, baseY, 8), convert(width, baseX, 4),
            convert(height, baseY, 8)};
}

TEST(QtWindow, PlacesControlsByTheDialogFontsBaseUnits) {
    ScriptedDialog dialog(Toolkit(), kWindow);
    ScriptedDialog page(Toolkit(), kPage);
    dialog.onInit = [&](ScriptedDialog& d) {
        // 宋体 9 pt (or the Song face standing in for it) at 96 DPI: 12 pixels high, Latin
        // letters 6 wide on average; the system font 16 by 8, as on a Chinese Windows.
        const QFont font = d.Window()->font();
        const QFontMetrics metrics(font);
        const int letters = metrics.horizontalAdvance(
            QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
        const int baseX = (letters / 26 + 1) / 2;
        const int baseY = metrics.height();
        EXPECT_EQ(baseX, 6);
        EXPECT_EQ(baseY, 12);
        EXPECT_EQ(d.Window()->size(), QSize(390, 300));  // 260 x 200 units
        EXPECT_EQ(d.Control(kEdit)->geometry(), Expected(30, 32, 60, 12, baseX, baseY));
        EXPECT_EQ(d.Control(kTabs)->geometry(), Expected(5, 90, 240, 100, baseX, baseY));
        // A combo box is as high as its closed box; the template gives its list.
        EXPECT_EQ(d.Control(kCombo)->geometry().topLeft(), QPoint(45, 72));
        EXPECT_LT(d.Control(kCombo)->height(), 60 * baseY / 8);

        ASSERT_TRUE(page.CreateAsChild(d, kTabs));
        EXPECT_EQ(page.Window()->size(), QSize(400, 120));  // 200 x 60 units of 8 x 16
        EXPECT_EQ(page.Control(kPageCheck)->geometry(), QRect(10, 50, 120, 20));
        d.EndDialog(kResultOk);
    };
    EXPECT_EQ(dialog.DoModal(), kResultOk);
}

TEST(QtWindow, ControlsStartAsTheTemplateSaysAndAreNamed) {
    ScriptedDialog dialog(Toolkit(), kWindow);
    dialog.onInit = [](ScriptedDialog& d) {
        EXPECT_EQ(d.Peer()->Title(), "测试窗口");
        EXPECT_EQ(d.GetText(kEdit), "初始");
        EXPECT_EQ(d.GetText(kLabel), "标签");
        EXPECT_TRUE(d.IsControlVisible(kOk));
        EXPECT_FALSE(d.IsControlVisible(kHiddenButton));
        EXPECT_TRUE(d.IsControlEnabled(kHiddenButton));
        EXPECT_FALSE(d.IsControlEnabled(kDisabledButton));
        EXPECT_TRUE(d.Control<QLineEdit>(kReadOnlyEdit)->isReadOnly());
        EXPECT_EQ(d.ComboSelection(kCombo), -1);
        EXPECT_EQ(d.GetText(kCombo), "");
        // Names for screen readers: captions without their mnemonic, fields by the
        // label before them or beside them on the left.
        EXPECT_EQ(d.Control(kCheck)->accessibleName(), "选项(O)");
        EXPECT_EQ(d.Control(kEdit)->accessibleName(), "名称");
        EXPECT_EQ(d.Control(kCombo)->accessibleName(), "波特率");
        EXPECT_EQ(d.Control(kOk)->accessibleName(), "确定");
        // Only the first radio button of a group is a tab stop.
        EXPECT_TRUE(d.Control(kRadioA)->focusPolicy() & Qt::TabFocus);
        EXPECT_FALSE(d.Control(kRadioB)->focusPolicy() & Qt::TabFocus);
        EXPECT_TRUE(d.Control<QPushButton>(kOk)->isDefault());
        // The picture control got the icon.
        bool pictured = false;
        for (const QLabel* label : d.Window()->findChildren<QLabel*>()) {
            pictured = pictured || !label->pixmap().isNull();
        }
        EXPECT_TRUE(pictured);

        // Ids the window does not have read as empty and take no action.
        d.SetText(999, "x");
        EXPECT_EQ(d.GetText(999), "");
        EXPECT_FALSE(d.IsControlVisible(999));
        EXPECT_FALSE(d.IsControlEnabled(kUnnamedControl));
        EXPECT_EQ(d.ComboAdd(kOk, "x"), -1);
        EXPECT_EQ(d.TabSelection(kCombo), -1);
        d.SetChecked(kOk, true);
        EXPECT_FALSE(d.IsChecked(kOk));

        d.SetText(kLabel, "新标签");
        EXPECT_EQ(d.Control(kLabel)->accessibleName(), "新标签");
        d.ShowControl(kHiddenButton, true);
        d.ShowControl(kOk, false);
        d.EnableControl(kDisabledButton, true);
        EXPECT_TRUE(d.IsControlVisible(kHiddenButton) && !d.IsControlVisible(kOk));
        EXPECT_TRUE(d.IsControlEnabled(kDisabledButton));
        d.EndDialog(7);
    };
    EXPECT_EQ(dialog.DoModal(), 7);
    EXPECT_FALSE(dialog.HasWindow());
    EXPECT_EQ(dialog.shownCount, 0);  // ended before it was ever shown
}

// What an input method hands over when the user commits Chinese text.
void Commit(QWidget* field, const QString& text) {
    QInputMethodEvent event;
    event.setCommitString(text);
    QApplication::sendEvent(field, &event);
}

TEST(QtWindow, LimitsCountUtf16UnitsAndBindOnlyTheUser) {
    ScriptedDialog dialog(Toolkit(), kWindow);
    dialog.onShown = [](ScriptedDialog& d) {
        auto* edit = d.Control<QLineEdit>(kEdit);
        d.SetText(kEdit, "");
        d.SetTextLimit(kEdit, 4);
        QTest::keyClicks(edit, "abcdef");
        EXPECT_EQ(d.GetText(kEdit), "abcd");

        // A Chinese character is one unit, one past U+FFFF two.
        d.SetText(kEdit, "");
        Commit(edit, QStringLiteral("中文字符号"));
        EXPECT_EQ(d.GetText(kEdit), "中文字符");
        d.SetText(kEdit, "a");
        Commit(edit, QString::fromUtf8("\xF0\x9F\x98\x80\xF0\x9F\x98\x80"));
        EXPECT_EQ(d.GetText(kEdit), "a\xF0\x9F\x98\x80");

        // A longer text from the program stays whole: the user can shorten it, and type
        // again only once it fits.
        d.SetText(kEdit, "1234567");
        EXPECT_EQ(d.GetText(kEdit), "1234567");
        edit->setFocus();
        edit->end(false);
        QTest::keyClicks(edit, "8");
        EXPECT_EQ(d.GetText(kEdit), "1234567");
        for (int i = 0; i < 4; ++i) {
            QTest::keyClick(edit, Qt::Key_Backspace);
        }
        QTest::keyClicks(edit, "xy");
        EXPECT_EQ(d.GetText(kEdit), "123x");

        // The combo box's edit field, the same; a limit of 0 lifts it.
        d.SetTextLimit(kCombo, 2);
        QTest::keyClicks(d.Control<QComboBox>(kCombo)->lineEdit(), "9600");
        EXPECT_EQ(d.GetText(kCombo), "96");
        d.SetTextLimit(kEdit, 0);
        d.SetText(kEdit, "");
        Commit(edit, QString(40000, u'字'));
        EXPECT_EQ(d.GetText(kEdit).size(), 40000u * 3);
        d.EndDialog(kResultOk);
    };
    EXPECT_EQ(dialog.DoModal(), kResultOk);
}

TEST(QtWindow, ComboBoxesKeepTheWindowsSelectionRules) {
    ScriptedDialog dialog(Toolkit(), kWindow);
    dialog.onShown = [](ScriptedDialog& d) {
        EXPECT_EQ(d.ComboAdd(kCombo, "9600"), 0);
        EXPECT_EQ(d.ComboAdd(kCombo, "115200"), 1);
        EXPECT_EQ(d.ComboAdd(kCombo, "无校验"), 2);
        // Adding leaves the selection and the edit field alone.
        EXPECT_EQ(d.ComboSelection(kCombo), -1);
        EXPECT_EQ(d.GetText(kCombo), "");
        EXPECT_EQ(d.ComboItemText(kCombo, 2), "无校验");
        EXPECT_EQ(d.ComboItemText(kCombo, 3), "");

        // A sorted box reports the place each entry got, and data follow the entry.
        EXPECT_EQ(d.ComboAdd(kSortedCombo, "7"), 0);
        d.ComboSetItemData(kSortedCombo, 0, 7);
        EXPECT_EQ(d.ComboAdd(kSortedCombo, "5"), 0);
        d.ComboSetItemData(kSortedCombo, 0, -123456789);
        EXPECT_EQ(d.ComboAdd(kSortedCombo, "8"), 2);
        EXPECT_EQ(d.ComboItemText(kSortedCombo, 1), "7");
        EXPECT_EQ(d.ComboItemData(kSortedCombo, 1), intptr_t{7});
        EXPECT_EQ(d.ComboItemData(kSortedCombo, 0), intptr_t{-123456789});
        EXPECT_EQ(d.ComboItemData(kSortedCombo, 9), intptr_t{0});
        d.ComboSelect(kSortedCombo, 1);
        EXPECT_EQ(d.ComboAdd(kSortedCombo, "6"), 1);
        EXPECT_EQ(d.ComboSelection(kSortedCombo), 2);  // the same entry, one place down
        EXPECT_EQ(d.GetText(kSortedCombo), "7");

        d.ComboSelect(kCombo, 1);
        EXPECT_EQ(d.GetText(kCombo), "115200");
        // The user types: the exact entry is selected, any other text selects none.
        auto* edit = d.Control<QComboBox>(kCombo)->lineEdit();
        edit->selectAll();
        QTest::keyClicks(edit, "9600");
        EXPECT_EQ(d.ComboSelection(kCombo), 0);
        QTest::keyClicks(edit, "0");
        EXPECT_EQ(d.ComboSelection(kCombo), -1);
        EXPECT_EQ(d.GetText(kCombo), "96000");
        // Selecting the entry again puts its text back.
        d.ComboSelect(kCombo, 0);
        d.ComboSelect(kCombo, 0);
        EXPECT_EQ(d.GetText(kCombo), "9600");
        d.ComboSelect(kCombo, 3);  // past the end clears
        EXPECT_EQ(d.ComboSelection(kCombo), -1);
        EXPECT_EQ(d.GetText(kCombo), "");
        d.ComboSelect(kCombo, 2);
        d.ComboClear(kCombo);
        EXPECT_EQ(d.ComboCount(kCombo), 0);
        EXPECT_EQ(d.ComboSelection(kCombo), -1);
        EXPECT_EQ(d.GetText(kCombo), "");
        d.EndDialog(kResultOk);
    };
    EXPECT_EQ(dialog.DoModal(), kResultOk);
}

TEST(QtWindow, ClicksAndKeysReachTheDialogAsOnWindows) {
    ScriptedDialog dialog(Toolkit(), kWindow);
    std::vector<int> clicks;
    for (int id : {kCheck, kRadioA, kRadioB, kOtherRadio, kDisabledButton, kButton}) {
        dialog.Bind(id, [&clicks, id] { clicks.push_back(id); });
    }
    dialog.onShown = [&](ScriptedDialog& d) {
        d.CheckRadioButton(kRadioA, kRadioC, kRadioA);
        d.SetChecked(kOtherRadio, true);
        QTest::mouseClick(d.Control(kCheck), Qt::LeftButton);
        EXPECT_TRUE(d.IsChecked(kCheck));
        // A radio button clears its own group only, and a checked one stays checked.
        QTest::mouseClick(d.Control(kRadioB), Qt::LeftButton);
        EXPECT_EQ(d.CheckedRadioButton(kRadioA, kRadioC), int{kRadioB});
        EXPECT_TRUE(d.IsChecked(kOtherRadio));
        QTest::mouseClick(d.Control(kRadioB), Qt::LeftButton);
        EXPECT_TRUE(d.IsChecked(kRadioB));
        QTest::mouseClick(d.Control(kDisabledButton), Qt::LeftButton);
        d.Control<QPushButton>(kDisabledButton)->click();  // as an accessibility tool would
        EXPECT_EQ(clicks, (std::vector<int>{kCheck, kRadioB, kRadioB}));

        // Enter in a field goes to the default button; on a focused button, to that one.
        int okPresses = 0;
        d.Bind(kOk, [&] { ++okPresses; });
        QTest::keyClick(d.Control(kEdit), Qt::Key_Return);
        QTest::keyClick(d.Control<QComboBox>(kCombo)->lineEdit(), Qt::Key_Enter);
        EXPECT_EQ(okPresses, 2);
        d.Control(kButton)->setFocus();
        QTest::keyClick(d.Control(kButton), Qt::Key_Return);
        EXPECT_EQ(clicks.back(), int{kButton});
        // With the default button disabled Enter does nothing.
        d.EnableControl(kOk, false);
        QTest::keyClick(d.Control(kEdit), Qt::Key_Return);
        EXPECT_EQ(okPresses, 2);
        // A disabled Cancel button takes Escape and the close box away, too.
        d.EnableControl(kCancel, false);
        QTest::keyClick(d.Control(kEdit), Qt::Key_Escape);
        d.Window()->close();
        EXPECT_TRUE(d.Window()->isVisible());
        d.EnableControl(kCancel, true);
        QTest::keyClick(d.Control(kEdit), Qt::Key_Escape);
    };
    EXPECT_EQ(dialog.DoModal(), kResultCancel);

    // The close box is Cancel.
    ScriptedDialog closed(Toolkit(), kWindow);
    closed.onShown = [](ScriptedDialog& d) { d.Window()->close(); };
    EXPECT_EQ(closed.DoModal(), kResultCancel);
}

}  // namespace
}  // namespace kd::test
