#pragma once

#include <optional>
#include <string>
#include <string_view>

// A reader's texts are code page 936 (GBK) bytes; ours are UTF-8. These convert between
// the two, whole or not at all: nothing is replaced or guessed.
namespace kd::text {

// Nothing when the bytes are not valid GBK text.
std::optional<std::string> GbkToUtf8(std::string_view bytes);
// Nothing when the text is not valid UTF-8 or holds a character with no GBK form.
std::optional<std::string> Utf8ToGbk(std::string_view utf8);

}  // namespace kd::text
