#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "link/serial_settings.h"
#include "provision/progress.h"

// The search for the line settings a reader answers on.
namespace kd::provision {

// One line setting tried by the search.
struct ProbeTry {
    uint32_t baudRate = 9600;
    uint8_t dataBits = 8;
    std::string parity = "NONE";
    std::string stopBits = "1";
};

// Every setting the search tries, in order: the window's rates, 9600 and 115200 first,
// at 8N1, then the same rates at 8E1, 8O1, 8N2, 7E1 and 7O1.
std::vector<ProbeTry> ProbeOrder();

// What a search for the reader's line settings came to.
struct ProbeResult {
    std::optional<ProbeTry> found;
    size_t opened = 0;      // settings the driver took
    size_t tried = 0;       // settings tried
    std::string openError;  // why the last setting the driver refused was refused
};

// Tries each setting on settings.portPath until the reader answers a handshake, or
// until stopped() says to give up (checked between tries; may be empty). Tells progress of
// each try.
ProbeResult FindLineSettings(const SerialSettings& settings,
                             const std::function<bool()>& stopped = {},
                             Progress* progress = nullptr);

// The found settings, with the port's other settings.
SerialSettings WithProbed(SerialSettings settings, const ProbeTry& found);

}  // namespace kd::provision
