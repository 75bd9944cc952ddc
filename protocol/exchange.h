#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "link/channel.h"

namespace kd {

// Every exchange waits this long for its reply to begin, counted from when the request has
// left the port; a reply that has begun gets its own line time on top.
inline constexpr uint32_t kReplyTimeoutMs = 2000;

// What a reply must carry to belong to its request, besides the request's magic and
// command bytes, which every reply repeats.
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

// Waits until the request sent with SendRequest has left the port, then takes its reply
// into buffer (cleared first) and returns the part that belongs to it: from the start of
// its frame through what arrived, empty when nothing came or the port failed. Bytes before
// a frame that repeats the request's magic and command are skipped; frames that the rule
// shows to belong to another request are dropped; the skipped bytes, and any that came after
// the reply's frame, go to channel.Unclaimed. Reading ends when the frame is complete,
// the buffer is full, the line stays quiet once the reply can be judged, nothing came
// within the rule's silence, or kReplyTimeoutMs has passed since the request left (plus,
// once a reply has begun, the line time of the bytes its header announces).
std::span<const uint8_t> ReceiveReply(Channel& channel, std::span<uint8_t> buffer,
                                      std::span<const uint8_t> request, const ReplyRule& rule = {});

// How one exchange ended: the request could not go out, nothing came back, the reply was
// short or not whole, or the reply as judged.
enum class ExchangeOutcome { WriteFailed, NoReply, Short, Refused, Accepted };

// Sends the frame, takes the reply into reply and judges it by the rule, its status byte
// and whether all of its announced payload came. received is what arrived for this request.
ExchangeOutcome ExchangeFrame(Channel& channel, std::span<const uint8_t> frame,
                              const ReplyRule& rule, std::span<uint8_t> reply,
                              std::span<const uint8_t>& received);

}  // namespace kd
