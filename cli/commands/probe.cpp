#include "cli/commands/probe.h"

#include <string>

#include "cli/exit_codes.h"
#include "cli/json_output.h"
#include "cli/progress_view.h"
#include "cli/run_command.h"
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

int RunProbe(const SerialSettings& settings, bool json, std::FILE* out, std::FILE* err,
             const std::atomic<int>* stop, ProgressView* progress) {
    const provision::ProbeResult result = provision::FindLineSettings(
        settings, [stop] { return CauseOf(stop) != StopCause::None; }, progress);
    EraseProgress(progress);
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
        SayWhereThePortsAre(err);
        return kExitPortUnavailable;
    }
    std::fprintf(err,
                 "kdcfg: %s: no answer to the handshake in %zu tries (%zu settings the driver "
                 "refused)\n",
                 ShownName(settings.portPath).c_str(), result.opened, result.tried - result.opened);
    return kExitNoAnswer;
}

}  // namespace kd::cli
