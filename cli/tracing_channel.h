#pragma once

#include <cstdio>

#include "link/forwarding_channel.h"

namespace kd::cli {

// Passes every call through to the real channel and prints what went out (">") and
// what came in ("<") as hex.
// Timing is the inner channel's own: tracing must not change what it shows.
class TracingChannel final : public ForwardingChannel {
  public:
    TracingChannel(Channel& inner, std::FILE* out) : ForwardingChannel(inner), out_(out) {}

    int32_t Read(uint8_t* buffer, int32_t capacity, uint32_t timeoutMs) override;
    int32_t Write(const uint8_t* bytes, int32_t count) override;

  private:
    void Print(char direction, const uint8_t* bytes, int32_t count);

    std::FILE* out_;
};

}  // namespace kd::cli
