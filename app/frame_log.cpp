#include "app/frame_log.h"

#include <cstdio>
#include <span>

#include "app/local_time.h"

namespace kd {

void FrameLog::Add(const DecodedFrame& frame, std::chrono::system_clock::time_point at) {
    frames_.push_back({at, frame});
    if (frames_.size() > kKept) {
        frames_.pop_front();
    }
    if (listener_) {
        listener_(frames_.back());
    }
}

std::string FrameLog::Line(const LoggedFrame& logged, size_t shownBytes) {
    using namespace std::chrono;
    const std::tm local = LocalTime(system_clock::to_time_t(logged.at));
    const auto millis = duration_cast<milliseconds>(logged.at.time_since_epoch()).count() % 1000;
    char time[32];
    std::snprintf(time, sizeof time, "%02d:%02d:%02d.%03d", local.tm_hour, local.tm_min,
                  local.tm_sec, static_cast<int>(millis));
    const DecodedFrame& frame = logged.frame;
    std::string line(time);
    line += frame.direction == LineDirection::Sent ? " 发送 > " : " 接收 < ";
    const bool cut = shownBytes != 0 && frame.bytes.size() > shownBytes;
    line += HexBytes(std::span(frame.bytes).first(cut ? shownBytes : frame.bytes.size()));
    if (cut) {
        line += " … (" + std::to_string(frame.bytes.size()) + " 字节)";
    }
    line += "  ";
    line += frame.words;
    return line;
}

std::string FrameLog::Text() const {
    std::string text;
    for (const LoggedFrame& logged : frames_) {
        text += Line(logged, 0);
        text += '\n';
    }
    return text;
}

}  // namespace kd
