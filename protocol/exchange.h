#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "link/channel.h"

namespace kd {

// Every exchange waits at most this long for its reply, counted from the request.
inline constexpr uint32_t kReplyTimeoutMs = 2000;

// What a reply must carry to belong to its request.
struct ReplyRule {
    // Least byte count of an acceptable reply.
    size_t leastBytes = 0;
    // A key read names its key: a reply whose KeyRecord names another key is a late
    // reply to an earlier request and is dropped. Empty for replies that carry no name.
    std::string_view keyName;
    // When not 0, reading ends once the line has stayed silent this long after the
    // request has left the port; a reply that has begun gets the usual time. A search
    // for the reader's line settings uses it, so that a try against silence ends soon.
    uint32_t silenceMs = 0;
};

// Whether a reply tells which request it answers: a key's name, an upload block's index.
enum class ReplyKind { Named, Nameless };

// When an earlier exchange gave up on its reply, first lets that reply arrive and drops
// it: within the line's interval when the reply to come is named, else within a whole
// reply time-out of quiet. Then drops stale input and hands the whole frame to the channel in
// one Write. Returns false when the write failed.
bool SendRequest(Channel& channel, std::span<const uint8_t> frame, ReplyKind kind);

// Takes this request's reply into buffer (cleared first) and returns the part that
// belongs to it: from the start of its frame through what arrived, empty when nothing
// came or the port failed. Frames that the rule shows to belong to another request are
// dropped. Reading ends when the frame is complete, the buffer is full, the line stays
// quiet once the reply can be judged, nothing came within the rule's silence, or kReplyTimeoutMs
// has passed since sent (on a line too slow for the designed interval, plus that interval for each
// reply byte).
std::span<const uint8_t> ReceiveReply(Channel& channel, std::span<uint8_t> buffer,
                                      const ReplyRule& rule, Channel::Clock::time_point sent);

// As above for a reply that carries no name, timed from now.
std::span<const uint8_t> ReceiveReply(Channel& channel, std::span<uint8_t> buffer);

// How one exchange ended: the request could not go out, nothing came back, or the reply
// as judged.
enum class ExchangeOutcome { WriteFailed, NoReply, Short, Refused, Accepted };

// Sends the frame (with a rule's silence, waits until it has left the port), takes the reply into
// reply and judges it by the rule and its status byte. received is what arrived for this request.
ExchangeOutcome ExchangeFrame(Channel& channel, std::span<const uint8_t> frame,
                              const ReplyRule& rule, std::span<uint8_t> reply,
                              std::span<const uint8_t>& received);

}  // namespace kd
