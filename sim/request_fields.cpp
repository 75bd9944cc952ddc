#include "sim/request_fields.h"

#include <algorithm>
#include <array>

#include "sim/key_store.h"

namespace kd::sim {

std::string_view AsText(std::span<const uint8_t> bytes) {
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

std::string Printable(std::string_view text) {
    return EscapeStateField(text, false);
}

std::vector<uint8_t> Le32(uint32_t value) {
    std::vector<uint8_t> bytes(4);
    PutLe32(bytes.data(), value);
    return bytes;
}

std::optional<UploadStartFields> ParseUploadStart(std::span<const uint8_t> payload) {
    if (payload.size() < 6) {
        return std::nullopt;
    }
    const uint32_t length = GetLe32(payload.data());
    const size_t nameLength = GetLe16(payload.data() + 4);
    const size_t digestAt = 6 + nameLength + 2;
    if (payload.size() != digestAt + 16 || GetLe16(payload.data() + 6 + nameLength) != 16) {
        return std::nullopt;
    }
    UploadStartFields fields{length, AsText(payload.subspan(6, nameLength)), {}};
    std::copy_n(payload.begin() + static_cast<std::ptrdiff_t>(digestAt), 16, fields.digest.begin());
    return fields;
}

bool Is(const Magic& magic, CommandCode code, const Magic& wantMagic, CommandCode wantCode) {
    return magic == wantMagic && code == wantCode;
}

std::string DescribeRequest(const Magic& magic, CommandCode code,
                            std::span<const uint8_t> payload) {
    if (Is(magic, code, kHandshakeMagic, kHandshakeCommand)) {
        return "handshake";
    }
    if (Is(magic, code, kQueryMagic, kReadKeyCommand)) {
        return "query " + Printable(AsText(payload));
    }
    if (Is(magic, code, kCommandMagic, kReadKeyCommand)) {
        return "read " + Printable(AsText(payload));
    }
    if (Is(magic, code, kCommandMagic, kWriteKeyCommand)) {
        const auto record = ParseKeyRecord(payload);
        if (!record) {
            return "write (malformed key record)";
        }
        return "write " + Printable(record->name) + "=" + Printable(record->value);
    }
    if (Is(magic, code, kCommandMagic, kStoreKeysCommand)) {
        return "store";
    }
    if (Is(magic, code, kHandshakeMagic, kUploadStartCommand)) {
        const auto start = ParseUploadStart(payload);
        if (!start) {
            return "upload start (malformed)";
        }
        return "upload start " + Printable(start->target) + " " + std::to_string(start->length) +
               " bytes md5 " + ToHex(start->digest);
    }
    if (Is(magic, code, kHandshakeMagic, kUploadDataCommand)) {
        if (payload.size() < 5) {
            return "upload block (malformed)";
        }
        return "upload block " + std::to_string(GetLe32(payload.data())) + " (" +
               std::to_string(payload.size() - 4) + " bytes)";
    }
    return "unknown command " + ToHex(magic) + " " +
           ToHex(std::array<uint8_t, 2>{code.command, code.subcommand});
}

}  // namespace kd::sim
