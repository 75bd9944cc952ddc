#pragma once

#include <algorithm>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "link/channel.h"

namespace kd::test {

// A channel that plays a script: each Read returns the next queued result (bytes, 0 or
// a failure), and every call is recorded in order.
class ScriptedChannel final : public Channel {
  public:
    // Queues one Read delivering these bytes (at most 65 of them are taken per Read,
    // the rest stays queued as the next result, as a serial driver would).
    void QueueRead(std::vector<uint8_t> bytes) { reads_.push_back({std::move(bytes), 0}); }
    // Queues one Read that returns this result with no bytes (0 or -3).
    void QueueReadResult(int32_t result) { reads_.push_back({{}, result}); }
    void FailWrites(int32_t result = -1) { writeResult_ = result; }

    int32_t Read(uint8_t* buffer, int32_t capacity, uint32_t) override {
        calls.push_back("read");
        ++readCount;
        if (reads_.empty()) {
            return 0;
        }
        Pending& next = reads_.front();
        if (next.bytes.empty()) {
            const int32_t result = next.result;
            reads_.pop_front();
            return result;
        }
        const size_t take = std::min(
            {next.bytes.size(), static_cast<size_t>(kReadChunk), static_cast<size_t>(capacity)});
        std::copy(next.bytes.begin(), next.bytes.begin() + static_cast<std::ptrdiff_t>(take),
                  buffer);
        next.bytes.erase(next.bytes.begin(),
                         next.bytes.begin() + static_cast<std::ptrdiff_t>(take));
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

    std::vector<std::vector<uint8_t>> writes;
    std::vector<std::string> calls;
    int readCount = 0;

  private:
    struct Pending {
        std::vector<uint8_t> bytes;
        int32_t result;
    };
    std::deque<Pending> reads_;
    int32_t writeResult_ = 0;
};

// Hex text such as "68 DD DD 01" to bytes.
std::vector<uint8_t> Hex(const std::string& text);
// Bytes to upper-case hex separated by blanks.
std::string HexOf(const std::vector<uint8_t>& bytes);
// The bytes of a text.
std::vector<uint8_t> Bytes(const std::string& text);

}  // namespace kd::test
