#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "link/channel.h"

namespace kd::fuzz {

// A channel whose reader answers with the fuzz input: each Read takes one control byte,
// then a piece of the bytes after it whose size the control byte picks. The control
// byte 0xFF is a Read that found the line quiet. Writes always succeed and are kept.
class PlayedChannel final : public Channel {
  public:
    PlayedChannel(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    int32_t Read(uint8_t* buffer, int32_t capacity, uint32_t) override {
        if (at_ >= size_ || capacity <= 0) {
            return 0;
        }
        const uint8_t control = data_[at_++];
        if (control == kQuietRead) {
            return 0;
        }
        const size_t piece = 1 + control % kReadChunk;
        const size_t take = std::min({piece, size_ - at_, static_cast<size_t>(capacity)});
        std::copy(data_ + at_, data_ + at_ + take, buffer);
        at_ += take;
        return static_cast<int32_t>(take);
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

    const uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
};

// Stops the run so that libFuzzer keeps the input, when a property does not hold.
inline void Require(bool holds) {
    if (!holds) {
        __builtin_trap();
    }
}

}  // namespace kd::fuzz
