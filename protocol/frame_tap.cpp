#include "protocol/frame_tap.h"

namespace kd {

int32_t FrameTap::Read(uint8_t* buffer, int32_t capacity, uint32_t timeoutMs) {
    const int32_t got = Inner().Read(buffer, capacity, timeoutMs);
    if (got > 0) {
        Give(decoder_.Feed(LineDirection::Received,
                           std::span<const uint8_t>(buffer, static_cast<size_t>(got))));
    }
    return got;
}

int32_t FrameTap::Write(const uint8_t* bytes, int32_t count) {
    if (count > 0) {
        Give(decoder_.Feed(LineDirection::Sent,
                           std::span<const uint8_t>(bytes, static_cast<size_t>(count))));
    }
    return Inner().Write(bytes, count);
}

void FrameTap::Close() {
    Flush();
    Inner().Close();
}

void FrameTap::Flush() {
    Give(decoder_.Flush(LineDirection::Received));
    Give(decoder_.Flush(LineDirection::Sent));
}

void FrameTap::Give(const std::vector<DecodedFrame>& frames) const {
    for (const DecodedFrame& frame : frames) {
        sink_(frame);
    }
}

}  // namespace kd
