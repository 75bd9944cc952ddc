#pragma once

#include <termios.h>

#include "link/serial_settings.h"

namespace kd {

// Raw mode with the line settings of the channel. Settings the texts do not name, and
// baud rates or byte sizes the port has no code for, keep what tio held.
void ApplyLineSettings(termios& tio, const SerialSettings& settings);

// The termios speed code of a baud rate, or B0 when there is none.
speed_t SpeedCode(uint32_t baudRate);

}  // namespace kd
