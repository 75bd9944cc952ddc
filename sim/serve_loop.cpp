#include "sim/serve_loop.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
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

}  // namespace

ServeEnd Serve(int fd, ReaderModel& model, FrameLog& log, const LinePace& pace,
               const AnswerLine& answerOn, const sigset_t& waitMask,
               const volatile sig_atomic_t& stop) {
    std::array<uint8_t, 4096> chunk{};
    ReceiveClock receiveClock(pace);
    std::minstd_rand random(static_cast<uint32_t>(std::random_device{}()));
    while (!stop) {
        pollfd pfd{fd, POLLIN, 0};
        const int ready = ::ppoll(&pfd, 1, nullptr, &waitMask);
        if (ready < 0) {
            if (errno == EINTR) {
                continue;
            }
            log.Event(std::string("waiting for the line failed: ") + std::strerror(errno));
            return ServeEnd::PortFailed;
        }
        if ((pfd.revents & POLLIN) == 0) {
            if ((pfd.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) {
                log.Event("the line hung up");
                return ServeEnd::PortFailed;
            }
            continue;
        }
        const ssize_t n = ::read(fd, chunk.data(), chunk.size());
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            continue;
        }
        if (n <= 0) {
            log.Event(n == 0 ? std::string("the line hung up")
                             : std::string("reading the line failed: ") + std::strerror(errno));
            return ServeEnd::PortFailed;
        }
        if (const std::string refused = RefusedLine(fd, answerOn); !refused.empty()) {
            log.Event("ignored " + std::to_string(n) + " bytes that came at " + refused);
            SendNoise(fd, answerOn.noise, random, log, waitMask, stop);
            continue;
        }
        if (pace.Paced()) {
            SleepUntil(receiveClock.Took(static_cast<size_t>(n)), waitMask, stop);
        }
        const std::vector<Emission> replies =
            model.Receive(std::span<const uint8_t>(chunk.data(), static_cast<size_t>(n)));
        if (!SendReplies(fd, replies, pace, log, waitMask, stop)) {
            return ServeEnd::PortFailed;
        }
    }
    return ServeEnd::Stopped;
}

}  // namespace kd::sim
