// The code page 936 codec as Windows runs it, and the escape rule over it: the same
// display and the same round trip as on Linux.
#include <cstdint>
#include <string>

#include "tests/win32/check.h"
#include "text/escape.h"
#include "text/gbk.h"

namespace kd::test {

namespace {

std::string Bytes(std::initializer_list<int> values) {
    std::string bytes;
    for (const int value : values) {
        bytes += static_cast<char>(value);
    }
    return bytes;
}

}  // namespace

void RunCodecTests() {
    using text::EscapeText;
    using text::GbkToUtf8;
    using text::UnescapeText;
    using text::Utf8ToGbk;

    KD_CASE("code page 936 both ways");
    const std::string houZhui = Bytes({0xBA, 0xF3, 0xD7, 0xBA});
    KD_CHECK(GbkToUtf8(houZhui) == std::string("后缀"));
    KD_CHECK(Utf8ToGbk("后缀") == houZhui);
    KD_CHECK(GbkToUtf8(Bytes({0x80})) == std::string("€"));
    KD_CHECK(GbkToUtf8("") == std::string());
    KD_CHECK(!GbkToUtf8(Bytes({0xBA})).has_value());
    KD_CHECK(!GbkToUtf8(Bytes({0xBA, 0x0A})).has_value());
    KD_CHECK(!GbkToUtf8(Bytes({0x81, 0x7F})).has_value());
    KD_CHECK(!Utf8ToGbk("\xF0\x9F\x98\x80").has_value());  // no best fit, no '?'
    KD_CHECK(!Utf8ToGbk("\xC3").has_value());

    KD_CASE("escape rule over every byte pair");
    int lost = 0;
    uint32_t digest = 2166136261u;  // FNV-1a over every pair's display
    for (int first = 0; first < 0x100; ++first) {
        for (int second = 0; second < 0x100; ++second) {
            const std::string bytes = Bytes({first, second});
            const std::string shown = EscapeText(bytes);
            if (UnescapeText(shown) != bytes) {
                ++lost;
            }
            for (const char c : shown + '|') {
                digest = (digest ^ static_cast<uint8_t>(c)) * 16777619u;
            }
        }
    }
    KD_CHECK_EQ(lost, 0);
    // The digest glibc's CP936 gives on Linux: both systems show every pair alike.
    KD_CHECK_EQ(digest, 0x39362FC4u);
    KD_CHECK_EQ(EscapeText(Bytes({0xFF, 0xAA, 0xA1})), std::string("\\xFF\\xAA\\xA1"));
    KD_CHECK_EQ(EscapeText("1\nqrcode=0"), std::string("1\\x0Aqrcode=0"));
}

}  // namespace kd::test
