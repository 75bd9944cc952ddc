// Real Qt windows on the offscreen platform: each case runs a modal dialog whose handlers
// act on it as a user and a test tool would, and check what the dialog and the widgets
// report.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QtTest/QTest>
#include <memory>

#include "tests/qt/scripted_dialog.h"
#include "tests/support/window_conformance_gtest.h"

namespace kd::test {
namespace {

using namespace kd::ui;
using kd::ui::qt::QtToolkit;
using kd::ui::qt::QtWindow;

using namespace kd::test::conformance;

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

TEST(QtWindow, ControlsAreNamedAndStyledAsTheTemplateSays) {
    ScriptedDialog dialog(Toolkit(), kWindow);
    dialog.onInit = [](ScriptedDialog& d) {
        EXPECT_TRUE(d.Control<QLineEdit>(kReadOnlyEdit)->isReadOnly());
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
        d.SetText(kLabel, "新标签");
        EXPECT_EQ(d.Control(kLabel)->accessibleName(), "新标签");
        d.EndDialog(7);
    };
    EXPECT_EQ(dialog.DoModal(), 7);
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
        // An entry sorted in above the selection moves the selection with its entry.
        EXPECT_EQ(d.ComboAdd(kSortedCombo, "7"), 0);
        EXPECT_EQ(d.ComboAdd(kSortedCombo, "5"), 0);
        EXPECT_EQ(d.ComboAdd(kSortedCombo, "8"), 2);
        d.ComboSelect(kSortedCombo, 1);
        EXPECT_EQ(d.ComboAdd(kSortedCombo, "6"), 1);
        EXPECT_EQ(d.ComboSelection(kSortedCombo), 2);  // the same entry, one place down
        EXPECT_EQ(d.GetText(kSortedCombo), "7");

        EXPECT_EQ(d.ComboAdd(kCombo, "9600"), 0);
        EXPECT_EQ(d.ComboAdd(kCombo, "115200"), 1);
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
        d.EndDialog(kResultOk);
    };
    EXPECT_EQ(dialog.DoModal(), kResultOk);
}

TEST(QtWindow, TheDropDownListOpensWideEnoughForItsLongestEntry) {
    ScriptedDialog dialog(Toolkit(), kWindow);
    dialog.onShown = [](ScriptedDialog& d) {
        const QString longest =
            QStringLiteral("ttyUSB0 (USB2.0-Serial, QinHeng Electronics, 序列号 A50285BI)");
        d.ComboAdd(kCombo, "COM1");
        d.ComboAdd(kCombo, longest.toStdString());
        d.ComboFitDropWidth(kCombo);
        auto* combo = d.Control<QComboBox>(kCombo);
        const QSize box = combo->size();
        combo->showPopup();
        const QAbstractItemView* list = combo->view();
        EXPECT_TRUE(list->isVisible());
        EXPECT_GE(list->viewport()->width(), list->fontMetrics().horizontalAdvance(longest));
        EXPECT_GE(list->window()->width(), d.ComboDropWidth(kCombo));
        // The box itself keeps the template's size.
        EXPECT_EQ(combo->size(), box);
        combo->hidePopup();
        d.EndDialog(kResultOk);
    };
    EXPECT_EQ(dialog.DoModal(), kResultOk);
}

TEST(QtWindow, ClicksAndKeysReachTheDialogAsOnWindows) {
    ScriptedDialog dialog(Toolkit(), kWindow);
    std::vector<int> clicks;
    for (int id : {kDisabledButton, kButton}) {
        dialog.Bind(id, [&clicks, id] { clicks.push_back(id); });
    }
    dialog.onShown = [&](ScriptedDialog& d) {
        // A disabled button takes no click from an accessibility tool either.
        d.Control<QPushButton>(kDisabledButton)->click();
        EXPECT_TRUE(clicks.empty());

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

QWidget* ControlOf(const Dialog& dialog, int id) {
    QtWindow* window = QtToolkit::WindowOf(dialog);
    return window != nullptr ? window->findChild<QWidget*>(QStringLiteral("id%1").arg(id))
                             : nullptr;
}

// The user works with the mouse, as on Windows: clicks, picks a tab, opens the context
// menu that stands for the system menu.
class QtBackEnd final : public GTestBackEnd {
  public:
    ui::Toolkit& Toolkit() override { return test::Toolkit(); }
    void Click(Dialog& dialog, int id) override {
        if (QWidget* control = ControlOf(dialog, id)) {
            QTest::mouseClick(control, Qt::LeftButton);
        }
    }
    void PickTab(Dialog& dialog, int tabId, int index) override {
        QWidget* tabs = ControlOf(dialog, tabId);
        if (QTabBar* bar = tabs != nullptr ? tabs->findChild<QTabBar*>() : nullptr) {
            QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
        }
    }
    void PickMenuEntry(Dialog& dialog, const std::string& text) override {
        QtWindow* window = QtToolkit::WindowOf(dialog);
        if (window == nullptr) {
            return;
        }
        WhenShown<QMenu>([entry = QString::fromStdString(text)](QMenu& menu) {
            for (QAction* action : menu.actions()) {
                if (action->text() == entry) {
                    action->trigger();
                }
            }
            menu.close();
        });
        QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(5, 5),
                                window->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(window, &click);
    }
    std::function<bool()> WindowWatch(Dialog& dialog) override {
        return
            [window = QPointer<QWidget>(QtToolkit::WindowOf(dialog))] { return !window.isNull(); };
    }
};

std::unique_ptr<GTestBackEnd> MakeQtBackEnd() {
    return std::make_unique<QtBackEnd>();
}

KD_WINDOW_CONFORMANCE(QtWindowConformance, MakeQtBackEnd);

}  // namespace
}  // namespace kd::test
