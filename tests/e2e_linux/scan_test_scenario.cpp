// 扫描测试: the scan test window after connect, reads written into the modelled reader's
// FIFO, and a suffix changed in the settings dialog showing in the next read.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>

#include <QAccessible>
#include <QApplication>
#include <QListWidget>
#include <QMenu>
#include <QTest>
#include <string>

#include "tests/e2e_linux/scenarios.h"
#include "tests/e2e_linux/settings_steps.h"
#include "tests/e2e_linux/widgets.h"

namespace kd::e2e {

namespace {

QWidget* ScanTest() {
    return Window(QStringLiteral("扫描测试"), 1432);
}
QListWidget* Reads() {
    return qobject_cast<QListWidget*>(Control(ScanTest(), 1432));
}
bool ListHolds(int count, const QString& last) {
    QListWidget* reads = Reads();
    return reads != nullptr && reads->count() == count &&
           reads->item(count - 1)->text().contains(last);
}

// One code read, as a hand-held scan would give it.
bool Scan(const Setup& setup, const std::string& content) {
    const std::string line = content + "\n";
    const int fifo = ::open(setup.scanFifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    const bool written =
        fifo >= 0 && ::write(fifo, line.data(), line.size()) == static_cast<ssize_t>(line.size());
    if (fifo >= 0) {
        ::close(fifo);
    }
    return written;
}

void ChangeSuffix(Script& script) {
    OpenSettings(script);
    script.WaitFor("the scan test pauses",
                   [] { return Text(Control(ScanTest(), 1431)).find("暂停监听") == 0; });
    script.Try("tab 2",
               [] { return PickTab(Settings(), 2) && PageControl("fmt", 1036)->isVisible(); });
    script.Try("suffix in hex, 5D", [] {
        return SetChecked(PageControl("fmt", 1053), true) &&
               SetChecked(PageControl("fmt", 1030), true) &&
               Type(PageControl("fmt", 1033), QStringLiteral("5D"));
    });
    script.Do("click 保存", [] { Click(Control(Settings(), 1016)); });
    WaitForMessage(script, "保存成功!");
    CloseSettings(script);
}

}  // namespace

void ScanTestScenario(Script& script, const Setup& setup) {
    Connect(script);
    script.Do("right-click the window", [] { OpenContextMenu(MainWindow()); });
    script.Try("pick 扫描测试", [] { return PickContextMenuEntry(QStringLiteral("扫描测试")); });
    script.WaitFor("the scan test", [] { return ScanTest() != nullptr; });
    script.CheckEqual(
        "scan test: what it listens for", [] { return Text(Control(ScanTest(), 1431)); },
        "正在监听：条码以 0D 结束；卡号在停顿后结束");
    script.Try("scan KD-SCAN-1", [&setup] { return Scan(setup, "KD-SCAN-1"); });
    script.WaitFor("the read, with its hex", [] {
        return ListHolds(
            1, QStringLiteral("条码  KD-SCAN-1  [content 4B 44 2D 53 43 41 4E 2D 31 | CR 0D]"));
    });
    script.Check("scan test: the main window still takes clicks", [] {
        return MainWindow()->isEnabled() && Control(MainWindow(), 1003)->isEnabled();
    });
    script.CheckEqual(
        "scan test: the list is named by its label",
        [] {
            return QAccessible::queryAccessibleInterface(Reads())
                ->text(QAccessible::Name)
                .toStdString();
        },
        "收到的读码：时间、内容、各部分的十六进制");
    script.Do("focus the list and press Tab", [] {
        ScanTest()->activateWindow();
        Reads()->setFocus();
        QTest::keyClick(Reads(), Qt::Key_Tab);
    });
    script.Check("scan test: Tab reaches 清除",
                 [] { return QApplication::focusWidget() == Control(ScanTest(), 1433); });
    script.Check("scan test: screenshot",
                 [&setup] { return Shot(ScanTest(), setup.outDir + "/scan_test.png"); });

    ChangeSuffix(script);
    script.WaitFor("listening again, reads now ending with the suffix", [] {
        return Text(Control(ScanTest(), 1431)) == "正在监听：条码以 5D 0D 结束；卡号在停顿后结束";
    });
    script.Check("the output keys were asked again after the store", [&setup] {
        const auto requests = Requests(setup.frameLog);
        const auto store = std::find(requests.rbegin(), requests.rend(), "store");
        return store != requests.rend() &&
               std::find(requests.rbegin(), store, "read codepostfix") != store;
    });
    script.Try("scan KD-SCAN-2", [&setup] { return Scan(setup, "KD-SCAN-2"); });
    script.WaitFor("the read with the new suffix", [] {
        return ListHolds(
            2, QStringLiteral(
                   "条码  KD-SCAN-2  [content 4B 44 2D 53 43 41 4E 2D 32 | suffix 5D | CR 0D]"));
    });
    script.Do("clear", [] { Click(Control(ScanTest(), 1433)); });
    script.Check("清除 empties the list", [] { return Reads()->count() == 0; });
    script.Do("press Escape", [] { QTest::keyClick(Reads(), Qt::Key_Escape); });
    script.WaitFor("the scan test to close", [] { return ScanTest() == nullptr; });
    Quit(script);
}

}  // namespace kd::e2e
