#include "protocol/exchange.h"

#include <algorithm>
#include <array>
#include <optional>

#include "protocol/frame.h"

namespace kd {

namespace {

using Clock = Channel::Clock;

// The designed pause that ends a read; channels on slow lines take a longer one.
constexpr uint32_t kDesignedIntervalMs = 50;

uint32_t MsUntil(Clock::time_point now, Clock::time_point end) {
    if (now >= end) {
        return 0;
    }
    return static_cast<uint32_t>(std::chrono::ceil<std::chrono::milliseconds>(end - now).count());
}

// How far the frame at the front of what arrived has come.
enum class Progress {
    Incomplete,  // header or payload still owed
    Judgeable,   // header and payload in, the check byte still owed
    Complete,
};

Progress Assess(std::span<const uint8_t> received, size_t leastBytes) {
    const auto length = AnnouncedPayloadLength(received);
    if (!length) {
        return Progress::Incomplete;
    }
    const size_t body = kReplyHeaderSize + *length;
    if (received.size() > body) {
        return Progress::Complete;
    }
    return received.size() == body && body >= leastBytes ? Progress::Judgeable
                                                         : Progress::Incomplete;
}

// A reply that gives a key's value names the key. One that names another key, or none,
// answered an earlier request. A refusal carries no name and is taken as it is.
bool Foreign(std::span<const uint8_t> body, const ReplyRule& rule) {
    if (rule.keyName.empty() || body[kReplyStatusOffset] != 0) {
        return false;
    }
    const auto record = ParseKeyRecord(body.subspan(kReplyHeaderSize));
    return !record || record->name != rule.keyName;
}

// Reads one reply into a buffer, dropping frames that belong to other requests.
class ReplyReader {
  public:
    ReplyReader(Channel& channel, std::span<uint8_t> buffer, const ReplyRule& rule)
        : channel_(channel), buffer_(buffer), rule_(rule) {}

    size_t Run(Clock::time_point sent) {
        bool quiet = false;  // the last read ended because the line went quiet
        // Each read brings a byte or spends time, so this bounds only a clock that stands.
        for (size_t reads = 0; received_ < buffer_.size() && reads <= 2 * buffer_.size(); ++reads) {
            DropForeignFrames();
            const Progress progress = Assess(Received(), rule_.leastBytes);
            if (progress == Progress::Complete) {
                break;
            }
            // A read that ended short found the line quiet for the interval: the reply
            // has ended, unless its header announced more, which is waited for within
            // the reply time-out. A reply that can be judged gets only the interval for
            // its check byte.
            const bool announced = AnnouncedPayloadLength(Received()).has_value();
            if (quiet && received_ > 0 && !(announced && progress == Progress::Incomplete)) {
                break;
            }
            const uint32_t budget = MsUntil(channel_.Now(), sent + Budget());
            uint32_t wait = std::min(budget, SilenceLeft(sent));
            // A read cut short by the silence says nothing of the line going quiet.
            const bool silenceCut = wait < budget;
            if (progress == Progress::Judgeable) {
                wait = std::min(wait, channel_.IntervalMs());
            }
            if (wait == 0) {
                break;
            }
            const auto room = static_cast<int32_t>(std::min(
                {buffer_.size() - received_, static_cast<size_t>(Channel::kReadChunk), Owed()}));
            const int32_t got = channel_.Read(buffer_.data() + received_, room, wait);
            if (got < 0 || (got == 0 && received_ > 0)) {
                break;
            }
            received_ += static_cast<size_t>(std::min(got, room));
            quiet = got < room && !silenceCut;
        }
        return received_;
    }

  private:
    std::span<const uint8_t> Received() const { return buffer_.first(received_); }

    // What is left of the rule's silence while nothing has come; no bound otherwise.
    uint32_t SilenceLeft(Clock::time_point sent) const {
        if (rule_.silenceMs == 0 || received_ > 0) {
            return UINT32_MAX;
        }
        return MsUntil(channel_.Now(), sent + std::chrono::milliseconds(rule_.silenceMs));
    }

    // The reply time-out; on a line slower than the designed interval allows (its
    // interval is then twice a byte's time), each byte of the reply adds that interval,
    // so that a whole reply fits at 110 baud.
    std::chrono::milliseconds Budget() const {
        const uint32_t interval = channel_.IntervalMs();
        if (interval <= kDesignedIntervalMs) {
            return std::chrono::milliseconds(kReplyTimeoutMs);
        }
        const auto length = AnnouncedPayloadLength(Received());
        const size_t frame = length ? kReplyHeaderSize + *length + 1 : kReplyHeaderSize;
        return std::chrono::milliseconds(kReplyTimeoutMs + frame * interval);
    }

    // The bytes the frame at the front still owes, header first, when reads are paced
    // to the line; the designed reads take whatever fits.
    size_t Owed() const {
        if (channel_.ReplyPacing() == Channel::Pacing::Designed) {
            return buffer_.size();
        }
        const auto length = AnnouncedPayloadLength(Received());
        const size_t frame = length ? kReplyHeaderSize + *length + 1 : kReplyHeaderSize;
        return frame > received_ ? frame - received_ : 1;
    }

    void DropForeignFrames() {
        while (true) {
            if (pendingCheck_ && received_ > 0) {
                // A dropped frame's check byte, when the reader sent one.
                Drop(buffer_[0] == *pendingCheck_ ? 1 : 0);
                pendingCheck_.reset();
            }
            const auto length = AnnouncedPayloadLength(Received());
            if (!length || received_ < kReplyHeaderSize + *length) {
                return;
            }
            const size_t body = kReplyHeaderSize + *length;
            if (!Foreign(Received().first(body), rule_)) {
                return;
            }
            pendingCheck_ = CheckByte(Received().first(body));
            Drop(body);
        }
    }

    void Drop(size_t count) {
        std::copy(buffer_.begin() + static_cast<std::ptrdiff_t>(count),
                  buffer_.begin() + static_cast<std::ptrdiff_t>(received_), buffer_.begin());
        received_ -= count;
        std::fill(buffer_.begin() + static_cast<std::ptrdiff_t>(received_), buffer_.end(),
                  uint8_t{0});
    }

    Channel& channel_;
    std::span<uint8_t> buffer_;
    const ReplyRule& rule_;
    size_t received_ = 0;
    std::optional<uint8_t> pendingCheck_;
};

// Reads and drops whatever the line brings until it has been quiet for quietMs; a line
// that never goes quiet is given up on after two reply time-outs.
void LetLateReplyPass(Channel& channel, uint32_t quietMs) {
    const auto giveUp = channel.Now() + std::chrono::milliseconds(2 * kReplyTimeoutMs);
    auto quietSince = channel.Now();
    std::array<uint8_t, Channel::kReadChunk> scratch{};
    for (size_t reads = 0; reads <= 2 * kMaxFrameSize; ++reads) {
        const auto now = channel.Now();
        const uint32_t left = MsUntil(now, quietSince + std::chrono::milliseconds(quietMs));
        if (left == 0 || now >= giveUp) {
            break;
        }
        const int32_t got =
            channel.Read(scratch.data(), static_cast<int32_t>(scratch.size()), left);
        if (got < 0) {
            break;
        }
        if (got > 0) {
            quietSince = channel.Now();
        }
    }
}

}  // namespace

bool SendRequest(Channel& channel, std::span<const uint8_t> frame, ReplyKind kind) {
    if (channel.ReplyMissed()) {
        // A late reply to a key read is told apart by its name, so the interval is
        // enough; one that carries no name must have passed before the request goes.
        LetLateReplyPass(channel,
                         kind == ReplyKind::Named ? channel.IntervalMs() : kReplyTimeoutMs);
        channel.SetReplyMissed(false);
    }
    channel.DiscardInput();
    return channel.Write(frame.data(), static_cast<int32_t>(frame.size())) > 0;
}

std::span<const uint8_t> ReceiveReply(Channel& channel, std::span<uint8_t> buffer,
                                      const ReplyRule& rule, Clock::time_point sent) {
    std::fill(buffer.begin(), buffer.end(), uint8_t{0});
    ReplyReader reader(channel, buffer, rule);
    const size_t received = reader.Run(sent);
    const auto reply = buffer.first(received);
    // A reply that did not come whole may still be on its way.
    channel.SetReplyMissed(Assess(reply, 0) == Progress::Incomplete);
    return reply;
}

std::span<const uint8_t> ReceiveReply(Channel& channel, std::span<uint8_t> buffer) {
    return ReceiveReply(channel, buffer, ReplyRule{}, channel.Now());
}

ExchangeOutcome ExchangeFrame(Channel& channel, std::span<const uint8_t> frame,
                              const ReplyRule& rule, std::span<uint8_t> reply,
                              std::span<const uint8_t>& received) {
    const ReplyKind kind = rule.keyName.empty() ? ReplyKind::Nameless : ReplyKind::Named;
    if (frame.empty() || !SendRequest(channel, frame, kind)) {
        return ExchangeOutcome::WriteFailed;
    }
    if (rule.silenceMs != 0) {
        // The silence counts from the request's end, which takes long on a slow line.
        channel.WaitUntilSent();
    }
    received = ReceiveReply(channel, reply, rule, channel.Now());
    if (received.empty()) {
        return ExchangeOutcome::NoReply;
    }
    switch (JudgeReply(received, rule.leastBytes)) {
        case ReplyVerdict::Short:
            return ExchangeOutcome::Short;
        case ReplyVerdict::Refused:
            return ExchangeOutcome::Refused;
        case ReplyVerdict::Accepted:
            break;
    }
    return ExchangeOutcome::Accepted;
}

}  // namespace kd
