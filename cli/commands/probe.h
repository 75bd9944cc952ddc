#pragma once

#include <atomic>
#include <cstdio>

#include "link/serial_settings.h"

namespace kd::cli {

class ProgressView;

// Tries each setting on settings.portPath until the reader answers a handshake.
// Returns the exit code: 0 found, 3 the port cannot be opened, 4 no setting answered.
// A stop signal in stop ends the search before its next try.
// Each try is shown on progress (may be null).
int RunProbe(const SerialSettings& settings, bool json, std::FILE* out, std::FILE* err,
             const std::atomic<int>* stop = nullptr, ProgressView* progress = nullptr);

}  // namespace kd::cli
