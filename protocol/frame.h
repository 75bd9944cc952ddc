#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace kd {

// Request: magic(3) command(1) subcommand(1) length(2, LE) payload check(1).
// Reply:   magic(3) command(2) status(1) length(2, LE) payload check(1).
// The check byte is the XOR of every byte before it.

using Magic = std::array<uint8_t, 3>;

inline constexpr Magic kHandshakeMagic{0x68, 0xDD, 0xDD};
inline constexpr Magic kQueryMagic{0x77, 0xCC, 0xDD};
inline constexpr Magic kCommandMagic{0x66, 0xBB, 0xEE};

struct CommandCode {
    uint8_t command;
    uint8_t subcommand;
    friend constexpr bool operator==(CommandCode, CommandCode) = default;
};

inline constexpr CommandCode kHandshakeCommand{0x01, 0x00};
inline constexpr CommandCode kReadKeyCommand{0x08, 0x00};  // also the version queries
inline constexpr CommandCode kWriteKeyCommand{0x07, 0x00};
inline constexpr CommandCode kStoreKeysCommand{0x09, 0x00};
inline constexpr CommandCode kUploadStartCommand{0xEA, 0xEA};
inline constexpr CommandCode kUploadDataCommand{0xDA, 0xDA};

inline constexpr size_t kRequestHeaderSize = 7;
inline constexpr size_t kReplyHeaderSize = 8;
inline constexpr size_t kReplyStatusOffset = 5;
inline constexpr size_t kReplyLengthOffset = 6;
// The largest request, a full upload block, and the reply buffer of a command exchange.
inline constexpr size_t kMaxFrameSize = 1024;
// Receive buffers hold one byte more, as the reader's largest reply may carry a check byte.
inline constexpr size_t kReceiveBufferSize = 1025;

// Least byte counts of a reply that can be accepted.
inline constexpr size_t kHandshakeReplyMin = 12;
inline constexpr size_t kQueryReplyMin = 12;
inline constexpr size_t kCommandReplyMin = 10;
inline constexpr size_t kUploadStartReplyMin = 8;
inline constexpr size_t kUploadDataReplyMin = 13;

uint8_t CheckByte(std::span<const uint8_t> bytes);

inline void PutLe16(uint8_t* at, uint16_t value) {
    at[0] = static_cast<uint8_t>(value & 0xFF);
    at[1] = static_cast<uint8_t>(value >> 8);
}
inline void PutLe32(uint8_t* at, uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        at[i] = static_cast<uint8_t>(value >> (8 * i));
    }
}
inline uint16_t GetLe16(const uint8_t* at) {
    return static_cast<uint16_t>(at[0] | (at[1] << 8));
}
inline uint32_t GetLe32(const uint8_t* at) {
    return static_cast<uint32_t>(at[0]) | (static_cast<uint32_t>(at[1]) << 8) |
           (static_cast<uint32_t>(at[2]) << 16) | (static_cast<uint32_t>(at[3]) << 24);
}

// Writes magic, command and length (payload.size()) into out, copies the payload after
// them and appends the check byte. Returns the frame size, or 0 when the payload is
// longer than 65535 bytes or the frame does not fit out.
size_t BuildRequest(const Magic& magic, CommandCode code, std::span<const uint8_t> payload,
                    std::span<uint8_t> out);

// Fills in the header and the check byte of a request whose payload is already in
// place at out[kRequestHeaderSize]. Returns the frame size, or 0 when it does not fit.
size_t SealRequest(const Magic& magic, CommandCode code, size_t payloadLength,
                   std::span<uint8_t> out);

// The reader's side: a reply with status and payload. Returns the size, or 0 when it
// does not fit.
size_t BuildReply(const Magic& magic, CommandCode code, uint8_t status,
                  std::span<const uint8_t> payload, std::span<uint8_t> out);

enum class ReplyVerdict { Accepted, Short, Refused };

// Judges what was received by its count and status byte. Whether it answers the request
// at all (magic and command) is the exchange's to decide before; the check byte is
// never examined, as readers are served that send a wrong one or none.
ReplyVerdict JudgeReply(std::span<const uint8_t> received, size_t leastBytes);

// A reply repeats its request's magic and command bytes.
inline constexpr size_t kReplyHeadSize = 5;
using ReplyHead = std::array<uint8_t, kReplyHeadSize>;

// The head a reply to this request starts with; zeros for a request shorter than one.
ReplyHead HeadOf(std::span<const uint8_t> request);

// The payload length a reply announces, or nothing before its header is complete.
std::optional<uint16_t> AnnouncedPayloadLength(std::span<const uint8_t> received);

// The reply's payload when all of it was received; nothing when the announced length
// runs past the bytes received.
std::optional<std::span<const uint8_t>> ReplyPayload(std::span<const uint8_t> received);

// KeyRecord: name length(1) name value length(2, LE) value.
inline constexpr size_t kKeyRecordOverhead = 3;

// Writes the record into out. Returns its size, or 0 when the name is longer than 255
// bytes or the record does not fit out.
size_t EncodeKeyRecord(std::string_view name, std::string_view value, std::span<uint8_t> out);

struct KeyRecordView {
    std::string_view name;
    std::string_view value;
};

// Reads a record by its own length fields, staying within record.
std::optional<KeyRecordView> ParseKeyRecord(std::span<const uint8_t> record);

}  // namespace kd
