#include "sim/serve_loop.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <optional>
#include <random>
#include <string>

#include "link/posix/deadline.h"

namespace kd::sim {

namespace {

// A line nobody reads takes no more bytes after a while; they are then lost, as on a
// real wire, instead of stalling the reader.
constexpr int kWriteStallMs = 1000;

timespec Span(int ms) {
    return {ms / 1000, static_cast<long>(ms % 1000) * 1000000L};
}

// Sleeps ms, waking early for a stop request.
void Pause(unsigned ms, const sigset_t& waitMask, const volatile sig_atomic_t& stop) {
    const Deadline deadline{std::chrono::milliseconds(ms)};
    while (!stop) {
        const int left = deadline.RemainingMs();
        if (left <= 0) {
            return;
        }
        const timespec wait = Span(left);
        ::ppoll(nullptr, 0, &wait, &waitMask);
    }
}

enum class SendResult { Sent, Stalled, Failed };

SendResult SendAll(int fd, const std::vector<uint8_t>& bytes, size_t& sent,
                   const sigset_t& waitMask, const volatile sig_atomic_t& stop) {
    sent = 0;
    const Deadline deadline{std::chrono::milliseconds(kWriteStallMs)};
    while (sent < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + sent, bytes.size() - sent);
        if (n > 0) {
            sent += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR) {
            return SendResult::Failed;
        }
        const int left = deadline.RemainingMs();
        if (left <= 0 || stop) {
            return SendResult::Stalled;
        }
        pollfd pfd{fd, POLLOUT, 0};
        const timespec wait = Span(left);
        ::ppoll(&pfd, 1, &wait, &waitMask);
    }
    return SendResult::Sent;
}

// Sends the bytes at the line's rate, a millisecond's worth at a time, on a schedule
// kept from the first byte so that sleeping late does not add up.
SendResult SendPaced(int fd, const std::vector<uint8_t>& bytes, const LinePace& pace, size_t& sent,
                     const sigset_t& waitMask, const volatile sig_atomic_t& stop) {
    if (!pace.Paced()) {
        return SendAll(fd, bytes, sent, waitMask, stop);
    }
    const auto byteTime = pace.ByteTime();
    const size_t piece = std::max<size_t>(1, std::chrono::milliseconds(1) / byteTime);
    const SteadyTime start = std::chrono::steady_clock::now();
    sent = 0;
    while (sent < bytes.size() && !stop) {
        // A byte is handed over once its last bit would be on the line, never before.
        const size_t count = std::min(piece, bytes.size() - sent);
        SleepUntil(start + byteTime * static_cast<int64_t>(sent + count), waitMask, stop);
        const std::vector<uint8_t> part(bytes.begin() + static_cast<std::ptrdiff_t>(sent),
                                        bytes.begin() + static_cast<std::ptrdiff_t>(sent + count));
        size_t partSent = 0;
        const SendResult result = SendAll(fd, part, partSent, waitMask, stop);
        sent += partSent;
        if (result != SendResult::Sent) {
            return result;
        }
    }
    return SendResult::Sent;
}

// What a line at another speed makes of a reply, sent back at once.
void SendNoise(int fd, WrongLineNoise noise, std::minstd_rand& random, FrameLog& log,
               const sigset_t& waitMask, const volatile sig_atomic_t& stop) {
    if (noise == WrongLineNoise::None) {
        return;
    }
    std::vector<uint8_t> bytes(kWrongLineNoiseBytes, noise == WrongLineNoise::Ones ? 0xFF : 0x00);
    if (noise == WrongLineNoise::Random) {
        for (uint8_t& byte : bytes) {
            byte = static_cast<uint8_t>(random() & 0xFF);
        }
    }
    size_t sent = 0;
    SendAll(fd, bytes, sent, waitMask, stop);
    log.Event("answered with " + std::to_string(sent) + " noise bytes (fault)");
}

// Sends the model's replies, each after its delay; false when the line failed.
bool SendReplies(int fd, const std::vector<Emission>& replies, const LinePace& pace, FrameLog& log,
                 const sigset_t& waitMask, const volatile sig_atomic_t& stop) {
    bool first = true;
    for (const Emission& emission : replies) {
        Pause(emission.delayMs + (first && pace.Paced() ? pace.turnaroundMs : 0), waitMask, stop);
        first = false;
        if (stop) {
            break;
        }
        size_t sent = 0;
        const SendResult result = SendPaced(fd, emission.bytes, pace, sent, waitMask, stop);
        if (result == SendResult::Failed) {
            log.Event(std::string("writing the line failed: ") + std::strerror(errno));
            return false;
        }
        if (result == SendResult::Stalled) {
            log.Event("nobody reads the line: " + std::to_string(emission.bytes.size() - sent) +
                      " bytes not sent");
        }
    }
    return true;
}

// Sends the read that is due, if any, with the reader's keys as they are now; false when
// the line failed. Called only between replies, so a read never splits one.
bool SendDueRead(int fd, const ReaderModel& model, ScanFeed& scans, const LinePace& pace,
                 FrameLog& log, const sigset_t& waitMask, const volatile sig_atomic_t& stop) {
    const std::optional<Scan> scan = scans.Due(std::chrono::steady_clock::now());
    if (!scan) {
        return true;
    }
    const std::string kind = scan->kind == catalogue::ReadKind::Code ? "code" : "card";
    std::string why;
    const std::optional<std::string> read = ReadForLine(model.Keys(), *scan, why);
    if (!read) {
        log.Event(kind + " read not sent: " + why);
        return true;
    }
    const std::vector<uint8_t> bytes(read->begin(), read->end());
    size_t sent = 0;
    const SendResult result = SendPaced(fd, bytes, pace, sent, waitMask, stop);
    if (result == SendResult::Failed) {
        log.Event(std::string("writing the line failed: ") + std::strerror(errno));
        return false;
    }
    std::string hex;
    AppendHex(hex, bytes);
    log.Event("sent a " + kind + " read: " + hex +
              (sent < bytes.size() ? " (" + std::to_string(bytes.size() - sent) + " not sent)"
                                   : std::string()));
    return true;
}

// Takes what came on the line and answers it. Stopped when the line failed or hung up.
class LineServer {
  public:
    LineServer(int fd, ReaderModel& model, FrameLog& log, const LinePace& pace,
               const AnswerLine& answerOn, const sigset_t& waitMask,
               const volatile sig_atomic_t& stop)
        : fd_(fd),
          model_(model),
          log_(log),
          pace_(pace),
          answerOn_(answerOn),
          waitMask_(waitMask),
          stop_(stop),
          receiveClock_(pace),
          random_(static_cast<uint32_t>(std::random_device{}())) {}

    std::optional<ServeEnd> Take(short revents) {
        if ((revents & POLLIN) == 0) {
            if ((revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) {
                log_.Event("the line hung up");
                return ServeEnd::PortFailed;
            }
            return std::nullopt;
        }
        const ssize_t n = ::read(fd_, chunk_.data(), chunk_.size());
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            return std::nullopt;
        }
        if (n <= 0) {
            log_.Event(n == 0 ? std::string("the line hung up")
                              : std::string("reading the line failed: ") + std::strerror(errno));
            return ServeEnd::PortFailed;
        }
        if (const std::string refused = RefusedLine(fd_, answerOn_); !refused.empty()) {
            log_.Event("ignored " + std::to_string(n) + " bytes that came at " + refused);
            SendNoise(fd_, answerOn_.noise, random_, log_, waitMask_, stop_);
            return std::nullopt;
        }
        if (pace_.Paced()) {
            SleepUntil(receiveClock_.Took(static_cast<size_t>(n)), waitMask_, stop_);
        }
        const std::vector<Emission> replies =
            model_.Receive(std::span<const uint8_t>(chunk_.data(), static_cast<size_t>(n)));
        if (!SendReplies(fd_, replies, pace_, log_, waitMask_, stop_)) {
            return ServeEnd::PortFailed;
        }
        return std::nullopt;
    }

  private:
    int fd_;
    ReaderModel& model_;
    FrameLog& log_;
    const LinePace& pace_;
    const AnswerLine& answerOn_;
    const sigset_t& waitMask_;
    const volatile sig_atomic_t& stop_;
    std::array<uint8_t, 4096> chunk_{};
    ReceiveClock receiveClock_;
    std::minstd_rand random_;
};

}  // namespace

ServeEnd Serve(int fd, ReaderModel& model, FrameLog& log, const LinePace& pace,
               const AnswerLine& answerOn, ScanFeed& scans, const sigset_t& waitMask,
               const volatile sig_atomic_t& stop) {
    LineServer line(fd, model, log, pace, answerOn, waitMask, stop);
    scans.Start(std::chrono::steady_clock::now());
    while (!stop) {
        std::array<pollfd, 2> watched{{{fd, POLLIN, 0}, {scans.FifoToWatch(), POLLIN, 0}}};
        const int dueMs = scans.MsUntilDue(std::chrono::steady_clock::now());
        const timespec wait = Span(std::max(dueMs, 0));
        const int ready =
            ::ppoll(watched.data(), watched.size(), dueMs < 0 ? nullptr : &wait, &waitMask);
        if (ready < 0) {
            if (errno == EINTR) {
                continue;
            }
            log.Event(std::string("waiting for the line failed: ") + std::strerror(errno));
            return ServeEnd::PortFailed;
        }
        if (watched[1].revents != 0) {
            if (const std::string error = scans.TakeFifo(); !error.empty()) {
                log.Event(error);
            }
        }
        if (const std::optional<ServeEnd> end = line.Take(watched[0].revents)) {
            return *end;
        }
        if (!SendDueRead(fd, model, scans, pace, log, waitMask, stop)) {
            return ServeEnd::PortFailed;
        }
    }
    return ServeEnd::Stopped;
}

}  // namespace kd::sim
