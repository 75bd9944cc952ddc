#include "cli/upload_progress.h"

#include <algorithm>

namespace kd::cli {

UploadProgress::UploadProgress(std::FILE* out, bool terminal, Sleeper& sleeper)
    : out_(out), terminal_(terminal), sleeper_(sleeper) {}

void UploadProgress::OnStarted(uint32_t fileLength, uint32_t blocks) {
    started_ = true;
    length_ = fileLength;
    blocks_ = blocks;
    start_ = Clock::now();
    std::fprintf(out_, "upload accepted: %u bytes in %u blocks\n", fileLength, blocks);
    std::fflush(out_);
}

void UploadProgress::OnBlockAcknowledged(uint32_t index, uint32_t bytesSent) {
    blocksDone_ = index + 1;
    bytesSent_ = bytesSent;
    Draw(index + 1, bytesSent, index + 1 == blocks_);
}

void UploadProgress::OnBlockRetry(uint32_t index, int failedSends) {
    EndLine();
    std::fprintf(out_, "block %u not acknowledged (%d of %d sends), sending it again\n", index,
                 failedSends, kUploadSendsPerBlock);
    std::fflush(out_);
}

void UploadProgress::OnClosingWait(uint32_t milliseconds) {
    EndLine();
    waiting_ = true;
    std::fprintf(out_, "all blocks sent; giving the reader %u s to take the file in\n",
                 (milliseconds + 999) / 1000);
    std::fflush(out_);
}

void UploadProgress::Sleep(uint32_t milliseconds) {
    uint32_t left = milliseconds;
    while (left > 0) {
        if (terminal_) {
            std::fprintf(out_, "\rwaiting: %3u s left ", (left + 999) / 1000);
            std::fflush(out_);
            lineOpen_ = true;
        }
        const uint32_t step = std::min<uint32_t>(left, 1000);
        sleeper_.Sleep(step);
        left -= step;
    }
    if (terminal_) {
        std::fprintf(out_, "\rwaiting: done        \n");
        lineOpen_ = false;
    }
}

void UploadProgress::Draw(uint32_t blocksDone, uint32_t bytesSent, bool last) {
    const double seconds = std::chrono::duration<double>(Clock::now() - start_).count();
    const double rate = seconds > 0 ? bytesSent / seconds : 0;
    const double left = rate > 0 ? (length_ - bytesSent) / rate : 0;
    const uint32_t percent =
        length_ == 0 ? 100 : static_cast<uint32_t>(uint64_t{bytesSent} * 100 / length_);
    if (terminal_) {
        constexpr int kWidth = 30;
        const int filled = static_cast<int>(percent * kWidth / 100);
        std::fprintf(out_, "\r[%.*s%.*s] %3u%% block %u/%u, %u/%u bytes, %.1f KiB/s, %d:%02d left ",
                     filled, "##############################", kWidth - filled,
                     "                              ", percent, blocksDone, blocks_, bytesSent,
                     length_, rate / 1024, static_cast<int>(left) / 60,
                     static_cast<int>(left) % 60);
        lineOpen_ = true;
        if (last) {
            EndLine();
        }
    } else if (last || percent >= lastPlainPercent_ + 10) {
        lastPlainPercent_ = percent - percent % 10;
        std::fprintf(out_, "%3u%%: block %u/%u, %u/%u bytes, %.1f KiB/s, %d s left\n", percent,
                     blocksDone, blocks_, bytesSent, length_, rate / 1024, static_cast<int>(left));
    }
    std::fflush(out_);
}

void UploadProgress::EndLine() {
    if (lineOpen_) {
        std::fputc('\n', out_);
        lineOpen_ = false;
    }
}

}  // namespace kd::cli
