#include <gtest/gtest.h>

#include "app/config_tool_app.h"
#include "link/port_enumeration.h"
#include "tests/ui/app_fixture.h"

namespace kd {
namespace {

using test::AppFixture;
using ui::Cursor;
using ui::headless::HeadlessWindow;

const std::vector<int> kActionButtons = {ids::kRefreshButton, ids::kConnectButton,
                                         ids::kChangeConfigButton, ids::kUpdateFirmwareButton,
                                         ids::kUpdateConfigButton};

std::vector<int> EnabledActions(const HeadlessWindow& window) {
    std::vector<int> enabled;
    for (int id : kActionButtons) {
        if (window.IsEnabled(id)) {
            enabled.push_back(id);
        }
    }
    return enabled;
}

const std::vector<int> kNotConnected = {ids::kRefreshButton, ids::kConnectButton};
const std::vector<int> kConnected = {ids::kChangeConfigButton, ids::kUpdateFirmwareButton,
                                     ids::kUpdateConfigButton};

std::string Selected(const HeadlessWindow& window, int list) {
    return window.ComboItemText(list, window.ComboSelection(list));
}

test::FakeDevice Port(const std::string& path, const std::string& friendlyName) {
    test::FakeDevice device;
    device.path = path;
    device.friendlyName = friendlyName;
    device.description = "Communications Port";
    device.location = "PCI";
    return device;
}

TEST(MainWindow, StartsNotConnectedWithTheDefaultLineSettings) {
    AppFixture app;
    HeadlessWindow& window = app.OpenMainWindow();

    EXPECT_EQ(window.Title(), "星澜配置工具KD系列(串口)V2.0.3");
    EXPECT_EQ(Selected(window, ids::kBaudRateList), "9600");
    EXPECT_EQ(Selected(window, ids::kDataBitsList), "8");
    EXPECT_EQ(Selected(window, ids::kStopBitsList), "1");
    EXPECT_EQ(Selected(window, ids::kParityList), "NONE");
    EXPECT_EQ(window.ComboCount(ids::kBaudRateList), 10);
    EXPECT_EQ(window.ComboCount(ids::kParityList), 5);

    ASSERT_EQ(window.ComboCount(ids::kPortList), 16);
    EXPECT_EQ(window.ComboItemText(ids::kPortList, 0), "COM1");
    EXPECT_EQ(window.ComboItemText(ids::kPortList, 15), "COM16");
    EXPECT_EQ(window.ComboSelection(ids::kPortList), 0);

    EXPECT_EQ(window.GetText(ids::kStatusLabel), "未连接");
    EXPECT_EQ(window.GetText(ids::kFirmwareVersionLabel), "");
    EXPECT_EQ(window.GetText(ids::kBuildDateLabel), "");
    EXPECT_EQ(EnabledActions(window), kNotConnected);
    EXPECT_TRUE(window.IsEnabled(ids::kExitButton));
    EXPECT_FALSE(window.IsVisible(ids::kUpdateFirmwareButton));
    EXPECT_FALSE(window.IsVisible(ids::kUpdateConfigButton));
    EXPECT_FALSE(window.IsVisible(ids::kHidList));
    EXPECT_FALSE(window.IsVisible(ids::kHidRadio));
    EXPECT_TRUE(window.IsChecked(ids::kSerialRadio));

    EXPECT_EQ(window.IconId(), ids::kApplicationIcon);
    ASSERT_EQ(window.SystemMenuEntries().size(), 6u);
    EXPECT_EQ(window.SystemMenuEntries()[1].first, "关于配置工具  (&A)...");
    EXPECT_EQ(window.SystemMenuEntries()[1].second, 0x10);
    // The scan test and the frame log follow About, greyed out until a connect succeeds.
    EXPECT_EQ(window.SystemMenuEntries()[2].first, "扫描测试(&T)...");
    EXPECT_FALSE(window.IsSystemMenuEnabled(ids::kScanTestCommand));
    EXPECT_EQ(window.SystemMenuEntries()[3].first, "通信记录(&L)...");
    EXPECT_FALSE(window.IsSystemMenuEnabled(ids::kFrameLogCommand));
    // Then the two uploads, greyed out alike.
    EXPECT_EQ(window.SystemMenuEntries()[4].first, "固件升级(&F)...");
    EXPECT_EQ(window.SystemMenuEntries()[5].first, "配置升级(&G)...");
    EXPECT_FALSE(window.IsSystemMenuEnabled(ids::kFirmwareUploadCommand));
    EXPECT_FALSE(window.IsSystemMenuEnabled(ids::kConfigUploadCommand));
    EXPECT_EQ(app.process.mutexNames, std::vector<std::string>{"Tesmor_CONFIG_TOOLS_v5.5.x"});
    EXPECT_TRUE(app.toolkit.Messages().empty());
    EXPECT_EQ(app.main.GetChannel(), nullptr);
}

TEST(MainWindow, ASecondCopySaysSoAndLeavesWithCodeZero) {
    AppFixture app;
    app.process.alreadyRunning = true;
    app.toolkit.SetApplicationName("kdconfig");
    ConfigToolApp application(app.services);
    EXPECT_FALSE(application.InitInstance());
    ASSERT_EQ(app.toolkit.Messages().size(), 1u);
    EXPECT_EQ(app.toolkit.Messages()[0].text, "你已经打开了此配置工具，请先关闭程序");
    EXPECT_EQ(app.toolkit.Messages()[0].caption, "kdconfig");
    EXPECT_EQ(app.process.exitCodes, std::vector<int>{0});
    // It never looked for ports.
    EXPECT_TRUE(app.serial.classesSearched.empty());
}

TEST(MainWindow, PortListShowsFriendlyNamesOfComPortsEachMappedToItsRecord) {
    AppFixture app;
    app.serial.version = {6, 1, 7601, 2};
    auto& ports = app.serial.Class(kSerialPortInterfaceClass).devices;
    ports.push_back(Port("\\\\?\\acpi#modem", "Modem on line"));   // no COM: not listed
    ports.push_back(Port("\\\\?\\usb#lower", "USB port (com9)"));  // lower case: not listed
    ports.push_back(Port("\\\\?\\pci#b", "Reader port (COM7)"));
    ports.push_back(Port("\\\\?\\pci#a", "Console (COM3)"));
    HeadlessWindow& window = app.OpenMainWindow();

    // The unlisted records still get a port name from their friendly name ("COM" only
    // when followed by digits matters not here); only ports named "COM" are listed, each
    // by its friendly name, which is not what connect opens.
    ASSERT_EQ(window.ComboCount(ids::kPortList), 2);
    EXPECT_EQ(window.ComboItemText(ids::kPortList, 0), "Reader port (COM7)");
    EXPECT_EQ(window.ComboItemText(ids::kPortList, 1), "Console (COM3)");
    EXPECT_EQ(window.ComboSelection(ids::kPortList), 0);

    window.PickComboEntry(ids::kPortList, "Console (COM3)");
    app.Connect(window);
    ASSERT_EQ(app.channels.opened.size(), 1u);
    EXPECT_EQ(app.channels.opened[0].portPath, "\\\\?\\pci#a");
}

TEST(MainWindow, PortListOpensAsWideAsItsLongestEntryAfterEverySearch) {
    AppFixture app;
    HeadlessWindow& window = app.OpenMainWindow();
    const int box = window.ComboDropWidth(ids::kPortList);  // COM1 to COM16 fit the box

    app.serial.version = {6, 1, 7601, 2};
    auto& ports = app.serial.Class(kSerialPortInterfaceClass).devices;
    ports.push_back(Port("\\\\?\\pci#a", "Console (COM3)"));
    ports.push_back(Port("\\\\?\\usb#b", "USB-SERIAL CH340 with a long name (COM4)"));
    window.Click(ids::kRefreshButton);
    EXPECT_GT(window.ComboDropWidth(ids::kPortList), box);

    ports.pop_back();
    window.Click(ids::kRefreshButton);
    EXPECT_EQ(window.ComboDropWidth(ids::kPortList), box);
}

TEST(MainWindow, NoPortsMeansNothingSelectedAndConnectSaysSo) {
    AppFixture app;
    app.serial.version = {6, 1, 7601, 2};
    HeadlessWindow& window = app.OpenMainWindow();
    EXPECT_EQ(window.ComboCount(ids::kPortList), 0);
    EXPECT_EQ(window.ComboSelection(ids::kPortList), -1);
    app.Connect(window);
    EXPECT_EQ(app.Prompts(), std::vector<std::string>{"没有需要连接的串口，请刷新设备重新选择"});
    EXPECT_TRUE(app.channels.opened.empty());
    EXPECT_EQ(EnabledActions(window), kNotConnected);
}

TEST(MainWindow, RecordsNoneOfWhichIsListedAskForAPort) {
    AppFixture app;
    app.serial.version = {6, 1, 7601, 2};
    app.serial.Class(kSerialPortInterfaceClass).devices.push_back(Port("\\\\?\\x", "Modem"));
    HeadlessWindow& window = app.OpenMainWindow();
    EXPECT_EQ(window.ComboCount(ids::kPortList), 0);
    app.Connect(window);
    EXPECT_EQ(app.Prompts(), std::vector<std::string>{"请选择连接的串口"});
}

TEST(MainWindow, RefreshKeepsLineSettingsAndSelectsTheFirstPortAgain) {
    AppFixture app;
    HeadlessWindow& window = app.OpenMainWindow();
    window.PickComboEntry(ids::kPortList, 2);
    window.PickComboEntry(ids::kBaudRateList, "115200");
    window.PickComboEntry(ids::kParityList, "EVEN");
    window.Click(ids::kRefreshButton);
    EXPECT_EQ(window.ComboSelection(ids::kPortList), 0);
    EXPECT_EQ(window.ComboCount(ids::kPortList), 16);
    EXPECT_EQ(Selected(window, ids::kBaudRateList), "115200");
    EXPECT_EQ(Selected(window, ids::kParityList), "EVEN");
    EXPECT_EQ(EnabledActions(window), kNotConnected);
    EXPECT_EQ(app.toolkit.CursorHistory(), (std::vector<Cursor>{Cursor::Wait, Cursor::Arrow}));
}

TEST(MainWindow, AFailedPortSearchIsShownAndTheToolGoesOn) {
    AppFixture app;
    app.serial.versionError = 0x57;
    HeadlessWindow& window = app.OpenMainWindow();
    EXPECT_EQ(app.Prompts(),
              std::vector<std::string>{"枚举串口失败：Could not get OS version. (err=57)"});
    EXPECT_EQ(window.ComboCount(ids::kPortList), 0);
    EXPECT_EQ(Selected(window, ids::kBaudRateList), "9600");

    app.serial.versionError.reset();
    window.Click(ids::kRefreshButton);
    EXPECT_EQ(window.ComboCount(ids::kPortList), 16);
    EXPECT_EQ(EnabledActions(window), kNotConnected);
}

TEST(Connect, OpensTheChosenPortWithItsSettingsAndShowsTheReader) {
    AppFixture app;
    HeadlessWindow& window = app.OpenMainWindow();
    window.PickComboEntry(ids::kPortList, "COM3");
    window.PickComboEntry(ids::kBaudRateList, "19200");
    window.PickComboEntry(ids::kDataBitsList, "7");
    window.PickComboEntry(ids::kStopBitsList, "2");
    window.PickComboEntry(ids::kParityList, "MARK");
    app.Connect(window);

    ASSERT_EQ(app.channels.opened.size(), 1u);
    const SerialSettings& opened = app.channels.opened[0];
    EXPECT_EQ(opened.portPath, "\\\\.\\COM3");
    EXPECT_EQ(opened.baudRate, 19200u);
    EXPECT_EQ(opened.byteSize, 7);
    EXPECT_EQ(opened.stopBits, "2");
    EXPECT_EQ(opened.parity, "MARK");

    EXPECT_TRUE(app.toolkit.Messages().empty());
    EXPECT_EQ(window.GetText(ids::kFirmwareVersionLabel), "V3.1.7");
    EXPECT_EQ(window.GetText(ids::kBuildDateLabel), "2026-10-12 15:04:33");
    EXPECT_EQ(window.GetText(ids::kStatusLabel), "已连接");
    EXPECT_EQ(EnabledActions(window), kConnected);
    EXPECT_NE(app.main.GetChannel(), nullptr);
    EXPECT_EQ(app.reader.requests,
              (std::vector<std::string>{"handshake", "query masterver", "query slavever"}));
    EXPECT_EQ(app.toolkit.CursorHistory(), (std::vector<Cursor>{Cursor::Wait, Cursor::Arrow}));
}

TEST(Connect, ARefusingReaderFailsClosesTheChannelAndCanBeRetried) {
    AppFixture app;
    HeadlessWindow& window = app.OpenMainWindow();
    sim::FaultPlan refuse;
    refuse.refuseAll = true;
    app.reader.model.SetFaults(refuse);
    app.Connect(window);
    EXPECT_EQ(app.Prompts(), std::vector<std::string>{"验证设备失败，请重试或重新选择设备"});
    EXPECT_EQ(app.main.GetChannel(), nullptr);
    EXPECT_EQ(app.channels.closes, 1);
    EXPECT_EQ(app.channels.live, 0);
    EXPECT_EQ(window.GetText(ids::kStatusLabel), "未连接");
    EXPECT_EQ(EnabledActions(window), kNotConnected);

    app.reader.model.SetFaults({});
    app.Connect(window);
    EXPECT_EQ(window.GetText(ids::kStatusLabel), "已连接");
    EXPECT_EQ(app.toolkit.Messages().size(), 1u);
}

TEST(Connect, VersionTextsLongerThanTheirLabelsShowTheirStartAndConnect) {
    AppFixture app;
    HeadlessWindow& window = app.OpenMainWindow();
    app.reader.Set("masterver", std::string(23, 'V') + "-long-tail");
    app.reader.Set("slavever", std::string(47, 'D') + "-long-tail");
    app.Connect(window);
    EXPECT_EQ(window.GetText(ids::kStatusLabel), "已连接");
    EXPECT_EQ(window.GetText(ids::kFirmwareVersionLabel), std::string(23, 'V'));
    EXPECT_EQ(window.GetText(ids::kBuildDateLabel), std::string(47, 'D'));
    EXPECT_TRUE(app.Prompts().empty());
}

TEST(Connect, AFailedBuildDateKeepsTheVersionShownAndStaysNotConnected) {
    AppFixture app;
    HeadlessWindow& window = app.OpenMainWindow();
    sim::FaultPlan faults;
    faults.refusedKeys = {"slavever"};
    app.reader.model.SetFaults(faults);
    app.Connect(window);
    EXPECT_EQ(window.GetText(ids::kFirmwareVersionLabel), "V3.1.7");
    EXPECT_EQ(window.GetText(ids::kBuildDateLabel), "");
    EXPECT_EQ(window.GetText(ids::kStatusLabel), "未连接");
    EXPECT_EQ(app.Prompts(), std::vector<std::string>{"验证设备失败，请重试或重新选择设备"});
}

TEST(Connect, ASilentReaderFailsAfterTheReplyWait) {
    AppFixture app;
    HeadlessWindow& window = app.OpenMainWindow();
    sim::FaultPlan silent;
    silent.silent = true;
    app.reader.model.SetFaults(silent);
    app.Connect(window);
    EXPECT_EQ(app.Prompts(), std::vector<std::string>{"验证设备失败，请重试或重新选择设备"});
    // One handshake, whose reply was waited for the whole reply time-out.
    EXPECT_EQ(app.reader.channel.NowMs(), 2000u);
    EXPECT_EQ(app.channels.live, 0);
}

TEST(Connect, APortThatCannotBeOpenedLeavesNoChannel) {
    AppFixture app;
    HeadlessWindow& window = app.OpenMainWindow();
    app.channels.failOpen = true;
    app.Connect(window);
    EXPECT_EQ(app.Prompts(),
              std::vector<std::string>{"打开串口失败，请检查串口是否存在或被其他程序占用!"});
    EXPECT_EQ(app.main.GetChannel(), nullptr);
    EXPECT_EQ(EnabledActions(window), kNotConnected);
}

TEST(Connect, OnlyTheFirstMissingSelectionIsReported) {
    AppFixture app;
    HeadlessWindow& window = app.OpenMainWindow();
    window.ComboSelect(ids::kDataBitsList, -1);
    window.ComboSelect(ids::kParityList, -1);
    app.Connect(window);
    window.ComboSelect(ids::kDataBitsList, 3);
    app.Connect(window);
    window.ComboSelect(ids::kBaudRateList, -1);
    window.ComboSelect(ids::kStopBitsList, -1);
    app.Connect(window);
    EXPECT_EQ(app.Prompts(),
              (std::vector<std::string>{"请选择数据位", "请选择校验位", "请选择波特率"}));
    EXPECT_TRUE(app.channels.opened.empty());
    // Every prompt came while the window was busy.
    for (const auto& message : app.toolkit.Messages()) {
        EXPECT_EQ(message.cursor, Cursor::Wait);
        EXPECT_EQ(message.caption, "提示");
        EXPECT_EQ(message.flags, ui::kMessageOk | ui::kMessageSystemModal);
    }
}

TEST(MainWindow, AboutEntryOfTheSystemMenuShowsTheToolVersion) {
    AppFixture app;
    HeadlessWindow& window = app.OpenMainWindow();
    std::string firstLine;
    app.toolkit.OnModal(ids::kAboutBox, [&](HeadlessWindow& about) {
        firstLine = about.GetText(ids::kAboutVersionLine);
        about.PressEnter();
    });
    EXPECT_TRUE(window.SystemCommand(0x10));
    EXPECT_EQ(firstLine, "更新工具 v1.0.5");
    EXPECT_TRUE(window.SystemCommand(0x13));  // low four bits do not matter
    EXPECT_FALSE(window.SystemCommand(0xF060));
    EXPECT_EQ(app.toolkit.ModalRuns(), (std::vector<int>{ids::kAboutBox, ids::kAboutBox}));
}

TEST(MainWindow, ExitEndsTheWindow) {
    AppFixture app;
    HeadlessWindow& window = app.OpenMainWindow();
    window.Click(ids::kExitButton);
    EXPECT_TRUE(window.Ended());
}

}  // namespace
}  // namespace kd
