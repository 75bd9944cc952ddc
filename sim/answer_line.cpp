#include "sim/answer_line.h"

#include <termios.h>

#include "link/posix/termios_setup.h"

namespace kd::sim {

namespace {

// The speed the line is set to. On a pseudo-terminal the master sees the settings the
// other side made through tcgetattr.
std::optional<uint32_t> LineSpeed(const termios& tio) {
    const speed_t code = ::cfgetispeed(&tio) != B0 ? ::cfgetispeed(&tio) : ::cfgetospeed(&tio);
    for (const uint32_t rate : {110u, 134u, 150u, 300u, 600u, 1200u, 1800u, 2400u, 4800u, 9600u,
                                19200u, 38400u, 57600u, 115200u, 230400u}) {
        if (SpeedCode(rate) == code) {
            return rate;
        }
    }
    return std::nullopt;
}

// ", odd parity, 2 stop bits": the parts given.
std::string FramingText(std::optional<bool> odd, std::optional<int> stopBits) {
    std::string text;
    if (odd) {
        text += *odd ? ", odd parity" : ", parity not odd";
    }
    if (stopBits) {
        text += ", " + std::to_string(*stopBits) + (*stopBits == 1 ? " stop bit" : " stop bits");
    }
    return text;
}

}  // namespace

bool ParseAnswerFraming(std::string_view text, AnswerLine& line) {
    if (text.size() != 3 || text[0] != '8' || (text[1] != 'N' && text[1] != 'O') ||
        (text[2] != '1' && text[2] != '2')) {
        return false;
    }
    line.oddParity = text[1] == 'O';
    line.stopBits = text[2] - '0';
    return true;
}

std::string RefusedLine(int fd, const AnswerLine& line) {
    if (line.Any()) {
        return {};
    }
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0) {
        return "an unknown rate: the line's settings cannot be read";
    }
    const std::optional<uint32_t> rate = LineSpeed(tio);
    const bool odd = (tio.c_cflag & PARODD) != 0;
    const int stopBits = (tio.c_cflag & CSTOPB) != 0 ? 2 : 1;
    const bool matches = (line.rate == 0 || rate == line.rate) &&
                         (!line.oddParity || odd == *line.oddParity) &&
                         (!line.stopBits || stopBits == *line.stopBits);
    if (matches) {
        return {};
    }
    // Only what the reader checks is named, so a speed-only reader logs as before.
    const std::string seen =
        (rate ? std::to_string(*rate) : std::string("an unknown rate")) + " bit/s" +
        FramingText(line.oddParity ? std::optional<bool>(odd) : std::nullopt,
                    line.stopBits ? std::optional<int>(stopBits) : std::nullopt);
    const std::string wanted =
        (line.rate != 0 ? std::to_string(line.rate) + " bit/s" : std::string("any speed")) +
        FramingText(line.oddParity, line.stopBits);
    return seen + "; this reader answers at " + wanted;
}

}  // namespace kd::sim
