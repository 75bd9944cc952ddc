#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>

#include "text/escape.h"
#include "text/gbk.h"

namespace kd::text {
namespace {

const std::string kHouZhuiGbk = "\xBA\xF3\xD7\xBA";  // 后缀
const std::string kHouZhuiUtf8 = "后缀";

std::string Bytes(std::initializer_list<int> values) {
    std::string bytes;
    for (const int value : values) {
        bytes += static_cast<char>(value);
    }
    return bytes;
}

void ExpectRoundTrip(const std::string& bytes, Blanks blanks = Blanks::Keep) {
    const std::string shown = EscapeText(bytes, blanks);
    UnescapeError error{};
    const std::optional<std::string> back = UnescapeText(shown, &error);
    ASSERT_TRUE(back.has_value()) << EscapeText(bytes) << ": " << Describe(error);
    ASSERT_EQ(*back, bytes) << "shown as " << shown;
    for (const char c : shown) {
        const auto byte = static_cast<unsigned char>(c);
        ASSERT_FALSE(byte < 0x20 || byte == 0x7F) << "control byte left in " << EscapeText(bytes);
    }
}

TEST(GbkCodec, ConvertsKnownTextBothWaysAndRefusesWhatIsNotText) {
    EXPECT_EQ(GbkToUtf8(kHouZhuiGbk), kHouZhuiUtf8);
    EXPECT_EQ(Utf8ToGbk(kHouZhuiUtf8), kHouZhuiGbk);
    EXPECT_EQ(GbkToUtf8(Bytes({0x80})), "€") << "code page 936 has the euro sign at 0x80";
    EXPECT_EQ(Utf8ToGbk("€"), Bytes({0x80}));
    EXPECT_EQ(GbkToUtf8(""), "");
    EXPECT_EQ(Utf8ToGbk(""), "");
    EXPECT_EQ(GbkToUtf8(std::string("a\0b", 3)), std::string("a\0b", 3));

    EXPECT_FALSE(GbkToUtf8(Bytes({0xBA})).has_value()) << "a lead byte cut off at the end";
    EXPECT_FALSE(GbkToUtf8(Bytes({0xBA, 0x0A})).has_value()) << "a trail byte below 0x40";
    EXPECT_FALSE(GbkToUtf8(Bytes({0x81, 0x7F})).has_value());
    EXPECT_FALSE(GbkToUtf8(Bytes({0xFF})).has_value());
    EXPECT_FALSE(GbkToUtf8("ok" + Bytes({0xBA})).has_value()) << "all or nothing";
    EXPECT_FALSE(Utf8ToGbk("\xF0\x9F\x98\x80").has_value()) << "an emoji has no GBK form";
    EXPECT_FALSE(Utf8ToGbk("\xC3").has_value()) << "cut UTF-8";
    EXPECT_FALSE(Utf8ToGbk(kHouZhuiGbk).has_value()) << "GBK bytes are not UTF-8";
}

TEST(GbkCodec, EverySingleByteAndEveryPairThatDecodesEncodesBack) {
    for (int byte = 0; byte < 0x80; ++byte) {
        const std::string single = Bytes({byte});
        EXPECT_EQ(GbkToUtf8(single), single) << byte;
    }
    for (int byte = 0x81; byte <= 0xFF; ++byte) {
        EXPECT_FALSE(GbkToUtf8(Bytes({byte})).has_value()) << byte;
    }
    int characters = 0;
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
        for (int trail = 0; trail <= 0xFF; ++trail) {
            const std::string pair = Bytes({lead, trail});
            const std::optional<std::string> utf8 = GbkToUtf8(pair);
            const bool trailInRange = trail >= 0x40 && trail <= 0xFE && trail != 0x7F;
            if (!trailInRange) {
                EXPECT_FALSE(utf8.has_value()) << lead << " " << trail;
                continue;
            }
            if (utf8) {
                ++characters;
                EXPECT_EQ(Utf8ToGbk(*utf8), pair) << lead << " " << trail;
            }
        }
    }
    // GBK has some 21,800 two-byte characters; some systems also map its user-defined
    // areas, out of 23,940 places in all.
    EXPECT_GE(characters, 21700);
    EXPECT_LE(characters, 23940);
}

TEST(EscapeText, ShowsGbkAsUtf8AndEscapesEverythingElse) {
    EXPECT_EQ(EscapeText(kHouZhuiGbk), kHouZhuiUtf8);
    EXPECT_EQ(EscapeText("PREFIX,CONTENT"), "PREFIX,CONTENT");
    EXPECT_EQ(EscapeText("1\nqrcode=0"), "1\\x0Aqrcode=0");
    EXPECT_EQ(EscapeText(std::string("\r\x1B\0\t\x7F", 5)), "\\x0D\\x1B\\x00\\x09\\x7F");
    EXPECT_EQ(EscapeText("C:\\x41"), "C:\\\\x41") << "a literal backslash is doubled";
    EXPECT_EQ(EscapeText(Bytes({0x80})), "€");
    EXPECT_EQ(EscapeText(Bytes({0xFF, 0xBA})), "\\xFF\\xBA");
    EXPECT_EQ(EscapeText(Bytes({0xBA, 0x0A, 0xF3})), "\\xBA\\x0A\\xF3");
    EXPECT_EQ(EscapeText("a" + Bytes({0xBA, 0xF3, 0xD7}) + ","), "a后\\xD7,");
    // User-defined areas decode on some systems and not on others: always escaped.
    EXPECT_EQ(EscapeText(Bytes({0xAA, 0xA1})), "\\xAA\\xA1");
    EXPECT_EQ(EscapeText(""), "");
}

TEST(EscapeText, BlanksAtTheEdgesOnlyWhenAsked) {
    EXPECT_EQ(EscapeText("  a b "), "  a b ");
    EXPECT_EQ(EscapeText("  a b ", Blanks::EscapeAtEdges), "\\x20\\x20a b\\x20");
    EXPECT_EQ(EscapeText("   ", Blanks::EscapeAtEdges), "\\x20\\x20\\x20");
    EXPECT_EQ(EscapeText("\t x", Blanks::EscapeAtEdges), "\\x09 x") << "only the outer spaces";
    ExpectRoundTrip("  " + kHouZhuiGbk + "  ", Blanks::EscapeAtEdges);
}

TEST(EscapeText, EveryByteStringComesBackUnchanged) {
    uint32_t digest = 2166136261u;  // FNV-1a over every pair's display
    for (int first = 0; first < 0x100; ++first) {
        for (int second = 0; second < 0x100; ++second) {
            ExpectRoundTrip(Bytes({first, second}));
            for (const char c : EscapeText(Bytes({first, second})) + '|') {
                digest = (digest ^ static_cast<uint8_t>(c)) * 16777619u;
            }
        }
    }
    // The digest code page 936 gives on Windows: both systems show every pair alike.
    EXPECT_EQ(digest, 0x39362FC4u);
    std::mt19937 random(936);
    std::uniform_int_distribution<int> length(0, 24);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<int> high(0x80, 0xFF);
    for (int run = 0; run < 4000; ++run) {
        std::string bytes;
        const int size = length(random);
        for (int i = 0; i < size; ++i) {
            // Half high bytes, so that pairs and broken pairs are common.
            bytes += static_cast<char>(i % 2 == 0 ? high(random) : byte(random));
        }
        ExpectRoundTrip(bytes, run % 2 == 0 ? Blanks::Keep : Blanks::EscapeAtEdges);
    }
}

TEST(UnescapeText, TakesUtf8AndEscapesToBytes) {
    EXPECT_EQ(UnescapeText("后缀"), kHouZhuiGbk);
    EXPECT_EQ(UnescapeText("\\xba\\xF3后"), Bytes({0xBA, 0xF3, 0xBA, 0xF3}));
    EXPECT_EQ(UnescapeText("a\\\\b\\x00c"), std::string("a\\b\0c", 5));
    EXPECT_EQ(UnescapeText(""), "");
}

TEST(UnescapeText, RefusesMalformedEscapesAndTextWithNoGbkForm) {
    struct Case {
        std::string text;
        UnescapeError::Kind kind;
        size_t offset;
        std::string piece;
    };
    using Kind = UnescapeError::Kind;
    for (const Case& c :
         {Case{"ab\\q", Kind::BadEscape, 2, "\\q"}, Case{"\\x4", Kind::BadEscape, 0, "\\x4"},
          Case{"\\x4g", Kind::BadEscape, 0, "\\x4"}, Case{"a\\", Kind::BadEscape, 1, "\\"},
          Case{"\\后", Kind::BadEscape, 0, "\\后"}, Case{"\\n", Kind::BadEscape, 0, "\\n"},
          Case{"后\xF0\x9F\x98\x80", Kind::NoGbkForm, 3, "\xF0\x9F\x98\x80"},
          Case{"\\x41\xC3", Kind::NoGbkForm, 4, "\xC3"}}) {
        UnescapeError error{};
        EXPECT_FALSE(UnescapeText(c.text, &error).has_value()) << c.text;
        EXPECT_EQ(error.kind, c.kind) << c.text;
        EXPECT_EQ(error.offset, c.offset) << c.text;
        EXPECT_EQ(error.piece, c.piece) << c.text;
    }
    EXPECT_EQ(
        Describe({UnescapeError::Kind::BadEscape, 2, "\\q"}),
        "\"\\q\" at byte 3 is not an escape: write a backslash as \\\\ and any byte as \\xNN");
    EXPECT_EQ(Describe({UnescapeError::Kind::NoGbkForm, 3, "\xF0\x9F\x98\x80"}),
              "the character U+1F600 at byte 4 has no GBK form");
    EXPECT_EQ(Describe({UnescapeError::Kind::NoGbkForm, 4, "\xC3"}),
              "the text at byte 5 is not UTF-8");
}

}  // namespace
}  // namespace kd::text
