#pragma once

#include <termios.h>

#include "link/serial_settings.h"

namespace kd {

// Raw mode with the line settings of the channel, and no hang-up on close, so closing
// leaves the modem lines (DTR) as they are. Settings the texts do not name, byte sizes
// the port has no code for and baud rates without a speed code keep what tio held; the
// channel sets those rates by number.
void ApplyLineSettings(termios& tio, const SerialSettings& settings);

// The termios speed code of a baud rate, or B0 when there is none.
speed_t SpeedCode(uint32_t baudRate);

}  // namespace kd
