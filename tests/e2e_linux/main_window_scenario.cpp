// The main window on one run of the program.
#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QElapsedTimer>
#include <QMenu>
#include <QMessageBox>
#include <QProcess>
#include <QTest>
#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>

#include "tests/e2e_linux/scenarios.h"
#include "tests/e2e_linux/widgets.h"

namespace kd::e2e {

namespace {

QWidget* Main() {
    return Window(kMainTitle, 1006);
}
QWidget* MainControl(int id) {
    return Control(Main(), id);
}

// Runs a tool to its end; its standard output, trimmed.
std::string Run(const QString& program, const QStringList& args) {
    QProcess process;
    process.start(program, args);
    process.waitForFinished(5000);
    return process.readAllStandardOutput().trimmed().toStdString();
}

// The visible X windows of this title, as another program sees them.
std::vector<std::string> XWindows(const QString& title) {
    QString pattern;
    for (const QChar c : title) {
        if (QStringLiteral(".[]{}()\\*+?^$|").contains(c)) {
            pattern += '\\';
        }
        pattern += c;
    }
    std::istringstream found(
        Run("xdotool", {"search", "--onlyvisible", "--name", "^" + pattern + "$"}));
    std::vector<std::string> ids;
    for (std::string id; found >> id;) {
        ids.push_back(id);
    }
    return ids;
}

void StartupChecks(Script& script, const Setup& setup) {
    script.WaitFor(
        "the main window", [] { return Main() != nullptr; }, 20000);
    script.Check("start-up: the first port selected",
                 [] { return ComboSelection(MainControl(1006)) == 0; });
    script.CheckEqual(
        "start-up: the port named on the command line comes first",
        [] { return Text(MainControl(1006)); }, setup.firstPort);
    // run.sh names the reader's pseudo-terminal and then a link to it.
    script.Check("start-up: a port named twice, by a link the second time, is listed once", [] {
        return !QString::fromStdString(ComboItems(MainControl(1006))).contains("reader-link");
    });
    script.CheckEqual(
        "start-up: baud rates", [] { return ComboItems(MainControl(1007)); },
        "110|300|1200|2400|4800|9600|19200|38400|57600|115200");
    script.CheckEqual(
        "start-up: line settings 9600/8/1/NONE",
        [] {
            return Text(MainControl(1007)) + "/" + Text(MainControl(1008)) + "/" +
                   Text(MainControl(1009)) + "/" + Text(MainControl(1010));
        },
        "9600/8/1/NONE");
    script.CheckEqual(
        "start-up: data bits, stop bits, parities",
        [] {
            return ComboItems(MainControl(1008)) + " " + ComboItems(MainControl(1009)) + " " +
                   ComboItems(MainControl(1010));
        },
        "5|6|7|8 1|2 NONE|ODD|EVEN|MARK|SPACE");
    script.CheckEqual(
        "start-up: 未连接, no version shown",
        [] {
            return Text(MainControl(1014)) + "[" + Text(MainControl(1012)) + "][" +
                   Text(MainControl(1013)) + "]";
        },
        "未连接[][]");
    script.Check("start-up: serial chosen; the HID radio and list hidden", [] {
        return Checked(MainControl(1000)) && MainControl(1001)->isHidden() &&
               MainControl(1011)->isHidden();
    });
    script.Check("start-up: 刷新, 连接设备, 退出 enabled; 更改配置 and the uploads disabled", [] {
        return MainControl(1015)->isEnabled() && MainControl(1002)->isEnabled() &&
               MainControl(1)->isEnabled() && !MainControl(1003)->isEnabled() &&
               !MainControl(1004)->isEnabled() && !MainControl(1005)->isEnabled() &&
               MainControl(1004)->isHidden() && MainControl(1005)->isHidden();
    });
    script.CheckEqual(
        "start-up: button captions",
        [] {
            return Text(MainControl(1015)) + "," + Text(MainControl(1002)) + "," +
                   Text(MainControl(1003)) + "," + Text(MainControl(1));
        },
        "刷    新,连接设备,更改配置,退    出");
    script.Check("start-up: screenshot",
                 [&setup] { return Shot(Main(), setup.outDir + "/main_window_startup.png"); });
}

// The real program file again, while this copy holds the lock: its message box, seen
// and dismissed through the X server, then its exit code.
void SecondCopy(Script& script, const Setup& setup) {
    auto second = std::make_shared<QProcess>();
    auto box = std::make_shared<std::string>();
    script.Do("start a second copy", [second, &setup] {
        second->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QStringList args;
        for (const std::string& arg : setup.programArguments) {
            args << QString::fromStdString(arg);
        }
        second->start(QString::fromStdString(setup.kdconfig), args);
    });
    script.WaitFor(
        "the second copy's message box",
        [box] {
            const auto found = XWindows(kAppName);
            *box = found.empty() ? "" : found.front();
            return !box->empty();
        },
        15000);
    script.Check("second copy: no second main window",
                 [] { return XWindows(kMainTitle).size() == 1; });
    script.Do("screenshot and dismiss the second copy's message", [box, &setup] {
        Run("import", {"-window", QString::fromStdString(*box),
                       QString::fromStdString(setup.outDir + "/second_copy.png")});
        Run("xdotool", {"windowfocus", "--sync", QString::fromStdString(*box)});
        Run("xdotool", {"key", "--clearmodifiers", "Return"});
    });
    script.WaitFor(
        "the second copy to end", [second] { return second->state() == QProcess::NotRunning; },
        10000);
    script.Check("second copy: exit code 0", [second] {
        return second->exitStatus() == QProcess::NormalExit && second->exitCode() == 0;
    });
    script.CheckEqual(
        "second copy: the first keeps running, not connected",
        [] { return Text(MainControl(1014)); }, "未连接");
}

// About, from F1 and from the window's context menu.
void About(Script& script, const Setup& setup) {
    const auto aboutBox = [] { return Window("关于配置工具", 1014); };
    const auto closeAbout = [&script, &setup, aboutBox](bool shot) {
        script.WaitFor("the About box", [aboutBox] { return aboutBox() != nullptr; });
        script.CheckEqual(
            "About: its first line", [aboutBox] { return Text(Control(aboutBox(), 1014)); },
            "更新工具 v1.0.5");
        if (shot) {
            script.Check("About: screenshot", [aboutBox, &setup] {
                return Shot(aboutBox(), setup.outDir + "/about_box.png");
            });
        }
        script.Do("close About with OK", [aboutBox] { Click(Control(aboutBox(), 1)); });
        script.WaitFor("About to close", [aboutBox] { return aboutBox() == nullptr; });
    };
    script.Do("press F1", [] { QTest::keyClick(Main(), Qt::Key_F1); });
    closeAbout(true);

    // What the window system sends for a right click or the menu key.
    script.Do("right-click the window", [] {
        const QPoint at(4, 4);
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, Main()->mapToGlobal(at));
        QApplication::sendEvent(Main(), &event);
    });
    auto menu = std::make_shared<QMenu*>(nullptr);
    auto entry = std::make_shared<QAction*>(nullptr);
    script.WaitFor("the context menu with 关于配置工具", [menu, entry] {
        for (QWidget* top : QApplication::topLevelWidgets()) {
            auto* shown = qobject_cast<QMenu*>(top);
            if (shown == nullptr || !shown->isVisible()) {
                continue;
            }
            for (QAction* action : shown->actions()) {
                if (action->text().contains(QStringLiteral("关于配置工具"))) {
                    *menu = shown;
                    *entry = action;
                    return true;
                }
            }
        }
        return false;
    });
    script.Do("pick 关于配置工具", [menu, entry] {
        QTest::mouseClick(*menu, Qt::LeftButton, {}, (*menu)->actionGeometry(*entry).center());
    });
    closeAbout(false);
}

// 刷新 lists the ports again and selects the first; the line settings stay as they were.
void Refresh(Script& script) {
    script.Try("pick the last port, 19200 and EVEN", [] {
        auto* ports = qobject_cast<QComboBox*>(MainControl(1006));
        return ports != nullptr && Pick(ports, ports->itemText(ports->count() - 1)) &&
               Pick(MainControl(1007), QStringLiteral("19200")) &&
               Pick(MainControl(1010), QStringLiteral("EVEN"));
    });
    script.Try("click 刷新", [] { return Click(MainControl(1015)); });
    script.Check("refresh: the first port selected again, line settings kept, no message", [] {
        return ComboSelection(MainControl(1006)) == 0 && Text(MainControl(1007)) == "19200" &&
               Text(MainControl(1010)) == "EVEN" && MainControl(1015)->isEnabled() &&
               MainControl(1002)->isEnabled() && !MainControl(1003)->isEnabled() &&
               MessageBox() == nullptr;
    });
    script.Try("back to 9600 and NONE", [] {
        return Pick(MainControl(1007), QStringLiteral("9600")) &&
               Pick(MainControl(1010), QStringLiteral("NONE"));
    });
}

void ConnectChecks(Script& script, const Setup& setup) {
    auto clock = std::make_shared<QElapsedTimer>();
    script.Do("click 连接设备", [clock] {
        clock->start();
        Click(MainControl(1002));
    });
    script.WaitFor(
        "已连接", [] { return Text(MainControl(1014)) == "已连接"; }, 15000);
    script.Do("time the connect", [clock] {
        std::printf("       connect took %lld ms\n", static_cast<long long>(clock->elapsed()));
    });
    script.CheckEqual(
        "connect: version and build date shown",
        [] { return Text(MainControl(1012)) + " / " + Text(MainControl(1013)); },
        "V3.1.7 / 2026-10-12 15:04:33");
    script.Check("connect: 更改配置 enabled; 刷新 and 连接设备 disabled; no message", [] {
        return MainControl(1003)->isEnabled() && !MainControl(1015)->isEnabled() &&
               !MainControl(1002)->isEnabled() && MessageBox() == nullptr;
    });
    script.CheckEqual(
        "connect: the reader received exactly the handshake and two queries",
        [&setup] { return Joined(RequestFrames(setup.frameLog)); },
        "68 DD DD 01 00 00 00 69, "
        "77 CC DD 08 00 09 00 6D 61 73 74 65 72 76 65 72 1A, "
        "77 CC DD 08 00 08 00 73 6C 61 76 65 76 65 72 6A");
    script.Check("connect: screenshot",
                 [&setup] { return Shot(Main(), setup.outDir + "/main_window.png"); });
}

}  // namespace

void Connect(Script& script) {
    script.WaitFor(
        "the main window", [] { return Main() != nullptr; }, 20000);
    script.Do("click 连接设备", [] { Click(MainControl(1002)); });
    script.WaitFor(
        "已连接", [] { return Text(MainControl(1014)) == "已连接"; }, 15000);
}

// The program's run ends with its window: the driver sees that when RunKdconfig returns.
void Quit(Script& script) {
    script.Try("click 退出", [] { return Click(MainControl(1)); });
}

void MainWindowScenario(Script& script, const Setup& setup) {
    StartupChecks(script, setup);
    SecondCopy(script, setup);
    About(script, setup);
    Refresh(script);
    ConnectChecks(script, setup);
    Quit(script);
}

std::vector<std::string> RequestFrames(const std::string& frameLog) {
    std::ifstream in(frameLog);
    std::vector<std::string> frames;
    for (std::string line; std::getline(in, line);) {
        const size_t rx = line.find(" RX ");
        const size_t note = line.find("  # ");
        if (rx != std::string::npos && note != std::string::npos && rx < note) {
            frames.push_back(line.substr(rx + 4, note - rx - 4));
        }
    }
    return frames;
}

std::vector<std::string> Requests(const std::string& frameLog) {
    std::ifstream in(frameLog);
    std::vector<std::string> notes;
    for (std::string line; std::getline(in, line);) {
        const size_t rx = line.find(" RX ");
        const size_t note = line.find("  # ");
        if (rx != std::string::npos && note != std::string::npos && rx < note) {
            notes.push_back(line.substr(note + 4));
        }
    }
    return notes;
}

std::string Joined(const std::vector<std::string>& lines, size_t from) {
    std::string joined;
    for (size_t i = from; i < lines.size(); ++i) {
        joined += (i > from ? ", " : "") + lines[i];
    }
    return joined;
}

}  // namespace kd::e2e
