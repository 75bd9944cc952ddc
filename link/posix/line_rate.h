#pragma once

#include <cstdint>
#include <optional>

namespace kd {

// Line speeds by number, for rates without a termios code (14400, 250000, ...). Kept apart
// from termios.h, whose structure clashes with the kernel's own.

// Asks the driver for baud bits per second in both directions. False, with errno set, when
// the driver refused the request outright; a driver may also round or ignore it, so read
// the rate back.
bool SetLineRate(int fd, uint32_t baud);

// The output rate the driver reports, or nothing when it cannot be read.
std::optional<uint32_t> LineRate(int fd);

// Whether a line running at actual serves a request for asked: within 2 %, the most two
// ends of a line can differ and still agree on every byte.
bool RateServes(uint32_t asked, uint32_t actual);

}  // namespace kd
