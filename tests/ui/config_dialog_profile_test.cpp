// 导出配置… and 导入配置… in the settings dialog: a profile of what the pages show, as a
// dump of the reader would have it, and an import that fills the pages whole or not at
// all and sends nothing until 保存.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "catalogue/key_table.h"
#include "catalogue/profile.h"
#include "config/config_dialog.h"
#include "provision/dump_diff.h"
#include "resources/config_pages.h"
#include "tests/ui/settings_dialog_fixture.h"
#include "ui/headless/headless_toolkit.h"

namespace kd {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ui::headless::HeadlessWindow;
using namespace test::settings;

constexpr int kExport = 1101, kImport = 1102;
constexpr int kQrCode = 1019, kBaudRate = 1040, kUsbOutput = 1063, kCodePrefixBox = 1029,
              kCodePrefixField = 1038, kDeviceNumber = 1055, kWorkModeSingle = 1025;

const std::string kQianZhuiGbk = "\xC7\xB0\xD7\xBA";  // 前缀 in code page 936

std::map<std::string, std::string> Values(std::string_view text) {
    std::vector<profile::ParseError> errors;
    const auto parsed = profile::Parse(text, errors);
    EXPECT_TRUE(parsed.has_value()) << (errors.empty() ? "" : errors[0].message);
    std::map<std::string, std::string> values;
    for (const auto& entry : parsed.value_or(profile::Profile{}).entries) {
        values[entry.key] = entry.value;
    }
    return values;
}

// What kdcfg dump writes for the reader.
std::string DumpText(KeyAccess& keys) {
    std::vector<profile::Item> items;
    for (const provision::DumpedKey& key : provision::Dump(keys)) {
        items.push_back({std::string(key.key->name), key.read.value, "not read"});
    }
    return profile::Format(std::vector<std::string>{"dump"}, items);
}

class ConfigDialogProfileTest : public test::SettingsDialogTest {
  protected:
    ConfigDialogProfileTest()
        : folder(std::filesystem::temp_directory_path() /
                 ("kd_profile_" +
                  std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name())) {
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
    }
    ~ConfigDialogProfileTest() override { std::filesystem::remove_all(folder); }

    // Opens the dialog and forgets what the opening asked and showed.
    void Open() {
        SettingsDialogTest::Open();
        reader.requests.clear();
        toolkit.ClearMessages();
    }
    std::string PathOf(std::string_view name) const { return (folder / name).string(); }
    std::string Write(std::string_view name, std::string_view text) const {
        std::ofstream(folder / name, std::ios::binary) << text;
        return PathOf(name);
    }
    std::string Fifo(std::string_view name) const {
        EXPECT_EQ(::mkfifo(PathOf(name).c_str(), 0600), 0);
        return PathOf(name);
    }
    std::string Read(const std::string& path) const {
        std::ifstream file(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    }
    // Clicks a profile button, answering its file dialog with path (none: cancel).
    std::vector<std::string> Press(int button, std::optional<std::string> path) {
        toolkit.ClearMessages();
        if (path) {
            toolkit.QueueFileAnswer(std::move(*path));
        }
        window->Click(button);
        return MessageTexts();
    }
    // Every control of every page as shown: check, text, visibility.
    std::vector<std::tuple<int, int, bool, std::string, bool>> Shown() {
        std::vector<std::tuple<int, int, bool, std::string, bool>> shown;
        for (const int id : {kSymbology, kMode, kFormat, kControl, kAbout}) {
            HeadlessWindow& page = Page(id);
            for (const auto& control : page.GetDialog()->Template().controls) {
                shown.emplace_back(id, control.id, page.IsChecked(control.id),
                                   page.GetText(control.id), page.IsVisible(control.id));
            }
        }
        return shown;
    }

    std::filesystem::path folder;
};

TEST_F(ConfigDialogProfileTest, ExportHoldsWhatADumpHoldsWithUnsavedEditsAndGbkBytes) {
    reader.Set("codeprefix", kQianZhuiGbk);
    reader.Set("deviceno", "\xB1\xE0\xBA\xC5\xFF");  // 编号 and a byte GBK lacks
    Open();
    const std::string path = PathOf("导出.txt");
    EXPECT_THAT(Press(kExport, path), ElementsAre("配置已导出到：" + path));
    EXPECT_THAT(reader.requests, IsEmpty()) << "an export asks the reader nothing";
    ASSERT_EQ(toolkit.FileDialogs().size(), 1u);
    EXPECT_EQ(toolkit.FileDialogs()[0].request.kind, ui::FileDialogKind::Save);
    EXPECT_EQ(toolkit.FileDialogs()[0].ownerTemplateId, 130);
    EXPECT_TRUE(toolkit.FileDialogs()[0].ownerDisabled);

    const auto exported = Values(Read(path));
    const auto dumped = Values(DumpText(reader.access));
    reader.requests.clear();
    for (const auto& [key, value] : exported) {
        ASSERT_TRUE(dumped.count(key)) << key;
        EXPECT_EQ(value, dumped.at(key)) << key;
    }
    // Every key the pages show is there, the reader's own ones too; the GBK bytes whole.
    for (const auto& key : catalogue::Keys()) {
        if (key.access != catalogue::Access::WriteOnly) {
            EXPECT_TRUE(exported.count(std::string(key.name))) << key.name;
        }
    }
    EXPECT_EQ(exported.at("codeprefix"), kQianZhuiGbk);
    EXPECT_EQ(exported.at("deviceno"), "\xB1\xE0\xBA\xC5\xFF");

    // What you see is what you export: an edit not yet saved goes in, the reader keeps
    // its value.
    Page(kSymbology).Click(kQrCode);
    Page(kAbout).Type(kDeviceNumber, "新编号");
    EXPECT_THAT(Press(kExport, path), ElementsAre("配置已导出到：" + path));
    const auto edited = Values(Read(path));
    EXPECT_EQ(edited.at("qrcode"), "0");
    EXPECT_EQ(edited.at("deviceno"), "\xD0\xC2\xB1\xE0\xBA\xC5");
    EXPECT_EQ(reader.Value("qrcode"), "1");
}

TEST_F(ConfigDialogProfileTest, AFieldOverItsLimitRefusesTheExportAsSaveDoes) {
    Open();
    Page(kFormat).Click(kCodePrefixBox);
    Page(kFormat).Type(kCodePrefixField, std::string(240, 'A') + "前缀");  // 244 bytes
    const auto saveRefusal = Press(kSave, std::nullopt);
    ASSERT_EQ(saveRefusal.size(), 1u);
    EXPECT_THAT(saveRefusal[0], HasSubstr("字节"));

    EXPECT_EQ(Press(kExport, PathOf("x.txt")), saveRefusal);
    EXPECT_THAT(toolkit.FileDialogs(), IsEmpty()) << "refused before a file is asked for";
    EXPECT_FALSE(std::filesystem::exists(PathOf("x.txt")));
    EXPECT_THAT(reader.Writes(), IsEmpty());
}

TEST_F(ConfigDialogProfileTest, ADumpOfAnotherReaderFillsThePagesAndOnlySaveSendsIt) {
    test::ModelledReader source;
    for (const auto& [key, value] : std::map<std::string, std::string>{{"qrcode", "0"},
                                                                       {"com1_baudrate", "115200"},
                                                                       {"codeprefix", kQianZhuiGbk},
                                                                       {"workmode", "1"},
                                                                       {"reboothint", "8,9,11"},
                                                                       {"codehint", "1"},
                                                                       {"developctrl", "2"},
                                                                       {"scanmode", "1"},
                                                                       {"deviceno", "KD-777"},
                                                                       {"masterver", "V9.9.9"}}) {
        source.Set(key, value);
    }
    const std::string path = Write("另一台.txt", DumpText(source.access));
    Open();
    const auto before = reader.keys;

    EXPECT_THAT(Press(kImport, path),
                ElementsAre("配置已导入到设置页，尚未写入设备。请检查后点击“保存”写入设备。"));
    EXPECT_THAT(reader.requests, IsEmpty()) << "an import sends nothing";
    EXPECT_FALSE(Page(kSymbology).IsChecked(kQrCode));
    EXPECT_EQ(Page(kMode).GetText(kBaudRate), "115200");
    EXPECT_TRUE(Page(kFormat).IsChecked(kCodePrefixBox));
    EXPECT_EQ(Page(kFormat).GetText(kCodePrefixField), "前缀");
    EXPECT_TRUE(Page(kControl).IsChecked(kWorkModeSingle));
    EXPECT_EQ(Page(kAbout).GetText(kDeviceNumber), "KD-777");
    EXPECT_EQ(Page(kAbout).GetText(1018), "V3.1.7") << "the version stays the reader's";

    Press(kSave, std::nullopt);
    EXPECT_EQ(reader.Writes().back(), "store");
    std::vector<std::string> changed;
    for (const auto& key : catalogue::Keys()) {
        const std::string name(key.name);
        if (key.access == catalogue::Access::ReadOnly) {
            continue;
        }
        EXPECT_EQ(reader.Value(name), source.Value(name)) << name;
        if (*before.Find(name) != reader.Value(name)) {
            changed.push_back(name);
        }
    }
    EXPECT_THAT(changed,
                ElementsAre("qrcode", "com1_baudrate", "codeprefix", "codehint", "reboothint",
                            "workmode", "developctrl", "scanmode", "deviceno"));
    EXPECT_EQ(reader.Value("masterver"), "V3.1.7");
}

TEST_F(ConfigDialogProfileTest, ABadFileChangesNothingAndSaysWhy) {
    Open();
    Page(kSymbology).Click(kQrCode);  // an unsaved edit survives a failed import
    const auto shown = Shown();
    const struct {
        std::string path;
        std::string said;
    } cases[] = {
        {PathOf("没有.txt"), "文件或文件夹不存在"},
        {folder.string(), "这是一个文件夹"},
        {Fifo("fifo"), "这不是普通文件"},  // at once: nothing ever writes into it
        {"/dev/zero", "这不是普通文件"},
        {Write("garbage.txt", "\x89PNG\r\n\x1A\n\x01\x02"), "第 1 行：expected key=value"},
        {Write("empty.txt", "# nothing\n"), "文件中没有任何设置项"},
        {Write("readerset.txt", "masterver=V3.1.7\nhistorytime=2026\n"), "文件中没有任何设置项"},
        {Write("unknown.txt", "qrcode=0\nbeeper=1\n"), "第 2 行：未知的设置项 “beeper”"},
        {Write("value.txt", "qrcode=0\nworkmode=7\n"), "第 2 行：workmode 的值 “7” 不是它可取的值"},
        {Write("long.txt", "deviceno=" + std::string(300, '1') + "\n"),
         "第 1 行：deviceno 的值为 300 字节"},
        // The red reboot light takes no red flash: the pages cannot show this code hint.
        {Write("unshowable.txt", "qrcode=1\nio_outputs=comusb\nreboothint=8,9,11\ncodehint=1,26\n"),
         "codehint 的值 “1,26” 无法在设置页中显示"},
    };
    for (const auto& each : cases) {
        const auto said = Press(kImport, each.path);
        ASSERT_EQ(said.size(), 1u) << each.path;
        EXPECT_THAT(said[0], HasSubstr(each.said));
        EXPECT_THAT(said[0], HasSubstr(each.path));
        EXPECT_THAT(said[0], HasSubstr("配置文件未导入，设置页保持不变。"));
        EXPECT_EQ(Shown(), shown) << each.path;
        EXPECT_FALSE(Page(kMode).IsVisible(kUsbOutput)) << "the route was put back";
    }
    EXPECT_THAT(reader.requests, IsEmpty());
    // The dialog goes on: Save still sends the pages as they were.
    Press(kSave, std::nullopt);
    EXPECT_EQ(reader.Value("qrcode"), "0");
    EXPECT_EQ(reader.Value("io_outputs"), "com1");
}

// The line settings are combo boxes the technician may type into: what a reader holds
// there imports, and 保存 sends it as it is.
TEST_F(ConfigDialogProfileTest, ARateTypedIntoTheComboBoxImportsAndSaves) {
    test::ModelledReader source;
    source.Set("com1_baudrate", "12345");
    source.Set("com1_paritys", "none");
    Open();
    EXPECT_THAT(Press(kImport, Write("typed.txt", DumpText(source.access))),
                ElementsAre("配置已导入到设置页，尚未写入设备。请检查后点击“保存”写入设备。"));
    EXPECT_EQ(Page(kMode).GetText(kBaudRate), "12345");
    Press(kSave, std::nullopt);
    EXPECT_EQ(reader.Value("com1_baudrate"), "12345");
    EXPECT_EQ(reader.Value("com1_paritys"), "none");
}

// A reader on the USB route had its line settings left unread: a profile that turns on
// the serial route must bring them, or Save would wipe them on the reader.
TEST_F(ConfigDialogProfileTest, TheSerialRouteWithoutItsLineSettingsIsRefused) {
    reader.Set("io_outputs", "comusb");
    reader.Set("com1_baudrate", "57600");
    Open();
    const auto shown = Shown();
    const auto said = Press(kImport, Write("route.txt", "io_outputs=com1\ncom1_paritys=NONE\n"));
    ASSERT_EQ(said.size(), 1u);
    for (const char* key : {"com1_baudrate", "com1_stopbits", "com1_bytesizes"}) {
        EXPECT_THAT(said[0], HasSubstr(std::string("文件没有给出 ") + key + " 的值"));
    }
    EXPECT_THAT(said[0], ::testing::Not(HasSubstr("com1_paritys")));
    EXPECT_EQ(Shown(), shown);

    const std::string whole =
        "io_outputs=com1\ncom1_baudrate=9600\ncom1_stopbits=1\ncom1_bytesizes=8\n"
        "com1_paritys=NONE\n";
    EXPECT_THAT(Press(kImport, Write("whole.txt", whole)),
                ElementsAre("配置已导入到设置页，尚未写入设备。请检查后点击“保存”写入设备。"));
    Press(kSave, std::nullopt);
    EXPECT_EQ(reader.Value("io_outputs"), "com1");
    EXPECT_EQ(reader.Value("com1_baudrate"), "9600");
    EXPECT_EQ(reader.Value("com1_bytesizes"), "8");
}

TEST_F(ConfigDialogProfileTest, CancelsAndAnUnwritableFileLeaveEverythingAsItWas) {
    Open();
    const auto shown = Shown();
    EXPECT_THAT(Press(kExport, std::nullopt), IsEmpty());
    EXPECT_THAT(Press(kImport, std::nullopt), IsEmpty());
    ASSERT_EQ(toolkit.FileDialogs().size(), 2u);
    EXPECT_EQ(toolkit.FileDialogs()[1].request.kind, ui::FileDialogKind::Open);
    EXPECT_EQ(toolkit.FileDialogs()[1].request.title, "导入配置");

    const std::string nowhere = PathOf("没有这个文件夹/配置.txt");
    const auto said = Press(kExport, nowhere);
    ASSERT_EQ(said.size(), 1u);
    EXPECT_EQ(said[0], "无法写入配置文件：" + nowhere + "\n文件或文件夹不存在");
    EXPECT_THAT(Press(kExport, "/dev/full"),
                ElementsAre("无法写入配置文件：/dev/full\n磁盘空间不足"));
    EXPECT_EQ(Shown(), shown);
    EXPECT_THAT(reader.requests, IsEmpty());
    EXPECT_FALSE(window->Ended());
    EXPECT_TRUE(window->IsWindowEnabled());
}

}  // namespace
}  // namespace kd
