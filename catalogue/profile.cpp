#include "catalogue/profile.h"

#include <algorithm>
#include <map>

#include "catalogue/key_table.h"
#include "protocol/device_commands.h"
#include "text/escape.h"

namespace kd::profile {

namespace {

constexpr std::string_view kBlanks = " \t";
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr size_t kLongestKey = kKeyPayloadSize - kKeyRecordOverhead;

std::string_view Trim(std::string_view text) {
    const size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) {
        return {};
    }
    const size_t last = text.find_last_not_of(kBlanks);
    return text.substr(first, last - first + 1);
}

// The position of the key in the catalogue; unknown keys after every known one.
size_t CatalogueRank(std::string_view key) {
    const auto keys = catalogue::Keys();
    const auto found =
        std::find_if(keys.begin(), keys.end(),
                     [key](const catalogue::KeyInfo& info) { return info.name == key; });
    return static_cast<size_t>(found - keys.begin());
}

void AppendComment(std::string& text, std::string_view comment) {
    text += "# ";
    // A note may hold any bytes; none may end the comment's line.
    text += kd::text::EscapeText(comment);
    text += '\n';
}

// Parses one non-blank, non-comment line into entry; false with errors noted.
bool ParseLine(std::string_view line, size_t number, Entry& entry,
               std::vector<ParseError>& errors) {
    const size_t equals = line.find('=');
    if (equals == std::string_view::npos) {
        errors.push_back({number, "expected key=value"});
        return false;
    }
    const std::string_view key = Trim(line.substr(0, equals));
    if (key.empty()) {
        errors.push_back({number, "no key before '='"});
        return false;
    }
    // Such a name leaves no room in the reader's record even for an empty value.
    if (key.size() > kLongestKey) {
        errors.push_back({number, "the key name is " + std::to_string(key.size()) +
                                      " bytes long; a reader takes at most " +
                                      std::to_string(kLongestKey)});
        return false;
    }
    kd::text::UnescapeError error{};
    auto value = kd::text::UnescapeText(Trim(line.substr(equals + 1)), &error);
    if (!value) {
        errors.push_back({number, kd::text::EscapeText(key) + ": " + kd::text::Describe(error)});
        return false;
    }
    entry = {std::string(key), std::move(*value), number};
    return true;
}

}  // namespace

std::optional<Profile> Parse(std::string_view text, std::vector<ParseError>& errors) {
    Profile profile;
    std::map<std::string, size_t, std::less<>> seen;
    size_t number = 0;
    const size_t errorsBefore = errors.size();
    // Some editors start a UTF-8 file with a byte-order mark; it is no part of the first key.
    if (text.starts_with(kByteOrderMark)) {
        text.remove_prefix(kByteOrderMark.size());
    }
    while (!text.empty()) {
        ++number;
        const size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        // Lines may end in CR LF; a CR inside a value is always escaped.
        if (line.ends_with('\r')) {
            line.remove_suffix(1);
        }
        line = Trim(line);
        if (line.empty() || line.starts_with('#')) {
            continue;
        }
        Entry entry;
        if (!ParseLine(line, number, entry, errors)) {
            continue;
        }
        if (const auto earlier = seen.find(entry.key); earlier != seen.end()) {
            errors.push_back({number, kd::text::EscapeText(entry.key) + ": already set on line " +
                                          std::to_string(earlier->second)});
            continue;
        }
        seen.emplace(entry.key, number);
        profile.entries.push_back(std::move(entry));
    }
    if (errors.size() != errorsBefore) {
        return std::nullopt;
    }
    return profile;
}

std::string Format(std::span<const std::string> header, std::span<const Item> items) {
    std::string text;
    for (const std::string& line : header) {
        AppendComment(text, line);
    }
    std::vector<const Item*> ordered;
    for (const Item& item : items) {
        ordered.push_back(&item);
    }
    std::stable_sort(ordered.begin(), ordered.end(), [](const Item* a, const Item* b) {
        return CatalogueRank(a->key) < CatalogueRank(b->key);
    });
    for (const Item* item : ordered) {
        if (item->value) {
            text += item->key;
            text += '=';
            text += kd::text::EscapeText(*item->value, kd::text::Blanks::EscapeAtEdges);
            text += '\n';
        } else {
            AppendComment(text, item->key + ": " + item->note);
        }
    }
    return text;
}

}  // namespace kd::profile
