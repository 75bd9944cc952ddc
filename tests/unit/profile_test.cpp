#include "catalogue/profile.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kd::profile {
namespace {

using ::testing::ElementsAre;
using ::testing::Field;
using ::testing::IsEmpty;

TEST(Profile, EveryByteSurvivesAWriteAndARead) {
    const std::vector<Item> items = {
        {"nfcpostfix", std::string("\x00\x01\x7F\xFF", 4), ""},
        {"codeprefix", "\xBA\xF3\xD7\xBA", ""},  // GBK text
        {"codepostfix", " a\\b\r\nc\t ", ""},
        {"nfcprefix", "\x81\x20\xFE", ""},  // lead bytes without their trail
        {"intervaltime", "", ""},
        {"deviceno", std::nullopt, "the reader refused"},
    };
    const std::vector<std::string> header = {"firmware version: V3\nforged=1"};
    const std::string text = Format(header, items);
    // Catalogue order, the header and the failed key as comments, GBK as UTF-8.
    EXPECT_EQ(text.substr(0, text.find("codeprefix")), "# firmware version: V3\\x0Aforged=1\n");
    EXPECT_NE(text.find("codeprefix=后缀\n"), std::string::npos);
    EXPECT_NE(text.find("# deviceno: the reader refused\n"), std::string::npos);

    std::vector<ParseError> errors;
    const auto parsed = Parse(text, errors);
    ASSERT_TRUE(parsed) << errors.front().message;
    std::vector<std::string> read;
    for (const Entry& entry : parsed->entries) {
        read.push_back(entry.key + "=" + entry.value);
    }
    EXPECT_THAT(read, ElementsAre("codeprefix=\xBA\xF3\xD7\xBA", "codepostfix= a\\b\r\nc\t ",
                                  "nfcprefix=\x81\x20\xFE",
                                  std::string("nfcpostfix=\x00\x01\x7F\xFF", 15), "intervaltime="));
}

TEST(Profile, FaultsAreAllReportedWithTheirLines) {
    std::vector<ParseError> errors;
    const auto parsed = Parse(
        "# header\r\n  qrcode = 1 \r\n\nnothing here\n=1\nqrcode=0\ncodeprefix=\\q\n"
        "codepostfix=\xFF\n",
        errors);
    EXPECT_FALSE(parsed);
    EXPECT_THAT(errors, ElementsAre(Field(&ParseError::line, 4), Field(&ParseError::line, 5),
                                    Field(&ParseError::line, 6), Field(&ParseError::line, 7),
                                    Field(&ParseError::line, 8)));
    EXPECT_EQ(errors[2].message, "qrcode: already set on line 2");

    errors.clear();
    const auto good = Parse("# header\r\n  qrcode = 1 \r\n", errors);
    ASSERT_TRUE(good);
    EXPECT_THAT(errors, IsEmpty());
    EXPECT_EQ(good->entries[0].value, "1");
    EXPECT_EQ(good->entries[0].line, 2u);
}

// What a file may hold that the reader cannot take, or a terminal must not see.
TEST(Profile, AByteOrderMarkIsSkippedAndKeysAreShownEscaped) {
    std::vector<ParseError> errors;
    const auto marked = Parse("\xEF\xBB\xBFqrcode=1\n", errors);
    ASSERT_TRUE(marked);
    EXPECT_EQ(marked->entries[0].key, "qrcode");

    const std::string longest(253, 'k');
    ASSERT_TRUE(Parse(longest + "=\n", errors)) << "a name of 253 bytes still fits the record";
    const auto parsed =
        Parse("a\r\x1B[Kb=1\na\r\x1B[Kb=2\nc\x1B=\\q\n" + std::string(300, 'k') + "=1\n", errors);
    EXPECT_FALSE(parsed);
    ASSERT_EQ(errors.size(), 3u);
    EXPECT_EQ(errors[0].message, "a\\x0D\\x1B[Kb: already set on line 1");
    EXPECT_EQ(errors[1].line, 3u);
    EXPECT_EQ(errors[1].message.substr(0, 8), "c\\x1B: \"");
    EXPECT_EQ(errors[2].line, 4u);
    EXPECT_EQ(errors[2].message, "the key name is 300 bytes long; a reader takes at most 253");
}

}  // namespace
}  // namespace kd::profile
