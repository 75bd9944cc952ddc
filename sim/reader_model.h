#pragma once

#include <cstddef>
#include <cstdint>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/frame.h"
#include "protocol/md5.h"
#include "sim/key_store.h"

namespace kd::sim {

// Status bytes of the replies; anything but Done is a refusal.
namespace status {
inline constexpr uint8_t kDone = 0;
inline constexpr uint8_t kRefused = 1;  // unknown, refused or read-only key; refuse-all
inline constexpr uint8_t kBadCheck = 2;
inline constexpr uint8_t kBlockRefused = 3;  // unexpected index, past the end, no upload
inline constexpr uint8_t kDigestMismatch = 4;
inline constexpr uint8_t kBadRequest = 5;  // unknown command or payload that does not parse
inline constexpr uint8_t kNotKept = 6;     // the state file or the image could not be written
}  // namespace status

// The largest payload a request may announce; more means the bytes are not a frame.
inline constexpr size_t kMaxRequestPayload = kMaxFrameSize - kRequestHeaderSize - 1;
// Larger uploads are refused at their start rather than buffered.
inline constexpr uint32_t kMaxUploadSize = 64u * 1024 * 1024;
// The byte sent as line noise before replies.
inline constexpr uint8_t kGarbageByte = 0xA5;

// Misbehaviour to put on, each independent of the others.
struct FaultPlan {
    bool silent = false;                  // take frames in, never act or answer
    bool refuseAll = false;               // every request gets status 1
    std::set<std::string> refusedKeys{};  // reads, queries and writes of these get status 1
    unsigned dropEvery = 0;               // the Nth, 2Nth... reply is never sent
    unsigned wrongIndexEvery = 0;         // the Nth acceptable data block is acked wrongly
    unsigned splitGapMs = 0;              // replies go in two bursts this far apart
    unsigned garbageBytes = 0;            // this many noise bytes before each reply
    unsigned delayMs = 0;                 // every reply waits this long
    unsigned repeatGapMs = 0;             // every reply is sent again this long after it
    unsigned trickleMs = 0;               // each reply byte goes this long after the one before
    bool unansweredStore = false;         // a store is taken and never answered
    bool refuseStore = false;             // a store is refused, keeping nothing
};

// Wait delayMs after the previous emission (the first: after the bytes came in), then
// send bytes as one burst.
struct Emission {
    uint32_t delayMs = 0;
    std::vector<uint8_t> bytes;
};

// Dropped: a reply that was built and not sent, or a frame the silent reader ignored.
enum class Direction { Rx, Tx, Dropped };

class ModelObserver {
  public:
    virtual ~ModelObserver() = default;
    // Every frame taken in, skipped noise, every reply sent or not sent, with a note:
    // "handshake", "query KEY", "read KEY", "write KEY=VALUE", "store", "upload start
    // NAME L bytes md5 HEX", "upload block J (K bytes)", "dropped reply" and the like.
    virtual void OnFrame(Direction /*direction*/, std::span<const uint8_t> /*bytes*/,
                         std::string_view /*note*/) {}
    // The keys to save; false when they could not be, and the store is refused.
    virtual bool OnStore(const KeyStore& /*keys*/) { return true; }
    // A whole image arrived, matching its digest or not. For a matching image, false
    // means it could not be kept, and its last block is refused.
    virtual bool OnUploadComplete(std::string_view /*target*/, std::span<const uint8_t> /*image*/,
                                  bool /*digestMatches*/) {
        return true;
    }
};

// The reader: request bytes in, reply bursts out. No I/O, no clock, no threads.
class ReaderModel {
  public:
    ReaderModel(KeyStore& keys, FaultPlan faults = {}, ModelObserver* observer = nullptr);

    // Takes bytes as they came off the line, in pieces of any size, and answers every
    // frame they complete.
    std::vector<Emission> Receive(std::span<const uint8_t> bytes);

    const FaultPlan& Faults() const { return faults_; }
    // Counting for the every-Nth faults starts again from here.
    void SetFaults(FaultPlan faults);
    const KeyStore& Keys() const { return keys_; }
    // Bytes held while waiting for the rest of a frame.
    size_t PendingBytes() const { return pending_.size() - start_; }

    struct UploadState {
        bool active = false;  // a start frame was taken
        bool complete = false;
        std::string target;
        uint32_t length = 0;
        uint32_t received = 0;
        uint32_t nextIndex = 0;
    };
    UploadState Upload() const;

  private:
    struct Reply {
        uint8_t status = status::kDone;
        std::vector<uint8_t> payload;
        std::string note;
    };

    void Handle(std::span<const uint8_t> frame, std::vector<Emission>& out);
    void Skip(size_t count);
    void FlushSkipped();
    Reply Answer(const Magic& magic, CommandCode code, std::span<const uint8_t> payload);
    Reply AnswerRead(std::string_view name);
    Reply AnswerWrite(std::span<const uint8_t> payload);
    Reply AnswerStore();
    Reply AnswerUploadStart(std::span<const uint8_t> payload);
    Reply AnswerUploadData(std::span<const uint8_t> payload);
    // Checks the digest and hands the image on; returns the status of the last block.
    uint8_t CompleteUpload(std::string& note);
    void Send(const Magic& magic, CommandCode code, const Reply& reply, std::vector<Emission>& out);
    void Note(Direction direction, std::span<const uint8_t> bytes, std::string_view note);

    KeyStore& keys_;
    FaultPlan faults_;
    ModelObserver* observer_;

    std::vector<uint8_t> pending_;
    size_t start_ = 0;
    size_t skipped_ = 0;

    unsigned repliesBuilt_ = 0;
    unsigned blocksJudged_ = 0;

    struct UploadSession {
        bool active = false;
        bool complete = false;
        uint8_t finalStatus = status::kDone;
        std::string target;
        uint32_t length = 0;
        Md5Digest digest{};
        std::vector<uint8_t> image;
        uint32_t nextIndex = 0;
        size_t lastBlockStart = 0;
    } upload_;
};

}  // namespace kd::sim
