#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "catalogue/read_format.h"

// kdcfg monitor's reads: the line's bytes cut into reads, and each read as it is shown.
namespace kd::cli {

// Cuts the bytes that come in into reads: a read ends with one of the endings its keys
// give it, or, when none comes, when the line goes quiet (Flush).
class ReadCutter {
  public:
    explicit ReadCutter(std::vector<std::string> endings);

    // Takes bytes and returns the reads they complete, in order.
    std::vector<std::string> Take(std::string_view bytes);
    // The line went quiet: what is held is a read.
    std::optional<std::string> Flush();
    bool Holding() const { return !held_.empty(); }

  private:
    std::vector<std::string> endings_;
    std::string held_;
};

// The endings of both kinds of read, leaving out the kinds that end only by a pause.
std::vector<std::string> ReadEndings(const catalogue::ReadFormat& format);

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
