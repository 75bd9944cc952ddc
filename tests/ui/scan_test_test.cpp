// The scan test window over the modelled reader: each read listed with its parts, 清除,
// 保存…, and listening paused while the settings dialog talks to the reader.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "resources/ids.h"
#include "tests/ui/app_fixture.h"

namespace kd::test {
namespace {

using ui::headless::HeadlessWindow;

// The lines without their time ("12:04:05.123  "), which the test cannot know.
std::vector<std::string> Reads(const HeadlessWindow& scan) {
    std::vector<std::string> lines;
    for (int i = 0; i < scan.ListCount(ids::kScanTestList); ++i) {
        const std::string line = scan.ListItemText(ids::kScanTestList, i);
        EXPECT_EQ(line.substr(8, 1), ".") << line;
        lines.push_back(line.substr(14));
    }
    return lines;
}

void Arrive(AppFixture& app, std::string_view bytes) {
    app.reader.channel.Inject(app.reader.channel.NowMs(),
                              {reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()});
}

struct ScanTest : ::testing::Test {
    void SetUp() override {
        app.reader.Set("contentorder", "PREFIX,CONTENT,POSTFIX,ENTER,WRAP");
        app.reader.Set("codeprepostformat", "hex");
        app.reader.Set("codeprefix", "5B");
        app.reader.Set("codepostfix", "5D");
        app.reader.Set("io_outputs", "com1");
    }
    HeadlessWindow& Open() {
        HeadlessWindow& window = app.OpenMainWindow();
        // Not connected: the entry is greyed out and opens nothing.
        EXPECT_FALSE(window.SystemCommand(ids::kScanTestCommand));
        EXPECT_EQ(app.toolkit.Find(ids::kScanTestWindow), nullptr);
        app.Connect(window);
        EXPECT_TRUE(window.SystemCommand(ids::kScanTestCommand));
        HeadlessWindow* scan = app.toolkit.Find(ids::kScanTestWindow);
        EXPECT_NE(scan, nullptr);
        return *scan;
    }
    AppFixture app;
};

TEST_F(ScanTest, ListsEachReadWithItsPartsClearsAndSaves) {
    HeadlessWindow& scan = Open();
    EXPECT_TRUE(app.toolkit.Find(ids::kMainWindow)->TakesInput());
    EXPECT_EQ(scan.GetText(ids::kScanTestStatusLabel),
              "正在监听：条码以 5D 0D 0A 结束；卡号在停顿后结束");
    const size_t requests = app.reader.requests.size();

    // A read that comes in two pieces is one read; the content goes through the escape rule.
    Arrive(app,
           "\x5B"
           "A\tB");
    scan.FireTimer();
    EXPECT_TRUE(Reads(scan).empty());
    Arrive(app, "\x5D\r\n");
    scan.FireTimer();
    // A read without the suffix has no ending: it is one once the line has been quiet.
    Arrive(app, "XY\r\n");
    scan.FireTimer();
    EXPECT_EQ(Reads(scan).size(), 1u);
    app.reader.channel.Advance(100);
    scan.FireTimer();
    const std::vector<std::string> expected = {
        "条码  A\\x09B  [prefix 5B | content 41 09 42 | suffix 5D | CR 0D | LF 0A]",
        // Without the code prefix, it fits the card keys (no prefix, no suffix) better.
        "卡号  XY\\x0D\\x0A  [content 58 59 0D 0A]"};
    EXPECT_EQ(Reads(scan), expected);
    // Listening sends nothing.
    EXPECT_EQ(app.reader.requests.size(), requests);

    const std::filesystem::path file =
        std::filesystem::temp_directory_path() / ("kd_scan_test_" + std::to_string(::getpid()));
    app.toolkit.QueueFileAnswer(file.string());
    EXPECT_TRUE(scan.Click(ids::kScanTestSaveButton));
    std::ifstream saved(file);
    std::vector<std::string> lines;
    for (std::string line; std::getline(saved, line);) {
        lines.push_back(line.substr(14));
    }
    EXPECT_EQ(lines, expected);
    EXPECT_EQ(app.Prompts().back(), "扫描测试结果已保存到：" + file.string());
    std::filesystem::remove(file);

    EXPECT_TRUE(scan.Click(ids::kScanTestClearButton));
    EXPECT_EQ(scan.ListCount(ids::kScanTestList), 0);
    Arrive(app,
           "\x5B"
           "C\x5D\r\n");
    scan.FireTimer();
    EXPECT_EQ(Reads(scan), std::vector<std::string>{
                               "条码  C  [prefix 5B | content 43 | suffix 5D | CR 0D | LF 0A]"});
}

TEST_F(ScanTest, PausesWhileTheSettingsDialogRunsAndThenTakesTheNewKeys) {
    HeadlessWindow& scan = Open();
    HeadlessWindow& window = *app.toolkit.Find(ids::kMainWindow);
    // A read that came just before the dialog opens is listed, not left to its exchanges.
    Arrive(app,
           "\x5B"
           "F\x5D\r\n");
    app.toolkit.OnModal(ids::kConfigDialog, [](HeadlessWindow& settings) { settings.CloseBox(); });
    window.Click(ids::kChangeConfigButton);
    ASSERT_EQ(Reads(scan).size(), 1u);
    EXPECT_EQ(Reads(scan)[0], "条码  F  [prefix 5B | content 46 | suffix 5D | CR 0D | LF 0A]");
    scan.Click(ids::kScanTestClearButton);

    bool ran = false;
    app.toolkit.OnModal(ids::kConfigDialog, [&](HeadlessWindow& settings) {
        ran = true;
        // As if the suffix were saved, and a code scanned before the dialog closes: the
        // scan test leaves the bytes on the line.
        app.reader.Set("codepostfix", "2A2A");
        Arrive(app,
               "\x5B"
               "D**\r\n");
        const size_t pending = app.reader.channel.PendingBytes();
        scan.FireTimer();
        EXPECT_EQ(app.reader.channel.PendingBytes(), pending);
        EXPECT_EQ(scan.GetText(ids::kScanTestStatusLabel), "暂停监听：设置窗口正在与设备通信");
        settings.CloseBox();
    });
    window.Click(ids::kChangeConfigButton);
    ASSERT_TRUE(ran);
    // The keys are asked again; the read that waited is kept and split by the new suffix.
    EXPECT_EQ(Reads(scan), std::vector<std::string>{
                               "条码  D  [prefix 5B | content 44 | suffix 2A 2A | CR 0D | LF 0A]"});
    Arrive(app,
           "\x5B"
           "E**\r\n");
    scan.FireTimer();
    EXPECT_EQ(Reads(scan).back(),
              "条码  E  [prefix 5B | content 45 | suffix 2A 2A | CR 0D | LF 0A]");
}

}  // namespace
}  // namespace kd::test
