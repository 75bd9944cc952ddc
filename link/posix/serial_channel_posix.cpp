// The serial channel over termios, with the read and write timing of the Windows driver
// settings the tool uses: a read ends when its bytes are in, an interval after its last
// byte (50 ms, longer on slow lines), or after 10 ms x 65 + 1000 ms (or the caller's
// shorter time-out); each 64-byte write chunk has its per-byte budget + 1000 ms.
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <optional>
#include <thread>

#include "link/chunked_write.h"
#include "link/posix/deadline.h"
#include "link/posix/line_rate.h"
#include "link/posix/termios_setup.h"
#include "link/posix/unique_fd.h"
#include "link/serial_channel.h"
#include "text/escape.h"

namespace kd {

namespace {

using std::chrono::milliseconds;

constexpr int32_t kPortGone = -3;
// A line that keeps bringing bytes is given up on after this when drained at opening.
constexpr int kDrainBoundMs = 2000;
constexpr int64_t kDrainQuietMs = 10;

// What the port held before we configured it, put back when we let go of it. HUPCL stays
// clear, so that letting go does not drop DTR either.
struct PreviousLine {
    termios settings{};
    std::optional<uint32_t> rate;
};

// Lets what is queued for sending leave at the line's speed, within its write budget: a
// drain without a bound could hang on a line that flow control holds.
void WaitForOutput(int fd, const LineTimeouts& timeouts) {
    int queued = 0;
    if (::ioctl(fd, TIOCOUTQ, &queued) != 0 || queued <= 0) {
        return;
    }
    const Deadline deadline(milliseconds(timeouts.WriteTotalMs(static_cast<uint32_t>(queued))));
    while (::ioctl(fd, TIOCOUTQ, &queued) == 0 && queued > 0 && !deadline.Expired()) {
        ::poll(nullptr, 0, 5);
    }
}

void RestoreLine(int fd, const PreviousLine& previous) {
    termios settings = previous.settings;
    settings.c_cflag &= ~HUPCL;
    ::tcsetattr(fd, TCSANOW, &settings);
    // A rate without a speed code does not come back through tcsetattr.
    if (previous.rate && LineRate(fd) != previous.rate) {
        SetLineRate(fd, *previous.rate);
    }
}

class PosixSerialChannel final : public Channel {
  public:
    PosixSerialChannel(UniqueFd fd, const PreviousLine& previous, const LineTimeouts& timeouts)
        : fd_(std::move(fd)), previous_(previous), timeouts_(timeouts) {}
    ~PosixSerialChannel() override { Close(); }

    int32_t Read(uint8_t* buffer, int32_t capacity, uint32_t timeoutMs) override {
        if (!fd_.Valid() || capacity <= 0) {
            return fd_.Valid() ? 0 : kPortGone;
        }
        const size_t want = static_cast<size_t>(std::min(capacity, kReadChunk));
        const uint32_t totalMs = std::min(timeouts_.ReadTotalMs(kReadChunk), timeoutMs);
        const Deadline total(milliseconds{totalMs});
        size_t got = 0;
        while (got < want) {
            // Before the first byte only the total time-out runs; after it, the interval
            // too. A wait of 0 still takes what has already arrived.
            int wait = total.RemainingMs();
            if (got > 0) {
                wait = std::min(wait, static_cast<int>(timeouts_.readIntervalMs));
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
            if (total.Expired()) {
                break;
            }
        }
        return static_cast<int32_t>(got);
    }

    int32_t Write(const uint8_t* bytes, int32_t count) override {
        if (count > 0 && !fd_.Valid()) {
            return -1;
        }
        if (count > 0) {
            // The bytes cannot have left before their line time, whatever the driver's
            // queue says: a pseudo-terminal or an adapter's FIFO empties sooner.
            lineFreeAt_ = std::max(lineFreeAt_, Clock::now()) + ByteTime() * count;
        }
        return WriteInChunks(bytes, count, [this](const uint8_t* chunk, int32_t size) {
            return WriteChunk(chunk, static_cast<size_t>(size));
        });
    }

    void WaitUntilSent() override {
        if (fd_.Valid()) {
            WaitForOutput(fd_.Get(), timeouts_);
            std::this_thread::sleep_until(lineFreeAt_);
        }
    }

    void DiscardInput() override {
        if (fd_.Valid()) {
            ::tcflush(fd_.Get(), TCIFLUSH);
        }
    }

    uint32_t IntervalMs() const override { return timeouts_.readIntervalMs; }
    std::chrono::microseconds ByteTime() const override {
        return std::chrono::microseconds(timeouts_.byteTimeUs);
    }

    // Drops what is still coming in from before the port was opened, such as the rest of
    // a reply to a program stopped mid-exchange: reads until the line has been quiet for
    // two byte times (at least kDrainQuietMs), within a bound for a line that never goes
    // quiet. A reply that begins later is told apart by its command.
    void DrainStaleInput() {
        const Deadline bound{milliseconds(kDrainBoundMs)};
        const auto quiet = static_cast<uint32_t>(std::max<int64_t>(
            kDrainQuietMs, std::chrono::ceil<milliseconds>(2 * ByteTime()).count()));
        std::array<uint8_t, kReadChunk> scratch{};
        while (!bound.Expired() && Read(scratch.data(), kReadChunk, quiet) > 0) {
        }
    }

    void Close() override {
        if (fd_.Valid()) {
            // The last request leaves at the speed it was meant for.
            WaitForOutput(fd_.Get(), timeouts_);
            RestoreLine(fd_.Get(), previous_);
            fd_.Reset();
        }
    }

  private:
    // A chunk the port takes only in part before the write time-out is a failure.
    bool WriteChunk(const uint8_t* bytes, size_t size) {
        const Deadline deadline(milliseconds(timeouts_.WriteTotalMs(static_cast<uint32_t>(size))));
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
    PreviousLine previous_;
    LineTimeouts timeouts_;
    Clock::time_point lineFreeAt_{};
};

std::string Failure(const std::string& path, const std::string& what) {
    return "cannot open serial port " + text::EscapeSystemText(path) + ": " + what;
}

std::string Failure(const std::string& path, const std::string& what, int error) {
    return Failure(path, what + " (" + std::strerror(error) + ")");
}

// Puts the line settings on an open terminal. False with the reason in why when the
// driver refused them, the speed included: a port left at its old speed would talk
// to the reader in noise while seeming to work.
bool ConfigureLine(int fd, const SerialSettings& settings, std::string& why) {
    const std::string rate = std::to_string(settings.baudRate) + " baud";
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0) {
        why = std::string("cannot read its settings (") + std::strerror(errno) + ")";
        return false;
    }
    ApplyLineSettings(tio, settings);
    if (::tcsetattr(fd, TCSANOW, &tio) != 0) {
        why = std::string("the driver refused the line settings (") + std::strerror(errno) + ")";
        return false;
    }
    if (SpeedCode(settings.baudRate) == B0 && !SetLineRate(fd, settings.baudRate)) {
        why = "the driver refused " + rate + " (" + std::strerror(errno) + ")";
        return false;
    }
    const std::optional<uint32_t> actual = LineRate(fd);
    if (actual && !RateServes(settings.baudRate, *actual)) {
        why = "the driver refused " + rate + " (it runs at " + std::to_string(*actual) + ")";
        return false;
    }
    return true;
}

}  // namespace

std::unique_ptr<Channel> OpenSerialChannel(const SerialSettings& settings, std::string& error) {
    if (settings.baudRate == 0) {
        error = Failure(settings.portPath, "0 baud is not a line speed");
        return nullptr;
    }
    UniqueFd fd(::open(settings.portPath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (!fd.Valid()) {
        const int code = errno;
        error = Failure(settings.portPath,
                        code == EBUSY ? "it is in use by another program" : "open failed", code);
        return nullptr;
    }
    // A file, a pipe or /dev/zero would take a request and answer nonsense.
    PreviousLine previous;
    if (!::isatty(fd.Get()) || ::tcgetattr(fd.Get(), &previous.settings) != 0) {
        error = Failure(settings.portPath, "it is not a serial port");
        return nullptr;
    }
    // flock keeps out every program that locks too, root included, and ends with the
    // process however it ends. TIOCEXCL is not used: a killed process would leave it set
    // on the terminal, locking out every later user until the device is reopened.
    if (::flock(fd.Get(), LOCK_EX | LOCK_NB) != 0) {
        const int code = errno;
        error =
            Failure(settings.portPath,
                    code == EWOULDBLOCK ? "it is in use by another program" : "lock failed", code);
        return nullptr;
    }
    previous.rate = LineRate(fd.Get());
    std::string why;
    if (!ConfigureLine(fd.Get(), settings, why)) {
        RestoreLine(fd.Get(), previous);
        error = Failure(settings.portPath, why);
        return nullptr;
    }
    ::tcflush(fd.Get(), TCIOFLUSH);
    auto channel =
        std::make_unique<PosixSerialChannel>(std::move(fd), previous, TimeoutsForLine(settings));
    channel->DrainStaleInput();
    return channel;
}

}  // namespace kd
