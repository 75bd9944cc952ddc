// The kernel's termios2 carries the speed as a number. Its header must not meet the C
// library's termios.h in one file.
#include "link/posix/line_rate.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

#include <cstdlib>

namespace kd {

bool SetLineRate(int fd, uint32_t baud) {
    termios2 tio{};
    if (::ioctl(fd, TCGETS2, &tio) != 0) {
        return false;
    }
    // BOTHER in both speed fields: the numbers below are the rates, in and out.
    tio.c_cflag &= ~(CBAUD | (CBAUD << IBSHIFT));
    tio.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
    tio.c_ispeed = baud;
    tio.c_ospeed = baud;
    return ::ioctl(fd, TCSETS2, &tio) == 0;
}

std::optional<uint32_t> LineRate(int fd) {
    termios2 tio{};
    if (::ioctl(fd, TCGETS2, &tio) != 0) {
        return std::nullopt;
    }
    return tio.c_ospeed;
}

bool RateServes(uint32_t asked, uint32_t actual) {
    const uint64_t difference = asked > actual ? asked - actual : actual - asked;
    return asked != 0 && difference * 50 <= asked;
}

}  // namespace kd
