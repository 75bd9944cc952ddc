#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "link/channel.h"
#include "protocol/frame.h"
#include "protocol/text_sink.h"

namespace kd {

// Results of Handshake and the version queries.
inline constexpr int kCommandOk = 0;
inline constexpr int kNoValidReply = -1;   // no channel, write failed, reply short or missing
inline constexpr int kReaderRefused = -2;  // status byte not 0

// Results of ExchangeCommand and WriteKey.
inline constexpr int kExchangeWriteFailed = -1;
inline constexpr int kExchangeShortReply = -2;
inline constexpr int kExchangeRefused = -3;
inline constexpr int kExchangeNoReply = -4;  // nothing at all came back: the reader is gone

// ReadKey and StoreKeys fold every failure into this.
inline constexpr int kKeyFailed = -1;

// The version labels hold this many bytes.
inline constexpr size_t kFirmwareVersionMax = 23;
inline constexpr size_t kBuildDateMax = 47;

inline constexpr char kFirmwareVersionKey[] = "masterver";
inline constexpr char kBuildDateKey[] = "slavever";

// Key reads and writes keep their payload in a buffer of this size, so a written
// KeyRecord holds at most this many bytes.
inline constexpr size_t kKeyPayloadSize = 256;

// The longest value that may be written to a key of this name.
constexpr size_t KeyWriteLimit(size_t nameLength) {
    return nameLength + kKeyRecordOverhead >= kKeyPayloadSize
               ? 0
               : kKeyPayloadSize - kKeyRecordOverhead - nameLength;
}

int Handshake(Channel* channel);
// The handshake, given up when the line stays silent silenceMs after the request has
// left (0: the usual time-out). For trying line settings one after another: a wrong
// setting gets silence, which should not cost the full time-out.
int HandshakeWithin(Channel* channel, uint32_t silenceMs);
// The sink gets the whole text; a label shows what fits (FitLabel).
int QueryFirmwareVersion(Channel* channel, TextSink& label);
int QueryBuildDate(Channel* channel, TextSink& label);

// The longest start of text within capacity bytes that does not split a GBK character.
std::string_view FitLabel(std::string_view text, size_t capacity);

// Sends payload[0, length) as a CommandFrame and, on success, puts the reply payload
// into payload and its size into length. A read-key reply must name the key asked for.
int ExchangeCommand(Channel* channel, CommandCode code, std::span<uint8_t> payload,
                    uint16_t& length);

// Reads a key and reports the exchange's own result (0, -1 to -4); a reply whose
// record is shorter than the name it answers counts as a short reply.
// value is left untouched unless the result is 0.
int ExchangeReadKey(Channel* channel, std::string_view name, std::string& value);

// The value's length on success, -1 on any failure; value untouched on failure.
int ReadKey(Channel* channel, std::string_view name, std::string& value);

// The result of ExchangeCommand; -1 with nothing sent when the record would exceed the
// key-write limit.
int WriteKey(Channel* channel, std::string_view name, std::string_view value);

int StoreKeys(Channel* channel);

}  // namespace kd
