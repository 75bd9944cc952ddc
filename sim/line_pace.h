#pragma once

#include <signal.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <span>

namespace kd::sim {

// The time a real line takes, for a reader served on a pseudo-terminal, which moves
// bytes at once: requests count as arrived only after their line time, replies go out
// at the line's rate, and the reader takes a turnaround before it answers.
struct LinePace {
    uint32_t rate = 0;  // baud, 10 bits a byte; 0: no line time
    uint32_t turnaroundMs = 1;

    bool Paced() const { return rate != 0; }
    std::chrono::nanoseconds ByteTime() const {
        return Paced() ? std::chrono::nanoseconds(10'000'000'000LL / rate)
                       : std::chrono::nanoseconds(0);
    }
};

using SteadyTime = std::chrono::steady_clock::time_point;

// Sleeps until the time, waking early for a stop request; signals are taken only with
// waitMask in force.
void SleepUntil(SteadyTime until, const sigset_t& waitMask, const volatile sig_atomic_t& stop);

// Tracks when the bytes taken in so far would have finished arriving on the line.
class ReceiveClock {
  public:
    explicit ReceiveClock(const LinePace& pace) : pace_(pace) {}
    // count bytes were read now; returns when the last of them would have arrived.
    SteadyTime Took(size_t count);

  private:
    const LinePace& pace_;
    SteadyTime lineFree_{};
};

}  // namespace kd::sim
