#pragma once

#include <windows.h>

#include <string>

#include "link/serial_settings.h"

namespace kd {

// The port's time-outs: the designed read time-outs and the line's write budget.
COMMTIMEOUTS PortTimeouts(const LineTimeouts& timeouts);

// Time-outs for one read that ends after totalMs at most (and 50 ms after a byte). A
// total of 0 takes only what has already arrived.
COMMTIMEOUTS SingleReadTimeouts(const LineTimeouts& timeouts, DWORD totalMs);

// Configures an open port: events, queues, time-outs and the line settings, then empties
// both queues. False with the reason in why when the handle is no serial port or the
// driver refused the line settings.
bool ConfigurePort(HANDLE port, const SerialSettings& settings, const LineTimeouts& timeouts,
                   std::string& why);

// The system's text for an error code, with the code.
std::string SystemMessage(DWORD error);

}  // namespace kd
