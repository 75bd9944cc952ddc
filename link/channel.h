#pragma once

#include <cstdint>

namespace kd {

// The open connection to a reader. Every exchange is one Write of a whole request
// followed by Reads of its reply, on one thread.
class Channel {
  public:
    // Longest run of bytes a single Read delivers.
    static constexpr int32_t kReadChunk = 65;
    // Writes go out in pieces of this size.
    static constexpr int32_t kWriteChunk = 64;

    virtual ~Channel() = default;

    // Stores up to min(kReadChunk, capacity) bytes at buffer. Returns the count stored,
    // 0 when nothing arrived before the line went quiet, -3 when the port failed.
    // The call ends 50 ms after the last byte, or after 10 ms x 65 + 1000 ms of silence.
    virtual int32_t Read(uint8_t* buffer, int32_t capacity, uint32_t timeoutMs) = 0;

    // Sends count bytes in chunks. Returns count when every chunk went out whole,
    // count itself when count <= 0, and a result below 1 when the port failed.
    virtual int32_t Write(const uint8_t* bytes, int32_t count) = 0;

    // Drops whatever has arrived and not been read, so a late reply to an earlier
    // request is never taken for the reply to the next one.
    virtual void DiscardInput() = 0;

    // Releases the port. No other call follows.
    virtual void Close() = 0;
};

}  // namespace kd
