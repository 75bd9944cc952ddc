#pragma once

#include <cstdint>
#include <string>

#include "link/posix/unique_fd.h"

namespace kd::sim {

// The simulator's end of the line: non-blocking, raw.
struct Port {
    UniqueFd fd;
    // A pseudo-terminal's other side, held open so that the tool closing it does not
    // hang up the line between its sessions.
    UniqueFd keepOpen;
    std::string path;  // where the tool opens the line
};

bool OpenPseudoTerminal(Port& port, std::string& error);
bool OpenSerialDevice(const std::string& path, uint32_t baud, Port& port, std::string& error);

}  // namespace kd::sim
