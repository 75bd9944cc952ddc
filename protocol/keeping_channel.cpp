#include "protocol/keeping_channel.h"

#include <array>
#include <utility>

#include "protocol/frame.h"

namespace kd {

void KeepingChannel::DiscardInput() {
    // A reader that never stops sending cannot hold the request back for long.
    constexpr size_t kMostBytes = 16 * kMaxFrameSize;
    std::array<uint8_t, Channel::kReadChunk> chunk{};
    for (size_t taken = 0; taken < kMostBytes;) {
        const int32_t got = Inner().Read(chunk.data(), static_cast<int32_t>(chunk.size()), 0);
        if (got <= 0) {
            break;
        }
        kept_.append(chunk.begin(), chunk.begin() + got);
        taken += static_cast<size_t>(got);
    }
    // Nothing is dropped: what comes after this is skipped by the reply's reader, which
    // hands it back through Unclaimed.
}

void KeepingChannel::Unclaimed(std::span<const uint8_t> bytes) {
    kept_.append(bytes.begin(), bytes.end());
}

std::string KeepingChannel::TakeKept() {
    return std::exchange(kept_, {});
}

}  // namespace kd
