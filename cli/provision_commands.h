#pragma once

#include <cstdio>
#include <string>

#include "link/channel.h"

namespace kd::cli {

// The whole-configuration commands. Data (or, with json, one JSON document) goes to
// out, messages to err; each returns an exit code.

// Reads every catalogue key into a profile, on out or into outputPath.
int RunDump(Channel& channel, const std::string& port, const std::string& outputPath, bool asJson,
            std::FILE* out, std::FILE* err);
int RunDiff(Channel& channel, const std::string& profilePath, bool asJson, std::FILE* out,
            std::FILE* err);

struct ApplyFlags {
    bool dryRun = false;
    bool force = false;
    bool json = false;
};
int RunApply(Channel& channel, const std::string& profilePath, const ApplyFlags& flags,
             std::FILE* out, std::FILE* err);

}  // namespace kd::cli
