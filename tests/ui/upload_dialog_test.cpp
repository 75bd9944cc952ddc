// 固件升级 and 配置升级 from the main window's menu, over the modelled reader.
#include <gtest/gtest.h>

#include <algorithm>

#include "resources/ids.h"
#include "tests/ui/app_fixture.h"

namespace kd::test {
namespace {

using ui::headless::HeadlessWindow;

std::vector<uint8_t> Pattern(size_t size) {
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<uint8_t>(i * 7 + 3);
    }
    return bytes;
}

size_t BlocksReceived(const ModelledReader& reader) {
    return static_cast<size_t>(std::count_if(
        reader.requests.begin(), reader.requests.end(),
        [](const std::string& request) { return request.starts_with("upload block "); }));
}

TEST(UploadDialog, FirmwareUploadShowsProgressThenOldAndNewVersionAfterTheReconnect) {
    AppFixture app;
    HeadlessWindow& window = app.OpenMainWindow();
    EXPECT_FALSE(window.SystemCommand(ids::kFirmwareUploadCommand));  // not connected yet
    EXPECT_TRUE(app.toolkit.ModalRuns().empty());
    app.Connect(window);
    app.files.Put("update", Pattern(3000));  // three blocks
    app.reader.newFirmwareVersion = "V3.2.0";

    std::vector<int> positions;
    bool secondActionStarted = false;
    app.toolkit.OnProcessEvents([&] {
        HeadlessWindow* upload = app.toolkit.Find(ids::kFirmwareUploadDialog);
        positions.push_back(upload->ProgressPosition(ids::kUploadProgressBar));
        // Neither the main window nor the dialog's own start takes a second action.
        secondActionStarted |= window.SystemCommand(ids::kConfigUploadCommand) ||
                               window.Click(ids::kConnectButton) ||
                               upload->Click(ids::kUploadStartButton);
    });
    std::string status, oldVersion, newVersion;
    app.toolkit.OnModal(ids::kFirmwareUploadDialog, [&](HeadlessWindow& upload) {
        EXPECT_EQ(upload.GetText(ids::kUploadFileEdit), "update");
        EXPECT_EQ(upload.GetText(ids::kUploadSizeLabel), "3000 字节");
        EXPECT_EQ(upload.GetText(ids::kUploadOldVersionLabel), "V3.1.7");  // before it starts
        upload.Click(ids::kUploadStartButton);
        status = upload.GetText(ids::kUploadStatusLabel);
        oldVersion = upload.GetText(ids::kUploadOldVersionLabel);
        newVersion = upload.GetText(ids::kUploadNewVersionLabel);
        EXPECT_EQ(upload.GetText(ids::kUploadProgressLabel).rfind("已发送 3/3 块  100%", 0), 0u);
    });
    EXPECT_TRUE(window.SystemCommand(ids::kFirmwareUploadCommand));

    EXPECT_FALSE(secondActionStarted);
    ASSERT_GE(positions.size(), 2u);
    EXPECT_EQ(positions[0], 1);  // between blocks 0 and 1
    EXPECT_EQ(positions[1], 2);
    ASSERT_EQ(app.reader.uploads.size(), 1u);
    EXPECT_EQ(app.reader.uploads[0].image, Pattern(3000));
    // The closing wait is counted down in steps, 30 s in all, then the port opens again.
    EXPECT_GT(app.sleeper.waits.size(), 1u);
    uint32_t waited = 0;
    for (const uint32_t wait : app.sleeper.waits) {
        waited += wait;
    }
    EXPECT_EQ(waited, 30000u);
    EXPECT_EQ(app.channels.opened.size(), 2u);
    EXPECT_EQ(app.channels.live, 1);
    EXPECT_EQ(oldVersion, "V3.1.7");
    EXPECT_EQ(newVersion, "V3.2.0");
    EXPECT_NE(status.find("固件升级完成"), std::string::npos) << status;
    EXPECT_EQ(window.GetText(ids::kFirmwareVersionLabel), "V3.2.0");
    EXPECT_TRUE(window.IsSystemMenuEnabled(ids::kFirmwareUploadCommand));
}

TEST(UploadDialog, CancelStopsBetweenBlocksSaysTheImageIsPartialAndAllowsANewUpload) {
    AppFixture app;
    HeadlessWindow& window = app.OpenMainWindow();
    app.Connect(window);
    app.files.Put("update", Pattern(5000));
    bool cancelNow = true;
    app.toolkit.OnProcessEvents([&] {
        if (std::exchange(cancelNow, false)) {
            app.toolkit.Find(ids::kFirmwareUploadDialog)->Click(ids::kUploadCancelButton);
        }
    });
    size_t blocksAfterCancel = 0;
    app.toolkit.OnModal(ids::kFirmwareUploadDialog, [&](HeadlessWindow& upload) {
        upload.Click(ids::kUploadStartButton);
        blocksAfterCancel = BlocksReceived(app.reader);
        EXPECT_NE(upload.GetText(ids::kUploadStatusLabel).find("部分"), std::string::npos);
        EXPECT_EQ(upload.GetText(ids::kUploadCancelButton), "关闭");
        EXPECT_TRUE(app.sleeper.waits.empty());
        EXPECT_TRUE(upload.IsEnabled(ids::kUploadStartButton));
        upload.Click(ids::kUploadStartButton);  // the second try goes through
    });
    window.SystemCommand(ids::kFirmwareUploadCommand);

    EXPECT_EQ(blocksAfterCancel, 1u);
    ASSERT_FALSE(app.toolkit.Messages().empty());
    EXPECT_NE(app.toolkit.Messages().back().text.find("部分"), std::string::npos);
    ASSERT_EQ(app.reader.uploads.size(), 1u);
    EXPECT_EQ(app.reader.uploads[0].image, Pattern(5000));
}

TEST(UploadDialog, ConfigurationFileChosenShowsSizeAndMd5AndIsSentWithoutReconnect) {
    AppFixture app;
    HeadlessWindow& window = app.OpenMainWindow();
    app.Connect(window);
    app.files.Put("config", {'a', 'b', 'c'});
    app.files.Put("bench.cfg", Pattern(1500));
    app.toolkit.QueueFileAnswer("missing.cfg");
    app.toolkit.QueueFileAnswer("bench.cfg");
    app.toolkit.OnModal(ids::kConfigUploadDialog, [&](HeadlessWindow& upload) {
        EXPECT_EQ(upload.GetText(ids::kUploadSizeLabel), "3 字节");
        // MD5 of "abc", from RFC 1321.
        EXPECT_EQ(upload.GetText(ids::kUploadMd5Label), "900150983cd24fb0d6963f7d28e17f72");
        EXPECT_FALSE(upload.IsVisible(ids::kUploadNewVersionLabel));
        upload.Click(ids::kUploadBrowseButton);
        EXPECT_FALSE(upload.IsEnabled(ids::kUploadStartButton));  // nothing to send
        EXPECT_FALSE(upload.GetText(ids::kUploadStatusLabel).empty());
        upload.Click(ids::kUploadBrowseButton);
        EXPECT_EQ(upload.GetText(ids::kUploadFileEdit), "bench.cfg");
        upload.Click(ids::kUploadStartButton);
    });
    window.SystemCommand(ids::kConfigUploadCommand);

    ASSERT_EQ(app.toolkit.FileDialogs().size(), 2u);
    EXPECT_EQ(app.toolkit.FileDialogs()[0].ownerTemplateId, ids::kConfigUploadDialog);
    ASSERT_EQ(app.reader.uploads.size(), 1u);
    EXPECT_EQ(app.reader.uploads[0].target, "tmconfig.config");
    EXPECT_EQ(app.reader.uploads[0].image, Pattern(1500));
    EXPECT_EQ(app.channels.opened.size(), 1u);
    EXPECT_TRUE(app.toolkit.Messages().empty());
}

}  // namespace
}  // namespace kd::test
