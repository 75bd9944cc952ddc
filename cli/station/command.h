#pragma once

#include <cstdio>
#include <string>

#include "cli/options.h"
#include "cli/station/platform.h"

namespace CLI {
class App;
}

namespace kd::cli {

// Adds the station command's options to it.
void AddStationOptions(CLI::App& command, Options& options);

// What the parse cannot check by itself; "" when the options fit together.
std::string CheckStationOptions(const Options& options);

// Checks the profile, the firmware file and the log before watching, then runs the
// station until a stop signal in signals (made before any thread). Returns the exit code.
int RunStation(const Options& options, StopSignals& signals, std::FILE* out, std::FILE* err);

}  // namespace kd::cli
