#include "cli/probe_command.h"

#include <CLI/CLI.hpp>

#include "cli/exit_codes.h"
#include "cli/json_output.h"
#include "cli/stop.h"
#include "provision/line_probe.h"

namespace kd::cli {

namespace {

std::string AsOptions(const provision::ProbeTry& found) {
    return "--baud " + std::to_string(found.baudRate) + " --data-bits " +
           std::to_string(found.dataBits) + " --stop-bits " + found.stopBits + " --parity " +
           found.parity;
}

nlohmann::json AsJson(const std::string& port, const provision::ProbeTry& found) {
    return {{"port", ShownName(port)},    {"baud", found.baudRate},
            {"dataBits", found.dataBits}, {"stopBits", std::stoi(found.stopBits)},
            {"parity", found.parity},     {"options", AsOptions(found)}};
}

}  // namespace

void AddProbeCommand(CLI::App& app) {
    CLI::App* probe = app.add_subcommand(
        "probe",
        "Finds the line settings the reader answers on.\n\n"
        "Sends one handshake at each rate of the window's list (9600 and 115200 first,\n"
        "then 110 to 57600), all at 8N1, then again at 8E1, 8O1, 8N2, 7E1 and 7O1, and\n"
        "stops at the first reply. Prints the settings as kdcfg options, e.g.\n"
        "--baud 115200 --data-bits 8 --stop-bits 1 --parity NONE. A try without an\n"
        "answer ends after a short silence, so the whole search takes seconds.");
    probe->group("Commands");
    probe->footer(
        "--json prints one object: port, baud, dataBits, stopBits, parity and options.\n"
        "--baud, --data-bits, --stop-bits and --parity are taken and ignored here.\n"
        "Exit codes: 0 found, 3 the port cannot be opened, 4 no setting got an answer.");
}

int RunProbe(const SerialSettings& settings, bool json, std::FILE* out, std::FILE* err,
             const std::atomic<int>* stop) {
    const provision::ProbeResult result =
        provision::FindLineSettings(settings, [stop] { return CauseOf(stop) != StopCause::None; });
    if (!result.found && CauseOf(stop) != StopCause::None) {
        std::fprintf(err,
                     "kdcfg: probe interrupted (%s) after %zu of %zu tries; no setting found\n",
                     StopName(CauseOf(stop)), result.tried, provision::ProbeOrder().size());
        return StopExitCode(CauseOf(stop));
    }
    if (result.found) {
        if (json) {
            PrintJson(AsJson(settings.portPath, *result.found), out);
        } else {
            std::fprintf(out, "%s\n", AsOptions(*result.found).c_str());
        }
        return kExitOk;
    }
    if (result.opened == 0) {
        std::fprintf(err, "kdcfg: %s\n", result.openError.c_str());
        return kExitPortUnavailable;
    }
    std::fprintf(err,
                 "kdcfg: %s: no answer to the handshake in %zu tries (%zu settings the driver "
                 "refused)\n",
                 ShownName(settings.portPath).c_str(), result.opened, result.tried - result.opened);
    return kExitNoAnswer;
}

}  // namespace kd::cli
