#pragma once

#include <chrono>
#include <cstdio>

#include "protocol/upload.h"

namespace kd::cli {

// Shows an upload's progress: a bar redrawn in place on a terminal, plain lines
// otherwise; and the closing wait as a countdown.
class UploadProgress final : public UploadObserver, public Sleeper {
  public:
    UploadProgress(std::FILE* out, bool terminal, Sleeper& sleeper);

    void OnStarted(uint32_t fileLength, uint32_t blocks) override;
    void OnBlockAcknowledged(uint32_t index, uint32_t bytesSent) override;
    void OnBlockRetry(uint32_t index, int failedSends) override;
    void OnClosingWait(uint32_t milliseconds) override;
    // The closing wait, a second at a time.
    void Sleep(uint32_t milliseconds) override;

  private:
    using Clock = std::chrono::steady_clock;
    void Draw(uint32_t blocksDone, uint32_t bytesSent, bool last);
    void EndLine();

    std::FILE* out_;
    bool terminal_;
    Sleeper& sleeper_;
    uint32_t length_ = 0;
    uint32_t blocks_ = 0;
    Clock::time_point start_;
    bool lineOpen_ = false;
    uint32_t lastPlainPercent_ = 0;
};

}  // namespace kd::cli
