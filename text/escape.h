#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// The one rule for showing a reader's value as text and taking it back, byte for byte.
//
// Valid GBK text is shown as UTF-8. Every other byte, every control byte (below 0x20,
// and 0x7F) and the backslash are written as escapes: "\xNN" (two hex digits) and "\\".
// UnescapeText(EscapeText(bytes)) == bytes for every byte string.
namespace kd::text {

// The value of a hex digit in either case; -1 for any other character.
int HexDigitValue(char c);

enum class Blanks {
    Keep,
    // Leading and trailing spaces become "\x20", for text formats that trim blanks.
    EscapeAtEdges,
};

std::string EscapeText(std::string_view bytes, Blanks blanks = Blanks::Keep);

// The same rule for text the system gives (port paths, link names, sysfs attributes),
// which is UTF-8 rather than GBK: readable UTF-8 characters are kept; every other byte,
// control bytes, the backslash and characters that reorder or hide text (bidirectional
// and zero-width marks, line separators) are written as "\xNN" and "\\".
std::string EscapeSystemText(std::string_view bytes, Blanks blanks = Blanks::Keep);

struct UnescapeError {
    enum class Kind {
        // A backslash not followed by "\" or "x" and two hex digits.
        BadEscape,
        // A character that has no GBK form, or bytes that are not UTF-8.
        NoGbkForm,
    };
    Kind kind;
    // Where the fault starts in the text, in bytes.
    size_t offset;
    // The escape or the character at fault, as written.
    std::string piece;
};

// The bytes a text stands for: UTF-8 converted to GBK, escapes decoded. On failure
// error (when given) says what and where.
std::optional<std::string> UnescapeText(std::string_view text, UnescapeError* error = nullptr);

// The error in plain English, for the command line.
std::string Describe(const UnescapeError& error);

}  // namespace kd::text
