#include "cli/stop.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "cli/exit_codes.h"

namespace kd::cli {

const char* StopName(StopCause cause) {
    switch (cause) {
        case StopCause::Interrupt:
            return "SIGINT";
        case StopCause::Terminate:
            return "SIGTERM";
        case StopCause::HangUp:
            return "SIGHUP";
        case StopCause::None:
            break;
    }
    return "no signal";
}

int StopExitCode(StopCause cause) {
    return cause == StopCause::Interrupt ? kExitInterrupted : kExitTerminated;
}

int32_t StopChannel::Write(const uint8_t* bytes, int32_t count) {
    if (count > 0 && CauseOf(stop_) != StopCause::None) {
        cut_ = true;
        throw Interrupted();
    }
    return ForwardingChannel::Write(bytes, count);
}

void StopSleeper::Sleep(uint32_t milliseconds) {
    constexpr uint32_t kStep = 50;
    for (uint32_t slept = 0; slept < milliseconds && CauseOf(stop_) == StopCause::None;
         slept += kStep) {
        std::this_thread::sleep_for(
            std::chrono::milliseconds(std::min(kStep, milliseconds - slept)));
    }
    if (CauseOf(stop_) != StopCause::None) {
        throw Interrupted();
    }
}

}  // namespace kd::cli
