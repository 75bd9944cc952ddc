#include "provision/progress.h"

#include <algorithm>

namespace kd::provision {

void Report(Progress* progress, ProgressStep step) {
    if (progress != nullptr) {
        progress->Step(step);
    }
}

std::string LineText(uint32_t baudRate, unsigned dataBits, const std::string& parity,
                     const std::string& stopBits) {
    return std::to_string(baudRate) + " " + std::to_string(dataBits) +
           (parity.empty() ? '?' : parity.front()) + stopBits;
}

void UploadSteps::OnStarted(uint32_t fileLength, uint32_t /*blocks*/) {
    length_ = fileLength;
    Report(progress_, {Phase::Uploading, 0, fileLength, {}});
}

void UploadSteps::OnBlockAcknowledged(uint32_t /*index*/, uint32_t bytesSent) {
    Report(progress_, {Phase::Uploading, bytesSent, length_, {}});
}

void UploadSteps::Sleep(uint32_t milliseconds) {
    const uint64_t seconds = (milliseconds + 999) / 1000;
    uint32_t slept = 0;
    while (slept < milliseconds) {
        Report(progress_, {Phase::Waiting, slept / 1000, seconds, {}});
        const uint32_t step = std::min<uint32_t>(milliseconds - slept, 1000);
        sleeper_.Sleep(step);
        slept += step;
    }
}

}  // namespace kd::provision
