#include "protocol/upload.h"

#include <array>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <thread>

#include "protocol/exchange.h"
#include "protocol/file_md5.h"
#include "protocol/frame.h"
#include "protocol/upload_frames.h"

namespace kd {

namespace {

using FileHandle = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

class DiskFile final : public UploadFile {
  public:
    DiskFile(FileHandle file, uint32_t length, const Md5Digest& digest)
        : file_(std::move(file)), length_(length), digest_(digest) {}
    uint32_t Length() const override { return length_; }
    Md5Digest Digest() const override { return digest_; }
    size_t Read(uint8_t* into, size_t size) override {
        return std::fread(into, 1, size, file_.get());
    }

  private:
    FileHandle file_;
    uint32_t length_;
    Md5Digest digest_;
};

UploadOutcome SendStart(Channel& channel, const UploadTarget& target, uint32_t length,
                        const Md5Digest& digest) {
    std::array<uint8_t, kMaxFrameSize> frame{};
    const size_t size = BuildUploadStartFrame(length, target.targetName, digest, frame);
    std::array<uint8_t, kReceiveBufferSize> reply{};
    std::span<const uint8_t> received;
    switch (ExchangeFrame(channel, std::span(frame).first(size),
                          ReplyRule{kUploadStartReplyMin, {}}, reply, received)) {
        case ExchangeOutcome::WriteFailed:
            return UploadOutcome::StartWriteFailed;
        case ExchangeOutcome::NoReply:
        case ExchangeOutcome::Short:
            return UploadOutcome::StartShortReply;
        case ExchangeOutcome::Refused:
            return UploadOutcome::StartRefused;
        case ExchangeOutcome::Accepted:
            break;
    }
    return UploadOutcome::Done;
}

UploadOutcome SendBlocks(Channel& channel, UploadFile& file, uint32_t length,
                         const Md5Digest& announced, UploadObserver* observer) {
    std::array<uint8_t, kReceiveBufferSize> frame{};
    std::array<uint8_t, kReceiveBufferSize> reply{};
    // A file rewritten in place after it was opened would send other bytes than the
    // digest promised: the last block is held back, so the reader never gets a whole
    // image that it has to refuse.
    Md5 sentDigest;
    uint32_t index = 0;
    uint32_t remaining = length;
    uint32_t sent = 0;
    int failedSends = 0;
    size_t frameSize = 0;
    size_t blockSize = 0;
    while (remaining > 0) {
        if (failedSends == 0) {
            blockSize = std::min<size_t>(remaining, kUploadBlockSize);
            frame.fill(0);
            if (file.Read(&frame[kUploadDataOffset], blockSize) < blockSize) {
                return UploadOutcome::FileReadFailed;
            }
            sentDigest.Update(std::span(frame).subspan(kUploadDataOffset, blockSize));
            if (blockSize == remaining && sentDigest.Finish() != announced) {
                return UploadOutcome::FileReadFailed;
            }
            frameSize = SealUploadDataFrame(index, blockSize, frame);
        }
        // A failed write is never repeated.
        // A block's acknowledgement names its index.
        if (!SendRequest(channel, std::span(frame).first(frameSize), ReplyKind::Named)) {
            return UploadOutcome::WriteFailed;
        }
        if (AcknowledgesBlock(ReceiveReply(channel, reply, std::span(frame).first(frameSize)),
                              index)) {
            remaining -= static_cast<uint32_t>(blockSize);
            sent += static_cast<uint32_t>(blockSize);
            if (observer)
                observer->OnBlockAcknowledged(index, sent);
            ++index;
            failedSends = 0;
            if (remaining > 0 && observer && !observer->KeepSending()) {
                return UploadOutcome::Cancelled;
            }
            continue;
        }
        ++failedSends;
        if (failedSends == kUploadSendsPerBlock) {
            return UploadOutcome::NotAcknowledged;
        }
        if (observer)
            observer->OnBlockRetry(index, failedSends);
    }
    return UploadOutcome::Done;
}

}  // namespace

std::unique_ptr<UploadFile> DiskUploadFiles::Open(const std::string& name) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(name, error)) {
        return nullptr;
    }
    FileHandle file(std::fopen(name.c_str(), "rb"), &std::fclose);
    if (!file) {
        return nullptr;
    }
    // Length and digest count the same bytes, whatever happens to the name meanwhile.
    Md5Digest digest{};
    uint64_t length = 0;
    if (!FileMd5(file.get(), digest, length) || std::fseek(file.get(), 0, SEEK_SET) != 0) {
        return nullptr;
    }
    // The start frame announces the length in 32 bits.
    if (length > std::numeric_limits<uint32_t>::max()) {
        return nullptr;
    }
    return std::make_unique<DiskFile>(std::move(file), static_cast<uint32_t>(length), digest);
}

void ThreadSleeper::Sleep(uint32_t milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

UploadTarget FirmwareUpload() {
    return {"update", kFirmwareTargetName, 30000};
}
UploadTarget ConfigUpload() {
    return {"config", kConfigTargetName, 4000};
}

UploadOutcome RunUpload(Channel* channel, const UploadTarget& target, UploadFiles& files,
                        Sleeper& sleeper, UploadObserver* observer) {
    if (channel == nullptr) {
        return UploadOutcome::NoChannel;
    }
    std::unique_ptr<UploadFile> file = files.Open(target.fileName);
    if (!file) {
        return UploadOutcome::FileMissing;
    }
    const uint32_t length = file->Length();
    const Md5Digest digest = file->Digest();
    if (const auto started = SendStart(*channel, target, length, digest);
        started != UploadOutcome::Done) {
        return started;
    }
    if (observer) {
        observer->OnStarted(
            length, static_cast<uint32_t>((length + kUploadBlockSize - 1) / kUploadBlockSize));
    }
    if (const auto sent = SendBlocks(*channel, *file, length, digest, observer);
        sent != UploadOutcome::Done) {
        return sent;
    }
    file.reset();
    if (observer)
        observer->OnClosingWait(target.closingWaitMs);
    sleeper.Sleep(target.closingWaitMs);
    return UploadOutcome::Done;
}

}  // namespace kd
