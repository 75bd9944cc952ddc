#include "sim/line_pace.h"

#include <poll.h>

#include <algorithm>

namespace kd::sim {

void SleepUntil(SteadyTime until, const sigset_t& waitMask, const volatile sig_atomic_t& stop) {
    while (!stop) {
        const auto left = until - std::chrono::steady_clock::now();
        if (left <= std::chrono::nanoseconds(0)) {
            return;
        }
        const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
        const timespec wait{static_cast<time_t>(ns / 1'000'000'000),
                            static_cast<long>(ns % 1'000'000'000)};
        ::ppoll(nullptr, 0, &wait, &waitMask);
    }
}

SteadyTime ReceiveClock::Took(size_t count) {
    // The sender handed the bytes over now; on the line they follow the ones before.
    const SteadyTime now = std::chrono::steady_clock::now();
    lineFree_ = std::max(lineFree_, now) + pace_.ByteTime() * static_cast<int64_t>(count);
    return lineFree_;
}

}  // namespace kd::sim
