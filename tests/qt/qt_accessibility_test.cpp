// The program's windows as screen readers and test tools see them, through Qt's
// accessibility tree: every control of the main window and of the five settings pages has
// the name and role its template gives it.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QTimer>
#include <QtTest/QTest>
#include <map>

#include "config/config_dialog.h"
#include "resources/config_ids.h"
#include "resources/config_pages.h"
#include "resources/ids.h"
#include "resources/main_window.h"
#include "resources/upload_dialog.h"
#include "tests/qt/scripted_dialog.h"
#include "tests/ui/modelled_reader.h"

namespace kd::test {
namespace {

using namespace kd::ui;
using kd::ui::qt::QtToolkit;

// What a person reads beside each field, by dialog and field id. The prefix and suffix
// fields are labelled by the check boxes that switch them on.
const std::map<std::pair<int, int>, std::string> kFieldNames = {
    {{ids::kMainWindow, ids::kPortList}, "串口号"},
    {{ids::kMainWindow, ids::kBaudRateList}, "波特率"},
    {{ids::kMainWindow, ids::kDataBitsList}, "数据位"},
    {{ids::kMainWindow, ids::kStopBitsList}, "停止位"},
    {{ids::kMainWindow, ids::kParityList}, "校验位"},
    {{ids::kMainWindow, ids::kHidList}, "HID口"},
    {{ids::kFirmwareUploadDialog, ids::kUploadFileEdit}, "文件："},
    {{ids::kAboutPage, ids::about_page::kVersion}, "版本信息"},
    {{ids::kAboutPage, ids::about_page::kDeviceNumber}, "设备号"},
    {{ids::kAboutPage, ids::about_page::kFactoryTime}, "出厂时间"},
    {{ids::kControlPage, ids::control_page::kIntervalTime}, "间隔时间"},
    {{ids::kControlPage, ids::control_page::kNfcContentBegin}, "起始位："},
    {{ids::kControlPage, ids::control_page::kNfcContentEnd}, "结束位："},
    {{ids::kOutputFormatPage, ids::output_format_page::kCodePrefixField}, "条码二维码前缀"},
    {{ids::kOutputFormatPage, ids::output_format_page::kCodePostfixField}, "条码二维码后缀"},
    {{ids::kOutputFormatPage, ids::output_format_page::kNfcPrefixField}, "NFC前缀"},
    {{ids::kOutputFormatPage, ids::output_format_page::kNfcPostfixField}, "NFC后缀"},
    {{ids::kOutputModePage, ids::output_mode_page::kBaudRate}, "波特率"},
    {{ids::kOutputModePage, ids::output_mode_page::kStopBits}, "停止位"},
    {{ids::kOutputModePage, ids::output_mode_page::kByteSize}, "数据位"},
    {{ids::kOutputModePage, ids::output_mode_page::kParity}, "校验位"},
};

// The controls named "id<number>" under iface, not going into pages ("dialog<number>").
void Collect(QAccessibleInterface* iface, std::map<int, QAccessibleInterface*>& found) {
    for (int at = 0; at < iface->childCount(); ++at) {
        QAccessibleInterface* child = iface->child(at);
        const QString name = child->object() != nullptr ? child->object()->objectName() : "";
        if (name.startsWith(QStringLiteral("id"))) {
            found[name.mid(2).toInt()] = child;
        }
        if (!name.startsWith(QStringLiteral("dialog"))) {
            Collect(child, found);
        }
    }
}

// On Linux Qt names a combo box by its value, and tells its label as a relation.
std::string NameOf(QAccessibleInterface& iface) {
    if (iface.role() != QAccessible::ComboBox) {
        return iface.text(QAccessible::Name).toStdString();
    }
    const auto labels = iface.relations(QAccessible::Label);
    return labels.size() == 1 ? labels[0].first->text(QAccessible::Name).toStdString()
                              : std::to_string(labels.size()) + " labels";
}

void ExpectAsTemplate(QWidget* window, const DialogTemplate& source) {
    ASSERT_NE(window, nullptr) << source.id;
    std::map<int, QAccessibleInterface*> found;
    Collect(QAccessible::queryAccessibleInterface(window), found);
    const std::map<ControlKind, QAccessible::Role> roles = {
        {ControlKind::PushButton, QAccessible::Button},
        {ControlKind::CheckBox, QAccessible::CheckBox},
        {ControlKind::RadioButton, QAccessible::RadioButton},
        {ControlKind::Edit, QAccessible::EditableText},
        {ControlKind::ComboBox, QAccessible::ComboBox},
        {ControlKind::TabControl, QAccessible::Client},
        {ControlKind::Progress, QAccessible::ProgressBar},
    };
    for (const ControlTemplate& control : source.controls) {
        if (!roles.contains(control.kind)) {
            continue;
        }
        const std::string where = std::to_string(source.id) + ": " + std::to_string(control.id);
        QAccessibleInterface* iface = found[control.id];
        ASSERT_NE(iface, nullptr) << where;
        const auto field = kFieldNames.find({source.id, control.id});
        const bool isField =
            control.kind == ControlKind::Edit || control.kind == ControlKind::ComboBox;
        ASSERT_EQ(field != kFieldNames.end(), isField) << where;
        const std::string name =
            isField ? field->second : qt::WithoutMnemonic(control.text).toStdString();
        EXPECT_FALSE(name.empty()) << where;
        EXPECT_EQ(NameOf(*iface), name) << where;
        EXPECT_EQ(iface->role(), roles.at(control.kind)) << where;
    }
}

TEST(QtAccessibility, EveryControlHasItsTemplatesNameAndRole) {
    QtToolkit toolkit;
    ScriptedDialog main(toolkit, resources::kMainWindowTemplate);
    main.onInit = [](ScriptedDialog& d) {
        ExpectAsTemplate(d.Window(), resources::kMainWindowTemplate);
        // A screen reader checks a radio button; the window clears the others of its group.
        QAccessibleInterface* serial =
            QAccessible::queryAccessibleInterface(d.Control(ids::kSerialRadio));
        QAccessibleInterface* hid =
            QAccessible::queryAccessibleInterface(d.Control(ids::kHidRadio));
        serial->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
        hid->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
        EXPECT_TRUE(hid->state().checked && !serial->state().checked);
        d.EndDialog(kResultOk);
    };
    EXPECT_EQ(main.DoModal(), kResultOk);

    ScriptedDialog upload(toolkit, resources::kFirmwareUploadTemplate);
    upload.onInit = [](ScriptedDialog& d) {
        ExpectAsTemplate(d.Window(), resources::kFirmwareUploadTemplate);
        d.EndDialog(kResultOk);
    };
    EXPECT_EQ(upload.DoModal(), kResultOk);

    ModelledReader reader;
    ConfigDialog settings(toolkit, reader.access);
    QTimer::singleShot(0, [&] {
        QWidget* window = QtToolkit::WindowOf(settings);
        ExpectAsTemplate(window, resources::kConfigDialogTemplate);
        for (const DialogTemplate* page :
             {&resources::kAboutPageTemplate, &resources::kSymbologyPageTemplate,
              &resources::kControlPageTemplate, &resources::kOutputFormatPageTemplate,
              &resources::kOutputModePageTemplate}) {
            ExpectAsTemplate(window->findChild<QWidget*>(QStringLiteral("dialog%1").arg(page->id)),
                             *page);
        }
        QTest::mouseClick(
            QtToolkit::WindowOf(settings)->ControlWidget(ids::config_dialog::kExitButton),
            Qt::LeftButton);
    });
    EXPECT_EQ(settings.DoModal(), kResultCancel);
}

// The rule on a made-up form: a label names the first field to its right however far,
// else the field under it, never across another control.
TEST(QtAccessibility, FieldsTakeTheLabelBesideOrAboveThem) {
    using enum ControlKind;
    constexpr ControlTemplate kForm[] = {
        {1, Edit, "", 60, 4, 40, 12},  // 名称, 35 units away
        {kUnnamedControl, Static, "名称", 5, 5, 20, 8},
        {2, Edit, "", 105, 4, 40, 12},  // after a field: none
        {3, Edit, "", 5, 14, 20, 8},    // under 名称, which names 1: none
        {kUnnamedControl, Static, "地址", 5, 24, 40, 8},
        {4, ComboBox, "", 5, 34, 60, 80},  // 地址 above it
        {5, Edit, "", 5, 50, 60, 12},      // under the closed box of 4: none
        {6, CheckBox, "前缀", 70, 50, 30, 10},
        {7, Edit, "", 105, 50, 40, 12},  // the check box
    };
    const DialogTemplate form{1, DialogStyle::Modal, "", 200, 100, "宋体", 9, kForm};
    const auto label = [&](size_t index) {
        const ControlTemplate* found = qt::LabelOf(form, index);
        return found != nullptr ? std::string(found->text) : std::string("-");
    };
    EXPECT_EQ((std::vector{label(0), label(2), label(3), label(5), label(6), label(8)}),
              (std::vector<std::string>{"名称", "-", "-", "地址", "-", "前缀"}));
}

}  // namespace
}  // namespace kd::test
