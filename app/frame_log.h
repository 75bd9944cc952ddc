#pragma once

#include <chrono>
#include <cstddef>
#include <deque>
#include <functional>
#include <string>

#include "protocol/frame_words.h"

namespace kd {

// One frame as the window's tap saw it.
struct LoggedFrame {
    std::chrono::system_clock::time_point at;
    DecodedFrame frame;
};

// The frames sent and received since connect, newest last; the oldest go past kKept.
class FrameLog {
  public:
    static constexpr size_t kKept = 10'000;
    // The bytes a line in the window shows; copied and saved text holds them all.
    static constexpr size_t kShownBytes = 48;

    void Add(const DecodedFrame& frame, std::chrono::system_clock::time_point at);
    void Clear() { frames_.clear(); }
    const std::deque<LoggedFrame>& Frames() const { return frames_; }

    // Told of every frame added, after it was added.
    void OnAdded(std::function<void(const LoggedFrame&)> listener) {
        listener_ = std::move(listener);
    }

    // "12:04:05.123 发送 > 68 DD DD 01 00 00 00 69  handshake"; at most shownBytes of hex
    // (0: all), then how many there were.
    static std::string Line(const LoggedFrame& logged, size_t shownBytes);
    // Every frame kept, one line each with all its bytes.
    std::string Text() const;

  private:
    std::deque<LoggedFrame> frames_;
    std::function<void(const LoggedFrame&)> listener_;
};

}  // namespace kd
