#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// A profile: a reader's configuration as UTF-8 text that a person can read, keep in
// version control and compare. One key=value a line; '#' starts a comment line; blank
// lines are ignored. Values go through the text escapes, so every byte survives.
namespace kd::profile {

struct Entry {
    std::string key;
    std::string value;  // the bytes sent to the reader
    size_t line = 0;    // where it stands in the file, from 1
};

struct Profile {
    std::vector<Entry> entries;  // in the file's order
};

struct ParseError {
    size_t line;
    std::string message;
};

// Every fault of the text is reported, each with its line; the profile only when there
// is none.
std::optional<Profile> Parse(std::string_view text, std::vector<ParseError>& errors);

// One key to write: its value, or a note saying why there is none (written as a
// comment in the key's place).
struct Item {
    std::string key;
    std::optional<std::string> value;
    std::string note;
};

// The header as comment lines, then the items in catalogue order (keys the catalogue
// does not know last, as given).
std::string Format(std::span<const std::string> header, std::span<const Item> items);

}  // namespace kd::profile
