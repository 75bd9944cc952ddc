#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "config/config_dialog.h"
#include "tests/ui/settings_dialog_fixture.h"
#include "ui/headless/headless_toolkit.h"

// A reader's texts are GBK bytes: the pages show them as text and give them back byte
// for byte; what the technician types goes out as GBK, within the key's byte limit.
namespace kd {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ui::headless::HeadlessWindow;
using namespace test::settings;

constexpr int kCodePrefixBox = 1029, kCodePrefixField = 1038;
constexpr int kCodePostfixBox = 1030, kCodePostfixField = 1033;
constexpr int kIntervalTime = 1028, kNfcContentBegin = 1068, kDeviceNumber = 1055;

const std::string kHouZhuiGbk = "\xBA\xF3\xD7\xBA";  // 后缀 in code page 936

std::string Repeated(std::string_view piece, int times) {
    std::string text;
    for (int i = 0; i < times; ++i) {
        text += piece;
    }
    return text;
}

class ConfigDialogTextTest : public test::SettingsDialogTest {
  protected:
    // Clears the keys Save is expected to write, presses 保存 and returns the messages.
    std::vector<std::string> Save(std::initializer_list<const char*> cleared = {}) {
        for (const char* name : cleared) {
            reader.Set(name, "");
        }
        reader.requests.clear();
        toolkit.ClearMessages();
        window->Click(kSave);
        return MessageTexts();
    }
};

TEST_F(ConfigDialogTextTest, ReaderBytesShowAsTextAndAnUnchangedSaveWritesThemBack) {
    const std::string odd =
        "\xFF\x80"
        "A\xBA\r\n\\";  // not GBK, euro, cut pair, CR LF, backslash
    reader.Set("codeprefix", kHouZhuiGbk);
    reader.Set("deviceno", odd);
    reader.Set("nfccontentbegin", "\xBA");
    Open();
    EXPECT_EQ(Page(kFormat).GetText(kCodePrefixField), "后缀");
    EXPECT_EQ(Page(kAbout).GetText(kDeviceNumber), "\\xFF€A\\xBA\\x0D\\x0A\\\\");
    EXPECT_EQ(Page(kControl).GetText(kNfcContentBegin), "\\xBA");

    EXPECT_THAT(Save({"codeprefix", "deviceno", "nfccontentbegin"}), ElementsAre("保存成功!"));
    EXPECT_EQ(reader.Value("codeprefix"), kHouZhuiGbk);
    EXPECT_EQ(reader.Value("deviceno"), odd);
    EXPECT_EQ(reader.Value("nfccontentbegin"), "\xBA");

    // Editing keeps the bytes the technician left alone, escapes included.
    ASSERT_TRUE(Page(kAbout).Type(kDeviceNumber, Page(kAbout).GetText(kDeviceNumber) + "后"));
    Save();
    EXPECT_EQ(reader.Value("deviceno"), odd + "\xBA\xF3");
}

TEST_F(ConfigDialogTextTest, TypedTextGoesOutAsGbkAndEscapesAsTheirBytes) {
    Open();
    HeadlessWindow& format = Page(kFormat);
    format.Click(kCodePostfixBox);
    ASSERT_TRUE(format.Type(kCodePostfixField, "后缀"));
    ASSERT_TRUE(Page(kAbout).Type(kDeviceNumber, "\\xff\\x00KD\\\\1"));
    EXPECT_THAT(Save(), ElementsAre("保存成功!"));
    EXPECT_EQ(reader.Value("codepostfix"), kHouZhuiGbk);
    EXPECT_EQ(reader.Value("deviceno"), std::string("\xFF\0KD\\1", 6));

    Open();
    EXPECT_EQ(Page(kFormat).GetText(kCodePostfixField), "后缀");
    EXPECT_EQ(Page(kAbout).GetText(kDeviceNumber), "\\xFF\\x00KD\\\\1");
}

TEST_F(ConfigDialogTextTest, FieldLimitsCountTheGbkBytesThatWillBeSent) {
    Open();  // "codeprefix" takes 243 bytes
    HeadlessWindow& format = Page(kFormat);
    format.Click(kCodePrefixBox);
    ASSERT_TRUE(format.Type(kCodePrefixField, Repeated("后", 82)));
    EXPECT_EQ(format.GetText(kCodePrefixField), Repeated("后", 82)) << "82 characters fit";
    EXPECT_THAT(Save({"codeprefix"}), ElementsAre("保存成功!"));
    EXPECT_EQ(reader.Value("codeprefix"), Repeated("\xBA\xF3", 82));

    ASSERT_TRUE(format.Type(kCodePrefixField, Repeated("后", 122)));
    window->PickTab(kTabs, 0);
    const auto messages = Save();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_THAT(messages[0], HasSubstr("条码二维码前缀"));
    EXPECT_THAT(messages[0], HasSubstr("244 字节"));
    EXPECT_THAT(messages[0], HasSubstr("243 字节"));
    EXPECT_THAT(reader.Writes(), IsEmpty()) << "a refused Save writes nothing at all";
    EXPECT_EQ(window->TabSelection(kTabs), 2) << "the page with the field is shown";
    EXPECT_TRUE(format.IsWindowVisible());

    ASSERT_TRUE(format.Type(kCodePrefixField, Repeated("后", 121) + "x"));
    EXPECT_THAT(Save(), ElementsAre("保存成功!"));
    EXPECT_EQ(reader.Value("codeprefix"), Repeated("\xBA\xF3", 121) + "x");

    // The field holds at most as many characters as the key takes bytes.
    ASSERT_TRUE(format.Type(kCodePrefixField, Repeated("后", 300)));
    EXPECT_EQ(format.GetText(kCodePrefixField), Repeated("后", 243));
}

TEST_F(ConfigDialogTextTest, TextThatCannotBeSentStopsTheSaveNamingTheField) {
    struct Case {
        int page;
        int field;
        const char* text;
        const char* named;
        const char* why;
    };
    for (const Case& c : {Case{kAbout, kDeviceNumber, "KD\xF0\x9F\x98\x80", "设备号", "GBK"},
                          Case{kControl, kIntervalTime, "C:\\q", "间隔时间", "\\q"},
                          Case{kControl, kNfcContentBegin, "1\\x4", "起始位", "\\x4"}}) {
        Open();
        ASSERT_TRUE(Page(c.page).Type(c.field, c.text));
        const auto messages = Save();
        ASSERT_EQ(messages.size(), 1u) << c.named;
        EXPECT_THAT(messages[0], HasSubstr(c.named));
        EXPECT_THAT(messages[0], HasSubstr(c.why));
        EXPECT_THAT(reader.Writes(), IsEmpty()) << c.named;
    }

    // A prefix whose box is unchecked is written empty, so its text does not matter.
    Open();
    Page(kFormat).Type(kCodePostfixField, "\\");
    EXPECT_THAT(Save(), ElementsAre("保存成功!"));
}

}  // namespace
}  // namespace kd
