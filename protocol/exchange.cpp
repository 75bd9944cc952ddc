#include "protocol/exchange.h"

#include <algorithm>
#include <array>
#include <optional>

#include "protocol/frame.h"

namespace kd {

namespace {

using Clock = Channel::Clock;

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

// A reply that gives a key's value names the key. One that names another key answered an
// earlier read. A refusal carries no name and is taken as it is, and so is a record that
// does not parse: it is this request's reply, judged short.
bool Foreign(std::span<const uint8_t> body, const ReplyRule& rule) {
    if (rule.keyName.empty() || body[kReplyStatusOffset] != 0) {
        return false;
    }
    const auto record = ParseKeyRecord(body.subspan(kReplyHeaderSize));
    return record && record->name != rule.keyName;
}

// Reads one reply into a buffer, skipping what cannot begin it and dropping frames that
// belong to other requests.
class ReplyReader {
  public:
    ReplyReader(Channel& channel, std::span<uint8_t> buffer, const ReplyHead& head,
                const ReplyRule& rule)
        : channel_(channel), buffer_(buffer), head_(head), rule_(rule) {}

    size_t Run(Clock::time_point sent) {
        bool quiet = false;  // the last read ended because the line went quiet
        // Each read brings a byte or spends time, so this bounds only a clock that stands.
        for (size_t reads = 0; received_ < buffer_.size() && reads <= 4 * buffer_.size(); ++reads) {
            DropForeignFrames();
            const Progress progress = Assess(Received(), rule_.leastBytes);
            if (progress == Progress::Complete || (quiet && progress == Progress::Judgeable)) {
                // A reply that can be judged, and then the interval's quiet: its check
                // byte is not coming.
                break;
            }
            const uint32_t budget = MsUntil(channel_.Now(), sent + Budget());
            uint32_t wait = std::min(budget, SilenceLeft(sent));
            // A read cut short by the silence says nothing of the line going quiet.
            const bool cut = wait < budget;
            if (progress == Progress::Judgeable) {
                wait = std::min(wait, channel_.IntervalMs());
            }
            if (wait == 0) {
                break;
            }
            const auto room = static_cast<int32_t>(std::min(
                {buffer_.size() - received_, static_cast<size_t>(Channel::kReadChunk), Owed()}));
            const int32_t got = channel_.Read(buffer_.data() + received_, room, wait);
            if (got < 0 || (got == 0 && progress == Progress::Judgeable)) {
                break;
            }
            if (got == 0 && received_ > 0) {
                // A long silence within a header: those bytes only looked like its start.
                // Within a payload: the reply stopped.
                if (AnnouncedPayloadLength(Received())) {
                    break;
                }
                Unclaim(received_);
            }
            received_ += static_cast<size_t>(std::min(got, room));
            quiet = got > 0 && got < room && !cut;
        }
        return received_;
    }

    // The bytes of the frame at the front, as far as its header tells.
    size_t FrameBytes() const {
        const auto length = AnnouncedPayloadLength(Received());
        const size_t frame = length ? kReplyHeaderSize + *length + 1 : kReplyHeaderSize;
        return std::min(frame, buffer_.size());
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

    // The reply time-out, and the line time of the reply's bytes (its first byte before it
    // has begun): a reply that begins just before the time-out is read to its end, also at
    // 110 baud.
    Clock::duration Budget() const {
        const size_t bytes = received_ == 0 ? 1 : FrameBytes();
        return std::chrono::milliseconds(kReplyTimeoutMs) +
               channel_.ByteTime() * static_cast<int64_t>(bytes);
    }

    // The bytes the frame at the front still owes, header first, when reads are paced
    // to the line; the designed reads take whatever fits.
    size_t Owed() const {
        if (channel_.ReplyPacing() == Channel::Pacing::Designed) {
            return buffer_.size();
        }
        const size_t frame = FrameBytes();
        return frame > received_ ? frame - received_ : 1;
    }

    // Drops the bytes in front that cannot begin this request's reply.
    void SkipToFrameStart() {
        size_t start = 0;
        while (start < received_) {
            const size_t compared = std::min(head_.size(), received_ - start);
            if (std::equal(head_.begin(), head_.begin() + static_cast<std::ptrdiff_t>(compared),
                           buffer_.begin() + static_cast<std::ptrdiff_t>(start))) {
                break;
            }
            ++start;
        }
        Unclaim(start);
    }

    void DropForeignFrames() {
        while (true) {
            if (pendingCheck_ && received_ > 0) {
                // A dropped frame's check byte, when the reader sent one.
                Drop(buffer_[0] == *pendingCheck_ ? 1 : 0);
                pendingCheck_.reset();
            }
            SkipToFrameStart();
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

    // Drops bytes that belong to no reply, and tells the channel.
    void Unclaim(size_t count) {
        if (count > 0) {
            channel_.Unclaimed(Received().first(count));
        }
        Drop(count);
    }

    void Drop(size_t count) {
        if (count == 0) {
            return;
        }
        std::copy(buffer_.begin() + static_cast<std::ptrdiff_t>(count),
                  buffer_.begin() + static_cast<std::ptrdiff_t>(received_), buffer_.begin());
        received_ -= count;
        std::fill(buffer_.begin() + static_cast<std::ptrdiff_t>(received_), buffer_.end(),
                  uint8_t{0});
    }

    Channel& channel_;
    std::span<uint8_t> buffer_;
    const ReplyHead& head_;
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
                                      std::span<const uint8_t> request, const ReplyRule& rule) {
    // The reply's time counts from when the request has left, which takes long on a slow
    // line.
    channel.WaitUntilSent();
    const Clock::time_point sent = channel.Now();
    std::fill(buffer.begin(), buffer.end(), uint8_t{0});
    const ReplyHead head = HeadOf(request);
    ReplyReader reader(channel, buffer, head, rule);
    const size_t received = reader.Run(sent);
    const auto reply = buffer.first(received);
    if (const size_t frame = reader.FrameBytes(); Assess(reply, 0) == Progress::Complete) {
        channel.Unclaimed(reply.subspan(frame));
    }
    // A reply that did not come whole may still be on its way.
    channel.SetReplyMissed(Assess(reply, 0) == Progress::Incomplete);
    return reply;
}

ExchangeOutcome ExchangeFrame(Channel& channel, std::span<const uint8_t> frame,
                              const ReplyRule& rule, std::span<uint8_t> reply,
                              std::span<const uint8_t>& received) {
    const ReplyKind kind = rule.keyName.empty() ? ReplyKind::Nameless : ReplyKind::Named;
    if (frame.empty() || !SendRequest(channel, frame, kind)) {
        return ExchangeOutcome::WriteFailed;
    }
    received = ReceiveReply(channel, reply, frame, rule);
    if (received.empty()) {
        return ExchangeOutcome::NoReply;
    }
    // A frame whose announced payload did not all come is no reply to judge.
    if (Assess(received, 0) == Progress::Incomplete) {
        return ExchangeOutcome::Short;
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
