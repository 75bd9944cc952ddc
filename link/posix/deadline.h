#pragma once

#include <chrono>

namespace kd {

// A point on the monotonic clock; tells how much time is left after every wait instead
// of adding up sleeps.
class Deadline {
  public:
    using Clock = std::chrono::steady_clock;

    explicit Deadline(std::chrono::milliseconds fromNow) : end_(Clock::now() + fromNow) {}

    // Whole milliseconds left, rounded up so a poll never wakes just before the end.
    int RemainingMs() const {
        const auto left = end_ - Clock::now();
        if (left <= Clock::duration::zero()) {
            return 0;
        }
        return static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(left).count());
    }
    bool Expired() const { return Clock::now() >= end_; }

  private:
    Clock::time_point end_;
};

}  // namespace kd
