#include "cli/tracing_channel.h"

namespace kd::cli {

int32_t TracingChannel::Read(uint8_t* buffer, int32_t capacity, uint32_t timeoutMs) {
    const int32_t got = Inner().Read(buffer, capacity, timeoutMs);
    if (got > 0) {
        Print('<', buffer, got);
    } else {
        std::fprintf(out_, "< (%s)\n", got == 0 ? "nothing" : "port failed");
    }
    return got;
}

int32_t TracingChannel::Write(const uint8_t* bytes, int32_t count) {
    Print('>', bytes, count);
    const int32_t result = Inner().Write(bytes, count);
    if (result < 1 && count > 0) {
        std::fprintf(out_, "> (write failed)\n");
    }
    return result;
}

void TracingChannel::Print(char direction, const uint8_t* bytes, int32_t count) {
    std::fputc(direction, out_);
    for (int32_t i = 0; i < count; ++i) {
        std::fprintf(out_, " %02X", bytes[i]);
    }
    std::fputc('\n', out_);
    std::fflush(out_);
}

}  // namespace kd::cli
