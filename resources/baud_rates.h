#pragma once

namespace kd::resources {

// The main window's line speed list, in its order. kdcfg probe tries the same rates.
inline constexpr const char* kWindowBaudRates[] = {"110",  "300",   "1200",  "2400",  "4800",
                                                   "9600", "19200", "38400", "57600", "115200"};

}  // namespace kd::resources
