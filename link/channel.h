#pragma once

#include <chrono>
#include <cstdint>
#include <span>

namespace kd {

// The open connection to a reader. Every exchange is one Write of a whole request
// followed by Reads of its reply, on one thread.
class Channel {
  public:
    using Clock = std::chrono::steady_clock;

    // Longest run of bytes a single Read delivers.
    static constexpr int32_t kReadChunk = 65;
    // Writes go out in pieces of this size.
    static constexpr int32_t kWriteChunk = 64;

    virtual ~Channel() = default;

    // Stores up to min(kReadChunk, capacity) bytes at buffer. Returns the count stored,
    // 0 when nothing arrived before the line went quiet, -3 when the port failed.
    // The call ends once that many bytes are in, IntervalMs() after the last byte, or
    // when its total time-out passes: 10 ms x 65 + 1000 ms, or timeoutMs when shorter.
    virtual int32_t Read(uint8_t* buffer, int32_t capacity, uint32_t timeoutMs) = 0;

    // Sends count bytes in chunks. Returns count when every chunk went out whole,
    // count itself when count <= 0, and a result below 1 when the port failed.
    virtual int32_t Write(const uint8_t* bytes, int32_t count) = 0;

    // Returns once what was written has left the port, within the write budget. Channels
    // that cannot tell return at once.
    virtual void WaitUntilSent() {}

    // Drops whatever has arrived and not been read.
    virtual void DiscardInput() = 0;

    // Bytes an exchange read and did not take as a reply: what came before a reply's
    // start or in its place, and what came after it. Dropped here; a channel that
    // listens for what the reader sends of itself keeps them.
    virtual void Unclaimed(std::span<const uint8_t> /*bytes*/) {}

    // Releases the port. No other call follows.
    virtual void Close() = 0;

    // The pause after a byte that ends a Read: 50 ms, longer on a line so slow that
    // its bytes are further apart.
    virtual uint32_t IntervalMs() const { return 50; }

    // How long one byte takes on the line. Channels that do not know take half the interval
    // when that is longer than the designed one (it is then twice a byte's time), else 0.
    virtual std::chrono::microseconds ByteTime() const {
        const uint32_t interval = IntervalMs();
        return interval > 50 ? std::chrono::microseconds(interval * 500)
                             : std::chrono::microseconds(0);
    }

    // The clock the channel's reads run on; a modelled line has a virtual one.
    virtual Clock::time_point Now() const { return Clock::now(); }

    // When an exchange gave up on its reply, that reply may still arrive; the next
    // exchange lets the line go quiet and drops it before sending.
    bool ReplyMissed() const { return replyMissed_; }
    void SetReplyMissed(bool missed) { replyMissed_ = missed; }

    // How a reply is read: in the designed reads of up to 65 bytes, each ending 50 ms
    // after its last byte, or at line speed, asking only for the bytes the reply still
    // owes so that the read ends with its last byte.
    enum class Pacing { Designed, LineSpeed };
    Pacing ReplyPacing() const { return pacing_; }
    void SetReplyPacing(Pacing pacing) { pacing_ = pacing; }

  private:
    bool replyMissed_ = false;
    Pacing pacing_ = Pacing::Designed;
};

}  // namespace kd
