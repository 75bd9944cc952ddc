#pragma once

#include <cstdint>
#include <string>

#include "protocol/upload.h"

// How far long work has come, told to whoever shows it. Provision never draws anything:
// the program that runs it decides whether a step becomes a redrawn line, a plain line or
// nothing.
namespace kd::provision {

enum class Phase {
    Connecting,
    Probing,
    Reading,
    Writing,
    Storing,
    Verifying,
    Uploading,
    Waiting,
    Reconnecting,
};

struct ProgressStep {
    Phase phase = Phase::Connecting;
    // Keys read or written, settings tried, bytes sent or seconds waited so far, of total;
    // total 0: the phase has no count.
    uint64_t done = 0;
    uint64_t total = 0;
    std::string setting;  // probing: the line setting being tried, e.g. "9600 8N1"
};

class Progress {
  public:
    virtual ~Progress() = default;
    // Called from the thread doing the work.
    virtual void Step(const ProgressStep& step) = 0;
};

// Tells progress of the step; nothing when progress is null.
void Report(Progress* progress, ProgressStep step);

// "115200 8N1": a line setting in a few characters.
std::string LineText(uint32_t baudRate, unsigned dataBits, const std::string& parity,
                     const std::string& stopBits);

// An upload and its closing wait, told as steps: bytes sent, then the wait a second at a
// time (slept through sleeper, so a stop can still cut it short).
class UploadSteps final : public UploadObserver, public Sleeper {
  public:
    UploadSteps(Progress* progress, Sleeper& sleeper) : progress_(progress), sleeper_(sleeper) {}

    void OnStarted(uint32_t fileLength, uint32_t blocks) override;
    void OnBlockAcknowledged(uint32_t index, uint32_t bytesSent) override;
    void Sleep(uint32_t milliseconds) override;

  private:
    Progress* progress_;
    Sleeper& sleeper_;
    uint32_t length_ = 0;
};

}  // namespace kd::provision
