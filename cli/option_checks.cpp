#include "cli/option_checks.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdint>

#include "protocol/device_commands.h"
#include "protocol/frame.h"

namespace kd::cli {

namespace {

CLI::Validator Make(std::string (*check)(std::string_view), const char* description) {
    return CLI::Validator([check](std::string& text) { return check(text); }, description);
}

std::string CheckPositive(std::string_view text) {
    uint32_t value = 0;
    const char* end = text.data() + text.size();
    const auto [at, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || at != end || value == 0) {
        return "needs a positive whole number, not '" + std::string(text) + "'";
    }
    return {};
}

bool SameWord(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) ==
               std::tolower(static_cast<unsigned char>(y));
    });
}

std::string CheckPath(std::string_view text) {
    if (text.empty()) {
        return "needs a path, not an empty text";
    }
    if (text.front() == '-') {
        return "needs a path, not the option '" + std::string(text) + "'";
    }
    return {};
}

}  // namespace

size_t MaxKeyNameLength() {
    return kKeyPayloadSize - kKeyRecordOverhead;
}

std::string CheckKeyName(std::string_view name) {
    if (name.empty()) {
        return "a key name cannot be empty";
    }
    if (name.size() > MaxKeyNameLength()) {
        // A longer name leaves no room in the record even for an empty value.
        return "the key name is " + std::to_string(name.size()) +
               " bytes long; key names are 1 to " + std::to_string(MaxKeyNameLength()) +
               " bytes (name + value + 3 <= 256)";
    }
    return {};
}

std::string CheckAssignment(std::string_view text) {
    const size_t equals = text.find('=');
    if (equals == std::string_view::npos) {
        return "takes KEY=VALUE, not '" + std::string(text) + "'";
    }
    // The value's byte length depends on its conversion to GBK and its escapes: set
    // checks it, before anything is sent.
    return CheckKeyName(text.substr(0, equals));
}

CLI::Validator PositiveWholeNumber() {
    return Make(CheckPositive, "");
}

CLI::Validator OneOf(std::vector<std::string> choices) {
    return CLI::Validator(
        [choices](std::string& text) -> std::string {
            std::string list;
            for (const auto& choice : choices) {
                // Any case is the same word; the rest of the program sees the choice's own.
                if (SameWord(choice, text)) {
                    text = choice;
                    return {};
                }
                list += (list.empty() ? "" : ", ") + choice;
            }
            return "must be one of " + list + ", not '" + text + "'";
        },
        "");
}

CLI::Validator PathNotOption() {
    return Make(CheckPath, "");
}

CLI::Validator KeyName() {
    return Make(CheckKeyName, "");
}

CLI::Validator Assignment() {
    return Make(CheckAssignment, "");
}

}  // namespace kd::cli
