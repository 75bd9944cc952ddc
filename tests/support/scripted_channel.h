#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "link/channel.h"

namespace kd::test {

// A channel that plays a script: each Read returns the next queued result (bytes, 0 or
// a failure), and every call is recorded in order. Each queued result comes after a
// pause longer than the line's interval, so a Read that waits only that long sees
// silence before it. The clock stands still except that a Read returning 0 spends the
// whole wait it was given, so one queued silence ends one exchange.
class ScriptedChannel final : public Channel {
  public:
    // Queues one Read delivering these bytes (at most 65 of them are taken per Read,
    // the rest stays queued as the next result, as a serial driver would).
    void QueueRead(std::vector<uint8_t> bytes) { reads_.push_back({std::move(bytes), 0, false}); }
    // Queues one Read that returns this result with no bytes (0 or -3).
    void QueueReadResult(int32_t result) { reads_.push_back({{}, result, false}); }
    void FailWrites(int32_t result = -1) { writeResult_ = result; }

    int32_t Read(uint8_t* buffer, int32_t capacity, uint32_t timeoutMs) override {
        calls.push_back("read");
        ++readCount;
        if (reads_.empty() || (!reads_.front().started && timeoutMs <= kIntervalMs)) {
            now_ += std::chrono::milliseconds(timeoutMs);
            return 0;
        }
        Pending& next = reads_.front();
        if (next.bytes.empty()) {
            const int32_t result = next.result;
            reads_.pop_front();
            if (result == 0) {
                now_ += std::chrono::milliseconds(timeoutMs);
            }
            return result;
        }
        const size_t take = std::min(
            {next.bytes.size(), static_cast<size_t>(kReadChunk), static_cast<size_t>(capacity)});
        std::copy(next.bytes.begin(), next.bytes.begin() + static_cast<std::ptrdiff_t>(take),
                  buffer);
        next.bytes.erase(next.bytes.begin(),
                         next.bytes.begin() + static_cast<std::ptrdiff_t>(take));
        next.started = true;
        if (next.bytes.empty()) {
            reads_.pop_front();
        }
        return static_cast<int32_t>(take);
    }

    int32_t Write(const uint8_t* bytes, int32_t count) override {
        calls.push_back("write");
        writes.emplace_back(bytes, bytes + (count > 0 ? count : 0));
        return writeResult_ ? writeResult_ : count;
    }

    void DiscardInput() override { calls.push_back("discard"); }
    void Close() override { calls.push_back("close"); }
    Clock::time_point Now() const override { return now_; }

    std::vector<std::vector<uint8_t>> writes;
    std::vector<std::string> calls;
    int readCount = 0;

  private:
    static constexpr uint32_t kIntervalMs = 50;
    struct Pending {
        std::vector<uint8_t> bytes;
        int32_t result;
        bool started = false;  // part of it was read: the rest follows at once
    };
    std::deque<Pending> reads_;
    int32_t writeResult_ = 0;
    Clock::time_point now_{};
};

// Hex text such as "68 DD DD 01" to bytes.
std::vector<uint8_t> Hex(const std::string& text);
// Bytes to upper-case hex separated by blanks.
std::string HexOf(const std::vector<uint8_t>& bytes);
// The bytes of a text.
std::vector<uint8_t> Bytes(const std::string& text);

}  // namespace kd::test
