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

    // How far the upload came, for what a stop signal says was done.
    bool Started() const { return started_; }
    uint32_t Blocks() const { return blocks_; }
    uint32_t BlocksDone() const { return blocksDone_; }
    uint32_t BytesSent() const { return bytesSent_; }
    bool Waiting() const { return waiting_; }
    // Ends a line drawn in place, so that a message can follow.
    void Stopped() { EndLine(); }

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
    uint32_t blocksDone_ = 0;
    uint32_t bytesSent_ = 0;
    bool started_ = false;
    bool waiting_ = false;
};

}  // namespace kd::cli
