#include "cli/upload_progress.h"

#include <cstdarg>

namespace kd::cli {

UploadProgress::UploadProgress(std::FILE* err, ProgressView* view, Sleeper& sleeper, bool quiet)
    : err_(err), view_(view), quiet_(quiet), steps_(view, sleeper) {}

void UploadProgress::OnStarted(uint32_t fileLength, uint32_t blocks) {
    started_ = true;
    blocks_ = blocks;
    Message("upload accepted: %u bytes in %u blocks\n", fileLength, blocks);
    steps_.OnStarted(fileLength, blocks);
}

void UploadProgress::OnBlockAcknowledged(uint32_t index, uint32_t bytesSent) {
    blocksDone_ = index + 1;
    bytesSent_ = bytesSent;
    steps_.OnBlockAcknowledged(index, bytesSent);
}

void UploadProgress::OnBlockRetry(uint32_t index, int failedSends) {
    Message("block %u not acknowledged (%d of %d sends), sending it again\n", index, failedSends,
            kUploadSendsPerBlock);
}

void UploadProgress::OnClosingWait(uint32_t milliseconds) {
    waiting_ = true;
    Message("all blocks sent; giving the reader %u s to take the file in\n",
            (milliseconds + 999) / 1000);
}

void UploadProgress::Sleep(uint32_t milliseconds) {
    steps_.Sleep(milliseconds);
}

void UploadProgress::Message(const char* format, ...) {
    if (quiet_) {
        return;
    }
    EraseProgress(view_);
    va_list arguments;
    va_start(arguments, format);
    std::vfprintf(err_, format, arguments);
    va_end(arguments);
    std::fflush(err_);
}

}  // namespace kd::cli
