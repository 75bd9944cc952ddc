#include "cli/station/report.h"

#include <cstdio>

#include "cli/json_output.h"
#include "cli/terminal_style.h"

namespace kd::cli {

namespace {

using json = nlohmann::ordered_json;

json Optional(const std::optional<std::string>& value) {
    return value ? json(*value) : json(nullptr);
}

json VersionsJson(const provision::ReaderVersions& versions) {
    return {{"firmware", Optional(versions.firmware)}, {"buildDate", Optional(versions.buildDate)}};
}

}  // namespace

json RecordJson(const provision::ReaderRecord& record) {
    return {{"time", record.time},
            {"port", ShownName(record.port)},
            {"line", record.line.empty() ? json(nullptr) : json(record.line)},
            {"serialNumber", Optional(record.serialNumber)},
            {"before", VersionsJson(record.before)},
            {"after", VersionsJson(record.after)},
            {"firmwareUploaded", record.firmwareUploaded},
            {"apply", record.apply.empty() ? json(nullptr) : json(record.apply)},
            {"keysChanged", record.keysChanged},
            {"result", record.passed ? "PASS" : "FAIL"},
            {"reason", record.reason},
            {"seconds", record.seconds}};
}

std::string RecordLine(const provision::ReaderRecord& record) {
    // Shown values are valid UTF-8 already; replace guards a path that is not.
    return RecordJson(record).dump(-1, ' ', false, json::error_handler_t::replace) + "\n";
}

std::string ResultLine(const provision::ReaderRecord& record, bool color) {
    std::string line =
        PaintResult(record.passed ? "PASS" : "FAIL", color) + " " + ShownName(record.port);
    if (record.serialNumber) {
        line += " serial " + *record.serialNumber;
    }
    if (record.after.firmware) {
        line += " firmware " + *record.after.firmware;
    }
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, " (%.2f s)", record.seconds);
    return line + ": " + record.reason + seconds;
}

}  // namespace kd::cli
