#pragma once

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <string>

#include "link/serial_settings.h"

namespace CLI {
class App;
}

namespace kd::cli {

// Adds the probe command.
void AddProbeCommand(CLI::App& app);

// Tries each setting on settings.portPath until the reader answers a handshake.
// Returns the exit code: 0 found, 3 the port cannot be opened, 4 no setting answered.
// A stop signal in stop ends the search before its next try.
int RunProbe(const SerialSettings& settings, bool json, std::FILE* out, std::FILE* err,
             const std::atomic<int>* stop = nullptr);

}  // namespace kd::cli
