#pragma once

#include <cstdio>

#include "cli/progress_view.h"
#include "protocol/upload.h"
#include "provision/progress.h"

namespace kd::cli {

// Shows an upload: its progress and the closing wait through a progress view, and what
// happens on the way (accepted, a block sent again, all sent) as messages on err, which
// --quiet leaves out.
class UploadProgress final : public UploadObserver, public Sleeper {
  public:
    UploadProgress(std::FILE* err, ProgressView* view, Sleeper& sleeper, bool quiet);

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
    // Clears the live line, so that a message can follow.
    void Stopped() { EraseProgress(view_); }

  private:
    void Message(const char* format, ...);

    std::FILE* err_;
    ProgressView* view_;
    bool quiet_;
    provision::UploadSteps steps_;
    uint32_t blocks_ = 0;
    uint32_t blocksDone_ = 0;
    uint32_t bytesSent_ = 0;
    bool started_ = false;
    bool waiting_ = false;
};

}  // namespace kd::cli
