#include "config/config_dialog.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "protocol/exchange.h"
#include "resources/config_ids.h"
#include "tests/ui/settings_dialog_fixture.h"
#include "ui/headless/headless_toolkit.h"

namespace kd {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;
using ui::headless::HeadlessWindow;
using namespace test::settings;

constexpr int kPages[] = {kSymbology, kMode, kFormat, kControl, kAbout};  // by tab index

const std::vector<std::string> kSymbologyReads = {"qrcode", "dmcode", "onecode", "pdf417code"};
const std::vector<std::string> kFormatReads = {
    "contentorder", "codeprefix",        "codepostfix",      "nfcprefix",
    "nfcpostfix",   "codeprepostformat", "nfcprepostformat", "nfcreadmethod"};
const std::vector<std::string> kAboutReads = {"masterver", "deviceno", "historytime"};

std::vector<std::string> Joined(std::initializer_list<std::vector<std::string>> parts) {
    std::vector<std::string> all;
    for (const auto& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

// The values written for one key, in order.
std::vector<std::string> WritesOf(const std::vector<std::string>& writes, std::string_view key) {
    std::vector<std::string> values;
    const std::string prefix = "write " + std::string(key) + "=";
    for (const auto& write : writes) {
        if (write.starts_with(prefix)) {
            values.push_back(write.substr(prefix.size()));
        }
    }
    return values;
}

class ConfigDialogTest : public test::SettingsDialogTest {
  protected:
    // Presses 保存; returns what reached the reader.
    std::vector<std::string> Save() {
        reader.requests.clear();
        toolkit.ClearMessages();
        window->Click(kSave);
        return reader.Writes();
    }
};

TEST_F(ConfigDialogTest, OpeningReadsEveryPageInOrder) {
    // The reader's defaults: "io_outputs" "com1", "nfcable" "1".
    Open();
    EXPECT_THAT(
        reader.Reads(),
        ElementsAreArray(Joined(
            {kSymbologyReads,
             {"io_outputs", "com1_baudrate", "com1_stopbits", "com1_bytesizes", "com1_paritys"},
             kFormatReads,
             {"codehint", "reboothint", "nfchint", "workmode", "intervaltime", "nfccontentbegin",
              "nfccontentend", "nfcable", "nfccontentformat", "codecontentformat", "contentformat",
              "developctrl", "scanmode"},
             kAboutReads})));
    EXPECT_THAT(reader.Writes(), IsEmpty());
    EXPECT_THAT(toolkit.Messages(), IsEmpty());
}

TEST_F(ConfigDialogTest, UsbRouteAndNfcOffReadNeitherLineSettingsNorNfcFormat) {
    reader.Set("io_outputs", "comusb");
    reader.Set("nfcable", "0");
    Open();
    EXPECT_THAT(
        reader.Reads(),
        ElementsAreArray(Joined({kSymbologyReads,
                                 {"io_outputs"},
                                 kFormatReads,
                                 {"codehint", "reboothint", "nfchint", "workmode", "intervaltime",
                                  "nfccontentbegin", "nfccontentend", "nfcable",
                                  "codecontentformat", "contentformat", "developctrl", "scanmode"},
                                 kAboutReads})));
}

TEST_F(ConfigDialogTest, SavingUnchangedWritesTheReaderValuesBack) {
    Open();
    EXPECT_THAT(
        Save(),
        ElementsAre("write pdf417code=0", "write qrcode=1", "write dmcode=1", "write onecode=1",
                    "write io_inits=com0,com1,hid1,com2", "write io_monitors=com1,hid1",
                    "write io_outputs=com1", "write com1_baudrate=9600", "write com1_bytesizes=8",
                    "write com1_stopbits=1", "write com1_paritys=NONE",
                    "write contentorder=PREFIX,CONTENT,POSTFIX,ENTER",
                    "write codeprefix=", "write codepostfix=", "write nfcprefix=",
                    "write nfcpostfix=", "write intervaltime=1000", "write nfchint=1",
                    "write codehint=1,26", "write reboothint=7,11", "write workmode=0",
                    "write nfcserial=com0", "write nfcable=1", "write com0_devname=/dev/ttyS2",
                    "write nfccontentformat=hex", "write codeprepostformat=char",
                    "write nfcprepostformat=hex", "write nfcreadmethod=0",
                    "write deviceno=KD-000123", "write nfccontentbegin=0", "write nfccontentend=16",
                    "write codecontentformat=char", "write contentformat=char",
                    "write developctrl=0", "write scanmode=0", "store"));
    EXPECT_THAT(MessageTexts(), ElementsAre("保存成功!"));
    EXPECT_FALSE(window->Ended()) << "the dialog stays open after Save";
}

TEST_F(ConfigDialogTest, NothingCheckedOrSelectedWritesTheMinimalSet) {
    for (const char* name :
         {"qrcode", "dmcode", "onecode", "io_outputs", "codeprepostformat", "nfcprepostformat",
          "nfcreadmethod", "codehint", "nfchint", "reboothint", "workmode", "intervaltime",
          "nfccontentbegin", "nfccontentend", "codecontentformat", "contentformat", "developctrl",
          "scanmode", "deviceno"}) {
        reader.Set(name, "");
    }
    reader.Set("contentorder", "PREFIX,CONTENT,POSTFIX");
    reader.Set("nfcable", "0");
    Open();
    EXPECT_THAT(Save(), ElementsAre("write pdf417code=0", "write qrcode=0", "write dmcode=0",
                                    "write onecode=0", "write contentorder=PREFIX,CONTENT,POSTFIX",
                                    "write codeprefix=", "write codepostfix=", "write nfcprefix=",
                                    "write nfcpostfix=", "write intervaltime=", "write nfcable=0",
                                    "write deviceno=", "write nfccontentbegin=",
                                    "write nfccontentend=", "store"));
}

TEST_F(ConfigDialogTest, EditsOnEveryPageAreSavedAndReadBack) {
    Open();
    Page(kSymbology).Click(1019);  // QR off
    Page(kSymbology).Click(1078);  // PDF417 on
    ASSERT_TRUE(Page(kMode).PickComboEntry(1040, "115200"));
    ASSERT_TRUE(Page(kMode).Type(1043, "space"));  // not an entry: written as typed
    HeadlessWindow& format = Page(kFormat);
    format.Click(1037);  // 换行
    format.Click(1029);
    format.Type(1038, "AB");
    format.Click(1031);
    format.Type(1034, "N1");
    format.Click(1092);  // 连续
    format.Click(1053);  // code prefix format hex
    HeadlessWindow& control = Page(kControl);
    control.Click(1074);  // 重启开红灯: the red flash box no longer counts
    control.Click(1026);  // 间隔模式
    control.Type(1028, "250");
    control.Click(1085);  // "dec2" in the 内容 row
    control.Click(1071);  // HID开发模式
    Page(kAbout).Type(1055, "KD-9");

    EXPECT_THAT(
        Save(),
        ElementsAre("write pdf417code=1", "write qrcode=0", "write dmcode=1", "write onecode=1",
                    "write io_inits=com0,com1,hid1,com2", "write io_monitors=com1,hid1",
                    "write io_outputs=com1", "write com1_baudrate=115200", "write com1_bytesizes=8",
                    "write com1_stopbits=1", "write com1_paritys=space",
                    "write contentorder=PREFIX,CONTENT,POSTFIX,ENTER,WRAP", "write codeprefix=AB",
                    "write codepostfix=", "write nfccontentorder=NFCPREFIX,NFC,NFCPOSTFIX",
                    "write nfcprefix=N1", "write nfcpostfix=", "write intervaltime=250",
                    "write nfchint=1", "write codehint=1", "write reboothint=8,9,11",
                    "write workmode=2", "write nfcserial=com0", "write nfcable=1",
                    "write com0_devname=/dev/ttyS2", "write nfccontentformat=hex",
                    "write codeprepostformat=hex", "write nfcprepostformat=hex",
                    "write nfcreadmethod=1", "write deviceno=KD-9", "write nfccontentbegin=0",
                    "write nfccontentend=16", "write codecontentformat=char", "write developctrl=2",
                    "write scanmode=1", "store"));

    Open();
    EXPECT_FALSE(Page(kSymbology).IsChecked(1019));
    EXPECT_EQ(Page(kMode).GetText(1040), "115200");
    EXPECT_EQ(Page(kFormat).GetText(1038), "AB");
    EXPECT_TRUE(Page(kFormat).IsChecked(1092));
    EXPECT_TRUE(Page(kControl).IsChecked(1074));
    EXPECT_TRUE(Page(kControl).IsChecked(1044));
    EXPECT_FALSE(Page(kControl).IsChecked(1089)) << "codehint was saved as \"1\"";
    EXPECT_EQ(Page(kAbout).GetText(1055), "KD-9");
}

TEST_F(ConfigDialogTest, OpensOnTheFirstTabWithPagesInTheTabsDisplayArea) {
    // The row of tabs grows with the DPI: at 192 a fixed offset would put the pages over
    // the captions.
    std::vector<ui::Rect> areas;
    toolkit.OnModal(130, [&](HeadlessWindow& shown) {
        EXPECT_EQ(shown.TabCount(kTabs), 5);
        EXPECT_EQ(shown.TabText(kTabs, 0), "码制设置");
        EXPECT_EQ(shown.TabText(kTabs, 4), "关于");
        EXPECT_EQ(shown.TabSelection(kTabs), 0);
        const ui::Rect area = shown.TabDisplayArea(kTabs);
        areas.push_back(area);
        for (const int page : kPages) {
            EXPECT_EQ(toolkit.Find(page)->IsWindowVisible(), page == kSymbology) << page;
            EXPECT_EQ(toolkit.Find(page)->WindowRect(), area) << page;
        }
        ASSERT_TRUE(shown.PickTab(kTabs, 3));
        for (const int page : kPages) {
            EXPECT_EQ(toolkit.Find(page)->IsWindowVisible(), page == kControl) << page;
        }
        shown.Click(kExit);
    });
    for (const int dpi : {96, 192}) {
        toolkit.SetDpi(dpi);
        ConfigDialog modal(toolkit, reader.access);
        EXPECT_EQ(modal.DoModal(nullptr), ui::kResultCancel);
    }
    ASSERT_EQ(areas.size(), 2u);
    EXPECT_EQ(areas[1].top, 2 * areas[0].top);
}

TEST_F(ConfigDialogTest, LeavingWithoutSaveWritesNothing) {
    toolkit.OnModal(130, [&](HeadlessWindow& shown) {
        toolkit.Find(kSymbology)->Click(1019);
        toolkit.Find(kAbout)->Type(1055, "changed");
        shown.PressEnter();  // must neither close nor save
        EXPECT_FALSE(shown.Ended());
        shown.Click(kExit);
        EXPECT_TRUE(shown.Ended());
    });
    {
        ConfigDialog modal(toolkit, reader.access);
        modal.DoModal(nullptr);
    }
    Open();
    window->CloseBox();
    EXPECT_TRUE(window->Ended());
    EXPECT_THAT(reader.Writes(), IsEmpty());
    EXPECT_TRUE(Page(kSymbology).IsChecked(1019)) << "reopening shows the reader's values";
    EXPECT_EQ(Page(kAbout).GetText(1055), "KD-000123");
}

TEST_F(ConfigDialogTest, MatchingRulesOnLoad) {
    reader.Set("qrcode", " 1");
    reader.Set("codehint", "26");
    reader.Set("nfchint", "12");  // any 1 counts for the beeper
    reader.Set("contentorder", "PREFIX,CONTENT,POSTFIX,WRAP");
    reader.Set("codeprepostformat", "HEX");
    reader.Set("reboothint", "7, 11");
    reader.Set("workmode", "3");
    reader.Set("developctrl", "1");
    reader.Set("scanmode", "1");
    reader.Set("nfcreadmethod", "1");
    Open();
    EXPECT_FALSE(Page(kSymbology).IsChecked(1019));
    HeadlessWindow& control = Page(kControl);
    EXPECT_FALSE(control.IsChecked(1044));
    EXPECT_TRUE(control.IsChecked(1089));
    EXPECT_TRUE(control.IsChecked(1077));
    EXPECT_FALSE(control.IsChecked(1090));
    for (const int id : {1073, 1074, 1075, 1076, 1024, 1025, 1026, 1070, 1071, 1072}) {
        EXPECT_FALSE(control.IsChecked(id)) << id;
    }
    EXPECT_FALSE(Page(kFormat).IsChecked(1036));
    EXPECT_TRUE(Page(kFormat).IsChecked(1037));
    EXPECT_FALSE(Page(kFormat).IsChecked(1053));
    EXPECT_FALSE(Page(kFormat).IsChecked(1054));
    EXPECT_TRUE(Page(kFormat).IsChecked(1092));

    const auto writes = Save();
    EXPECT_THAT(WritesOf(writes, "qrcode"), ElementsAre("0"));
    EXPECT_THAT(WritesOf(writes, "contentorder"), ElementsAre("PREFIX,CONTENT,POSTFIX,WRAP"));
    EXPECT_THAT(WritesOf(writes, "nfcreadmethod"), ElementsAre("1"));
    for (const char* unwritten : {"codeprepostformat", "reboothint", "codehint", "nfchint",
                                  "workmode", "developctrl", "scanmode"}) {
        EXPECT_THAT(WritesOf(writes, unwritten), IsEmpty()) << unwritten;
    }
}

TEST_F(ConfigDialogTest, HintsFollowTheRebootLight) {
    struct Case {
        int light;
        const char* hint;
    };
    for (const Case& c :
         {Case{1073, "1,26"}, Case{1074, "1"}, Case{1075, "1"}, Case{1076, "1,26"}}) {
        Open();
        HeadlessWindow& control = Page(kControl);
        control.Click(1090);  // the reader's nfchint "1" leaves the NFC red box unchecked
        control.Click(c.light);
        const auto writes = Save();
        EXPECT_THAT(WritesOf(writes, "codehint"), ElementsAre(c.hint)) << c.light;
        EXPECT_THAT(WritesOf(writes, "nfchint"), ElementsAre(c.hint)) << c.light;
        reader.Set("codehint", "1,26");
        reader.Set("nfchint", "1");
    }
}

TEST_F(ConfigDialogTest, RadioRowsAreIndependentAndDecButtonsWriteNothing) {
    Open();  // "codecontentformat" and "contentformat" are "char"
    HeadlessWindow& control = Page(kControl);
    control.Click(1085);  // 内容 dec2
    EXPECT_FALSE(control.IsChecked(1060));
    EXPECT_TRUE(control.IsChecked(1053)) << "the 二维码 row keeps its selection";
    control.Click(1084);  // 二维码 dec3
    EXPECT_FALSE(control.IsChecked(1053));
    EXPECT_TRUE(control.IsChecked(1085));
    control.Click(1048);  // NFC row "dec"
    EXPECT_TRUE(control.IsChecked(1073)) << "the reboot light stays selected";
    const auto writes = Save();
    EXPECT_THAT(WritesOf(writes, "codecontentformat"), IsEmpty());
    EXPECT_THAT(WritesOf(writes, "contentformat"), IsEmpty());
    EXPECT_THAT(WritesOf(writes, "nfccontentformat"), ElementsAre("dec"));
}

TEST_F(ConfigDialogTest, NfcFormatOnlyWithTheNfcSwitch) {
    reader.Set("nfcable", "0");
    reader.Set("nfccontentformat", "hex");
    Open();
    HeadlessWindow& control = Page(kControl);
    EXPECT_FALSE(control.IsChecked(1045));
    EXPECT_FALSE(control.IsChecked(1047));
    control.Click(1046);
    const auto writes = Save();
    EXPECT_THAT(WritesOf(writes, "nfcable"), ElementsAre("0"));
    for (const char* unwritten : {"nfccontentformat", "nfcserial", "com0_devname"}) {
        EXPECT_THAT(WritesOf(writes, unwritten), IsEmpty()) << unwritten;
    }
}

TEST_F(ConfigDialogTest, PrefixBoxesDecideWhatIsWritten) {
    reader.Set("codeprefix", "P");
    reader.Set("nfcpostfix", "S");
    Open();
    HeadlessWindow& format = Page(kFormat);
    EXPECT_TRUE(format.IsChecked(1029));
    EXPECT_FALSE(format.IsChecked(1031));
    format.Click(1029);  // unchecked, its text stays
    format.Click(1030);  // checked, its field empty
    auto writes = Save();
    EXPECT_EQ(format.GetText(1038), "P");
    EXPECT_THAT(WritesOf(writes, "codeprefix"), ElementsAre(""));
    EXPECT_THAT(WritesOf(writes, "codepostfix"), ElementsAre(""));
    EXPECT_THAT(WritesOf(writes, "nfcpostfix"), ElementsAre("S"));
    EXPECT_THAT(WritesOf(writes, "nfccontentorder"), IsEmpty()) << "NFC前缀 is unchecked";

    format.Click(1031);
    writes = Save();
    const auto order =
        std::find(writes.begin(), writes.end(), "write nfccontentorder=NFCPREFIX,NFC,NFCPOSTFIX");
    ASSERT_NE(order, writes.end());
    EXPECT_EQ(*(order + 1), "write nfcprefix=");
}

TEST_F(ConfigDialogTest, SerialRouteShowsAndSavesLineSettings) {
    Open();
    HeadlessWindow& mode = Page(kMode);
    EXPECT_TRUE(mode.IsChecked(1022));
    EXPECT_FALSE(mode.IsVisible(1063));
    EXPECT_EQ(mode.GetText(1040), "9600");
    EXPECT_FALSE(mode.Click(1022)) << "only loading sets the route";
    EXPECT_EQ(mode.ComboCount(1040), 19);
    EXPECT_EQ(mode.ComboItemText(1040, 0), "110");
    EXPECT_EQ(mode.ComboItemText(1040, 1), "115200");
    EXPECT_EQ(mode.ComboItemText(1040, 2), "1200");
    EXPECT_EQ(mode.ComboItemText(1043, 0), "EVEN");
}

TEST_F(ConfigDialogTest, UsbRouteHidesTheSerialControls) {
    reader.Set("io_outputs", "comusb");
    Open();
    HeadlessWindow& mode = Page(kMode);
    EXPECT_TRUE(mode.IsChecked(1063));
    EXPECT_TRUE(mode.IsVisible(1063));
    for (const int id : {1022, 1040, 1041, 1042, 1043, 1064, 1065, 1066, 1067}) {
        EXPECT_FALSE(mode.IsVisible(id)) << id;
    }
    const auto writes = Save();
    EXPECT_THAT(WritesOf(writes, "io_inits"), ElementsAre("comusb,com0,com2"));
    EXPECT_THAT(WritesOf(writes, "io_monitors"), ElementsAre("comusb"));
    EXPECT_THAT(WritesOf(writes, "io_outputs"), ElementsAre("comusb"));
    EXPECT_THAT(WritesOf(writes, "com1_baudrate"), IsEmpty());
}

TEST_F(ConfigDialogTest, UnknownRouteShowsEverythingAndWritesNoRoute) {
    reader.Set("io_outputs", "com1,hid1");
    Open();
    HeadlessWindow& mode = Page(kMode);
    EXPECT_FALSE(mode.IsChecked(1022));
    EXPECT_FALSE(mode.IsChecked(1063));
    for (const int id : {1022, 1063, 1040, 1041, 1042, 1043, 1064, 1065, 1066, 1067}) {
        EXPECT_TRUE(mode.IsVisible(id)) << id;
    }
    for (const auto& write : Save()) {
        EXPECT_FALSE(write.starts_with("write io_") || write.starts_with("write com1_")) << write;
    }
}

TEST_F(ConfigDialogTest, EveryFieldIsHeldToItsKeyWriteLimit) {
    struct Field {
        int page;
        int id;
        std::string_view key;
    };
    Open();
    for (const Field& field :
         {Field{kFormat, 1038, "codeprefix"}, Field{kFormat, 1033, "codepostfix"},
          Field{kFormat, 1034, "nfcprefix"}, Field{kFormat, 1035, "nfcpostfix"},
          Field{kControl, 1028, "intervaltime"}, Field{kControl, 1068, "nfccontentbegin"},
          Field{kControl, 1069, "nfccontentend"}, Field{kMode, 1040, "com1_baudrate"},
          Field{kMode, 1041, "com1_stopbits"}, Field{kMode, 1042, "com1_bytesizes"},
          Field{kMode, 1043, "com1_paritys"}, Field{kAbout, 1055, "deviceno"}}) {
        EXPECT_EQ(Page(field.page).TextLimit(field.id), 253 - field.key.size()) << field.key;
    }
}

TEST_F(ConfigDialogTest, LongestCodePrefixGoesBothWays) {
    const std::string longest(243, 'x');
    reader.Set("codeprefix", longest);
    Open();
    HeadlessWindow& format = Page(kFormat);
    EXPECT_EQ(format.GetText(1038), longest);
    EXPECT_TRUE(format.IsChecked(1029));
    reader.Set("codeprefix", "");
    Save();
    EXPECT_EQ(reader.Value("codeprefix"), longest);
    EXPECT_THAT(MessageTexts(), ElementsAre("保存成功!"));

    ASSERT_TRUE(format.Type(1038, longest + "y"));
    EXPECT_EQ(format.GetText(1038), longest) << "the field refuses the 244th byte";
}

TEST_F(ConfigDialogTest, ReaderThatStopsAnsweringMidSaveIsReportedAsFailure) {
    Open();
    Page(kAbout).Type(1055, "new");
    reader.onRequest = [&](std::string_view request) {
        if (request == "write intervaltime=1000") {
            reader.model.SetFaults({.silent = true});
        }
    };
    const uint64_t before = reader.channel.NowMs();
    const auto writes = Save();
    // The reader is taken as gone: no write after the silent one, no store, and the
    // message at once, after one reply time-out.
    EXPECT_EQ(writes.back(), "write intervaltime=1000");
    EXPECT_THAT(WritesOf(writes, "deviceno"), ElementsAre());
    EXPECT_EQ(reader.Value("deviceno"), "KD-000123");
    EXPECT_LT(reader.channel.NowMs() - before, 2 * kReplyTimeoutMs);
    EXPECT_THAT(MessageTexts(), ElementsAre("保存失败，请检查设备连接后重试!"));
}

TEST_F(ConfigDialogTest, ARefusedKeyStillLetsTheOtherWritesAndTheStoreGoOn) {
    Open();
    Page(kAbout).Type(1055, "new");
    reader.model.SetFaults({.refusedKeys = {"intervaltime"}});
    const auto writes = Save();
    EXPECT_EQ(writes.back(), "store");
    EXPECT_THAT(WritesOf(writes, "deviceno"), ElementsAre("new"));
    EXPECT_THAT(MessageTexts(), ElementsAre("保存失败，请检查设备连接后重试!"));
}

TEST_F(ConfigDialogTest, ASlowReaderKeepsItsValuesThroughOpenAndSave) {
    reader.Set("codeprefix", "PRE");
    reader.Set("codepostfix", "POST");
    reader.Set("deviceno", "KD-777");
    const std::vector<std::string> shown = {"qrcode",      "dmcode",   "onecode", "codeprefix",
                                            "codepostfix", "workmode", "deviceno"};
    std::map<std::string, std::string> before;
    for (const auto& key : shown) {
        before[key] = reader.Value(key);
    }
    // Replies after the line's silence time-out: each is still its own request's.
    reader.model.SetFaults({.delayMs = 1700});
    Open();
    EXPECT_EQ(Page(kFormat).GetText(1038), "PRE");
    EXPECT_EQ(Page(kAbout).GetText(1055), "KD-777");
    EXPECT_THAT(Save(), Contains("store"));
    EXPECT_THAT(MessageTexts(), ElementsAre(kSaveSucceededMessage));
    for (const auto& key : shown) {
        EXPECT_EQ(reader.Value(key), before[key]) << key;
    }

    // Replies after the whole reply time-out: every read fails and says so, and Save
    // stops at the first unanswered write without storing.
    reader.model.SetFaults({.delayMs = kReplyTimeoutMs + 100});
    toolkit.ClearMessages();
    Open();
    EXPECT_THAT(MessageTexts(), ElementsAre(kReadFailedMessage));
    const auto writes = Save();
    EXPECT_EQ(writes.size(), 1u);
    EXPECT_THAT(MessageTexts(), ElementsAre("保存失败，请检查设备连接后重试!"));
}

TEST_F(ConfigDialogTest, RefusedStoreIsReportedAsFailure) {
    Open();
    reader.storeSucceeds = false;
    Save();
    EXPECT_THAT(MessageTexts(), ElementsAre("保存失败，请检查设备连接后重试!"));
}

TEST_F(ConfigDialogTest, FailedReadWarnsOnceRightAfterOpening) {
    reader.model.SetFaults({.refusedKeys = {"workmode"}});
    toolkit.OnModal(130, [&](HeadlessWindow& shown) {
        EXPECT_THAT(MessageTexts(), ElementsAre(kReadFailedMessage));
        EXPECT_FALSE(shown.Ended());
        for (const int id : {1024, 1025, 1026}) {
            EXPECT_FALSE(toolkit.Find(kControl)->IsChecked(id));
        }
        shown.PickTab(kTabs, 3);
        shown.Click(kSave);
        EXPECT_THAT(MessageTexts(), ElementsAre(kReadFailedMessage, "保存成功!"));
    });
    ConfigDialog modal(toolkit, reader.access);
    modal.DoModal(nullptr);
}

}  // namespace
}  // namespace kd
