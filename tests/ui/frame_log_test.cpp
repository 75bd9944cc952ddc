// The frame log window over the modelled reader: what it lists, copies and saves.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "resources/ids.h"
#include "resources/main_window.h"
#include "tests/ui/app_fixture.h"

namespace kd::test {
namespace {

using ui::headless::HeadlessWindow;

std::vector<std::string> Lines(const HeadlessWindow& log) {
    std::vector<std::string> lines;
    for (int i = 0; i < log.ListCount(ids::kFrameLogList); ++i) {
        lines.push_back(log.ListItemText(ids::kFrameLogList, i));
    }
    return lines;
}

// "12:04:05.123 发送 > ..." without the time, which the test cannot know.
std::string Untimed(const std::string& line) {
    EXPECT_GE(line.size(), 13u);
    EXPECT_EQ(line[2], ':') << line;
    EXPECT_EQ(line[8], '.') << line;
    return line.substr(13);
}

TEST(FrameLog, OpensAfterConnectAndFollowsTheLine) {
    AppFixture app;
    HeadlessWindow& window = app.OpenMainWindow();
    // Not connected: the entry is greyed out and does nothing.
    EXPECT_FALSE(window.SystemCommand(ids::kFrameLogCommand));
    EXPECT_EQ(app.toolkit.Find(ids::kFrameLogWindow), nullptr);

    app.Connect(window);
    EXPECT_TRUE(window.IsSystemMenuEnabled(ids::kFrameLogCommand));
    EXPECT_TRUE(window.SystemCommand(ids::kFrameLogCommand));
    HeadlessWindow* log = app.toolkit.Find(ids::kFrameLogWindow);
    ASSERT_NE(log, nullptr);
    // Beside the main window, which still takes input.
    EXPECT_TRUE(window.TakesInput());
    EXPECT_TRUE(log->TakesInput());
    const std::vector<std::string> connect = Lines(*log);
    ASSERT_EQ(connect.size(), 6u);
    EXPECT_EQ(Untimed(connect[0]), "发送 > 68 DD DD 01 00 00 00 69  handshake");
    EXPECT_EQ(Untimed(connect[1]).rfind("接收 < 68 DD DD 01 00", 0), 0u) << connect[1];
    EXPECT_NE(connect[3].find("reply \"masterver=V3.1.7\""), std::string::npos) << connect[3];

    // Frames the settings dialog exchanges while the log is open show at once.
    app.toolkit.OnModal(ids::kConfigDialog, [](HeadlessWindow& settings) { settings.CloseBox(); });
    window.Click(ids::kChangeConfigButton);
    const std::vector<std::string> after = Lines(*log);
    ASSERT_GT(after.size(), connect.size());
    EXPECT_NE(after[6].find("发送 > 66 BB EE 08 00"), std::string::npos) << after[6];
    EXPECT_NE(after[6].find("read key \""), std::string::npos) << after[6];

    // 复制 gives every line with all its bytes, where the list cuts long ones; closing and
    // opening again keeps the log.
    EXPECT_TRUE(log->Click(ids::kFrameLogCopyButton));
    std::istringstream copied(app.toolkit.Clipboard());
    size_t copiedLines = 0;
    for (std::string line; std::getline(copied, line); ++copiedLines) {
        const std::string& shown = after[copiedLines];
        const size_t cut = shown.find(" …");
        EXPECT_EQ(line.substr(0, std::min(cut, shown.rfind("  "))),
                  shown.substr(0, std::min(cut, shown.rfind("  "))));
        EXPECT_EQ(line.substr(line.rfind("  ")), shown.substr(shown.rfind("  ")));
        EXPECT_EQ(line.find(" …"), std::string::npos) << line;
    }
    EXPECT_EQ(copiedLines, after.size());
    EXPECT_TRUE(log->CloseBox());
    EXPECT_EQ(app.toolkit.Find(ids::kFrameLogWindow), nullptr);
    EXPECT_TRUE(window.SystemCommand(ids::kFrameLogCommand));
    log = app.toolkit.Find(ids::kFrameLogWindow);
    ASSERT_NE(log, nullptr);
    EXPECT_EQ(Lines(*log), after);
}

TEST(FrameLog, KeepsTheNewestFramesAndSavesThemWhole) {
    AppFixture app;
    HeadlessWindow& window = app.OpenMainWindow();
    app.Connect(window);
    window.SystemCommand(ids::kFrameLogCommand);
    HeadlessWindow* log = app.toolkit.Find(ids::kFrameLogWindow);
    ASSERT_NE(log, nullptr);
    // A long frame shows cut in the list; the saved text holds all its bytes.
    Channel& channel = *app.main.GetChannel();
    const std::vector<uint8_t> block(1024, 0x5A);
    channel.Write(block.data(), static_cast<int32_t>(block.size()));
    EXPECT_NE(Lines(*log).back().find("… (1024 字节)  bytes that are no frame"), std::string::npos);
    for (size_t i = 0; i < FrameLog::kKept; ++i) {
        channel.Write(block.data(), 1);
    }
    EXPECT_EQ(log->ListCount(ids::kFrameLogList), static_cast<int>(FrameLog::kKept));
    EXPECT_EQ(app.main.Frames().Frames().size(), FrameLog::kKept);
    EXPECT_NE(Lines(*log).front().find("发送 > 5A  bytes"), std::string::npos);

    const std::filesystem::path file =
        std::filesystem::temp_directory_path() / ("kd_frame_log_" + std::to_string(::getpid()));
    app.toolkit.QueueFileAnswer(file.string());
    EXPECT_TRUE(log->Click(ids::kFrameLogSaveButton));
    std::ifstream saved(file);
    std::string first;
    std::getline(saved, first);
    EXPECT_EQ(Untimed(first), "发送 > 5A  bytes that are no frame");
    EXPECT_EQ(app.toolkit.FileDialogs().back().ownerTemplateId, ids::kFrameLogWindow);
    EXPECT_EQ(app.Prompts().back(), "通信记录已保存到：" + file.string());
    std::filesystem::remove(file);

    // A save that fails says why and where.
    app.toolkit.QueueFileAnswer("/nonexistent/folder/log.txt");
    log->Click(ids::kFrameLogSaveButton);
    EXPECT_EQ(app.Prompts().back().rfind("无法写入文件：/nonexistent/folder/log.txt\n", 0), 0u);
}

}  // namespace
}  // namespace kd::test
