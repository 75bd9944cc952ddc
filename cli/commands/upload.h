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

// Sends a firmware image or a configuration file; returns an exit code.
int RunUploadCommand(Channel& channel, bool firmware, const std::string& fileName,
                     UploadFiles& files, Sleeper& sleeper, bool terminal, std::FILE* out,
                     std::FILE* err);

}  // namespace kd::cli
