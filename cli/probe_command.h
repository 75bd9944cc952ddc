#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "link/serial_settings.h"

namespace CLI {
class App;
}

namespace kd::cli {

// One line setting tried by probe.
struct ProbeTry {
    uint32_t baudRate = 9600;
    uint8_t dataBits = 8;
    std::string parity = "NONE";
    std::string stopBits = "1";
};

// Every setting probe tries, in order: the window's rates, 9600 and 115200 first, at
// 8N1, then the same rates at 8E1, 8O1, 8N2, 7E1 and 7O1.
std::vector<ProbeTry> ProbeOrder();

// Adds the probe command.
void AddProbeCommand(CLI::App& app);

// Tries each setting on settings.portPath until the reader answers a handshake.
// Returns the exit code: 0 found, 3 the port cannot be opened, 4 no setting answered.
int RunProbe(const SerialSettings& settings, bool json, std::FILE* out, std::FILE* err);

}  // namespace kd::cli
