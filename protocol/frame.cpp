#include "protocol/frame.h"

#include <algorithm>
#include <cstring>

namespace kd {

uint8_t CheckByte(std::span<const uint8_t> bytes) {
    uint8_t check = 0;
    for (uint8_t b : bytes) {
        check ^= b;
    }
    return check;
}

size_t SealRequest(const Magic& magic, CommandCode code, size_t payloadLength,
                   std::span<uint8_t> out) {
    const size_t size = kRequestHeaderSize + payloadLength + 1;
    if (payloadLength > 0xFFFF || size > out.size()) {
        return 0;
    }
    std::copy(magic.begin(), magic.end(), out.begin());
    out[3] = code.command;
    out[4] = code.subcommand;
    PutLe16(&out[5], static_cast<uint16_t>(payloadLength));
    out[size - 1] = CheckByte(out.first(size - 1));
    return size;
}

size_t BuildRequest(const Magic& magic, CommandCode code, std::span<const uint8_t> payload,
                    std::span<uint8_t> out) {
    if (payload.size() > 0xFFFF || kRequestHeaderSize + payload.size() + 1 > out.size()) {
        return 0;
    }
    if (!payload.empty()) {
        std::memmove(&out[kRequestHeaderSize], payload.data(), payload.size());
    }
    return SealRequest(magic, code, payload.size(), out);
}

size_t BuildReply(const Magic& magic, CommandCode code, uint8_t status,
                  std::span<const uint8_t> payload, std::span<uint8_t> out) {
    const size_t size = kReplyHeaderSize + payload.size() + 1;
    if (payload.size() > 0xFFFF || size > out.size()) {
        return 0;
    }
    std::copy(magic.begin(), magic.end(), out.begin());
    out[3] = code.command;
    out[4] = code.subcommand;
    out[kReplyStatusOffset] = status;
    PutLe16(&out[kReplyLengthOffset], static_cast<uint16_t>(payload.size()));
    if (!payload.empty()) {
        std::memmove(&out[kReplyHeaderSize], payload.data(), payload.size());
    }
    out[size - 1] = CheckByte(out.first(size - 1));
    return size;
}

ReplyVerdict JudgeReply(std::span<const uint8_t> received, size_t leastBytes) {
    // The least counts in use are all past the status byte; guard anyway.
    if (received.size() < leastBytes || received.size() <= kReplyStatusOffset) {
        return ReplyVerdict::Short;
    }
    return received[kReplyStatusOffset] == 0 ? ReplyVerdict::Accepted : ReplyVerdict::Refused;
}

ReplyHead HeadOf(std::span<const uint8_t> request) {
    ReplyHead head{};
    if (request.size() >= head.size()) {
        std::copy_n(request.begin(), head.size(), head.begin());
    }
    return head;
}

std::optional<uint16_t> AnnouncedPayloadLength(std::span<const uint8_t> received) {
    if (received.size() < kReplyHeaderSize) {
        return std::nullopt;
    }
    return GetLe16(&received[kReplyLengthOffset]);
}

std::optional<std::span<const uint8_t>> ReplyPayload(std::span<const uint8_t> received) {
    const auto length = AnnouncedPayloadLength(received);
    if (!length || kReplyHeaderSize + *length > received.size()) {
        return std::nullopt;
    }
    return received.subspan(kReplyHeaderSize, *length);
}

size_t EncodeKeyRecord(std::string_view name, std::string_view value, std::span<uint8_t> out) {
    const size_t size = kKeyRecordOverhead + name.size() + value.size();
    if (name.size() > 0xFF || value.size() > 0xFFFF || size > out.size()) {
        return 0;
    }
    out[0] = static_cast<uint8_t>(name.size());
    std::memcpy(&out[1], name.data(), name.size());
    PutLe16(&out[1 + name.size()], static_cast<uint16_t>(value.size()));
    if (!value.empty()) {
        std::memcpy(&out[kKeyRecordOverhead + name.size()], value.data(), value.size());
    }
    return size;
}

std::optional<KeyRecordView> ParseKeyRecord(std::span<const uint8_t> record) {
    if (record.empty()) {
        return std::nullopt;
    }
    const size_t nameLength = record[0];
    if (kKeyRecordOverhead + nameLength > record.size()) {
        return std::nullopt;
    }
    const size_t valueLength = GetLe16(&record[1 + nameLength]);
    if (kKeyRecordOverhead + nameLength + valueLength > record.size()) {
        return std::nullopt;
    }
    const auto* base = reinterpret_cast<const char*>(record.data());
    return KeyRecordView{std::string_view(base + 1, nameLength),
                         std::string_view(base + kKeyRecordOverhead + nameLength, valueLength)};
}

}  // namespace kd
