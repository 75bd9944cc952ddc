#pragma once

#include <cstdio>
#include <optional>
#include <string>

#include "catalogue/profile.h"
#include "cli/options.h"
#include "link/channel.h"

namespace CLI {
class App;
}

namespace kd::cli {

class ProgressView;

// Each adds its command's own arguments and options to the command.
void AddDumpOptions(CLI::App& command, Options& options);
void AddDiffOptions(CLI::App& command, Options& options);
void AddApplyOptions(CLI::App& command, Options& options);

// The whole-configuration commands. Data (or, with json, one JSON document) goes to
// out, messages to err; each returns an exit code.

// The profile in the file for diff, apply and station, or none after saying on err why
// not: it cannot be read, does not parse, or sets no key (empty, comments only, or only
// keys the reader sets itself), which would pass every reader without configuring it.
std::optional<profile::Profile> LoadProfileToWrite(const std::string& path, std::FILE* err);

// A dump kept for its caller, which saves it under a name of its choosing.
struct KeptDump {
    std::string text;          // the profile
    std::string serialNumber;  // the deviceno key as read, wire bytes; "" when not read
    bool answered = false;     // every key got an answer (a value or a refusal)
};

// Reads every catalogue key into a profile: on out, into outputPath (replaced whole), or,
// when kept is given, into *kept alone. dump, diff and apply show their progress on
// progress (may be null).
int RunDump(Channel& channel, const std::string& port, const std::string& outputPath, bool asJson,
            std::FILE* out, std::FILE* err, KeptDump* kept = nullptr,
            ProgressView* progress = nullptr);
// diff and apply take a profile already read (apply's messages name profilePath).
int RunDiff(Channel& channel, const profile::Profile& profile, bool asJson, std::FILE* out,
            std::FILE* err, ProgressView* progress = nullptr);

struct ApplyFlags {
    bool dryRun = false;
    bool force = false;
    bool json = false;
};
// What apply did, for a report over many ports.
struct ApplySummary {
    size_t keysChanged = 0;  // writes the reader took
    bool verified = false;   // the reader was shown to hold the profile: read back after the
                             // store, or already equal
};

int RunApply(Channel& channel, const std::string& profilePath, const profile::Profile& profile,
             const ApplyFlags& flags, std::FILE* out, std::FILE* err,
             ApplySummary* summary = nullptr, ProgressView* progress = nullptr);

}  // namespace kd::cli
