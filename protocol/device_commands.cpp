#include "protocol/device_commands.h"

#include <array>

#include "protocol/exchange.h"

namespace kd {

namespace {

std::span<const uint8_t> AsBytes(std::string_view text) {
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

// One exchange: build, send, receive. Returns the count received, or nothing when the
// request could not be built or written.
std::optional<int32_t> Exchange(Channel& channel, const Magic& magic, CommandCode code,
                                std::span<const uint8_t> payload, std::span<uint8_t> reply) {
    std::array<uint8_t, kMaxFrameSize> request{};
    const size_t size = BuildRequest(magic, code, payload, request);
    if (size == 0 || !SendRequest(channel, std::span(request).first(size))) {
        return std::nullopt;
    }
    return ReceiveReply(channel, reply);
}

std::span<const uint8_t> Received(std::span<const uint8_t> buffer, int32_t count) {
    return buffer.first(count > 0 ? static_cast<size_t>(count) : 0);
}

int QueryVersion(Channel* channel, std::string_view key, size_t maxLength, TextSink& label) {
    if (channel == nullptr) {
        return kNoValidReply;
    }
    std::array<uint8_t, kReceiveBufferSize> reply{};
    const auto count = Exchange(*channel, kQueryMagic, kReadKeyCommand, AsBytes(key), reply);
    if (!count) {
        return kNoValidReply;
    }
    const auto received = Received(reply, *count);
    switch (JudgeReply(received, kQueryReplyMin)) {
        case ReplyVerdict::Short:
            return kNoValidReply;
        case ReplyVerdict::Refused:
            return kReaderRefused;
        case ReplyVerdict::Accepted:
            break;
    }
    // The record's own length fields place the value; the frame's length is not used.
    const auto record = ParseKeyRecord(received.subspan(kReplyHeaderSize));
    if (!record || record->value.size() > maxLength) {
        return kNoValidReply;
    }
    label.SetText(record->value);
    return kCommandOk;
}

}  // namespace

int Handshake(Channel* channel) {
    if (channel == nullptr) {
        return kNoValidReply;
    }
    std::array<uint8_t, kReceiveBufferSize> reply{};
    const auto count = Exchange(*channel, kHandshakeMagic, kHandshakeCommand, {}, reply);
    if (!count) {
        return kNoValidReply;
    }
    switch (JudgeReply(Received(reply, *count), kHandshakeReplyMin)) {
        case ReplyVerdict::Short:
            return kNoValidReply;
        case ReplyVerdict::Refused:
            return kReaderRefused;
        case ReplyVerdict::Accepted:
            break;
    }
    return kCommandOk;
}

int QueryFirmwareVersion(Channel* channel, TextSink& label) {
    return QueryVersion(channel, kFirmwareVersionKey, kFirmwareVersionMax, label);
}

int QueryBuildDate(Channel* channel, TextSink& label) {
    return QueryVersion(channel, kBuildDateKey, kBuildDateMax, label);
}

int ExchangeCommand(Channel* channel, CommandCode code, std::span<uint8_t> payload,
                    uint16_t& length) {
    if (channel == nullptr || length > payload.size()) {
        return kExchangeWriteFailed;
    }
    std::array<uint8_t, kMaxFrameSize> reply{};
    const auto count =
        Exchange(*channel, kCommandMagic, code, payload.first(length), reply);
    if (!count) {
        return kExchangeWriteFailed;
    }
    const auto received = Received(reply, *count);
    switch (JudgeReply(received, kCommandReplyMin)) {
        case ReplyVerdict::Short:
            return kExchangeShortReply;
        case ReplyVerdict::Refused:
            return kExchangeRefused;
        case ReplyVerdict::Accepted:
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
    // The value follows the record's header for the name that was asked for; the
    // record's own fields are not read.
    const size_t valueStart = name.size() + kKeyRecordOverhead;
    if (length < valueStart) {
        return kExchangeShortReply;
    }
    value.assign(reinterpret_cast<const char*>(payload.data()) + valueStart, length - valueStart);
    return kCommandOk;
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
    return ExchangeCommand(channel, kStoreKeysCommand, payload, length) == kCommandOk
               ? kCommandOk
               : kKeyFailed;
}

}  // namespace kd
