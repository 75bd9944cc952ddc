// 通信记录: the frame log window, opened from the main window's context menu after connect.
#include <QAccessible>
#include <QApplication>
#include <QContextMenuEvent>
#include <QListWidget>
#include <QMenu>
#include <QTest>
#include <memory>

#include "tests/e2e_linux/scenarios.h"
#include "tests/e2e_linux/widgets.h"

namespace kd::e2e {

namespace {

QWidget* Main() {
    return Window(kMainTitle, 1006);
}
QWidget* FrameLog() {
    return Window(QStringLiteral("通信记录"), 1401);
}
QListWidget* Frames() {
    return qobject_cast<QListWidget*>(Control(FrameLog(), 1401));
}

}  // namespace

void FrameLogScenario(Script& script, const Setup& setup) {
    script.WaitFor(
        "the main window", [] { return Main() != nullptr; }, 20000);
    script.Do("right-click the window before connect", [] { OpenContextMenu(Main()); });
    script.WaitFor("the context menu", [] { return ContextMenuEntry(QStringLiteral("通信记录")); });
    script.Check("before connect: 通信记录 greyed out",
                 [] { return !ContextMenuEntry(QStringLiteral("通信记录"))->isEnabled(); });
    script.Do("close the menu", [] {
        QAction* entry = ContextMenuEntry(QStringLiteral("通信记录"));
        static_cast<QMenu*>(entry->parent())->close();
    });
    Connect(script);
    script.Do("right-click the window", [] { OpenContextMenu(Main()); });
    script.WaitFor("通信记录 enabled", [] {
        QAction* entry = ContextMenuEntry(QStringLiteral("通信记录"));
        return entry != nullptr && entry->isEnabled();
    });
    script.Do("pick 通信记录", [] {
        QAction* entry = ContextMenuEntry(QStringLiteral("通信记录"));
        auto* menu = static_cast<QMenu*>(entry->parent());
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(entry).center());
    });
    script.WaitFor("the frame log", [] { return FrameLog() != nullptr; });
    script.Check("frame log: connect's six frames, the handshake first", [] {
        QListWidget* frames = Frames();
        return frames != nullptr && frames->count() == 6 &&
               frames->item(0)->text().contains(
                   QStringLiteral("发送 > 68 DD DD 01 00 00 00 69  handshake")) &&
               frames->item(3)->text().contains(QStringLiteral("reply \"masterver=V3.1.7\""));
    });
    script.Check("frame log: the main window still takes clicks",
                 [] { return Main()->isEnabled() && Control(Main(), 1003)->isEnabled(); });
    script.CheckEqual(
        "frame log: the list is named by its label",
        [] {
            return QAccessible::queryAccessibleInterface(Frames())
                ->text(QAccessible::Name)
                .toStdString();
        },
        "自连接起收发的帧（最多保留 10000 条）");
    script.Do("focus the list and press Tab", [] {
        FrameLog()->activateWindow();
        Frames()->setFocus();
        QTest::keyClick(Frames(), Qt::Key_Tab);
    });
    script.Check("frame log: Tab reaches 复制",
                 [] { return QApplication::focusWidget() == Control(FrameLog(), 1402); });
    script.Check("frame log: screenshot",
                 [&setup] { return Shot(FrameLog(), setup.outDir + "/frame_log.png"); });
    script.Do("press Escape", [] { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape); });
    script.WaitFor("the frame log to close", [] { return FrameLog() == nullptr; });
    Quit(script);
}

}  // namespace kd::e2e
