#include <nlohmann/json.hpp>

#include "cli/exit_codes.h"
#include "cli/multi_port.h"

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

}  // namespace

void PrintSummary(const std::vector<PortReport>& reports, std::FILE* out) {
    // Keys changed and verified belong to apply; the commands run here change none.
    std::fprintf(out, "%-32s %-16s %-12s %-8s %-8s %-6s %s\n", "PORT", "SERIAL", "FIRMWARE",
                 "CHANGED", "VERIFIED", "RESULT", "TIME");
    size_t passed = 0;
    for (const auto& report : reports) {
        const bool ok = report.code == kExitOk;
        passed += ok ? 1 : 0;
        std::fprintf(out, "%-32s %-16s %-12s %-8s %-8s %-6s %.2f s\n", report.port.c_str(),
                     Shown(report.serialNumber), Shown(report.firmwareVersion), "-", "-",
                     ok ? "PASS" : "FAIL", report.seconds);
    }
    std::fprintf(out, "%zu of %zu ports passed\n", passed, reports.size());
}

std::string JsonReport(const std::string& command, const std::vector<PortReport>& reports) {
    nlohmann::json ports = nlohmann::json::array();
    for (const auto& report : reports) {
        ports.push_back({{"port", report.port},
                         {"serialNumber", report.serialNumber},
                         {"firmwareVersion", report.firmwareVersion},
                         {"result", report.code == kExitOk ? "PASS" : "FAIL"},
                         {"exitCode", report.code},
                         {"seconds", report.seconds},
                         {"output", Output(report.out)},
                         {"messages", report.err}});
    }
    const nlohmann::json document = {
        {"command", command}, {"exitCode", WorstCode(reports)}, {"ports", ports}};
    // Replace, so that a reader's odd bytes cannot make the report fail to print.
    return document.dump(2, ' ', false, nlohmann::json::error_handler_t::replace);
}

}  // namespace kd::cli
