#pragma once

#include <cstdio>
#include <string>

#include "link/channel.h"
#include "protocol/upload.h"

namespace kd::cli {

// Sends a firmware image or a configuration file; returns an exit code.
int RunUploadCommand(Channel& channel, bool firmware, const std::string& fileName,
                     UploadFiles& files, Sleeper& sleeper, bool terminal, std::FILE* out,
                     std::FILE* err);

}  // namespace kd::cli
