// 固件升级 from the main window's context menu: progress, 取消 after a few blocks, a
// second try that goes through, the closing wait and the new version after the reconnect.
// run.sh starts the program in a folder holding an `update` image of kUpdateSize bytes,
// and a reader that reports V3.2.0 once a whole firmware image has arrived.
#include <QAccessible>
#include <QApplication>
#include <QMessageBox>
#include <QProgressBar>
#include <QTest>

#include "tests/e2e_linux/scenarios.h"
#include "tests/e2e_linux/widgets.h"

namespace kd::e2e {

namespace {

// 16 blocks, about a second each at this line speed: the window takes input between
// blocks, and each step of the script takes one such turn.
constexpr int kUpdateSize = 16192;

QWidget* Main() {
    return Window(kMainTitle, 1006);
}
QWidget* Upload() {
    return Window(QStringLiteral("固件升级"), 1415);
}
QWidget* UploadControl(int id) {
    return Control(Upload(), id);
}
QProgressBar* Bar() {
    return qobject_cast<QProgressBar*>(UploadControl(1415));
}
bool StatusHolds(const char* text) {
    return Upload() != nullptr && Text(UploadControl(1417)).find(text) != std::string::npos;
}

void OpenUploadDialog(Script& script) {
    script.Do("right-click the window", [] { OpenContextMenu(Main()); });
    script.WaitFor("固件升级 in the menu", [] {
        QAction* entry = ContextMenuEntry(QStringLiteral("固件升级"));
        return entry != nullptr && entry->isEnabled();
    });
    // The dialog is modal: the pick returns when it closes, later steps go on meanwhile.
    script.Do("pick 固件升级", [] { PickContextMenuEntry(QStringLiteral("固件升级")); });
    script.WaitFor("the upload dialog", [] { return Upload() != nullptr; });
}

void CancelledTry(Script& script, const Setup& setup) {
    script.Do("click 开始", [] { Click(UploadControl(1)); });
    script.WaitFor("two blocks acknowledged", [] { return Bar() && Bar()->value() >= 2; });
    script.Check("while it runs: the main window takes no input",
                 [] { return QApplication::activeModalWidget() == Upload(); });
    script.Check("while it runs: 开始 and 浏览 disabled", [] {
        return !UploadControl(1)->isEnabled() && !UploadControl(1412)->isEnabled();
    });
    script.Check("progress: blocks, percentage, rate and time left", [] {
        const std::string line = Text(UploadControl(1416));
        return line.starts_with("已发送 ") && line.find("/16 块") != std::string::npos &&
               line.find("KB/s") != std::string::npos && line.find("剩余") != std::string::npos;
    });
    script.Check("upload: screenshot of the progress",
                 [&setup] { return Shot(Upload(), setup.outDir + "/upload_progress.png"); });
    script.Do("click 取消", [] { Click(UploadControl(2)); });
    script.WaitFor("the message that the image is partial", [] {
        QMessageBox* box = MessageBox();
        return box != nullptr && MessageText(box).find("部分") != std::string::npos;
    });
    script.Try("press OK", [] { return PressOk(MessageBox()); });
    script.Check("取消 stopped it between blocks, before the end",
                 [] { return Bar()->value() >= 2 && Bar()->value() < 16; });
    script.Check("after 取消: the status says so and 开始 is there again",
                 [] { return StatusHolds("部分") && UploadControl(1)->isEnabled(); });
}

void WholeUpload(Script& script, const Setup& setup) {
    script.Do("click 开始 again", [] { Click(UploadControl(1)); });
    script.WaitFor(
        "the closing wait's countdown", [] { return StatusHolds("还需等待"); }, 30000);
    script.Check("upload: screenshot of the countdown",
                 [&setup] { return Shot(Upload(), setup.outDir + "/upload_countdown.png"); });
    script.WaitFor(
        "the reconnect after the closing wait", [] { return StatusHolds("固件升级完成"); }, 60000);
    script.CheckEqual(
        "upload: old and new version side by side",
        [] { return Text(UploadControl(1418)) + " -> " + Text(UploadControl(1419)); },
        "V3.1.7 -> V3.2.0");
    script.CheckEqual(
        "upload: the main window shows the new version", [] { return Text(Control(Main(), 1012)); },
        "V3.2.0");
    script.Check("upload: screenshot of the result",
                 [&setup] { return Shot(Upload(), setup.outDir + "/upload_done.png"); });
}

}  // namespace

void UploadScenario(Script& script, const Setup& setup) {
    Connect(script);
    OpenUploadDialog(script);
    script.CheckEqual(
        "the file: update, its size",
        [] { return Text(UploadControl(1411)) + ", " + Text(UploadControl(1413)); },
        "update, " + std::to_string(kUpdateSize) + " 字节");
    script.Check("the file: its MD5 in 32 hex digits",
                 [] { return Text(UploadControl(1414)).size() == 32; });
    script.CheckEqual(
        "the progress bar is named",
        [] {
            return QAccessible::queryAccessibleInterface(Bar())
                ->text(QAccessible::Name)
                .toStdString();
        },
        "升级进度");
    script.Do("focus the file and press Tab", [] {
        Upload()->activateWindow();
        UploadControl(1411)->setFocus();
        QTest::keyClick(UploadControl(1411), Qt::Key_Tab);
    });
    script.Check("Tab reaches 浏览",
                 [] { return QApplication::focusWidget() == UploadControl(1412); });
    CancelledTry(script, setup);
    WholeUpload(script, setup);
    script.Do("press Escape", [] { QTest::keyClick(Upload(), Qt::Key_Escape); });
    script.WaitFor("the upload dialog to close", [] { return Upload() == nullptr; });
    Quit(script);
}

}  // namespace kd::e2e
