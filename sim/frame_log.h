#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <string_view>

#include "sim/reader_model.h"

namespace kd::sim {

// One line per frame, "HH:MM:SS.mmm RX|TX <hex bytes>  # <note>", written and flushed
// at once so a test can follow the file while the simulator runs. A reply not sent
// is a TX line without bytes. Other events are "HH:MM:SS.mmm -- <text>".
class FrameLog {
  public:
    explicit FrameLog(std::FILE* out) : out_(out) {}

    void Frame(Direction direction, std::span<const uint8_t> bytes, std::string_view note);
    void Event(std::string_view text);

    static std::string FrameLine(std::chrono::system_clock::time_point when, Direction direction,
                                 std::span<const uint8_t> bytes, std::string_view note);

  private:
    void Put(const std::string& line);

    std::FILE* out_;
};

// Upper-case bytes separated by spaces: "68 DD DD".
void AppendHex(std::string& out, std::span<const uint8_t> bytes);

}  // namespace kd::sim
