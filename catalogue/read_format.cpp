#include "catalogue/read_format.h"

#include <algorithm>
#include <optional>

#include "catalogue/key_catalogue.h"
#include "text/escape.h"

namespace kd::catalogue {

namespace {

constexpr std::string_view kHexFormat = "hex";
constexpr char kCarriageReturn = '\r';
constexpr char kLineFeed = '\n';

struct Tokens {
    std::string_view prefix;
    std::string_view content;
    std::string_view suffix;
};

Tokens TokensOf(ReadKind kind) {
    if (kind == ReadKind::Code) {
        return {"PREFIX", "CONTENT", "POSTFIX"};
    }
    return {"NFCPREFIX", "NFC", "NFCPOSTFIX"};
}

std::optional<ReadPart> PartOf(const Tokens& tokens, std::string_view token) {
    if (token == tokens.prefix) {
        return ReadPart::Prefix;
    }
    if (token == tokens.content) {
        return ReadPart::Content;
    }
    if (token == tokens.suffix) {
        return ReadPart::Suffix;
    }
    if (token == value::kEnterToken) {
        return ReadPart::Enter;
    }
    if (token == value::kWrapToken) {
        return ReadPart::Wrap;
    }
    return std::nullopt;
}

// The fixed bytes of a part; the content has none.
std::string FixedBytes(ReadPart part, const ReadKeys& keys) {
    switch (part) {
        case ReadPart::Prefix:
            return AffixBytes(keys.prefix, keys.format);
        case ReadPart::Suffix:
            return AffixBytes(keys.suffix, keys.format);
        case ReadPart::Enter:
            return std::string(1, kCarriageReturn);
        case ReadPart::Wrap:
            return std::string(1, kLineFeed);
        case ReadPart::Content:
            break;
    }
    return {};
}

bool IsLineEnd(ReadPart part) {
    return part == ReadPart::Enter || part == ReadPart::Wrap;
}

// The fixed bytes a read of these keys starts and ends with.
struct Frame {
    std::string head;
    std::string tail;
};

Frame FrameOf(const std::vector<ReadPiece>& layout) {
    Frame frame;
    bool afterContent = false;
    for (const ReadPiece& piece : layout) {
        if (piece.part == ReadPart::Content) {
            afterContent = true;
        } else {
            (afterContent ? frame.tail : frame.head) += piece.bytes;
        }
    }
    return frame;
}

// How many affix bytes the split recognised; -1 when it did not fit.
long Fit(const SplitResult& split) {
    if (!split.matched) {
        return -1;
    }
    long bytes = 0;
    for (const ReadPiece& piece : split.pieces) {
        if (piece.part == ReadPart::Prefix || piece.part == ReadPart::Suffix) {
            bytes += static_cast<long>(piece.bytes.size());
        }
    }
    return bytes;
}

}  // namespace

ReadKeyNames KeyNamesOf(ReadKind kind) {
    if (kind == ReadKind::Code) {
        return {key::kContentOrder, key::kCodePrefix, key::kCodePostfix, key::kCodePrePostFormat};
    }
    return {key::kNfcContentOrder, key::kNfcPrefix, key::kNfcPostfix, key::kNfcPrePostFormat};
}

std::vector<ReadPart> ParseOrder(ReadKind kind, std::string_view order) {
    const Tokens tokens = TokensOf(kind);
    std::vector<ReadPart> parts;
    while (true) {
        const size_t comma = order.find(value::kTokenSeparator);
        const auto part = PartOf(tokens, order.substr(0, comma));
        const bool repeatedContent =
            part == ReadPart::Content &&
            std::find(parts.begin(), parts.end(), ReadPart::Content) != parts.end();
        if (part && !repeatedContent) {
            parts.push_back(*part);
        }
        if (comma == std::string_view::npos) {
            break;
        }
        order.remove_prefix(comma + 1);
    }
    if (std::find(parts.begin(), parts.end(), ReadPart::Content) == parts.end()) {
        return {ReadPart::Prefix, ReadPart::Content, ReadPart::Suffix};
    }
    return parts;
}

std::string AffixBytes(std::string_view value, std::string_view format) {
    if (format != kHexFormat) {
        return std::string(value);
    }
    std::string bytes;
    size_t at = 0;
    while (at < value.size()) {
        if (value[at] == ' ') {
            ++at;
            continue;
        }
        if (at + 1 >= value.size()) {
            break;
        }
        const int high = text::HexDigitValue(value[at]);
        const int low = text::HexDigitValue(value[at + 1]);
        if (high < 0 || low < 0) {
            break;
        }
        bytes.push_back(static_cast<char>(high * 16 + low));
        at += 2;
    }
    return bytes;
}

std::vector<ReadPiece> BuildRead(ReadKind kind, const ReadKeys& keys, std::string_view content) {
    std::vector<ReadPiece> pieces;
    for (const ReadPart part : ParseOrder(kind, keys.order)) {
        ReadPiece piece{part,
                        part == ReadPart::Content ? std::string(content) : FixedBytes(part, keys)};
        if (part == ReadPart::Content || !piece.bytes.empty()) {
            pieces.push_back(std::move(piece));
        }
    }
    return pieces;
}

std::string Joined(const std::vector<ReadPiece>& pieces) {
    std::string bytes;
    for (const ReadPiece& piece : pieces) {
        bytes += piece.bytes;
    }
    return bytes;
}

std::string ReadEnding(ReadKind kind, const ReadKeys& keys) {
    const std::vector<ReadPiece> layout = BuildRead(kind, keys, {});
    const auto content = std::find_if(layout.begin(), layout.end(), [](const ReadPiece& piece) {
        return piece.part == ReadPart::Content;
    });
    const bool lineEndAfter = std::any_of(
        content, layout.end(), [](const ReadPiece& piece) { return IsLineEnd(piece.part); });
    return lineEndAfter ? FrameOf(layout).tail : std::string();
}

std::string ReadHead(ReadKind kind, const ReadKeys& keys) {
    return FrameOf(BuildRead(kind, keys, {})).head;
}

SplitResult SplitRead(ReadKind kind, const ReadKeys& keys, std::string_view read) {
    const std::vector<ReadPiece> layout = BuildRead(kind, keys, {});
    const Frame frame = FrameOf(layout);
    if (read.size() < frame.head.size() + frame.tail.size() || !read.starts_with(frame.head) ||
        !read.ends_with(frame.tail)) {
        SplitResult unmatched = SplitLineEnds(read);
        unmatched.kind = kind;
        return unmatched;
    }
    SplitResult split{kind, true, {}};
    size_t at = 0;
    const size_t contentSize = read.size() - frame.head.size() - frame.tail.size();
    for (const ReadPiece& piece : layout) {
        const size_t size = piece.part == ReadPart::Content ? contentSize : piece.bytes.size();
        split.pieces.push_back({piece.part, std::string(read.substr(at, size))});
        at += size;
    }
    return split;
}

SplitResult SplitRead(const ReadFormat& format, std::string_view read) {
    SplitResult code = SplitRead(ReadKind::Code, format.code, read);
    SplitResult nfc = SplitRead(ReadKind::Nfc, format.nfc, read);
    return Fit(nfc) > Fit(code) ? nfc : code;
}

SplitResult SplitLineEnds(std::string_view read) {
    size_t end = read.size();
    std::vector<ReadPiece> lineEnds;
    while (end > 0 && (read[end - 1] == kCarriageReturn || read[end - 1] == kLineFeed)) {
        --end;
        const ReadPart part = read[end] == kCarriageReturn ? ReadPart::Enter : ReadPart::Wrap;
        lineEnds.insert(lineEnds.begin(), {part, std::string(1, read[end])});
    }
    SplitResult split{
        ReadKind::Code, false, {{ReadPart::Content, std::string(read.substr(0, end))}}};
    split.pieces.insert(split.pieces.end(), lineEnds.begin(), lineEnds.end());
    return split;
}

std::string ContentOf(const SplitResult& split) {
    for (const ReadPiece& piece : split.pieces) {
        if (piece.part == ReadPart::Content) {
            return piece.bytes;
        }
    }
    return {};
}

const char* PartName(ReadPart part) {
    switch (part) {
        case ReadPart::Prefix:
            return "prefix";
        case ReadPart::Content:
            return "content";
        case ReadPart::Suffix:
            return "suffix";
        case ReadPart::Enter:
            return "CR";
        case ReadPart::Wrap:
            break;
    }
    return "LF";
}

}  // namespace kd::catalogue
