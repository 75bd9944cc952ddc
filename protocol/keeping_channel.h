#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "link/forwarding_channel.h"

namespace kd {

// Keeps what the reader sent of itself while exchanges ran over the channel: the bytes
// the exchanges did not claim as replies, and the input they would have discarded before
// a request. Nothing is lost, so a read that came in the middle of a few queries can
// still be shown. A late reply that an exchange lets pass after giving up on it is not
// kept: it is a reply.
class KeepingChannel final : public ForwardingChannel {
  public:
    explicit KeepingChannel(Channel& inner) : ForwardingChannel(inner) {}

    // Reads what has already arrived into the kept bytes instead of dropping it.
    void DiscardInput() override;
    void Unclaimed(std::span<const uint8_t> bytes) override;

    // The kept bytes in the order they came; they are kept no more.
    std::string TakeKept();

  private:
    std::string kept_;
};

}  // namespace kd
