#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/read_format.h"
#include "protocol/key_access.h"

// What listening to a reader's reads takes, shared by kdcfg monitor and the scan test
// window: the query of the output keys, cutting the line's bytes into reads, and a read's
// parts in hex.
namespace kd::catalogue {

// The keys that shape both kinds of read, and where the reader sends them.
struct ListenKeys {
    ReadFormat format;
    std::string route;  // io_outputs
};

// Asks the reader for its output keys. On failure: the failed read's result (negative)
// and the key it asked for.
struct ListenKeysFailure {
    int result;
    std::string_view key;
};
std::optional<ListenKeysFailure> QueryListenKeys(KeyAccess& keys, ListenKeys& out);

// True when the route sends reads over the serial line.
bool RouteIsSerial(std::string_view route);

// Cuts the bytes that come in into reads: a read ends with one of the endings its keys
// give it, or, when none comes, when the line goes quiet (Flush).
// How one kind of read starts and ends.
struct ReadBounds {
    std::string head;    // what comes before the content
    std::string ending;  // what ends the read; "" when only a pause does
};

class ReadCutter {
  public:
    explicit ReadCutter(std::vector<ReadBounds> bounds);

    // Takes bytes and returns the reads they complete, in order.
    std::vector<std::string> Take(std::string_view bytes);
    // The line went quiet: what is held is a read.
    std::optional<std::string> Flush();
    bool Holding() const { return !held_.empty(); }

  private:
    std::vector<ReadBounds> bounds_;
    std::string held_;
};

// How both kinds of read start and end.
std::vector<ReadBounds> ReadBoundsOf(const ReadFormat& format);

// Bytes as two hex digits each, joined by the separator.
std::string HexText(std::string_view bytes, const char* separator);

// Each part by name with its hex: "prefix 0D 41 | content 41 42 | CR 0D | LF 0A".
std::string PiecesText(const std::vector<ReadPiece>& pieces);

}  // namespace kd::catalogue
