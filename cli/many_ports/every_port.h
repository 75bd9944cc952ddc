#pragma once

#include <cstdio>
#include <string>

#include "cli/options.h"

namespace kd::cli {

// Adds the ports --ports names to options.ports; "" when done, or what is wrong.
std::string ExpandPorts(Options& options);

// Runs options.command on every port at once, one thread per port, and prints each
// port's output, then a summary (or the JSON report). Returns the worst exit code.
int RunOnEveryPort(const Options& options, std::FILE* out, std::FILE* err);

}  // namespace kd::cli
