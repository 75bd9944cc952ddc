#include "cli/tracing_channel.h"

#include <string>

namespace kd::cli {

namespace {

void PrintFrame(std::FILE* out, TracingChannel::Detail detail, const DecodedFrame& frame) {
    std::string line(1, frame.direction == LineDirection::Sent ? '>' : '<');
    line += ' ';
    if (detail == TracingChannel::Detail::HexAndWords) {
        line += HexBytes(frame.bytes);
        line += "  ";
    }
    line += frame.words;
    line += '\n';
    std::fputs(line.c_str(), out);
    std::fflush(out);
}

}  // namespace

TracingChannel::TracingChannel(Channel& inner, std::FILE* out, Detail detail)
    : FrameTap(inner, [out, detail](const DecodedFrame& frame) { PrintFrame(out, detail, frame); }),
      out_(out),
      detail_(detail) {}

int32_t TracingChannel::Read(uint8_t* buffer, int32_t capacity, uint32_t timeoutMs) {
    const int32_t got = FrameTap::Read(buffer, capacity, timeoutMs);
    if (got < 0) {
        std::fprintf(out_, "< (port failed)\n");
    } else if (got == 0 && detail_ == Detail::HexAndWords) {
        std::fprintf(out_, "< (nothing)\n");
    }
    return got;
}

int32_t TracingChannel::Write(const uint8_t* bytes, int32_t count) {
    const int32_t result = FrameTap::Write(bytes, count);
    if (result < 1 && count > 0) {
        std::fprintf(out_, "> (write failed)\n");
    }
    return result;
}

}  // namespace kd::cli
