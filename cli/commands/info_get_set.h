#pragma once

#include <cstdio>

#include "cli/options.h"
#include "link/channel.h"

namespace CLI {
class App;
}

namespace kd::cli {

// Each adds its command's own arguments and options to the command.
void AddGetOptions(CLI::App& command, Options& options);
void AddSetOptions(CLI::App& command, Options& options);

// Output goes to out, errors to err; each returns an exit code.
// With asJson, info and get print one JSON document instead of their lines.
int RunInfo(Channel& channel, const std::string& port, bool asJson, std::FILE* out, std::FILE* err);
int RunGet(Channel& channel, const std::vector<std::string>& keys, bool asJson, std::FILE* out,
           std::FILE* err);
// set checks every value against the catalogue as apply does before it sends any; force
// sends what that check refuses, but never a value longer than its key holds.
int RunSet(Channel& channel, const std::vector<KeyAssignment>& assignments, bool store, bool force,
           std::FILE* out, std::FILE* err);
int RunStore(Channel& channel, std::FILE* out, std::FILE* err);

}  // namespace kd::cli
