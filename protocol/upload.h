#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "link/channel.h"
#include "protocol/md5.h"

namespace kd {

// A file opened for one upload: its length and its digest, both taken from this one
// opening, and its bytes read in order.
class UploadFile {
  public:
    virtual ~UploadFile() = default;
    virtual uint32_t Length() const = 0;
    virtual Md5Digest Digest() const = 0;
    // Reads up to size bytes where the previous read ended; returns how many it got.
    virtual size_t Read(uint8_t* into, size_t size) = 0;
};

// Where uploads find their files; tests hand in files held in memory.
class UploadFiles {
  public:
    virtual ~UploadFiles() = default;
    // The named file, opened for reading, or null when it does not exist or cannot be read.
    virtual std::unique_ptr<UploadFile> Open(const std::string& name) = 0;
};

// Files of the current directory. Opening reads the file through once for its length
// and digest, then goes back to its start for the blocks.
class DiskUploadFiles final : public UploadFiles {
  public:
    std::unique_ptr<UploadFile> Open(const std::string& name) override;
};

// The closing wait; tests need not sleep through it.
class Sleeper {
  public:
    virtual ~Sleeper() = default;
    virtual void Sleep(uint32_t milliseconds) = 0;
};

class ThreadSleeper final : public Sleeper {
  public:
    void Sleep(uint32_t milliseconds) override;
};

// What is sent: which file, under which target name, and how long the reader is given
// to take it in after the last block.
struct UploadTarget {
    std::string fileName;
    std::string_view targetName;
    uint32_t closingWaitMs;
};

UploadTarget FirmwareUpload();  // "update" as "tesmor", 30 s
UploadTarget ConfigUpload();    // "config" as "tmconfig.config", 4 s

// A block is sent at most this many times.
inline constexpr int kUploadSendsPerBlock = 4;

enum class UploadOutcome {
    Done,
    NoChannel,
    FileMissing,
    StartWriteFailed,
    StartShortReply,  // fewer than 8 reply bytes, or none
    StartRefused,     // status not 0
    FileReadFailed,   // the file gave fewer bytes than announced, or other bytes
    WriteFailed,
    NotAcknowledged,  // a block went out four times without a good acknowledgement
    Cancelled,        // the observer stopped it between blocks: the reader holds part of it
};

// Told what happens, for progress displays.
class UploadObserver {
  public:
    virtual ~UploadObserver() = default;
    virtual void OnStarted(uint32_t /*fileLength*/, uint32_t /*blocks*/) {}
    virtual void OnBlockAcknowledged(uint32_t /*index*/, uint32_t /*bytesSent*/) {}
    virtual void OnBlockRetry(uint32_t /*index*/, int /*failedSends*/) {}
    virtual void OnClosingWait(uint32_t /*milliseconds*/) {}
    // Asked after each acknowledged block but the last: false stops the upload there.
    virtual bool KeepSending() { return true; }
};

// Sends the whole file: the start frame with length, target name and MD5, then the
// blocks, each acknowledged by its index, then the closing wait. The file is closed on
// every way out.
UploadOutcome RunUpload(Channel* channel, const UploadTarget& target, UploadFiles& files,
                        Sleeper& sleeper, UploadObserver* observer = nullptr);

}  // namespace kd
