#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "link/channel.h"

namespace kd {

// Replies are waited for this long at most; the line time-outs end a read long before.
inline constexpr uint32_t kReplyTimeoutMs = 2000;

// Drops stale input, then hands the whole frame to the channel in one Write.
// Returns false when the write failed.
bool SendRequest(Channel& channel, std::span<const uint8_t> frame);

// Takes one reply into buffer (cleared first). Makes one Read; when that leaves the
// header incomplete or the header announces more bytes than have arrived, it keeps
// reading until the frame is complete, the buffer is full or a Read brings nothing.
// Returns the part of buffer that was received: empty when nothing came or the port
// failed.
std::span<const uint8_t> ReceiveReply(Channel& channel, std::span<uint8_t> buffer);

// How one exchange ended: the request could not go out, or the reply as judged.
enum class ExchangeOutcome { WriteFailed, Short, Refused, Accepted };

// Sends the frame, takes the reply into reply and judges it by its least byte count and
// its status byte. received is what arrived.
ExchangeOutcome ExchangeFrame(Channel& channel, std::span<const uint8_t> frame, size_t leastBytes,
                              std::span<uint8_t> reply, std::span<const uint8_t>& received);

}  // namespace kd
