#include "sim/frame_log.h"

#include <ctime>

namespace kd::sim {

namespace {

void AppendTime(std::string& out, std::chrono::system_clock::time_point when) {
    using namespace std::chrono;
    const std::time_t seconds = system_clock::to_time_t(when);
    const auto millis = duration_cast<milliseconds>(when.time_since_epoch()).count() % 1000;
    std::tm local{};
    localtime_r(&seconds, &local);
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03d", local.tm_hour, local.tm_min,
                  local.tm_sec, static_cast<int>(millis));
    out += text;
}

}  // namespace

void AppendHex(std::string& out, std::span<const uint8_t> bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (i > 0) {
            out.push_back(' ');
        }
        out.push_back(kDigits[bytes[i] >> 4]);
        out.push_back(kDigits[bytes[i] & 0x0F]);
    }
}

std::string FrameLog::FrameLine(std::chrono::system_clock::time_point when, Direction direction,
                                std::span<const uint8_t> bytes, std::string_view note) {
    std::string line;
    line.reserve(32 + bytes.size() * 3 + note.size());
    AppendTime(line, when);
    line += direction == Direction::Rx ? " RX " : " TX ";
    // Nothing went out for a dropped reply; its bytes would read as sent.
    if (direction != Direction::Dropped) {
        AppendHex(line, bytes);
    }
    line += "  # ";
    line += note;
    line += '\n';
    return line;
}

void FrameLog::Frame(Direction direction, std::span<const uint8_t> bytes, std::string_view note) {
    Put(FrameLine(std::chrono::system_clock::now(), direction, bytes, note));
}

void FrameLog::Event(std::string_view text) {
    std::string line;
    AppendTime(line, std::chrono::system_clock::now());
    line += " -- ";
    line += text;
    line += '\n';
    Put(line);
}

void FrameLog::Put(const std::string& line) {
    std::fwrite(line.data(), 1, line.size(), out_);
    std::fflush(out_);
}

}  // namespace kd::sim
