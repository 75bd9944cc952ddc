#pragma once

#include <ctime>

namespace kd {

// The calendar time of the PC's own time zone, as the system gives it.
std::tm LocalTime(std::time_t seconds);

}  // namespace kd
