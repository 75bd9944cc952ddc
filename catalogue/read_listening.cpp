#include "catalogue/read_listening.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "catalogue/key_catalogue.h"

namespace kd::catalogue {

std::optional<ListenKeysFailure> QueryListenKeys(KeyAccess& keys, ListenKeys& out) {
    std::vector<std::pair<std::string_view, std::string*>> wanted = {{key::kIoOutputs, &out.route}};
    for (const ReadKind kind : {ReadKind::Code, ReadKind::Nfc}) {
        const ReadKeyNames names = KeyNamesOf(kind);
        ReadKeys& values = out.format.Of(kind);
        wanted.insert(wanted.end(), {{names.order, &values.order},
                                     {names.prefix, &values.prefix},
                                     {names.suffix, &values.suffix},
                                     {names.format, &values.format}});
    }
    for (const auto& [name, value] : wanted) {
        if (const int result = keys.ReadKey(name, *value); result < 0) {
            return ListenKeysFailure{result, name};
        }
    }
    return std::nullopt;
}

bool RouteIsSerial(std::string_view route) {
    return route == value::kComOutput || route == value::kUsbOutput;
}

ReadCutter::ReadCutter(std::vector<ReadBounds> bounds) : bounds_(std::move(bounds)) {
    std::erase_if(bounds_, [](const ReadBounds& kind) { return kind.ending.empty(); });
}

std::vector<std::string> ReadCutter::Take(std::string_view bytes) {
    held_.append(bytes);
    std::vector<std::string> reads;
    while (true) {
        // The ending that is complete first closes the read. An ending is looked for
        // after the kind's head, which may hold the same bytes (a prefix 0D 41 before a
        // CR), and not while that head is still arriving.
        size_t end = std::string::npos;
        for (const ReadBounds& kind : bounds_) {
            size_t from = 0;
            if (kind.head.starts_with(held_)) {
                from = held_.size();
            } else if (held_.starts_with(kind.head)) {
                from = kind.head.size();
            }
            const size_t at = held_.find(kind.ending, from);
            if (at != std::string::npos) {
                end = std::min(end, at + kind.ending.size());
            }
        }
        if (end == std::string::npos) {
            return reads;
        }
        reads.push_back(held_.substr(0, end));
        held_.erase(0, end);
    }
}

std::optional<std::string> ReadCutter::Flush() {
    if (held_.empty()) {
        return std::nullopt;
    }
    return std::exchange(held_, {});
}

std::vector<ReadBounds> ReadBoundsOf(const ReadFormat& format) {
    std::vector<ReadBounds> bounds;
    for (const ReadKind kind : {ReadKind::Code, ReadKind::Nfc}) {
        bounds.push_back({ReadHead(kind, format.Of(kind)), ReadEnding(kind, format.Of(kind))});
    }
    return bounds;
}

std::string HexText(std::string_view bytes, const char* separator) {
    std::string text;
    for (const char byte : bytes) {
        char digits[3];
        std::snprintf(digits, sizeof digits, "%02X", static_cast<unsigned char>(byte));
        if (!text.empty()) {
            text += separator;
        }
        text += digits;
    }
    return text;
}

std::string PiecesText(const std::vector<ReadPiece>& pieces) {
    std::string text;
    for (const ReadPiece& piece : pieces) {
        text += text.empty() ? "" : " | ";
        text += PartName(piece.part);
        if (!piece.bytes.empty()) {
            text += ' ';
            text += HexText(piece.bytes, " ");
        }
    }
    return text;
}

}  // namespace kd::catalogue
