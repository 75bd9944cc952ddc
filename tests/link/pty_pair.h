#pragma once

#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "link/posix/unique_fd.h"

namespace kd::test {

// A pseudo-terminal pair: the test plays the reader on the master side, the channel
// opens the slave by its path.
struct PtyPair {
    PtyPair() {
        int master = -1;
        int slave = -1;
        char name[256] = {};
        if (::openpty(&master, &slave, name, nullptr, nullptr) == 0) {
            masterFd.Reset(master);
            // Raw on the master side too, so bytes pass through unchanged.
            termios tio{};
            ::tcgetattr(slave, &tio);
            ::cfmakeraw(&tio);
            ::tcsetattr(slave, TCSANOW, &tio);
            ::close(slave);
            slavePath = name;
        }
    }

    void Send(const std::vector<uint8_t>& bytes) const {
        size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(masterFd.Get(), bytes.data() + done, bytes.size() - done);
            if (n <= 0) {
                return;
            }
            done += static_cast<size_t>(n);
        }
    }

    // Whatever the channel wrote, collected until the line stays quiet for quietMs.
    std::vector<uint8_t> Receive(int quietMs = 100) const;

    UniqueFd masterFd;
    std::string slavePath;
};

}  // namespace kd::test
