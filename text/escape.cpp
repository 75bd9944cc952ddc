#include "text/escape.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "text/gbk.h"

namespace kd::text {

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";
constexpr uint8_t kBackslash = '\\';
constexpr uint8_t kSpace = 0x20;

bool IsControl(uint8_t byte) {
    return byte < 0x20 || byte == 0x7F;
}

void AppendEscape(std::string& out, uint8_t byte) {
    out += "\\x";
    out += kHexDigits[byte >> 4];
    out += kHexDigits[byte & 0x0F];
}

// Bytes in the UTF-8 sequence that starts with lead; 1 for a byte that starts none.
size_t Utf8Length(uint8_t lead) {
    if (lead >= 0xF0 && lead <= 0xF4) {
        return 4;
    }
    if (lead >= 0xE0) {
        return lead <= 0xEF ? 3 : 1;
    }
    return lead >= 0xC2 ? 2 : 1;
}

// The code point of a well-formed UTF-8 text of exactly one character.
std::optional<char32_t> SingleCodePoint(std::string_view utf8) {
    if (utf8.empty() || Utf8Length(static_cast<uint8_t>(utf8[0])) != utf8.size()) {
        return std::nullopt;
    }
    if (utf8.size() == 1) {
        return static_cast<uint8_t>(utf8[0]);
    }
    char32_t code = static_cast<uint8_t>(utf8[0]) & (0x7F >> utf8.size());
    for (size_t i = 1; i < utf8.size(); ++i) {
        const auto byte = static_cast<uint8_t>(utf8[i]);
        if ((byte & 0xC0) != 0x80) {
            return std::nullopt;
        }
        code = (code << 6) | (byte & 0x3F);
    }
    return code;
}

// Controls cannot be shown, and the private use area is where some systems put GBK's
// user-defined areas and others refuse them: neither is text anyone can read.
bool Readable(char32_t code) {
    return code >= 0x20 && !(code >= 0x7F && code < 0xA0) && !(code >= 0xE000 && code <= 0xF8FF);
}

// The UTF-8 form of bytes when they are one readable GBK character that converts back
// to the very same bytes.
std::optional<std::string> ReadableCharacter(std::string_view bytes) {
    std::optional<std::string> utf8 = GbkToUtf8(bytes);
    if (!utf8) {
        return std::nullopt;
    }
    const std::optional<char32_t> code = SingleCodePoint(*utf8);
    if (!code || !Readable(*code) || Utf8ToGbk(*utf8) != bytes) {
        return std::nullopt;
    }
    return utf8;
}

// Bytes [start, end) hold the spaces to escape at the edges; the middle ones stay.
struct Edges {
    size_t leadingEnd = 0;
    size_t trailingStart = 0;
};

Edges BlankEdges(std::string_view bytes, Blanks blanks) {
    Edges edges{0, bytes.size()};
    if (blanks == Blanks::Keep) {
        return edges;
    }
    while (edges.leadingEnd < bytes.size() &&
           static_cast<uint8_t>(bytes[edges.leadingEnd]) == kSpace) {
        ++edges.leadingEnd;
    }
    while (edges.trailingStart > edges.leadingEnd &&
           static_cast<uint8_t>(bytes[edges.trailingStart - 1]) == kSpace) {
        --edges.trailingStart;
    }
    return edges;
}

// The first character of a literal run that has no GBK form, as an error.
UnescapeError FindNoGbkForm(std::string_view run, size_t runOffset) {
    size_t at = 0;
    while (at < run.size()) {
        const size_t length = std::min(Utf8Length(static_cast<uint8_t>(run[at])), run.size() - at);
        const std::string_view character = run.substr(at, length);
        if (!Utf8ToGbk(character)) {
            return {UnescapeError::Kind::NoGbkForm, runOffset + at, std::string(character)};
        }
        at += length;
    }
    // The run converts character by character but not whole: name it all.
    return {UnescapeError::Kind::NoGbkForm, runOffset, std::string(run)};
}

// The escape that starts at text[at], as far as it goes: the backslash and the next
// character, and for "\x" up to two more.
std::string EscapePiece(std::string_view text, size_t at) {
    size_t end = at + 1;
    if (end < text.size()) {
        const bool hex = text[end] == 'x';
        end += Utf8Length(static_cast<uint8_t>(text[end]));
        for (int digit = 0; hex && digit < 2 && end < text.size() && HexDigitValue(text[end]) >= 0;
             ++digit) {
            ++end;
        }
    }
    return std::string(text.substr(at, std::min(end, text.size()) - at));
}

// A readable character that starts a text, and how many bytes it takes.
struct Character {
    std::string utf8;
    size_t length = 0;
};

// A lead byte takes the next byte with it when the pair is a character; a byte that
// stands alone may still be one (0x80 is the euro sign).
std::optional<Character> ReadableGbkAt(std::string_view rest) {
    if (rest.size() > 1) {
        if (std::optional<std::string> pair = ReadableCharacter(rest.substr(0, 2))) {
            return Character{std::move(*pair), 2};
        }
    }
    if (std::optional<std::string> single = ReadableCharacter(rest.substr(0, 1))) {
        return Character{std::move(*single), 1};
    }
    return std::nullopt;
}

// Marks that change the order of a line or hide text: a name holding them could be
// shown as another name.
bool HidesOrReorders(char32_t code) {
    return (code >= 0x200B && code <= 0x200F) || (code >= 0x2028 && code <= 0x202E) ||
           (code >= 0x2060 && code <= 0x206F) || code == 0xFEFF || code == 0x061C;
}

// One well-formed UTF-8 character (no overlong form, no surrogate) that is readable.
std::optional<Character> ReadableUtf8At(std::string_view rest) {
    const size_t length = Utf8Length(static_cast<uint8_t>(rest[0]));
    if (length < 2 || length > rest.size()) {
        return std::nullopt;
    }
    const std::string_view piece = rest.substr(0, length);
    const std::optional<char32_t> code = SingleCodePoint(piece);
    constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (!code || *code < kSmallest[length] || (*code >= 0xD800 && *code <= 0xDFFF) ||
        *code > 0x10FFFF || !Readable(*code) || HidesOrReorders(*code)) {
        return std::nullopt;
    }
    return Character{std::string(piece), length};
}

template <typename ReadableAt>
std::string EscapeWith(std::string_view bytes, Blanks blanks, ReadableAt readableAt) {
    const Edges edges = BlankEdges(bytes, blanks);
    std::string out;
    out.reserve(bytes.size());
    size_t at = 0;
    while (at < bytes.size()) {
        const auto byte = static_cast<uint8_t>(bytes[at]);
        if (byte < 0x80) {
            const bool blankAtEdge =
                byte == kSpace && (at < edges.leadingEnd || at >= edges.trailingStart);
            if (byte == kBackslash) {
                out += "\\\\";
            } else if (IsControl(byte) || blankAtEdge) {
                AppendEscape(out, byte);
            } else {
                out += static_cast<char>(byte);
            }
            ++at;
        } else if (std::optional<Character> character = readableAt(bytes.substr(at))) {
            out += character->utf8;
            at += character->length;
        } else {
            AppendEscape(out, byte);
            ++at;
        }
    }
    return out;
}

}  // namespace

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

std::string EscapeText(std::string_view bytes, Blanks blanks) {
    return EscapeWith(bytes, blanks, ReadableGbkAt);
}

std::string EscapeSystemText(std::string_view bytes, Blanks blanks) {
    return EscapeWith(bytes, blanks, ReadableUtf8At);
}

std::optional<std::string> UnescapeText(std::string_view text, UnescapeError* error) {
    std::string out;
    size_t runStart = 0;
    // The literal text since the last escape, converted to GBK.
    const auto flushRun = [&](size_t end) {
        const std::string_view run = text.substr(runStart, end - runStart);
        std::optional<std::string> bytes = Utf8ToGbk(run);
        if (!bytes) {
            if (error != nullptr) {
                *error = FindNoGbkForm(run, runStart);
            }
            return false;
        }
        out += *bytes;
        return true;
    };

    size_t at = 0;
    while (at < text.size()) {
        if (text[at] != '\\') {
            ++at;
            continue;
        }
        if (!flushRun(at)) {
            return std::nullopt;
        }
        if (at + 1 < text.size() && text[at + 1] == '\\') {
            out += '\\';
            at += 2;
        } else if (at + 3 < text.size() && text[at + 1] == 'x' &&
                   HexDigitValue(text[at + 2]) >= 0 && HexDigitValue(text[at + 3]) >= 0) {
            out +=
                static_cast<char>(HexDigitValue(text[at + 2]) * 16 + HexDigitValue(text[at + 3]));
            at += 4;
        } else {
            if (error != nullptr) {
                *error = {UnescapeError::Kind::BadEscape, at, EscapePiece(text, at)};
            }
            return std::nullopt;
        }
        runStart = at;
    }
    if (!flushRun(text.size())) {
        return std::nullopt;
    }
    return out;
}

std::string Describe(const UnescapeError& error) {
    const std::string where = "at byte " + std::to_string(error.offset + 1);
    if (error.kind == UnescapeError::Kind::BadEscape) {
        // Only plain ASCII is quoted: any other byte could be half a character or a control.
        const bool printable = std::all_of(error.piece.begin(), error.piece.end(), [](char c) {
            const auto byte = static_cast<uint8_t>(c);
            return byte >= 0x20 && byte < 0x7F;
        });
        return (printable ? "\"" + error.piece + "\" " : std::string("the backslash ")) + where +
               " is not an escape: write a backslash as \\\\ and any byte as \\xNN";
    }
    if (const std::optional<char32_t> code = SingleCodePoint(error.piece)) {
        char number[16];
        std::snprintf(number, sizeof number, "U+%04X", static_cast<unsigned>(*code));
        return "the character " + std::string(number) + " " + where + " has no GBK form";
    }
    return "the text " + where + " is not UTF-8";
}

}  // namespace kd::text
