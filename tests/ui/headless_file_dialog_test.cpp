// The headless back end's file dialogs: answers in the order queued, a cancel once none
// is left, and the owner's top-level window disabled while one is shown.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "ui/dialog.h"
#include "ui/headless/headless_toolkit.h"

namespace kd {
namespace {

using ui::ControlKind;
using ui::ControlTemplate;
using ui::DialogStyle;
using ui::DialogTemplate;
using ui::FileDialogKind;
using ui::FileDialogRequest;
using ui::headless::HeadlessToolkit;

constexpr ControlTemplate kControls[] = {{1, ControlKind::PushButton, "确定", 5, 5, 50, 14}};
const DialogTemplate kWindow{900, DialogStyle::Modal, "窗口", 100, 40, "宋体", 9, kControls};
const DialogTemplate kPage{901, DialogStyle::Child, "", 100, 40, "宋体", 9, kControls};

TEST(HeadlessFileDialog, AnswersInOrderThenCancelsWithTheOwnerDisabled) {
    HeadlessToolkit toolkit;
    ui::Dialog window(toolkit, kWindow);
    toolkit.Open(window);
    toolkit.QueueFileAnswer("/tmp/配置.txt");
    toolkit.QueueFileAnswer(std::nullopt);
    const FileDialogRequest save{FileDialogKind::Save, "导出配置", "配置文件 (*.txt)", "*.txt",
                                 "配置.txt"};

    EXPECT_EQ(toolkit.ChooseFile(&window, save), std::optional<std::string>("/tmp/配置.txt"));
    EXPECT_EQ(toolkit.ChooseFile(&window, save), std::nullopt);
    EXPECT_EQ(toolkit.ChooseFile(nullptr, save), std::nullopt);  // none left: cancelled

    ASSERT_EQ(toolkit.FileDialogs().size(), 3u);
    for (const auto& shown : toolkit.FileDialogs()) {
        EXPECT_EQ(shown.ownerTemplateId, 900);  // without an owner: the active window
        EXPECT_TRUE(shown.ownerDisabled);
        EXPECT_EQ(shown.request.title, "导出配置");
        EXPECT_EQ(shown.request.defaultName, "配置.txt");
    }
    EXPECT_EQ(toolkit.PendingFileAnswers(), 0u);
    // Enabled again afterwards.
    EXPECT_TRUE(toolkit.Find(900)->IsWindowEnabled());
}

TEST(HeadlessFileDialog, APageAsksForItsTopLevelWindow) {
    HeadlessToolkit toolkit;
    ui::Dialog window(toolkit, kWindow);
    ui::Dialog page(toolkit, kPage);
    toolkit.Open(window);
    ASSERT_TRUE(page.CreateAsChild(window, 1));
    toolkit.QueueFileAnswer("a.txt");
    EXPECT_EQ(toolkit.ChooseFile(&page, {FileDialogKind::Open, "导入配置", "", "", ""}),
              std::optional<std::string>("a.txt"));
    ASSERT_EQ(toolkit.FileDialogs().size(), 1u);
    EXPECT_EQ(toolkit.FileDialogs()[0].ownerTemplateId, 900);
    EXPECT_TRUE(toolkit.FileDialogs()[0].ownerDisabled);
    EXPECT_TRUE(toolkit.Find(900)->IsWindowEnabled());
}

}  // namespace
}  // namespace kd
