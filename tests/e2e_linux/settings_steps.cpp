// Steps and lookups shared by the settings dialog's scenarios.
#include "tests/e2e_linux/settings_steps.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFileInfo>
#include <QMessageBox>
#include <algorithm>
#include <fstream>
#include <map>

#include "tests/e2e_linux/widgets.h"

namespace kd::e2e {

QWidget* MainWindow() {
    return Window(kMainTitle, 1006);
}
// The settings dialog has the main window's title; only it has 保存 (1016).
QWidget* Settings() {
    return Window(kMainTitle, 1016);
}

// The pages reuse control ids: each is named by a control only it has.
QWidget* PageControl(const std::string& page, int id) {
    static const std::map<std::string, int> kMarks = {
        {"sym", 1019}, {"mode", 1022}, {"fmt", 1036}, {"ctl", 1044}, {"about", 1018}};
    const int mark = kMarks.at(page);
    return Control(Page(Settings(), mark, mark == 1019 ? 1022 : 1019), id);
}

namespace {

std::string Observe(const Expect& expect) {
    QWidget* control = PageControl(expect.page, expect.id);
    if (control == nullptr) {
        return "(missing)";
    }
    if (expect.what == "checked") {
        return Checked(control) ? "1" : "0";
    }
    if (expect.what == "shown") {
        return control->isHidden() ? "0" : "1";
    }
    if (expect.what == "enabled") {
        return control->isEnabled() ? "1" : "0";
    }
    if (expect.what == "items") {
        return ComboItems(control);
    }
    return Text(control);
}

}  // namespace

// One check for a whole table: it lists the controls that differ.
void CheckAll(Script& script, const std::string& what, std::vector<Expect> table) {
    script.CheckEqual(
        what,
        [table] {
            std::string differing;
            for (const Expect& expect : table) {
                const std::string got = Observe(expect);
                if (got != expect.value) {
                    differing += expect.page + ":" + std::to_string(expect.id) + " " + expect.what +
                                 " is \"" + got + "\" not \"" + expect.value + "\"; ";
                }
            }
            return differing;
        },
        "");
}

void OpenSettings(Script& script) {
    script.Do("click 更改配置", [] { Click(Control(MainWindow(), 1003)); });
    script.WaitFor("the settings dialog", [] { return Settings() != nullptr; });
}

void WaitForMessage(Script& script, const std::string& text) {
    script.WaitFor(
        "a message box", [] { return MessageBox() != nullptr; }, 15000);
    script.CheckEqual(
        "the message box says: " + text, [] { return MessageText(MessageBox()); }, text);
    // Plain message boxes carry the program file's name: here, the driver's.
    script.Check("its caption is the program's name", [] {
        return Caption(MessageBox()) ==
               QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName().toStdString();
    });
    script.Try("dismiss it with OK", [] { return PressOk(MessageBox()); });
    script.WaitFor("the message box to close", [] { return MessageBox() == nullptr; });
}

void CloseSettings(Script& script) {
    script.Do("click 退出 of the dialog", [] { Click(Control(Settings(), 1017)); });
    script.WaitFor("the dialog to close", [] { return Settings() == nullptr; });
}

std::vector<std::string> Lines(const std::string& file) {
    std::ifstream in(file);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

std::string Missing(const std::vector<std::string>& lines, std::vector<std::string> wanted) {
    std::string missing;
    for (const std::string& line : wanted) {
        if (std::find(lines.begin(), lines.end(), line) == lines.end()) {
            missing += line + " ";
        }
    }
    return missing;
}

}  // namespace kd::e2e
