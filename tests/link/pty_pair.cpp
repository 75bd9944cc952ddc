#include "tests/link/pty_pair.h"

#include <poll.h>

namespace kd::test {

std::vector<uint8_t> PtyPair::Receive(int quietMs) const {
    std::vector<uint8_t> bytes;
    uint8_t piece[256];
    for (;;) {
        pollfd pfd{masterFd.Get(), POLLIN, 0};
        if (::poll(&pfd, 1, quietMs) <= 0 || (pfd.revents & POLLIN) == 0) {
            return bytes;
        }
        const ssize_t n = ::read(masterFd.Get(), piece, sizeof(piece));
        if (n <= 0) {
            return bytes;
        }
        bytes.insert(bytes.end(), piece, piece + n);
    }
}

}  // namespace kd::test
