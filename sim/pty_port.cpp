#include "sim/pty_port.h"

#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>

#include <array>
#include <cerrno>
#include <cstring>

#include "link/posix/termios_setup.h"

namespace kd::sim {

namespace {

std::string Describe(const std::string& what, int code) {
    return what + ": " + std::strerror(code);
}

// Raw bytes both ways: no echo, no line editing, no translation, no flow control.
bool MakeRaw(int fd, speed_t speed) {
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0) {
        return false;
    }
    ::cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    tio.c_iflag &= ~(IXON | IXOFF | IXANY);
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;
    if (speed != B0) {
        ::cfsetispeed(&tio, speed);
        ::cfsetospeed(&tio, speed);
    }
    return ::tcsetattr(fd, TCSANOW, &tio) == 0;
}

}  // namespace

bool OpenPseudoTerminal(Port& port, std::string& error) {
    UniqueFd master(::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC));
    if (!master.Valid()) {
        error = Describe("cannot open a pseudo-terminal", errno);
        return false;
    }
    std::array<char, 128> name{};
    if (::grantpt(master.Get()) != 0 || ::unlockpt(master.Get()) != 0 ||
        ::ptsname_r(master.Get(), name.data(), name.size()) != 0) {
        error = Describe("cannot prepare the pseudo-terminal", errno);
        return false;
    }
    UniqueFd slave(::open(name.data(), O_RDWR | O_NOCTTY | O_CLOEXEC));
    if (!slave.Valid()) {
        error = Describe("cannot open " + std::string(name.data()), errno);
        return false;
    }
    // Settings live on the terminal, not on a descriptor: the tool finds them raw too.
    if (!MakeRaw(slave.Get(), B0)) {
        error = Describe("cannot set " + std::string(name.data()) + " to raw mode", errno);
        return false;
    }
    const int flags = ::fcntl(master.Get(), F_GETFL);
    if (flags < 0 || ::fcntl(master.Get(), F_SETFL, flags | O_NONBLOCK) != 0) {
        error = Describe("cannot make the pseudo-terminal non-blocking", errno);
        return false;
    }
    port.fd = std::move(master);
    port.keepOpen = std::move(slave);
    port.path = name.data();
    return true;
}

bool OpenSerialDevice(const std::string& path, uint32_t baud, Port& port, std::string& error) {
    const speed_t speed = SpeedCode(baud);
    if (speed == B0) {
        error = "unsupported line speed " + std::to_string(baud);
        return false;
    }
    UniqueFd fd(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (!fd.Valid()) {
        error = Describe("cannot open " + path, errno);
        return false;
    }
    if (!MakeRaw(fd.Get(), speed)) {
        error = Describe("cannot set " + path + " to raw mode", errno);
        return false;
    }
    ::tcflush(fd.Get(), TCIOFLUSH);
    port.fd = std::move(fd);
    port.keepOpen.Reset();
    port.path = path;
    return true;
}

}  // namespace kd::sim
