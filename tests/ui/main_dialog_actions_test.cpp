#include <gtest/gtest.h>

#include "config/config_dialog.h"
#include "protocol/channel_key_access.h"
#include "resources/config_ids.h"
#include "tests/ui/app_fixture.h"

namespace kd {
namespace {

using test::AppFixture;
using ui::headless::HeadlessWindow;

std::vector<uint8_t> Pattern(size_t size) {
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<uint8_t>(i * 7 + 3);
    }
    return bytes;
}

// A main window connected to the modelled reader.
struct Connected : AppFixture {
    Connected() : window(OpenMainWindow()) {
        Connect(window);
        toolkit.ClearMessages();
        reader.requests.clear();
    }
    bool ButtonsConnected() const {
        return !window.IsEnabled(ids::kRefreshButton) && !window.IsEnabled(ids::kConnectButton) &&
               window.IsEnabled(ids::kChangeConfigButton) &&
               window.IsEnabled(ids::kUpdateFirmwareButton) &&
               window.IsEnabled(ids::kUpdateConfigButton);
    }
    HeadlessWindow& window;
};

TEST(ChangeConfig, OpensTheSettingsDialogOverTheConnectedReader) {
    Connected app;
    bool opened = false;
    app.toolkit.OnModal(ids::kConfigDialog, [&](HeadlessWindow& dialog) {
        opened = true;
        dialog.CloseBox();
    });
    EXPECT_TRUE(app.window.Click(ids::kChangeConfigButton));
    EXPECT_TRUE(opened);
    ASSERT_FALSE(app.reader.Reads().empty());
    EXPECT_EQ(app.reader.Reads().front(), "qrcode");
    EXPECT_TRUE(app.reader.Writes().empty());
    EXPECT_TRUE(app.ButtonsConnected());
    EXPECT_EQ(app.window.GetText(ids::kStatusLabel), "已连接");
}

// The settings dialog and the About box belong to the main window: while either is open,
// the main window takes no clicks or keys, so 更改配置 cannot open a second dialog and
// Enter or Escape cannot end the program under it. A dialog run without an owner belongs
// to the main window too.
TEST(ChangeConfig, TheMainWindowTakesNoInputWhileItsDialogsAreOpen) {
    struct Case {
        const char* name;
        int dialog;
        std::function<void(Connected&)> open;
    };
    const Case cases[] = {
        {"settings", ids::kConfigDialog,
         [](Connected& app) { app.window.Click(ids::kChangeConfigButton); }},
        {"about", ids::kAboutBox,
         [](Connected& app) { app.window.SystemCommand(ids::kAboutCommand); }},
        {"settings run without an owner", ids::kConfigDialog,
         [](Connected& app) {
             ChannelKeyAccess keys(app.main.GetChannel());
             ConfigDialog dialog(app.toolkit, keys);
             dialog.DoModal(nullptr);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Connected app;
        int runs = 0;
        app.toolkit.OnModal(c.dialog, [&](HeadlessWindow& dialog) {
            ++runs;
            EXPECT_FALSE(app.window.IsWindowEnabled());
            EXPECT_FALSE(app.window.Click(ids::kChangeConfigButton));
            EXPECT_FALSE(app.window.SystemCommand(ids::kAboutCommand));
            EXPECT_FALSE(app.window.PressEnter());
            EXPECT_FALSE(app.window.PressEscape());
            EXPECT_FALSE(app.window.Ended());
            EXPECT_TRUE(dialog.CloseBox());
        });
        c.open(app);
        EXPECT_EQ(runs, 1);
        EXPECT_EQ(app.toolkit.ModalRuns(), std::vector<int>{c.dialog});
        EXPECT_TRUE(app.window.IsWindowEnabled());
        EXPECT_TRUE(app.ButtonsConnected());
        EXPECT_TRUE(app.window.PressEscape());
        EXPECT_TRUE(app.window.Ended());
    }
}

TEST(Uploads, FirmwareArrivesWholeAndTheToolWaitsBeforeSayingSo) {
    Connected app;
    const auto image = Pattern(3 * 1012 + 100);
    app.files.Put("update", image);
    EXPECT_TRUE(app.window.Click(ids::kUpdateFirmwareButton));  // hidden, yet enabled
    EXPECT_EQ(app.Prompts(), std::vector<std::string>{"更新固件成功,请把设备断电重启以使固件生效"});
    ASSERT_EQ(app.reader.uploads.size(), 1u);
    EXPECT_EQ(app.reader.uploads[0].target, "tesmor");
    EXPECT_EQ(app.reader.uploads[0].image, image);
    EXPECT_TRUE(app.reader.uploads[0].digestMatches);
    EXPECT_EQ(app.sleeper.waits, std::vector<uint32_t>{30000});
    EXPECT_EQ(app.files.open, 0);
    EXPECT_TRUE(app.ButtonsConnected());
    EXPECT_EQ(app.toolkit.Messages()[0].cursor, ui::Cursor::Wait);
}

TEST(Uploads, ConfigurationSurvivesWrongAcknowledgements) {
    Connected app;
    sim::FaultPlan faults;
    faults.wrongIndexEvery = 2;
    app.reader.model.SetFaults(faults);
    const auto config = Pattern(5000);
    app.files.Put("config", config);
    app.window.Click(ids::kUpdateConfigButton);
    EXPECT_EQ(app.Prompts(), std::vector<std::string>{"更新配置成功,请把设备断电重启以使配置生效"});
    ASSERT_EQ(app.reader.uploads.size(), 1u);
    EXPECT_EQ(app.reader.uploads[0].target, "tmconfig.config");
    EXPECT_EQ(app.reader.uploads[0].image, config);
    EXPECT_EQ(app.sleeper.waits, std::vector<uint32_t>{4000});
}

TEST(Uploads, EveryFailureIsToldAndLeavesTheWindowConnected) {
    struct Case {
        const char* name;
        bool firmware;
        std::function<void(Connected&)> arrange;
        const char* message;
    };
    const Case cases[] = {
        {"missing file", true, [](Connected&) {}, "打开文件错误，请检查相关文件是否存在!"},
        {"firmware start refused", true,
         [](Connected& app) {
             app.files.Put("update", Pattern(10));
             sim::FaultPlan refuse;
             refuse.refuseAll = true;
             app.reader.model.SetFaults(refuse);
         },
         "与设备通信错误，请检查!"},
        {"configuration start not written", false,
         [](Connected& app) {
             app.files.Put("config", Pattern(10));
             app.reader.channel.SetWriteFails(true);
         },
         "1与设备通信错误，请检查!"},
        {"configuration start unanswered", false,
         [](Connected& app) {
             app.files.Put("config", Pattern(10));
             sim::FaultPlan silent;
             silent.silent = true;
             app.reader.model.SetFaults(silent);
         },
         "2与设备通信错误，请检查!"},
        {"configuration start refused", false,
         [](Connected& app) {
             app.files.Put("config", Pattern(10));
             sim::FaultPlan refuse;
             refuse.refuseAll = true;
             app.reader.model.SetFaults(refuse);
         },
         "3与设备通信错误，请检查!"},
        {"file shorter than announced", true,
         [](Connected& app) { app.files.Put("update", Pattern(1500), 100); },
         "读文件错误，更新失败!"},
        {"block write failed", true,
         [](Connected& app) {
             app.files.Put("update", Pattern(3000));
             app.reader.onRequest = [&app](std::string_view note) {
                 if (note.starts_with("upload start")) {
                     app.reader.channel.SetWriteFails(true);
                 }
             };
         },
         "传输错误，更新失败!"},
        {"block never acknowledged", true,
         [](Connected& app) {
             app.files.Put("update", Pattern(3000));
             sim::FaultPlan faults;
             faults.wrongIndexEvery = 1;
             app.reader.model.SetFaults(faults);
         },
         "与设备通信错误，请检查!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Connected app;
        c.arrange(app);
        app.window.Click(c.firmware ? ids::kUpdateFirmwareButton : ids::kUpdateConfigButton);
        EXPECT_EQ(app.Prompts(), std::vector<std::string>{c.message});
        EXPECT_TRUE(app.sleeper.waits.empty());
        EXPECT_EQ(app.files.open, 0);
        EXPECT_TRUE(app.ButtonsConnected());
        EXPECT_NE(app.main.GetChannel(), nullptr);
        EXPECT_TRUE(app.reader.uploads.empty());
    }
}

TEST(Uploads, WithoutAChannelTheToolSaysTheDeviceIsMissing) {
    AppFixture app;
    app.OpenMainWindow();
    app.files.Put("update", Pattern(10));
    app.main.UploadFirmware();
    EXPECT_EQ(app.Prompts(), std::vector<std::string>{"设备信息错误，请检查!"});
    EXPECT_EQ(app.files.opened, 0);
}

}  // namespace
}  // namespace kd
