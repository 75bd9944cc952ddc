// The serial channel over termios, with the read and write timing of the Windows driver
// settings the tool uses: a read ends 50 ms after its last byte or after
// 10 ms x 65 + 1000 ms of silence; each 64-byte write chunk has 10 ms a byte + 1000 ms.
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

#include "link/posix/deadline.h"
#include "link/posix/termios_setup.h"
#include "link/posix/unique_fd.h"
#include "link/serial_channel.h"

namespace kd {

namespace {

using std::chrono::milliseconds;

constexpr int32_t kPortGone = -3;

class PosixSerialChannel final : public Channel {
  public:
    explicit PosixSerialChannel(UniqueFd fd) : fd_(std::move(fd)) {}
    ~PosixSerialChannel() override { Close(); }

    int32_t Read(uint8_t* buffer, int32_t capacity, uint32_t timeoutMs) override {
        if (!fd_.Valid() || capacity <= 0) {
            return fd_.Valid() ? 0 : kPortGone;
        }
        const size_t want = static_cast<size_t>(std::min(capacity, kReadChunk));
        const Deadline total(
            milliseconds(std::min(kLineTimeouts.ReadTotalMs(kReadChunk), timeoutMs)));
        size_t got = 0;
        while (got < want) {
            // Before the first byte only the total time-out runs; after it, the interval.
            int wait = total.RemainingMs();
            if (got > 0) {
                wait = std::min(wait, static_cast<int>(kLineTimeouts.readIntervalMs));
            }
            if (wait <= 0) {
                break;
            }
            pollfd pfd{fd_.Get(), POLLIN, 0};
            const int ready = ::poll(&pfd, 1, wait);
            if (ready < 0) {
                if (errno == EINTR) {
                    continue;
                }
                return kPortGone;
            }
            if (ready == 0) {
                if (got > 0 || total.Expired()) {
                    break;
                }
                continue;
            }
            if ((pfd.revents & POLLIN) == 0) {
                // Hang-up or error with nothing to read: the device is gone.
                return got > 0 ? static_cast<int32_t>(got) : kPortGone;
            }
            const ssize_t n = ::read(fd_.Get(), buffer + got, want - got);
            if (n > 0) {
                got += static_cast<size_t>(n);
            } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
                continue;
            } else {
                // End of file after readiness, or a read error: the device is gone.
                return got > 0 ? static_cast<int32_t>(got) : kPortGone;
            }
        }
        return static_cast<int32_t>(got);
    }

    int32_t Write(const uint8_t* bytes, int32_t count) override {
        if (count <= 0) {
            return count;
        }
        if (!fd_.Valid()) {
            return -1;
        }
        for (int32_t sent = 0; sent < count; sent += kWriteChunk) {
            const int32_t chunk = std::min(kWriteChunk, count - sent);
            if (!WriteChunk(bytes + sent, static_cast<size_t>(chunk))) {
                return -1;
            }
        }
        return count;
    }

    void DiscardInput() override {
        if (fd_.Valid()) {
            ::tcflush(fd_.Get(), TCIFLUSH);
        }
    }

    void Close() override {
        if (fd_.Valid()) {
            ::ioctl(fd_.Get(), TIOCNXCL);
            fd_.Reset();
        }
    }

  private:
    // A chunk the port takes only in part before the write time-out is a failure.
    bool WriteChunk(const uint8_t* bytes, size_t size) {
        const Deadline deadline(
            milliseconds(kLineTimeouts.WriteTotalMs(static_cast<uint32_t>(size))));
        size_t done = 0;
        while (done < size) {
            const ssize_t n = ::write(fd_.Get(), bytes + done, size - done);
            if (n > 0) {
                done += static_cast<size_t>(n);
                continue;
            }
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n < 0 && errno != EAGAIN) {
                return false;
            }
            const int wait = deadline.RemainingMs();
            if (wait <= 0) {
                return false;
            }
            pollfd pfd{fd_.Get(), POLLOUT, 0};
            const int ready = ::poll(&pfd, 1, wait);
            if (ready < 0 && errno != EINTR) {
                return false;
            }
            if (ready > 0 && (pfd.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) {
                return false;
            }
        }
        return true;
    }

    UniqueFd fd_;
};

std::string Describe(const std::string& path, const char* what, int error) {
    return "cannot open serial port " + path + ": " + what + " (" + std::strerror(error) + ")";
}

}  // namespace

std::unique_ptr<Channel> OpenSerialChannel(const SerialSettings& settings, std::string& error) {
    UniqueFd fd(::open(settings.portPath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (!fd.Valid()) {
        const int code = errno;
        error = Describe(settings.portPath,
                         code == EBUSY ? "it is in use by another program" : "open failed", code);
        return nullptr;
    }
    // flock keeps out programs that lock too, root included; TIOCEXCL keeps out the rest
    // (root ignores it).
    if (::flock(fd.Get(), LOCK_EX | LOCK_NB) != 0) {
        const int code = errno;
        error =
            Describe(settings.portPath,
                     code == EWOULDBLOCK ? "it is in use by another program" : "lock failed", code);
        return nullptr;
    }
    ::ioctl(fd.Get(), TIOCEXCL);

    // As on Windows, a port that refuses its settings is still open.
    termios tio{};
    if (::tcgetattr(fd.Get(), &tio) == 0) {
        ApplyLineSettings(tio, settings);
        ::tcsetattr(fd.Get(), TCSANOW, &tio);
    }
    ::tcflush(fd.Get(), TCIOFLUSH);
    return std::make_unique<PosixSerialChannel>(std::move(fd));
}

}  // namespace kd
