// Pages, modal runs, message boxes and the context menu on the Qt back end.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTabBar>
#include <QTemporaryDir>
#include <QtTest/QTest>
#include <memory>

#include "tests/qt/scripted_dialog.h"

namespace kd::test {
namespace {

using namespace kd::ui;
using kd::ui::qt::QtToolkit;

enum : int { kOk = 1, kCancel = 2, kButton = 10, kTabs, kPageButton = 30, kPageCheck };
constexpr int kAboutCommand = 0x10;

constexpr ControlTemplate kControls[] = {
    {kOk, ControlKind::PushButton, "确定", 200, 5, 50, 14, kDefaultButton | kGroup},
    {kCancel, ControlKind::PushButton, "取消", 200, 22, 50, 14},
    {kButton, ControlKind::PushButton, "按钮", 200, 39, 50, 14},
    {kTabs, ControlKind::TabControl, "", 5, 60, 240, 120},
};
const DialogTemplate kWindow{910, DialogStyle::Modal, "外窗口", 260, 190, "宋体", 9, kControls};
const DialogTemplate kMain{912, DialogStyle::MainWindow, "主窗口", 260, 190, "宋体", 9, kControls};

constexpr ControlTemplate kPageControls[] = {
    {kPageButton, ControlKind::PushButton, "页按钮", 5, 5, 50, 14},
    {kPageCheck, ControlKind::CheckBox, "页选项", 5, 25, 60, 10},
};
const DialogTemplate kPage{911, DialogStyle::Child, "", 100, 40, "宋体", 9, kPageControls};

QtToolkit& Toolkit() {
    static QtToolkit toolkit;
    return toolkit;
}

// A page that deletes itself from inside one of its own handlers.
class SelfDestroyingPage : public ScriptedDialog {
  public:
    SelfDestroyingPage(std::unique_ptr<SelfDestroyingPage>& holder)
        : ScriptedDialog(Toolkit(), kPage), holder_(holder) {
        Bind(kPageButton, [this] { holder_.reset(); });
    }

  private:
    std::unique_ptr<SelfDestroyingPage>& holder_;
};

// What the conformance suite checks of tabs and pages on every back end is not repeated
// here: only how the Qt widgets place and keep them.
TEST(QtWindow, PagesLiveInTheTabControlBelowItsTabs) {
    ScriptedDialog dialog(Toolkit(), kWindow);
    ScriptedDialog page(Toolkit(), kPage);
    std::unique_ptr<SelfDestroyingPage> doomed = std::make_unique<SelfDestroyingPage>(doomed);
    dialog.onInit = [&](ScriptedDialog& d) {
        for (const char* caption : {"首页", "关于", "条码", "输出"}) {
            d.TabInsert(kTabs, d.Peer()->TabCount(kTabs), caption);
        }
        const Rect client = d.TabClientRect(kTabs);
        EXPECT_EQ(client, (Rect{0, 0, 360, 180}));
        // The pages' area lies below every tab's caption.
        const Rect area = d.TabDisplayArea(kTabs);
        const QTabBar* bar = d.Control(kTabs)->findChild<QTabBar*>();
        for (int tab = 0; tab < 4; ++tab) {
            EXPECT_GE(area.top, bar->mapToParent(bar->tabRect(tab).bottomLeft()).y() + 1);
        }

        ASSERT_TRUE(page.CreateAsChild(d, kTabs));
        EXPECT_EQ(page.Window()->parentWidget(), d.Control(kTabs));
        ASSERT_TRUE(doomed->CreateAsChild(d, kTabs));
        page.MoveWindow(area);
        EXPECT_EQ(page.Peer()->WindowRect(), area);
    };
    dialog.onShown = [&](ScriptedDialog& d) {
        // Enter on a page goes to its window's default button.
        int okPresses = 0;
        d.Bind(kOk, [&] { ++okPresses; });
        QTest::keyClick(page.Control(kPageCheck), Qt::Key_Return);
        EXPECT_EQ(okPresses, 1);
        // A page whose object goes from inside its own handler takes its window along.
        const QPointer<QWidget> doomedWindow = doomed->Window();
        doomed->Control<QPushButton>(kPageButton)->click();
        EXPECT_EQ(doomed, nullptr);
        QTest::qWait(1);
        EXPECT_TRUE(doomedWindow.isNull());
        d.EndDialog(kResultOk);
    };
    EXPECT_EQ(dialog.DoModal(), kResultOk);
}

TEST(QtWindow, ModalRunsDisableTheirOwnerUntilTheyEnd) {
    ScriptedDialog outer(Toolkit(), kMain);
    int buttonClicks = 0;
    int sysCommands = 0;
    outer.Bind(kButton, [&] { ++buttonClicks; });
    outer.onSysCommand = [&](int) { return ++sysCommands > 0; };
    outer.onInit = [](ScriptedDialog& d) { EXPECT_TRUE(d.AppendSystemMenu("关于", 0x10)); };
    outer.onShown = [&](ScriptedDialog& d) {
        QWidget* window = d.Window();
        // A box run from this window is owned by it and disables it meanwhile.
        ScriptedDialog inner(Toolkit(), kWindow);
        inner.onShown = [&](ScriptedDialog& box) {
            EXPECT_EQ(box.Window()->parentWidget(), window);
            EXPECT_EQ(QApplication::activeModalWidget(), box.Window());
            EXPECT_FALSE(d.Window()->TakesInput());
            box.EndDialog(3);
        };
        EXPECT_EQ(inner.DoModal(&d), 3);
        EXPECT_TRUE(d.Window()->TakesInput());
        EXPECT_EQ(d.DoModal(), -1);  // it is running already

        // Without an owner it belongs to the running window all the same, which takes
        // no commands meanwhile: a click by an accessibility tool, Escape, F1 and the
        // close box do nothing.
        ScriptedDialog unowned(Toolkit(), kWindow);
        unowned.onShown = [&](ScriptedDialog& box) {
            EXPECT_EQ(box.Window()->parentWidget(), window);
            d.Control<QPushButton>(kButton)->click();
            QTest::keyClick(window, Qt::Key_Escape);
            QTest::keyClick(window, Qt::Key_F1);
            window->close();
            box.EndDialog(4);
        };
        EXPECT_EQ(unowned.DoModal(), 4);
        EXPECT_EQ(buttonClicks, 0);
        EXPECT_EQ(sysCommands, 0);
        d.Control<QPushButton>(kButton)->click();
        EXPECT_EQ(buttonClicks, 1);
        d.EndDialog(kResultOk);
    };
    EXPECT_EQ(outer.DoModal(), kResultOk);
}

TEST(QtWindow, AboutEntryGoesInTheContextMenuAndOnF1) {
    ScriptedDialog dialog(Toolkit(), kMain);
    std::vector<int> commands;
    dialog.onSysCommand = [&](int command) {
        commands.push_back(command);
        return true;
    };
    dialog.onInit = [](ScriptedDialog& d) {
        EXPECT_TRUE(d.AppendSystemMenu("关于配置工具(&A)...", kAboutCommand));
    };
    dialog.onShown = [&](ScriptedDialog& d) {
        QTest::keyClick(d.Control(kButton), Qt::Key_F1);
        EXPECT_EQ(commands, std::vector<int>{kAboutCommand});
        QString entry;
        WhenShown<QMenu>([&](QMenu& menu) {
            ASSERT_EQ(menu.actions().size(), 1);
            entry = menu.actions().front()->text();
            menu.actions().front()->trigger();
            menu.close();
        });
        QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(5, 5),
                                d.Window()->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(d.Window(), &click);
        EXPECT_EQ(entry, "关于配置工具(&A)...");
        EXPECT_EQ(commands, (std::vector<int>{kAboutCommand, kAboutCommand}));
        d.EndDialog(kResultOk);
    };
    EXPECT_EQ(dialog.DoModal(), kResultOk);
}

TEST(QtWindow, MessageBoxesShowCaptionTextAndIconOverTheirOwner) {
    ScriptedDialog dialog(Toolkit(), kMain);
    struct Seen {
        QString caption, text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        bool ownedByWindow = false;
        bool ownerTookInput = true;
        Qt::CursorShape cursor = Qt::WaitCursor;
    };
    std::vector<Seen> seen;
    const auto answer = [&](ScriptedDialog& d) {
        WhenShown<QMessageBox>([&](QMessageBox& box) {
            const QCursor* cursor = QGuiApplication::overrideCursor();
            seen.push_back({box.windowTitle(), box.text(), box.icon(),
                            box.parentWidget() == d.Window(), d.Window()->TakesInput(),
                            cursor != nullptr ? cursor->shape() : Qt::ArrowCursor});
            QTest::keyClick(&box, Qt::Key_Escape);
        });
    };
    dialog.onShown = [&](ScriptedDialog& d) {
        d.SetCursor(Cursor::Wait);
        answer(d);
        EXPECT_EQ(d.MessageBox("未找到设备。", "提示", kMessageIconInformation), kResultOk);
        // The wait cursor gave way to the arrow over the box, and is back.
        ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
        EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
        d.SetCursor(Cursor::Arrow);
        EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
        answer(d);
        d.MessageBox("写入失败 <b>&</b>", "kdconfig", kMessageIconWarning | kMessageSystemModal);
        answer(d);
        d.MessageBox("两个图标", "x", kMessageIconWarning | kMessageIconInformation);
        d.EndDialog(kResultOk);
    };
    EXPECT_EQ(dialog.DoModal(), kResultOk);
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0].caption, "提示");
    EXPECT_EQ(seen[0].text, "未找到设备。");
    EXPECT_EQ(seen[0].icon, QMessageBox::Information);
    EXPECT_TRUE(seen[0].ownedByWindow);
    EXPECT_FALSE(seen[0].ownerTookInput);
    EXPECT_EQ(seen[0].cursor, Qt::ArrowCursor);
    EXPECT_EQ(seen[1].text, "写入失败 <b>&</b>");  // shown as plain text
    EXPECT_EQ(seen[1].icon, QMessageBox::Warning);
    EXPECT_EQ(seen[2].icon, QMessageBox::Warning);
    EXPECT_EQ(Toolkit().ApplicationName(), "qt_backend_tests");
}

TEST(QtWindow, FileDialogsAreOwnedByTheAskingWindow) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString existing = folder.filePath(QStringLiteral("旧配置.txt"));
    QFile file(existing);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    const QString plain = folder.filePath(QStringLiteral("plain"));
    QFile plainFile(plain);
    ASSERT_TRUE(plainFile.open(QIODevice::WriteOnly));
    plainFile.close();

    ScriptedDialog dialog(Toolkit(), kMain);
    ScriptedDialog page(Toolkit(), kPage);
    struct Seen {
        QString title, filter, suggested;
        bool ownedByWindow = false;
        bool ownerTookInput = true;
    };
    std::vector<Seen> seen;
    const auto answer = [&](ScriptedDialog& d, QString path) {
        WhenShown<QFileDialog>([&, path](QFileDialog& box) {
            seen.push_back({box.windowTitle(), box.selectedNameFilter(),
                            box.selectedFiles().value(0), box.parentWidget() == d.Window(),
                            d.Window()->TakesInput()});
            if (path.isEmpty()) {
                box.reject();
            } else {
                // Typed as a user does: selectFile depends on whether the name field
                // has the focus and the folder has been read yet.
                auto* name = box.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
                ASSERT_NE(name, nullptr);
                name->setText(path);
                QMetaObject::invokeMethod(&box, "accept");
            }
        });
    };
    std::vector<std::optional<std::string>> chosen;
    dialog.onShown = [&](ScriptedDialog& d) {
        ASSERT_TRUE(page.CreateAsChild(d, kTabs));
        // Asked from a page, owned by its window; a name without extension gets one.
        answer(d, folder.filePath(QStringLiteral("新配置")));
        chosen.push_back(Toolkit().ChooseFile(
            &page, {FileDialogKind::Save, "导出配置", "配置文件 (*.txt)", "*.txt", "读码器.txt"}));
        answer(d, existing);
        chosen.push_back(
            Toolkit().ChooseFile(&d, {FileDialogKind::Open, "导入配置", "配置文件", "*.txt", ""}));
        answer(d, QString());
        chosen.push_back(Toolkit().ChooseFile(
            nullptr, {FileDialogKind::Open, "导入配置", "配置文件", "*.txt", ""}));
        // A name that exists is written as typed, suffix or not.
        for (const QString& typed : {QStringLiteral("/dev/full"), plain}) {
            answer(d, typed);
            WhenShown<QMessageBox>([](QMessageBox& replace) {
                replace.button(QMessageBox::Yes)->click();  // "replace it?"
            });
            chosen.push_back(Toolkit().ChooseFile(
                &d, {FileDialogKind::Save, "导出配置", "配置文件 (*.txt)", "*.txt", ""}));
        }
        d.EndDialog(kResultOk);
    };
    EXPECT_EQ(dialog.DoModal(), kResultOk);
    ASSERT_EQ(seen.size(), 5u);
    EXPECT_EQ(seen[0].title, "导出配置");
    EXPECT_EQ(seen[0].filter, "配置文件 (*.txt)");
    EXPECT_TRUE(seen[0].suggested.endsWith("/读码器.txt"));
    EXPECT_EQ(seen[1].filter, "配置文件 (*.txt)");
    for (const Seen& box : seen) {
        EXPECT_TRUE(box.ownedByWindow);
        EXPECT_FALSE(box.ownerTookInput);
    }
    ASSERT_EQ(chosen.size(), 5u);
    EXPECT_EQ(chosen[0], QFile::encodeName(folder.filePath("新配置.txt")).toStdString());
    EXPECT_EQ(chosen[1], QFile::encodeName(existing).toStdString());
    EXPECT_EQ(chosen[2], std::nullopt);
    EXPECT_EQ(chosen[3], "/dev/full");
    EXPECT_EQ(chosen[4], QFile::encodeName(plain).toStdString());
}

// Tab goes from the tabs into the page on show and then on to the controls after the
// tab control, as through a control parent on Windows.
TEST(QtWindow, TabWalksFromTheTabsIntoTheShownPage) {
    constexpr ControlTemplate controls[] = {
        {kTabs, ControlKind::TabControl, "", 5, 5, 240, 120, kGroup},
        {kOk, ControlKind::PushButton, "确定", 200, 150, 50, 14, kGroup},
    };
    const DialogTemplate window{913, DialogStyle::Modal, "外窗口", 260, 190, "宋体", 9, controls};
    ScriptedDialog dialog(Toolkit(), window);
    ScriptedDialog hidden(Toolkit(), kPage);
    ScriptedDialog shown(Toolkit(), kPage);
    dialog.onShown = [&](ScriptedDialog& d) {
        ASSERT_TRUE(hidden.CreateAsChild(d, kTabs));
        ASSERT_TRUE(shown.CreateAsChild(d, kTabs));
        hidden.ShowWindow(false);
        std::vector<QWidget*> walk;
        QWidget* at = d.Control(kTabs)->findChild<QTabBar*>();
        while (walk.size() < 3) {
            at = at->nextInFocusChain();
            if ((at->focusPolicy() & Qt::TabFocus) != 0 && at->isVisible()) {
                walk.push_back(at);
            }
        }
        EXPECT_EQ(walk, (std::vector<QWidget*>{shown.Control(kPageButton),
                                               shown.Control(kPageCheck), d.Control(kOk)}));
        d.EndDialog(kResultOk);
    };
    EXPECT_EQ(dialog.DoModal(), kResultOk);
}

}  // namespace
}  // namespace kd::test
