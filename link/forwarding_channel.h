#pragma once

#include "link/channel.h"

namespace kd {

// A channel that hands every call to another one. Wrappers (tracing, stopping) derive from
// it and override only what they add, so none of them can change the line's timing by
// forgetting to pass a call on.
class ForwardingChannel : public Channel {
  public:
    explicit ForwardingChannel(Channel& inner) : inner_(inner) {
        SetReplyPacing(inner.ReplyPacing());
    }

    int32_t Read(uint8_t* buffer, int32_t capacity, uint32_t timeoutMs) override {
        return inner_.Read(buffer, capacity, timeoutMs);
    }
    int32_t Write(const uint8_t* bytes, int32_t count) override {
        return inner_.Write(bytes, count);
    }
    void WaitUntilSent() override { inner_.WaitUntilSent(); }
    void DiscardInput() override { inner_.DiscardInput(); }
    void Unclaimed(std::span<const uint8_t> bytes) override { inner_.Unclaimed(bytes); }
    void Close() override { inner_.Close(); }
    uint32_t IntervalMs() const override { return inner_.IntervalMs(); }
    std::chrono::microseconds ByteTime() const override { return inner_.ByteTime(); }
    Clock::time_point Now() const override { return inner_.Now(); }

  protected:
    Channel& Inner() const { return inner_; }

  private:
    Channel& inner_;
};

}  // namespace kd
