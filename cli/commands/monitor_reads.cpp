#include "cli/commands/monitor_reads.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <utility>

#include "cli/json_output.h"

namespace kd::cli {

namespace {

using catalogue::ReadKind;
using catalogue::ReadPiece;

// Milliseconds past the second, and the seconds as the C library takes them.
std::pair<std::time_t, int> Split(std::chrono::system_clock::time_point time) {
    using namespace std::chrono;
    const auto seconds = floor<std::chrono::seconds>(time);
    return {system_clock::to_time_t(seconds),
            static_cast<int>(duration_cast<milliseconds>(time - seconds).count())};
}

}  // namespace

const char* KindName(const ShownRead& read) {
    if (!read.formatKnown || !read.split.matched) {
        return "unknown";
    }
    return read.split.kind == ReadKind::Code ? "code" : "nfc";
}

std::string ReadLine(const ShownRead& read) {
    const auto [seconds, ms] = Split(read.time);
    char clock[16] = "??:??:??";
    if (const std::tm* local = std::localtime(&seconds)) {
        std::strftime(clock, sizeof clock, "%H:%M:%S", local);
    }
    char stamp[24];
    std::snprintf(stamp, sizeof stamp, "%s.%03d", clock, ms);
    std::string line = std::string(stamp) + "  " + KindName(read) + "  " +
                       Shown(catalogue::ContentOf(read.split)) + "  [";
    line += catalogue::PiecesText(read.split.pieces);
    line += "]";
    if (read.formatKnown && !read.split.matched) {
        line += "  (does not fit the reader's prefix and suffix)";
    }
    return line;
}

nlohmann::json ReadJson(const ShownRead& read) {
    const auto [seconds, ms] = Split(read.time);
    char stamp[40] = "";
    if (const std::tm* utc = std::gmtime(&seconds)) {
        char base[24];
        std::strftime(base, sizeof base, "%Y-%m-%dT%H:%M:%S", utc);
        std::snprintf(stamp, sizeof stamp, "%s.%03dZ", base, ms);
    }
    nlohmann::json parts = nlohmann::json::array();
    for (const ReadPiece& piece : read.split.pieces) {
        parts.push_back({{"part", catalogue::PartName(piece.part)},
                         {"hex", catalogue::HexText(piece.bytes, "")}});
    }
    return {{"time", stamp},
            {"kind", KindName(read)},
            {"content", Shown(catalogue::ContentOf(read.split))},
            {"hex", catalogue::HexText(catalogue::Joined(read.split.pieces), "")},
            {"parts", parts}};
}

std::string EndingsText(const catalogue::ReadFormat& format) {
    const auto one = [&format](ReadKind kind, const char* name) {
        const std::string ending = catalogue::ReadEnding(kind, format.Of(kind));
        return std::string(name) + (ending.empty()
                                        ? " reads end after a pause"
                                        : " reads end with " + catalogue::HexText(ending, " "));
    };
    return one(ReadKind::Code, "code") + "; " + one(ReadKind::Nfc, "card");
}

}  // namespace kd::cli
