#pragma once

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "link/channel.h"

namespace kd::fuzz {

// A channel whose reader answers with the fuzz input: each Read takes one control byte,
// then a piece of the bytes after it whose size the control byte picks. The control
// byte 0xFF, or the end of the input, is a Read that found the line quiet. Writes
// always succeed and are kept. Time is virtual: each Read spends what a serial line
// would, so a run never waits and goes the same way however fast the machine is.
class PlayedChannel final : public Channel {
  public:
    PlayedChannel(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    int32_t Read(uint8_t* buffer, int32_t capacity, uint32_t timeoutMs) override {
        if (at_ >= size_ || capacity <= 0 || data_[at_] == kQuietRead) {
            at_ += at_ < size_ ? 1 : 0;
            elapsedMs_ += std::min(timeoutMs, kSilenceMs);
            return 0;
        }
        const uint8_t control = data_[at_++];
        const size_t piece = 1 + control % kReadChunk;
        const size_t take = std::min({piece, size_ - at_, static_cast<size_t>(capacity)});
        std::copy(data_ + at_, data_ + at_ + take, buffer);
        at_ += take;
        // A read that stops short of its room waited the interval after the last byte.
        elapsedMs_ += take < static_cast<size_t>(capacity) ? IntervalMs() : 1;
        return static_cast<int32_t>(take);
    }
    Clock::time_point Now() const override {
        return Clock::time_point{} + std::chrono::milliseconds(elapsedMs_);
    }
    int32_t Write(const uint8_t* bytes, int32_t count) override {
        if (count > 0) {
            writes.emplace_back(bytes, bytes + count);
        }
        return count;
    }
    void DiscardInput() override {}
    void Close() override {}

    std::vector<std::vector<uint8_t>> writes;

  private:
    static constexpr uint8_t kQuietRead = 0xFF;
    static constexpr uint32_t kSilenceMs = 10 * kReadChunk + 1000;

    const uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
    uint64_t elapsedMs_ = 0;
};

// Stops the run so that libFuzzer keeps the input, when a property does not hold.
inline void Require(bool holds) {
    if (!holds) {
        __builtin_trap();
    }
}

}  // namespace kd::fuzz
