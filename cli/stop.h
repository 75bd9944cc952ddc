#pragma once

#include <atomic>
#include <cstdint>
#include <exception>
#include <string>

#include "link/forwarding_channel.h"
#include "protocol/upload.h"

namespace kd::cli {

// Why the program was asked to stop. The signal watcher sets it once; everyone else
// only reads it.
enum class StopCause : int { None = 0, Interrupt, Terminate, HangUp };
using StopFlag = std::atomic<int>;

inline StopCause CauseOf(const StopFlag* flag) {
    return flag == nullptr ? StopCause::None : static_cast<StopCause>(flag->load());
}
// "SIGINT", "SIGTERM", "SIGHUP".
const char* StopName(StopCause cause);
// 130 for SIGINT, 143 for SIGTERM and SIGHUP, as a shell reports a program they killed.
int StopExitCode(StopCause cause);

// Thrown instead of sending a request once a stop was asked for, so that a command ends
// between two exchanges and never in the middle of one.
class Interrupted final : public std::exception {
  public:
    const char* what() const noexcept override { return "interrupted"; }
};

// Passes everything to the port until the stop flag is set; then a request is not sent
// and Interrupted is thrown.
class StopChannel final : public ForwardingChannel {
  public:
    StopChannel(Channel& inner, const StopFlag* stop) : ForwardingChannel(inner), stop_(stop) {}
    int32_t Write(const uint8_t* bytes, int32_t count) override;
    // A request was held back: the command ended before its work was done.
    bool Cut() const { return cut_; }

  private:
    const StopFlag* stop_;
    bool cut_ = false;
};

// The upload's closing wait, cut short by a stop: the image has gone whole by then, and
// Interrupted is thrown so that the command says the wait was not over.
class StopSleeper final : public Sleeper {
  public:
    explicit StopSleeper(const StopFlag* stop) : stop_(stop) {}
    void Sleep(uint32_t milliseconds) override;

  private:
    const StopFlag* stop_;
};

}  // namespace kd::cli
