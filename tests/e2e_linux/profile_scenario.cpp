// The settings dialog's 导出配置… and 导入配置… through the Qt file dialogs.
#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QTest>
#include <cstdio>
#include <fstream>
#include <memory>

#include "tests/e2e_linux/settings_steps.h"
#include "tests/e2e_linux/widgets.h"

namespace kd::e2e {

namespace {

// The open file dialog with this title, if any.
QFileDialog* FileDialog(const QString& title) {
    for (QWidget* top : QApplication::topLevelWidgets()) {
        auto* dialog = qobject_cast<QFileDialog*>(top);
        if (dialog != nullptr && dialog->isVisible() && dialog->windowTitle() == title) {
            return dialog;
        }
    }
    return nullptr;
}

// Clicks a button that opens a file dialog, checks that the dialog belongs to the
// settings dialog, and types the path into it as a user would.
void ChooseFile(Script& script, int button, const QString& title, const std::string& path) {
    script.Do("click " + std::to_string(button), [button] { Click(Control(Settings(), button)); });
    script.WaitFor("the file dialog " + title.toStdString(),
                   [title] { return FileDialog(title) != nullptr; });
    script.Check("the file dialog belongs to the settings dialog, which takes no input", [title] {
        QWidget* owner = FileDialog(title)->parentWidget();
        return owner != nullptr && owner->window() == Settings() &&
               QApplication::activeModalWidget() == FileDialog(title);
    });
    script.Try("type the file's path and press Enter", [title, path] {
        auto* name = FileDialog(title)->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        if (!Type(name, QString::fromStdString(path))) {
            return false;
        }
        QTest::keyClick(name, Qt::Key_Return);
        return true;
    });
}

}  // namespace

// 导出配置… writes what the pages hold (here the values saved before); 导入配置… from a
// file with a Chinese name fills the pages and sends nothing until 保存.
void ProfileChecks(Script& script, const Setup& setup) {
    const std::string exported = setup.outDir + "/导出的配置.txt";
    const std::string imported = setup.outDir + "/导入的配置.txt";
    std::remove(exported.c_str());
    ChooseFile(script, 1101, QStringLiteral("导出配置"), exported);
    script.WaitFor("a message box", [] { return MessageBox() != nullptr; });
    script.Check("export: it says where the profile went",
                 [exported] { return MessageText(MessageBox()) == "配置已导出到：" + exported; });
    script.Try("dismiss it", [] { return PressOk(MessageBox()); });
    script.CheckEqual(
        "export: the profile holds the saved values",
        [exported] {
            return Missing(Lines(exported),
                           {"qrcode=0", "pdf417code=1", "com1_baudrate=115200", "codeprefix=AB",
                            "intervaltime=250", "deviceno=KD-E2E-42"});
        },
        "");

    auto before = std::make_shared<size_t>(0);
    script.Do("write a profile to import, and note the requests so far",
              [before, exported, imported, &setup] {
                  std::ofstream out(imported);
                  for (const std::string& line : Lines(exported)) {
                      out << (line == "qrcode=0"              ? "qrcode=1"
                              : line.starts_with("deviceno=") ? "deviceno=KD-IMPORTED-7"
                                                              : line)
                          << "\n";
                  }
                  *before = Requests(setup.frameLog).size();
              });
    ChooseFile(script, 1102, QStringLiteral("导入配置"), imported);
    WaitForMessage(script, "配置已导入到设置页，尚未写入设备。请检查后点击“保存”写入设备。");
    CheckAll(script, "import: the pages show the file",
             {{"sym", 1019, "checked", "1"}, {"about", 1055, "text", "KD-IMPORTED-7"}});
    script.Check("import: the reader saw no request",
                 [before, &setup] { return Requests(setup.frameLog).size() == *before; });
    script.Do("click 保存", [] { Click(Control(Settings(), 1016)); });
    WaitForMessage(script, "保存成功!");
    script.Check(
        "save after the import: the imported values written, then stored", [before, &setup] {
            const auto requests = Requests(setup.frameLog);
            const std::vector<std::string> sent(requests.begin() + *before, requests.end());
            return Missing(sent, {"write qrcode=1", "write deviceno=KD-IMPORTED-7"}).empty() &&
                   !sent.empty() && sent.back() == "store";
        });
}

}  // namespace kd::e2e
