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

  private:
    void Message(const char* format, ...);

    std::FILE* err_;
    ProgressView* view_;
    bool quiet_;
    provision::UploadSteps steps_;
};

}  // namespace kd::cli
