#pragma once

#include <cstdio>
#include <optional>
#include <string>

#include "cli/commands/dump_diff_apply.h"
#include "cli/options.h"

namespace kd::cli {

// What identifies the reader on a port, and what the command did, for a report over many
// ports.
struct ReaderFacts {
    std::string serialNumber;
    std::string firmwareVersion;
    std::optional<ApplySummary> apply;  // apply, from the port's opening on
    bool keepDump = false;              // dump, set by the caller: keep the profile for a directory
    std::optional<KeptDump> dump;       // the profile kept, once dump has read it
};

// diff and apply: reads options.profile into options.profileRead, so that a profile that
// cannot be used is refused before any port is opened. False after saying on err why.
bool ReadCommandProfile(Options& options, std::FILE* err);

// Opens options.serial's port, runs the command on it and closes it; output goes to out,
// messages to err. Returns an exit code. The same path serves one port and many.
int OpenAndRun(const Options& options, bool terminal, std::FILE* out, std::FILE* err,
               ReaderFacts* facts = nullptr);

}  // namespace kd::cli
