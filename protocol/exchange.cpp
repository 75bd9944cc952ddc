#include "protocol/exchange.h"

#include <algorithm>

#include "protocol/frame.h"

namespace kd {

bool SendRequest(Channel& channel, std::span<const uint8_t> frame) {
    channel.DiscardInput();
    return channel.Write(frame.data(), static_cast<int32_t>(frame.size())) > 0;
}

namespace {

// Bytes the reply still owes, judged by what has arrived: unknown before the header is
// complete (keep reading while bytes come), else the rest of payload and check byte.
bool ReplyIncomplete(std::span<const uint8_t> received) {
    const auto length = AnnouncedPayloadLength(received);
    if (!length) {
        return true;
    }
    return received.size() < kReplyHeaderSize + *length + 1;
}

}  // namespace

std::span<const uint8_t> ReceiveReply(Channel& channel, std::span<uint8_t> buffer) {
    std::fill(buffer.begin(), buffer.end(), uint8_t{0});
    size_t received = 0;
    while (received < buffer.size()) {
        const auto room = static_cast<int32_t>(buffer.size() - received);
        const int32_t got = channel.Read(buffer.data() + received, room, kReplyTimeoutMs);
        if (got <= 0) {
            break;
        }
        received += static_cast<size_t>(std::min(got, room));
        if (!ReplyIncomplete(buffer.first(received))) {
            break;
        }
    }
    return buffer.first(received);
}

ExchangeOutcome ExchangeFrame(Channel& channel, std::span<const uint8_t> frame, size_t leastBytes,
                              std::span<uint8_t> reply, std::span<const uint8_t>& received) {
    if (frame.empty() || !SendRequest(channel, frame)) {
        return ExchangeOutcome::WriteFailed;
    }
    received = ReceiveReply(channel, reply);
    switch (JudgeReply(received, leastBytes)) {
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
