#pragma once

#include <cstdio>
#include <string>

#include "cli/options.h"

namespace kd::cli {

// What identifies the reader on a port, for a report over many ports.
struct ReaderFacts {
    std::string serialNumber;
    std::string firmwareVersion;
};

// Opens options.serial's port, runs the command on it and closes it; output goes to out,
// messages to err. Returns an exit code. The same path serves one port and many.
int OpenAndRun(const Options& options, bool terminal, std::FILE* out, std::FILE* err,
               ReaderFacts* facts = nullptr);

}  // namespace kd::cli
