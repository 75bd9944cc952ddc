#pragma once

#include <functional>

#include "link/forwarding_channel.h"
#include "protocol/frame_words.h"

namespace kd {

// Passes every call through to the real channel and hands each frame that went out or came
// in, told in words, to a sink. It only watches: timing and results are the inner channel's.
class FrameTap : public ForwardingChannel {
  public:
    using Sink = std::function<void(const DecodedFrame&)>;

    FrameTap(Channel& inner, Sink sink) : ForwardingChannel(inner), sink_(std::move(sink)) {}

    int32_t Read(uint8_t* buffer, int32_t capacity, uint32_t timeoutMs) override;
    // The reply before a request is over once the request goes: it is given first.
    int32_t Write(const uint8_t* bytes, int32_t count) override;
    // Gives what is held back first: the last reply may lack its check byte.
    void Close() override;
    // Gives what each direction holds back, as when the line is closed.
    void Flush();

  private:
    void Give(const std::vector<DecodedFrame>& frames) const;

    FrameDecoder decoder_;
    Sink sink_;
};

}  // namespace kd
