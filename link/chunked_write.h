#pragma once

#include <algorithm>
#include <cstdint>

#include "link/channel.h"

namespace kd {

// Sends count bytes through sendChunk(bytes, size) in pieces of Channel::kWriteChunk, the
// last holding the remainder. Returns count when every piece went out, count itself with
// nothing sent when count <= 0, and -1 at the first piece sendChunk reports as failed;
// later pieces are not sent.
template <typename SendChunk>
int32_t WriteInChunks(const uint8_t* bytes, int32_t count, SendChunk&& sendChunk) {
    for (int32_t sent = 0; sent < count; sent += Channel::kWriteChunk) {
        const int32_t size = std::min(Channel::kWriteChunk, count - sent);
        if (!sendChunk(bytes + sent, size)) {
            return -1;
        }
    }
    return count;
}

}  // namespace kd
