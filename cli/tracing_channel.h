#pragma once

#include <cstdio>

#include "protocol/frame_tap.h"

namespace kd::cli {

// Prints each frame sent (">") and received ("<") on its own line, through the one frame
// decoder: with --trace its hex and its words, with -v its words only.
// Timing is the inner channel's own: tracing must not change what it shows.
class TracingChannel final : public FrameTap {
  public:
    enum class Detail { HexAndWords, Words };

    TracingChannel(Channel& inner, std::FILE* out, Detail detail);
    // The last reply may still be held for its check byte.
    ~TracingChannel() override { Flush(); }
    TracingChannel(const TracingChannel&) = delete;
    TracingChannel& operator=(const TracingChannel&) = delete;

    int32_t Read(uint8_t* buffer, int32_t capacity, uint32_t timeoutMs) override;
    int32_t Write(const uint8_t* bytes, int32_t count) override;

  private:
    std::FILE* out_;
    Detail detail_;
};

}  // namespace kd::cli
