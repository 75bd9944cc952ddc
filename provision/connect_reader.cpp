#include "provision/connect_reader.h"

#include <algorithm>
#include <thread>

#include "link/serial_channel.h"
#include "protocol/device_commands.h"
#include "provision/progress.h"

namespace kd::provision {

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr auto kRetryPause = 250ms;
constexpr auto kStopCheck = 50ms;

}  // namespace

bool PauseUnlessStopped(const std::function<bool()>& stopped, Clock::duration pause) {
    const auto end = Clock::now() + pause;
    while (!stopped()) {
        const auto now = Clock::now();
        if (now >= end) {
            return true;
        }
        std::this_thread::sleep_for(std::min<Clock::duration>(end - now, kStopCheck));
    }
    return false;
}

std::string LineText(const SerialSettings& line) {
    return LineText(line.baudRate, line.byteSize, line.parity, line.stopBits);
}

std::unique_ptr<Channel> ConnectReader(const SerialSettings& line, bool designedTiming,
                                       Clock::duration window, const std::function<bool()>& stopped,
                                       std::string& why) {
    const auto deadline = Clock::now() + window;
    do {
        std::string error;
        std::unique_ptr<Channel> channel = OpenSerialChannel(line, error);
        if (!channel) {
            why = error;
            continue;
        }
        channel->SetReplyPacing(designedTiming ? Channel::Pacing::Designed
                                               : Channel::Pacing::LineSpeed);
        const int answer = Handshake(channel.get());
        if (answer == kCommandOk) {
            return channel;
        }
        why = answer == kReaderRefused ? "the reader refused the handshake"
                                       : "no answer to the handshake at " + LineText(line);
        channel->Close();
    } while (Clock::now() < deadline && PauseUnlessStopped(stopped, kRetryPause));
    return nullptr;
}

}  // namespace kd::provision
