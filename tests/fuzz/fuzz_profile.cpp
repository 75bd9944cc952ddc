// Feeds arbitrary text to the profile parser and to the catalogue checks kdcfg and the
// window run on a profile. A text parses whole or reports each fault; no message carries
// a control byte; every key fits the reader's record; what parsed formats to a text that
// parses back to the same keys and values.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/profile.h"
#include "config/profile_transfer.h"
#include "protocol/device_commands.h"
#include "provision/apply.h"
#include "tests/fuzz/played_channel.h"

using kd::fuzz::Require;

namespace {

bool Printable(std::string_view text) {
    return std::none_of(text.begin(), text.end(), [](char c) {
        const auto byte = static_cast<uint8_t>(c);
        return byte < 0x20 || byte == 0x7F;
    });
}

std::map<std::string, std::string> Pairs(const kd::profile::Profile& profile) {
    std::map<std::string, std::string> pairs;
    for (const kd::profile::Entry& entry : profile.entries) {
        pairs.emplace(entry.key, entry.value);
    }
    return pairs;
}

void CheckParsed(const kd::profile::Profile& profile) {
    size_t line = 0;
    std::vector<kd::profile::Item> items;
    for (const kd::profile::Entry& entry : profile.entries) {
        Require(entry.line > line);
        line = entry.line;
        Require(!entry.key.empty() &&
                entry.key.size() <= kd::kKeyPayloadSize - kd::kKeyRecordOverhead);
        Require(entry.key.find_first_of("=\n") == std::string::npos);
        items.push_back({entry.key, entry.value, {}});
    }
    Require(Pairs(profile).size() == profile.entries.size());  // no key twice
    for (const kd::provision::CheckProblem& problem : kd::provision::CheckProfile(profile)) {
        Require(problem.line >= 1 && problem.line <= line && Printable(problem.message));
    }
    const std::string header[] = {"fuzz"};
    std::vector<kd::profile::ParseError> errors;
    const auto again = kd::profile::Parse(kd::profile::Format(header, items), errors);
    Require(again && errors.empty());
    Require(Pairs(*again) == Pairs(profile));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::vector<kd::profile::ParseError> errors;
    const auto parsed = kd::profile::Parse(text, errors);
    Require(parsed.has_value() == errors.empty());
    for (const kd::profile::ParseError& error : errors) {
        Require(error.line >= 1 && Printable(error.message));
    }
    if (parsed) {
        CheckParsed(*parsed);
    }
    // The window's import: refused with reasons, or taken whole.
    const kd::profile_transfer::Checked checked = kd::profile_transfer::CheckText(text);
    Require(checked.values.has_value() == checked.problems.empty());
    Require(std::all_of(checked.problems.begin(), checked.problems.end(),
                        [](const std::string& problem) { return Printable(problem); }));
    return 0;
}
