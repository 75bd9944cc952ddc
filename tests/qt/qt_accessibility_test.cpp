// The program's windows as screen readers and test tools see them: every control of the
// main window and of the five settings pages, found through Qt's accessibility tree, has
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
#include "tests/qt/scripted_dialog.h"
#include "tests/ui/modelled_reader.h"

namespace kd::test {
namespace {

using namespace kd::ui;
using kd::ui::qt::QtToolkit;
using kd::ui::qt::QtWindow;

using FieldNames = std::map<int, std::string>;

// The label a person reads beside each field, by field id.
const FieldNames kMainFields = {
    {ids::kPortList, "串口号"},     {ids::kBaudRateList, "波特率"}, {ids::kDataBitsList, "数据位"},
    {ids::kStopBitsList, "停止位"}, {ids::kParityList, "校验位"},   {ids::kHidList, "HID口"},
};
const FieldNames kAboutFields = {{ids::about_page::kVersion, "版本信息"},
                                 {ids::about_page::kDeviceNumber, "设备号"},
                                 {ids::about_page::kFactoryTime, "出厂时间"}};
const FieldNames kControlFields = {{ids::control_page::kIntervalTime, "间隔时间"},
                                   {ids::control_page::kNfcContentBegin, "起始位："},
                                   {ids::control_page::kNfcContentEnd, "结束位："}};
// Labelled by the check boxes that switch them on.
const FieldNames kFormatFields = {{ids::output_format_page::kCodePrefixField, "条码二维码前缀"},
                                  {ids::output_format_page::kCodePostfixField, "条码二维码后缀"},
                                  {ids::output_format_page::kNfcPrefixField, "NFC前缀"},
                                  {ids::output_format_page::kNfcPostfixField, "NFC后缀"}};
const FieldNames kModeFields = {{ids::output_mode_page::kBaudRate, "波特率"},
                                {ids::output_mode_page::kStopBits, "停止位"},
                                {ids::output_mode_page::kByteSize, "数据位"},
                                {ids::output_mode_page::kParity, "校验位"}};

// The interfaces of the controls named "id<number>" under iface, not going into pages.
void Collect(QAccessibleInterface* iface, std::map<int, QAccessibleInterface*>& found) {
    for (int at = 0; at < iface->childCount(); ++at) {
        QAccessibleInterface* child = iface->child(at);
        if (child == nullptr || child->object() == nullptr) {
            continue;  // a tab of the row, which has no object of its own
        }
        const QString name = child->object()->objectName();
        if (name.startsWith(QStringLiteral("id"))) {
            found[name.mid(2).toInt()] = child;
        }
        if (!name.startsWith(QStringLiteral("dialog"))) {
            Collect(child, found);
        }
    }
}

// The name a screen reader gives a control. On Linux Qt names a combo box by its value
// and tells its label as a relation, which is what a screen reader reads first.
std::string NameOf(QAccessibleInterface& iface) {
    if (iface.role() != QAccessible::ComboBox) {
        return iface.text(QAccessible::Name).toStdString();
    }
    const auto labels = iface.relations(QAccessible::Label);
    return labels.size() == 1 ? labels[0].first->text(QAccessible::Name).toStdString()
                              : std::to_string(labels.size()) + " labels";
}

// What the window's template says of each control, checked against what Qt tells.
void ExpectAsTemplate(QWidget& window, const DialogTemplate& source, const FieldNames& fields) {
    std::map<int, QAccessibleInterface*> found;
    Collect(QAccessible::queryAccessibleInterface(&window), found);
    const std::map<ControlKind, QAccessible::Role> roles = {
        {ControlKind::PushButton, QAccessible::Button},
        {ControlKind::CheckBox, QAccessible::CheckBox},
        {ControlKind::RadioButton, QAccessible::RadioButton},
        {ControlKind::Edit, QAccessible::EditableText},
        {ControlKind::ComboBox, QAccessible::ComboBox},
    };
    size_t named = 0;
    for (const ControlTemplate& control : source.controls) {
        const auto role = roles.find(control.kind);
        if (role == roles.end() && control.kind != ControlKind::TabControl) {
            continue;
        }
        QAccessibleInterface* iface = found[control.id];
        ASSERT_NE(iface, nullptr) << source.id << ": " << control.id;
        const auto field = fields.find(control.id);
        named += field != fields.end() ? 1 : 0;
        const std::string name =
            field != fields.end() ? field->second : qt::WithoutMnemonic(control.text).toStdString();
        EXPECT_FALSE(name.empty()) << source.id << ": " << control.id;
        EXPECT_EQ(NameOf(*iface), name) << source.id << ": " << control.id;
        if (role != roles.end()) {
            EXPECT_EQ(iface->role(), role->second) << source.id << ": " << control.id;
        }
    }
    EXPECT_EQ(named, fields.size()) << source.id;
}

TEST(QtAccessibility, MainWindowControlsHaveTheirTemplatesNamesAndRoles) {
    QtToolkit toolkit;
    ScriptedDialog dialog(toolkit, resources::kMainWindowTemplate);
    dialog.onInit = [](ScriptedDialog& d) {
        ExpectAsTemplate(*d.Window(), resources::kMainWindowTemplate, kMainFields);
        // A screen reader checks a radio button; the window clears its group.
        QAccessibleInterface* serial =
            QAccessible::queryAccessibleInterface(d.Control(ids::kSerialRadio));
        QAccessibleInterface* hid =
            QAccessible::queryAccessibleInterface(d.Control(ids::kHidRadio));
        serial->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
        hid->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
        EXPECT_TRUE(hid->state().checked && !serial->state().checked);
        EXPECT_TRUE(d.IsChecked(ids::kHidRadio) && !d.IsChecked(ids::kSerialRadio));
        d.EndDialog(kResultOk);
    };
    EXPECT_EQ(dialog.DoModal(), kResultOk);
}

TEST(QtAccessibility, SettingsControlsHaveTheirTemplatesNamesAndRoles) {
    QtToolkit toolkit;
    ModelledReader reader;
    ConfigDialog dialog(toolkit, reader.access);
    bool checked = false;
    QTimer::singleShot(0, [&] {
        QtWindow* window = QtToolkit::WindowOf(dialog);
        ASSERT_NE(window, nullptr);
        ExpectAsTemplate(*window, resources::kConfigDialogTemplate, {});
        const std::pair<const DialogTemplate*, const FieldNames*> pages[] = {
            {&resources::kAboutPageTemplate, &kAboutFields},
            {&resources::kSymbologyPageTemplate, nullptr},
            {&resources::kControlPageTemplate, &kControlFields},
            {&resources::kOutputFormatPageTemplate, &kFormatFields},
            {&resources::kOutputModePageTemplate, &kModeFields}};
        for (const auto& [page, fields] : pages) {
            auto* pageWindow =
                window->findChild<QWidget*>(QStringLiteral("dialog%1").arg(page->id));
            ASSERT_NE(pageWindow, nullptr) << page->id;
            ExpectAsTemplate(*pageWindow, *page, fields != nullptr ? *fields : FieldNames{});
        }
        checked = true;
        QTest::mouseClick(window->ControlWidget(ids::config_dialog::kExitButton), Qt::LeftButton);
    });
    EXPECT_EQ(dialog.DoModal(), kResultCancel);
    EXPECT_TRUE(checked);
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
