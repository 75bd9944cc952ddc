#pragma once

#include <cstdio>

#include "cli/options.h"
#include "link/channel.h"

namespace kd::cli {

// Output goes to out, errors to err; each returns an exit code.
int RunInfo(Channel& channel, const std::string& port, std::FILE* out, std::FILE* err);
int RunGet(Channel& channel, const std::vector<std::string>& keys, std::FILE* out, std::FILE* err);
int RunSet(Channel& channel, const std::vector<KeyAssignment>& assignments, bool store,
           std::FILE* out, std::FILE* err);
int RunStore(Channel& channel, std::FILE* out, std::FILE* err);

}  // namespace kd::cli
