#pragma once

#include <cstdio>

#include "link/channel.h"

namespace kd::cli {

// Passes every call through to the real channel and prints what went out (">") and
// what came in ("<") as hex.
class TracingChannel final : public Channel {
  public:
    TracingChannel(Channel& inner, std::FILE* out) : inner_(inner), out_(out) {}

    int32_t Read(uint8_t* buffer, int32_t capacity, uint32_t timeoutMs) override;
    int32_t Write(const uint8_t* bytes, int32_t count) override;
    // Timing is the inner channel's own: tracing must not change what it shows.
    void WaitUntilSent() override { inner_.WaitUntilSent(); }
    void DiscardInput() override { inner_.DiscardInput(); }
    void Close() override { inner_.Close(); }
    uint32_t IntervalMs() const override { return inner_.IntervalMs(); }
    std::chrono::microseconds ByteTime() const override { return inner_.ByteTime(); }
    Clock::time_point Now() const override { return inner_.Now(); }

  private:
    void Print(char direction, const uint8_t* bytes, int32_t count);

    Channel& inner_;
    std::FILE* out_;
};

}  // namespace kd::cli
