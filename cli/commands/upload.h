#pragma once

#include <cstdio>
#include <functional>
#include <optional>
#include <string>

#include "cli/options.h"
#include "link/channel.h"
#include "protocol/upload.h"

namespace CLI {
class App;
}

namespace kd::cli {

// Each adds its command's FILE, with the file taken when none is given, and --wait;
// upload-firmware also --expect-version.
void AddUploadFirmwareOptions(CLI::App& command, Options& options);
void AddUploadConfigOptions(CLI::App& command, Options& options);

class ProgressView;

// What one upload sends, and what it checks afterwards.
struct UploadRequest {
    bool firmware = true;
    std::string fileName;
    std::optional<uint32_t> waitMs;  // the closing wait; none: the target's (30 s, 4 s)
    // The version (masterver) the reader must report once it is back, as the GBK bytes it
    // sends; none: not checked.
    std::optional<std::string> expectVersion;
};

// Sends a firmware image or a configuration file; with expectVersion, then reconnects and
// reads the reader's version. A stop signal ends it with a word on what was done, and 130.
// Returns an exit code.
// progress (may be null) shows how far it has come.
int RunUploadCommand(Channel& channel, const UploadRequest& request, UploadFiles& files,
                     Sleeper& sleeper, const std::function<bool(std::string&)>& reconnect,
                     ProgressView* progress, bool quiet, std::FILE* out, std::FILE* err);

}  // namespace kd::cli
