#pragma once

#include <cstdio>
#include <string>

#include "cli/command_table.h"
#include "cli/options.h"
#include "cli/progress_view.h"

namespace kd::cli {

// diff and apply: reads options.profile.file into options.profile.read, so that a profile that
// cannot be used is refused before any port is opened. False after saying on err why.
bool ReadCommandProfile(Options& options, std::FILE* err);

using PortWork = int (*)(const Options& options, Channel& channel, const PortCall& call);

// After a port that cannot be opened: where to find the right name.
void SayWhereThePortsAre(std::FILE* err);

// How progress is shown: nothing with --quiet, redrawn lines where live, plain lines
// otherwise (also with --trace or -v, whose frames would break a redrawn line).
ProgressMode ProgressModeOf(const Options& options, bool live);

// Opens options.serial's port, runs the command on it and closes it; output goes to out,
// messages to err, progress to progress (null: a line of its own on err, drawn in place when
// terminal). Returns an exit code. The same path serves one port and many.
// work is what runs on the port: null for the command's runOnPort; a command of one port
// gives its own.
int OpenAndRun(const Options& options, bool terminal, std::FILE* out, std::FILE* err,
               ReaderFacts* facts = nullptr, ProgressView* progress = nullptr,
               PortWork work = nullptr);

}  // namespace kd::cli
