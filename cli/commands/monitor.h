#pragma once

#include <cstdio>

#include "cli/options.h"
#include "cli/stop.h"
#include "link/channel.h"

namespace CLI {
class App;
}

namespace kd::cli {

void AddMonitorOptions(CLI::App& command, Options& options);

// Asks the reader for its output keys (unless monitor.noQuery), then listens and prints
// each read on out until the options or a stop signal end it. Returns the exit code.
int RunMonitor(Channel& channel, const MonitorOptions& monitor, bool json, const StopFlag* stop,
               std::FILE* out, std::FILE* err);

}  // namespace kd::cli
