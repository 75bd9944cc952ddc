#include "protocol/device_commands.h"

#include <array>

#include "protocol/exchange.h"

namespace kd {

namespace {

std::span<const uint8_t> AsBytes(std::string_view text) {
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

using Outcome = ExchangeOutcome;

// Builds the request and runs the exchange over it.
// A read-key request names its key, and its reply must name the same one.
Outcome Exchange(Channel* channel, const Magic& magic, CommandCode code,
                 std::span<const uint8_t> payload, size_t leastBytes, std::span<uint8_t> reply,
                 std::span<const uint8_t>& received, uint32_t silenceMs = 0) {
    std::array<uint8_t, kMaxFrameSize> request{};
    const size_t size = BuildRequest(magic, code, payload, request);
    if (channel == nullptr) {
        return Outcome::WriteFailed;
    }
    ReplyRule rule{leastBytes, {}, silenceMs};
    if (code == kReadKeyCommand) {
        rule.keyName = {reinterpret_cast<const char*>(payload.data()), payload.size()};
    }
    return ExchangeFrame(*channel, std::span(request).first(size), rule, reply, received);
}

// The handshake and the version queries fold a failed write into a missing reply.
int QueryResult(Outcome outcome) {
    switch (outcome) {
        case Outcome::Accepted:
            return kCommandOk;
        case Outcome::Refused:
            return kReaderRefused;
        default:
            return kNoValidReply;
    }
}

int QueryVersion(Channel* channel, std::string_view key, TextSink& label) {
    std::array<uint8_t, kReceiveBufferSize> reply{};
    std::span<const uint8_t> received;
    const int result = QueryResult(Exchange(channel, kQueryMagic, kReadKeyCommand, AsBytes(key),
                                            kQueryReplyMin, reply, received));
    if (result != kCommandOk) {
        return result;
    }
    // The record's own length fields place the value; the frame's length is not used.
    const auto record = ParseKeyRecord(received.subspan(kReplyHeaderSize));
    if (!record) {
        return kNoValidReply;
    }
    label.SetText(record->value);
    return kCommandOk;
}

}  // namespace

int Handshake(Channel* channel) {
    return HandshakeWithin(channel, 0);
}

int HandshakeWithin(Channel* channel, uint32_t silenceMs) {
    std::array<uint8_t, kReceiveBufferSize> reply{};
    std::span<const uint8_t> received;
    return QueryResult(Exchange(channel, kHandshakeMagic, kHandshakeCommand, {}, kHandshakeReplyMin,
                                reply, received, silenceMs));
}

int QueryFirmwareVersion(Channel* channel, TextSink& label) {
    return QueryVersion(channel, kFirmwareVersionKey, label);
}

int QueryBuildDate(Channel* channel, TextSink& label) {
    return QueryVersion(channel, kBuildDateKey, label);
}

int ExchangeCommand(Channel* channel, CommandCode code, std::span<uint8_t> payload,
                    uint16_t& length) {
    if (length > payload.size()) {
        return kExchangeWriteFailed;
    }
    std::array<uint8_t, kMaxFrameSize> reply{};
    std::span<const uint8_t> received;
    switch (Exchange(channel, kCommandMagic, code, payload.first(length), kCommandReplyMin, reply,
                     received)) {
        case Outcome::WriteFailed:
            return kExchangeWriteFailed;
        case Outcome::NoReply:
            return kExchangeNoReply;
        case Outcome::Short:
            return kExchangeShortReply;
        case Outcome::Refused:
            return kExchangeRefused;
        case Outcome::Accepted:
            break;
    }
    // A payload announced past the bytes received or past the caller's buffer is a
    // short reply: nothing is copied.
    const auto replyPayload = ReplyPayload(received);
    if (!replyPayload || replyPayload->size() > payload.size()) {
        return kExchangeShortReply;
    }
    std::copy(replyPayload->begin(), replyPayload->end(), payload.begin());
    length = static_cast<uint16_t>(replyPayload->size());
    return kCommandOk;
}

int ExchangeReadKey(Channel* channel, std::string_view name, std::string& value) {
    std::array<uint8_t, kKeyPayloadSize> payload{};
    if (name.size() > payload.size()) {
        return kExchangeWriteFailed;
    }
    std::copy(name.begin(), name.end(), payload.begin());
    auto length = static_cast<uint16_t>(name.size());
    const int result = ExchangeCommand(channel, kReadKeyCommand, payload, length);
    if (result != kCommandOk) {
        return result;
    }
    // The reply names the key asked for (the exchange dropped any other); the value
    // follows that name's record header and runs to the payload's end.
    const size_t valueStart = name.size() + kKeyRecordOverhead;
    if (length < valueStart) {
        return kExchangeShortReply;
    }
    value.assign(reinterpret_cast<const char*>(payload.data()) + valueStart, length - valueStart);
    return kCommandOk;
}

std::string_view FitLabel(std::string_view text, size_t capacity) {
    size_t end = 0;
    while (end < text.size()) {
        // A GBK lead byte and its trail byte stay together.
        const auto byte = static_cast<uint8_t>(text[end]);
        const size_t step = byte >= 0x81 && byte <= 0xFE && end + 1 < text.size() ? 2 : 1;
        if (end + step > capacity) {
            break;
        }
        end += step;
    }
    return text.substr(0, end);
}

int ReadKey(Channel* channel, std::string_view name, std::string& value) {
    std::string read;
    if (ExchangeReadKey(channel, name, read) != kCommandOk) {
        return kKeyFailed;
    }
    value = std::move(read);
    return static_cast<int>(value.size());
}

int WriteKey(Channel* channel, std::string_view name, std::string_view value) {
    std::array<uint8_t, kKeyPayloadSize> payload{};
    const size_t size = EncodeKeyRecord(name, value, payload);
    if (size == 0) {
        return kExchangeWriteFailed;
    }
    auto length = static_cast<uint16_t>(size);
    return ExchangeCommand(channel, kWriteKeyCommand, payload, length);
}

int StoreKeys(Channel* channel) {
    std::array<uint8_t, kKeyPayloadSize> payload{};
    uint16_t length = 0;
    return ExchangeCommand(channel, kStoreKeysCommand, payload, length) == kCommandOk ? kCommandOk
                                                                                      : kKeyFailed;
}

}  // namespace kd
