#include <nlohmann/json.hpp>

#include "cli/exit_codes.h"
#include "cli/json_output.h"
#include "cli/many_ports/report.h"
#include "cli/terminal_style.h"

#include <cstring>

namespace kd::cli {

namespace {

const char* Shown(const std::string& text) {
    return text.empty() ? "-" : text.c_str();
}

// A command's own JSON goes in as JSON; its text output as text.
nlohmann::json Output(const std::string& text) {
    nlohmann::json parsed = nlohmann::json::parse(text, nullptr, false);
    return parsed.is_discarded() ? nlohmann::json(text) : parsed;
}

// Keys changed and verified belong to apply; other commands show "-" (null in JSON).
std::string Changed(const PortReport& report) {
    return report.apply ? std::to_string(report.apply->keysChanged) : "-";
}

const char* Verified(const PortReport& report) {
    return !report.apply ? "-" : report.apply->verified ? "yes" : "no";
}

// The result padded to its column, then painted: the colour takes no room on the screen.
std::string ResultColumn(const char* word, bool color) {
    constexpr size_t kWidth = 7;
    const size_t length = std::strlen(word);
    return PaintResult(word, color) + std::string(length < kWidth ? kWidth - length : 0, ' ');
}

}  // namespace

const char* ResultWord(const Command& command, int code) {
    if (code == kExitOk) {
        return "PASS";
    }
    if (code == kExitDiffers && command.exitOneWord != nullptr) {
        return command.exitOneWord;
    }
    if (code == kExitInterrupted || code == kExitTerminated) {
        return "INTERRUPTED";
    }
    return "FAIL";
}

void PrintSummary(const Command& command, const std::vector<PortReport>& reports, std::FILE* out,
                  bool color) {
    std::fprintf(out, "%-32s %-16s %-12s %-8s %-8s %-7s %s\n", "PORT", "SERIAL", "FIRMWARE",
                 "CHANGED", "VERIFIED", "RESULT", "TIME");
    size_t passed = 0;
    size_t interrupted = 0;
    for (const auto& report : reports) {
        passed += report.code == kExitOk ? 1 : 0;
        interrupted += report.code == kExitInterrupted || report.code == kExitTerminated ? 1 : 0;
        std::fprintf(out, "%-32s %-16s %-12s %-8s %-8s %s %.2f s\n", ShownName(report.port).c_str(),
                     Shown(report.serialNumber), Shown(report.firmwareVersion),
                     Changed(report).c_str(), Verified(report),
                     ResultColumn(ResultWord(command, report.code), color).c_str(), report.seconds);
    }
    std::fprintf(out, "%zu of %zu ports passed", passed, reports.size());
    if (interrupted > 0) {
        // Each interrupted port's own messages above say how far it came.
        std::fprintf(out, "; %zu interrupted", interrupted);
    }
    std::fputc('\n', out);
}

std::string JsonReport(const Command& command, const std::vector<PortReport>& reports) {
    nlohmann::json ports = nlohmann::json::array();
    for (const auto& report : reports) {
        nlohmann::json port = {
            {"port", ShownName(report.port)},
            {"serialNumber", report.serialNumber},
            {"firmwareVersion", report.firmwareVersion},
            {"keysChanged", report.apply ? nlohmann::json(report.apply->keysChanged) : nullptr},
            {"verified", report.apply ? nlohmann::json(report.apply->verified) : nullptr},
            {"result", ResultWord(command, report.code)},
            {"exitCode", report.code},
            {"seconds", report.seconds},
            {"output", Output(report.out)},
            {"messages", report.err}};
        if (command.namesFile) {
            port["file"] =
                report.savedAs.empty() ? nullptr : nlohmann::json(ShownName(report.savedAs));
        }
        ports.push_back(std::move(port));
    }
    const nlohmann::json document = {
        {"command", command.name}, {"exitCode", WorstCode(reports)}, {"ports", ports}};
    // Replace, so that a reader's odd bytes cannot make the report fail to print.
    return document.dump(2, ' ', false, nlohmann::json::error_handler_t::replace);
}

}  // namespace kd::cli
