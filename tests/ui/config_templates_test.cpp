#include "resources/config_pages.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "resources/config_ids.h"

namespace kd::resources {
namespace {

using ui::ControlKind;
using ui::DialogTemplate;

struct Expected {
    int id;
    ControlKind kind;
    std::string_view text;
};

void ExpectControls(const DialogTemplate& dialog, const std::vector<Expected>& controls) {
    for (const Expected& expected : controls) {
        const ui::ControlTemplate* control = dialog.Find(expected.id);
        ASSERT_NE(control, nullptr) << dialog.id << ": " << expected.id;
        EXPECT_EQ(control->kind, expected.kind) << expected.id;
        EXPECT_EQ(control->text, expected.text) << expected.id;
    }
}

// The radio groups a dialog manager would form: from a kGroup control up to the next.
std::vector<std::vector<int>> RadioGroups(const DialogTemplate& dialog) {
    std::vector<std::vector<int>> groups;
    bool open = false;
    for (const auto& control : dialog.controls) {
        if ((control.flags & ui::kGroup) != 0) {
            open = false;
        }
        if (control.kind == ControlKind::RadioButton) {
            if (!open) {
                groups.emplace_back();
                open = true;
            }
            groups.back().push_back(control.id);
        }
    }
    return groups;
}

std::vector<int> Row(std::span<const int> ids) {
    return {ids.begin(), ids.end()};
}

TEST(ConfigTemplates, DialogAndPagesAsDesigned) {
    struct Page {
        const DialogTemplate* dialog;
        int id, width, height;
    };
    for (const Page& page :
         {Page{&kConfigDialogTemplate, 130, 391, 295}, Page{&kAboutPageTemplate, 131, 226, 138},
          Page{&kSymbologyPageTemplate, 132, 222, 146}, Page{&kControlPageTemplate, 133, 346, 256},
          Page{&kOutputFormatPageTemplate, 134, 298, 214},
          Page{&kOutputModePageTemplate, 135, 311, 215}}) {
        EXPECT_EQ(page.dialog->id, page.id);
        EXPECT_EQ(page.dialog->width, page.width) << page.id;
        EXPECT_EQ(page.dialog->height, page.height) << page.id;
        EXPECT_EQ(page.dialog->fontName, "System") << page.id;
        EXPECT_EQ(page.dialog->fontPoints, 10) << page.id;
        EXPECT_EQ(page.dialog->style,
                  page.id == 130 ? ui::DialogStyle::Modal : ui::DialogStyle::Child);
    }
    EXPECT_EQ(kConfigDialogTemplate.title, "星澜配置工具KD系列(串口)V2.0.3");
    const auto* tabs = kConfigDialogTemplate.Find(1015);
    ASSERT_NE(tabs, nullptr);
    EXPECT_EQ(tabs->kind, ControlKind::TabControl);
    EXPECT_EQ((std::vector{tabs->x, tabs->y, tabs->width, tabs->height}),
              (std::vector{7, 7, 377, 261}));
    ExpectControls(kConfigDialogTemplate, {{1016, ControlKind::PushButton, "保存"},
                                           {1017, ControlKind::PushButton, "退出"}});
    const auto* save = kConfigDialogTemplate.Find(1016);
    const auto* exit = kConfigDialogTemplate.Find(1017);
    EXPECT_EQ((std::vector{save->x, save->y, save->width, save->height, exit->x, exit->y,
                           exit->width, exit->height}),
              (std::vector{28, 274, 50, 14, 220, 274, 50, 14}));
    // The profile buttons sit in the same row, apart from the others and inside the dialog,
    // in the tab order of the row.
    ExpectControls(kConfigDialogTemplate, {{1101, ControlKind::PushButton, "导出配置…"},
                                           {1102, ControlKind::PushButton, "导入配置…"}});
    std::vector<int> order;
    for (const auto& control : kConfigDialogTemplate.controls) {
        if (control.kind != ControlKind::PushButton) {
            continue;
        }
        order.push_back(control.id);
        EXPECT_EQ(control.y, 274) << control.id;
        EXPECT_LE(control.x + control.width, kConfigDialogTemplate.width) << control.id;
        if (order.size() > 1) {
            const auto* left = kConfigDialogTemplate.Find(order[order.size() - 2]);
            EXPECT_LE(left->x + left->width + 4, control.x) << control.id;
        }
    }
    EXPECT_EQ(order, (std::vector{1016, 1101, 1102, 1017}));
    // Enter must not press a button of its own.
    for (const auto& control : kConfigDialogTemplate.controls) {
        EXPECT_EQ(control.flags & ui::kDefaultButton, 0u) << control.id;
    }
}

TEST(ConfigTemplates, ControlsCaptionsAndStates) {
    using enum ControlKind;
    ExpectControls(kSymbologyPageTemplate, {{1019, CheckBox, "QR码"},
                                            {1020, CheckBox, "DM码"},
                                            {1021, CheckBox, "条码"},
                                            {1078, CheckBox, "PDF417码"}});
    ExpectControls(kOutputModePageTemplate, {{1022, CheckBox, "COM输出"},
                                             {1063, CheckBox, "USB转虚拟串口"},
                                             {1064, Static, "波特率"},
                                             {1065, Static, "停止位"},
                                             {1066, Static, "数据位"},
                                             {1067, Static, "校验位"},
                                             {1040, ComboBox, ""},
                                             {1041, ComboBox, ""},
                                             {1042, ComboBox, ""},
                                             {1043, ComboBox, ""}});
    ExpectControls(kOutputFormatPageTemplate, {{1036, CheckBox, "回车"},
                                               {1037, CheckBox, "换行"},
                                               {1053, RadioButton, "hex"},
                                               {1054, RadioButton, "char"},
                                               {1029, CheckBox, "条码二维码前缀"},
                                               {1038, Edit, ""},
                                               {1030, CheckBox, "条码二维码后缀"},
                                               {1033, Edit, ""},
                                               {1079, RadioButton, "hex"},
                                               {1080, RadioButton, "char"},
                                               {1031, CheckBox, "NFC前缀"},
                                               {1034, Edit, ""},
                                               {1032, CheckBox, "NFC后缀"},
                                               {1035, Edit, ""},
                                               {1091, RadioButton, "正常"},
                                               {1092, RadioButton, "连续"}});
    ExpectControls(kControlPageTemplate, {{1044, CheckBox, "扫码扬声器"},
                                          {1077, CheckBox, "NFC扬声器"},
                                          {1089, CheckBox, "扫码闪红灯"},
                                          {1090, CheckBox, "刷卡闪红灯"},
                                          {1073, RadioButton, "重启开灯"},
                                          {1074, RadioButton, "重启开红灯"},
                                          {1075, RadioButton, "重启开粉灯"},
                                          {1076, RadioButton, "重启关灯"},
                                          {1024, RadioButton, "普通模式"},
                                          {1025, RadioButton, "单次模式"},
                                          {1026, RadioButton, "间隔模式"},
                                          {1028, Edit, ""},
                                          {1045, CheckBox, "NFC开关"},
                                          {1068, Edit, ""},
                                          {1069, Edit, ""},
                                          {1070, RadioButton, "串口开发"},
                                          {1071, RadioButton, "HID开发模式"},
                                          {1072, RadioButton, "正常模式"}});
    const char* formats[] = {"char",      "hex",        "dec",  "dec1", "char1",
                             "hextochar", "phidtochar", "dec2", "dec3"};
    for (const auto& row :
         {Row(ids::control_page::kNfcFormatRow), Row(ids::control_page::kCodeFormatRow),
          Row(ids::control_page::kContentFormatRow)}) {
        for (size_t i = 0; i < row.size(); ++i) {
            ExpectControls(kControlPageTemplate, {{row[i], RadioButton, formats[i]}});
        }
    }
    ExpectControls(kAboutPageTemplate, {{1018, Edit, ""}, {1055, Edit, ""}, {1056, Edit, ""}});

    const auto flags = [](const DialogTemplate& dialog, int id) { return dialog.Find(id)->flags; };
    EXPECT_NE(flags(kOutputModePageTemplate, 1022) & ui::kDisabled, 0u);
    EXPECT_NE(flags(kOutputModePageTemplate, 1063) & ui::kDisabled, 0u);
    for (const int combo : {1040, 1041, 1042, 1043}) {
        EXPECT_NE(flags(kOutputModePageTemplate, combo) & ui::kSorted, 0u) << combo;
    }
    EXPECT_NE(flags(kAboutPageTemplate, 1018) & ui::kDisabled, 0u);
    EXPECT_EQ(flags(kAboutPageTemplate, 1055) & (ui::kDisabled | ui::kHidden), 0u);
    EXPECT_NE(flags(kAboutPageTemplate, 1056) & ui::kHidden, 0u);
    for (const auto& control : kAboutPageTemplate.controls) {
        if (control.text == "出厂时间") {
            EXPECT_NE(control.flags & ui::kHidden, 0u) << "its label goes with the field";
        }
    }
}

TEST(ConfigTemplates, EachRadioRowIsAGroupOfItsOwn) {
    using std::vector;
    EXPECT_EQ(RadioGroups(kOutputFormatPageTemplate),
              (vector<vector<int>>{{1053, 1054}, {1079, 1080}, {1091, 1092}}));
    EXPECT_EQ(RadioGroups(kControlPageTemplate),
              (vector<vector<int>>{{1073, 1074, 1075, 1076},
                                   {1024, 1025, 1026},
                                   Row(ids::control_page::kNfcFormatRow),
                                   Row(ids::control_page::kCodeFormatRow),
                                   Row(ids::control_page::kContentFormatRow),
                                   {1070, 1071, 1072}}));
}

// Every control lies inside its page, within the height the tab control leaves it, and
// no two controls other than group boxes cover each other.
TEST(ConfigTemplates, PagesAreLaidOutCleanly) {
    // The tab control's height in pixels (2 per dialog unit), less the 25-pixel tab row.
    const int usableHeight = (261 * 2 - 25) / 2;
    for (const DialogTemplate* page :
         {&kAboutPageTemplate, &kSymbologyPageTemplate, &kControlPageTemplate,
          &kOutputFormatPageTemplate, &kOutputModePageTemplate}) {
        std::vector<const ui::ControlTemplate*> solid;
        for (const auto& control : page->controls) {
            EXPECT_GE(control.x, 0);
            EXPECT_GE(control.y, 0);
            EXPECT_LE(control.x + control.width, page->width) << page->id << " " << control.text;
            const int height = control.kind == ControlKind::ComboBox ? 12 : control.height;
            EXPECT_LE(control.y + height, std::min(page->height, usableHeight))
                << page->id << " " << control.text;
            if (control.kind != ControlKind::GroupBox) {
                solid.push_back(&control);
            }
        }
        for (size_t i = 0; i < solid.size(); ++i) {
            for (size_t j = i + 1; j < solid.size(); ++j) {
                const auto& a = *solid[i];
                const auto& b = *solid[j];
                const int ah = a.kind == ControlKind::ComboBox ? 12 : a.height;
                const int bh = b.kind == ControlKind::ComboBox ? 12 : b.height;
                const bool apart = a.x + a.width <= b.x || b.x + b.width <= a.x ||
                                   a.y + ah <= b.y || b.y + bh <= a.y;
                EXPECT_TRUE(apart) << page->id << ": " << a.text << "/" << a.id << " overlaps "
                                   << b.text << "/" << b.id;
            }
        }
    }
}

}  // namespace
}  // namespace kd::resources
