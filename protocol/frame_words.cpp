#include "protocol/frame_words.h"

#include <algorithm>
#include <array>
#include <initializer_list>
#include <optional>
#include <string_view>

#include "protocol/frame.h"
#include "protocol/upload_frames.h"
#include "text/escape.h"

namespace kd {

namespace {

constexpr std::array<Magic, 3> kMagics{kHandshakeMagic, kQueryMagic, kCommandMagic};
constexpr char kNoFrame[] = "bytes that are no frame";

size_t HeaderSize(LineDirection direction) {
    return direction == LineDirection::Sent ? kRequestHeaderSize : kReplyHeaderSize;
}

size_t LengthOffset(LineDirection direction) {
    return direction == LineDirection::Sent ? 5 : kReplyLengthOffset;
}

// Where a frame may begin: a whole magic, or the start of one that the bytes end in.
size_t FrameStart(std::span<const uint8_t> held) {
    for (size_t at = 0; at < held.size(); ++at) {
        const size_t compared = std::min(kHandshakeMagic.size(), held.size() - at);
        for (const Magic& magic : kMagics) {
            if (std::equal(magic.begin(), magic.begin() + static_cast<std::ptrdiff_t>(compared),
                           held.begin() + static_cast<std::ptrdiff_t>(at))) {
                return at;
            }
        }
    }
    return held.size();
}

// Appends the pieces; GCC 12 warns wrongly of overlap on literal + string at -O3.
std::string Cat(std::initializer_list<std::string_view> pieces) {
    std::string text;
    for (const std::string_view piece : pieces) {
        text.append(piece);
    }
    return text;
}

std::string Quoted(std::span<const uint8_t> bytes) {
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return Cat({"\"", text::EscapeText(text), "\""});
}

std::string Quoted(const KeyRecordView& record) {
    std::string pair(record.name);
    pair += '=';
    pair += record.value;
    return Cat({"\"", text::EscapeText(pair), "\""});
}

bool Is(std::span<const uint8_t> frame, const Magic& magic, CommandCode code) {
    return std::equal(magic.begin(), magic.end(), frame.begin()) && frame[3] == code.command &&
           frame[4] == code.subcommand;
}

// What a request asks for, by its magic and command; also names the replies.
std::string_view NameOf(std::span<const uint8_t> frame) {
    struct Named {
        Magic magic;
        CommandCode code;
        std::string_view name;
    };
    static constexpr Named kNames[] = {
        {kHandshakeMagic, kHandshakeCommand, "handshake"},
        {kQueryMagic, kReadKeyCommand, "query"},
        {kCommandMagic, kReadKeyCommand, "read key"},
        {kCommandMagic, kWriteKeyCommand, "write"},
        {kCommandMagic, kStoreKeysCommand, "store"},
        {kHandshakeMagic, kUploadStartCommand, "upload start"},
        {kHandshakeMagic, kUploadDataCommand, "upload block"},
    };
    for (const Named& named : kNames) {
        if (Is(frame, named.magic, named.code)) {
            return named.name;
        }
    }
    return {};
}

std::string UnknownCommand(std::span<const uint8_t> frame) {
    return Cat({"unknown command ", HexBytes(frame.subspan(3, 2))});
}

// "13 of 260": blocks count from 1 here, as a person counts them.
std::string BlockOf(uint32_t index, uint32_t blocks) {
    std::string text = std::to_string(static_cast<uint64_t>(index) + 1);
    if (blocks != 0) {
        text += Cat({" of ", std::to_string(blocks)});
    }
    return text;
}

// File length(4) name length(2) name digest length(2) digest.
std::optional<std::string> UploadStartWords(std::span<const uint8_t> payload, uint32_t& blocks) {
    if (payload.size() < 6) {
        return std::nullopt;
    }
    const uint32_t length = GetLe32(payload.data());
    const size_t nameLength = GetLe16(payload.data() + 4);
    if (payload.size() < 6 + nameLength + 2 ||
        payload.size() != 6 + nameLength + 2 + GetLe16(payload.data() + 6 + nameLength)) {
        return std::nullopt;
    }
    blocks = static_cast<uint32_t>((static_cast<uint64_t>(length) + kUploadBlockSize - 1) /
                                   kUploadBlockSize);
    return Cat({"upload start ", Quoted(payload.subspan(6, nameLength)), ", ",
                std::to_string(length), " bytes in ", std::to_string(blocks), " blocks, md5 ",
                HexBytes(payload.subspan(6 + nameLength + 2))});
}

std::string RequestWords(std::span<const uint8_t> frame, std::span<const uint8_t> payload,
                         uint32_t& blocks) {
    const std::string_view name = NameOf(frame);
    if (name.empty()) {
        return UnknownCommand(frame);
    }
    const std::string named(name);
    if (name == "query" || name == "read key") {
        return named + " " + Quoted(payload);
    }
    if (name == "write") {
        const auto record = ParseKeyRecord(payload);
        return record ? named + " " + Quoted(*record) : named + " (its record does not parse)";
    }
    if (name == "upload start") {
        return UploadStartWords(payload, blocks).value_or(named + " (its fields do not parse)");
    }
    if (name == "upload block") {
        if (payload.size() < 4) {
            return named + " (no index)";
        }
        return named + " " + BlockOf(GetLe32(payload.data()), blocks) + " (" +
               std::to_string(payload.size() - 4) + " bytes)";
    }
    return named;  // handshake, store
}

std::string ReplyWords(std::span<const uint8_t> frame, std::span<const uint8_t> payload,
                       uint32_t blocks) {
    const std::string_view name = NameOf(frame);
    if (name.empty()) {
        return Cat({"reply to ", UnknownCommand(frame)});
    }
    const std::string named(name);
    if (const uint8_t status = frame[kReplyStatusOffset]; status != 0) {
        return named + " refused (status " + std::to_string(status) + ")";
    }
    if (name == "query" || name == "read key") {
        const auto record = ParseKeyRecord(payload);
        return record ? Cat({"reply ", Quoted(*record)}) : "reply (its record does not parse)";
    }
    if (name == "upload block") {
        return payload.size() < 4
                   ? "block acknowledged without its index"
                   : Cat({"block ", BlockOf(GetLe32(payload.data()), blocks), " acknowledged"});
    }
    if (name == "upload start") {
        return "upload start taken";
    }
    return name == "handshake" ? "handshake reply" : named + " done";
}

}  // namespace

std::string HexBytes(std::span<const uint8_t> bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(bytes.size() * 3);
    for (const uint8_t byte : bytes) {
        if (!text.empty()) {
            text.push_back(' ');
        }
        text.push_back(kDigits[byte >> 4]);
        text.push_back(kDigits[byte & 0x0F]);
    }
    return text;
}

std::vector<DecodedFrame> FrameDecoder::Feed(LineDirection direction,
                                             std::span<const uint8_t> bytes) {
    std::vector<DecodedFrame> out;
    if (direction == LineDirection::Sent) {
        Cut(received_, true, out);
    }
    Stream& stream = Of(direction);
    stream.held.insert(stream.held.end(), bytes.begin(), bytes.end());
    Cut(stream, false, out);
    return out;
}

std::vector<DecodedFrame> FrameDecoder::Flush(LineDirection direction) {
    std::vector<DecodedFrame> out;
    Cut(Of(direction), true, out);
    return out;
}

void FrameDecoder::TakeNoise(Stream& stream, size_t count) {
    stream.noise.insert(stream.noise.end(), stream.held.begin(),
                        stream.held.begin() + static_cast<std::ptrdiff_t>(count));
    stream.held.erase(stream.held.begin(),
                      stream.held.begin() + static_cast<std::ptrdiff_t>(count));
}

void FrameDecoder::GiveNoise(Stream& stream, std::vector<DecodedFrame>& out) {
    if (!stream.noise.empty()) {
        out.push_back({stream.direction, std::move(stream.noise), kNoFrame, false});
        stream.noise.clear();
    }
}

// Takes whole frames off the front of what the stream holds. final: nothing more comes
// for what is held, so a reply without its check byte ends here and the rest is noise.
void FrameDecoder::Cut(Stream& stream, bool final, std::vector<DecodedFrame>& out) {
    const size_t header = HeaderSize(stream.direction);
    while (!stream.held.empty()) {
        const std::span<const uint8_t> held = stream.held;
        if (const size_t start = FrameStart(held); start > 0) {
            TakeNoise(stream, start);
            continue;
        }
        if (held.size() < header) {
            if (final) {
                TakeNoise(stream, held.size());
            }
            break;
        }
        const size_t body = header + GetLe16(&held[LengthOffset(stream.direction)]);
        if (body + 1 > kReceiveBufferSize) {
            TakeNoise(stream, 1);  // announces more than any frame holds
            continue;
        }
        if (held.size() < body || (held.size() == body && !final)) {
            if (final) {
                GiveNoise(stream, out);
                out.push_back(
                    {stream.direction, stream.held,
                     std::string(NameOf(held).empty() ? "unknown command" : NameOf(held)) +
                         " cut short (" + std::to_string(held.size()) + " of " +
                         std::to_string(body + 1) + " bytes)",
                     false});
                stream.held.clear();
            }
            break;  // the rest, or the check byte, may still come
        }
        const bool checkFits = held.size() > body && held[body] == CheckByte(held.first(body));
        // A request always carries its check byte; a reply may come without one.
        const bool withCheck =
            held.size() > body && (stream.direction == LineDirection::Sent || checkFits);
        const size_t size = withCheck ? body + 1 : body;
        std::string words = Words(stream.direction, held.first(size));
        if (!checkFits) {
            words += withCheck ? ", wrong check byte" : ", no check byte";
        }
        GiveNoise(stream, out);
        out.push_back(
            {stream.direction,
             std::vector<uint8_t>(held.begin(), held.begin() + static_cast<std::ptrdiff_t>(size)),
             std::move(words), true});
        stream.held.erase(stream.held.begin(),
                          stream.held.begin() + static_cast<std::ptrdiff_t>(size));
    }
    GiveNoise(stream, out);
}

std::string FrameDecoder::Words(LineDirection direction, std::span<const uint8_t> frame) {
    const size_t header = HeaderSize(direction);
    const size_t length = GetLe16(&frame[LengthOffset(direction)]);
    const std::span<const uint8_t> payload = frame.subspan(header, length);
    return direction == LineDirection::Sent ? RequestWords(frame, payload, uploadBlocks_)
                                            : ReplyWords(frame, payload, uploadBlocks_);
}

}  // namespace kd
