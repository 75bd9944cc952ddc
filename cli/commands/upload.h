#pragma once

#include <cstdio>
#include <string>

#include "cli/options.h"
#include "link/channel.h"
#include "protocol/upload.h"

namespace CLI {
class App;
}

namespace kd::cli {

// Each adds its command's FILE, with the file taken when none is given.
void AddUploadFirmwareOptions(CLI::App& command, Options& options);
void AddUploadConfigOptions(CLI::App& command, Options& options);

class ProgressView;

// Sends a firmware image or a configuration file, showing how far it has come on progress
// (may be null); returns an exit code.
int RunUploadCommand(Channel& channel, bool firmware, const std::string& fileName,
                     UploadFiles& files, Sleeper& sleeper, ProgressView* progress, bool quiet,
                     std::FILE* out, std::FILE* err);

}  // namespace kd::cli
