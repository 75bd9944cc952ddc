#pragma once

#include <string>
#include <string_view>
#include <vector>

// What a reader sends around each read, by its output format keys: the one place that
// builds a read (the modelled reader) and takes one apart (kdcfg monitor).
//
// The order key lists the parts by token, joined by commas: for a code read PREFIX,
// CONTENT, POSTFIX; for an NFC card read NFCPREFIX, NFC, NFCPOSTFIX; for both ENTER
// (CR, 0D) and WRAP (LF, 0A). Where the keys leave a case open:
// - tokens match exactly (case and blanks count); an unknown token sends nothing, and
//   the content token counts once;
// - an order without the content token (empty, misspelt) counts as the plain order
//   prefix, content, suffix, so that a read never loses its content;
// - a prefix or suffix in "hex" is read as pairs of hex digits of either case, blanks
//   between pairs skipped; it stops at the first other character and at a lone last
//   digit, so "0D4" sends 0D and "ZZ" nothing;
// - any format but exactly "hex" (also "char", empty or unknown) sends the value's own
//   bytes.
namespace kd::catalogue {

enum class ReadKind { Code, Nfc };

enum class ReadPart { Prefix, Content, Suffix, Enter, Wrap };

// The keys that shape one kind of read, as the reader holds them.
struct ReadKeys {
    std::string order;
    std::string prefix;
    std::string suffix;
    std::string format;
};

struct ReadKeyNames {
    std::string_view order;
    std::string_view prefix;
    std::string_view suffix;
    std::string_view format;
};
ReadKeyNames KeyNamesOf(ReadKind kind);

// Both kinds, as one reader holds them.
struct ReadFormat {
    ReadKeys code;
    ReadKeys nfc;

    const ReadKeys& Of(ReadKind kind) const { return kind == ReadKind::Code ? code : nfc; }
    ReadKeys& Of(ReadKind kind) { return kind == ReadKind::Code ? code : nfc; }
};

// The parts in the order the reader sends them.
std::vector<ReadPart> ParseOrder(ReadKind kind, std::string_view order);

// The bytes a prefix or suffix value stands for under its format.
std::string AffixBytes(std::string_view value, std::string_view format);

struct ReadPiece {
    ReadPart part;
    std::string bytes;

    bool operator==(const ReadPiece&) const = default;
};

// The read as sent, part by part; parts without bytes (an empty suffix) are left out,
// the content never.
std::vector<ReadPiece> BuildRead(ReadKind kind, const ReadKeys& keys, std::string_view content);
std::string Joined(const std::vector<ReadPiece>& pieces);

// What the reader sends after the content when its order has a line end there, or ""
// when a read of this kind ends only by a pause.
std::string ReadEnding(ReadKind kind, const ReadKeys& keys);
// What the reader sends before the content.
std::string ReadHead(ReadKind kind, const ReadKeys& keys);

// A read taken apart. matched: its start and end are the bytes the keys put around the
// content. Unmatched, the whole read is content, apart from CR and LF at its end.
struct SplitResult {
    ReadKind kind = ReadKind::Code;
    bool matched = false;
    std::vector<ReadPiece> pieces;
};

// Takes a read apart by one kind's keys.
SplitResult SplitRead(ReadKind kind, const ReadKeys& keys, std::string_view read);
// Takes a read apart by whichever kind fits it better: the one whose prefix and suffix
// it carries, more of their bytes winning; a code read when both fit alike.
SplitResult SplitRead(const ReadFormat& format, std::string_view read);
// Without the keys: CR and LF at the end are line ends, the rest is content.
SplitResult SplitLineEnds(std::string_view read);

// The content of a split read ("" when it has none).
std::string ContentOf(const SplitResult& split);

// "prefix", "content", "suffix", "CR", "LF".
const char* PartName(ReadPart part);

}  // namespace kd::catalogue
