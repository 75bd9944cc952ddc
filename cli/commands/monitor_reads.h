#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "catalogue/read_listening.h"

// kdcfg monitor's reads as it shows them.
namespace kd::cli {

struct ShownRead {
    std::chrono::system_clock::time_point time;
    catalogue::SplitResult split;
    bool formatKnown = true;  // false: --no-query, the keys were not asked for
};

// "code", "nfc", or "unknown" when the read does not fit the keys or they are not known.
const char* KindName(const ShownRead& read);

// One line: local time, kind, the content through the escape rule, and the hex of each
// part: "10:02:03.120  code  AB  [prefix 0D 41 | content 41 42 | CR 0D | LF 0A]".
std::string ReadLine(const ShownRead& read);
// The same as one JSON object: time (UTC, RFC 3339), kind, content, hex, parts.
nlohmann::json ReadJson(const ShownRead& read);

// How the reader frames its reads, for standard error: "code reads end with 0D 0A; card
// reads end after a pause".
std::string EndingsText(const catalogue::ReadFormat& format);

}  // namespace kd::cli
