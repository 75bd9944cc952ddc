#include "sim/reader_model.h"

#include <algorithm>
#include <array>
#include <optional>

#include "sim/request_fields.h"

namespace kd::sim {

namespace {

constexpr std::array<uint8_t, 3> kHandshakeReplyPayload{'K', 'D', '1'};

bool StartsLikeMagic(std::span<const uint8_t> bytes) {
    const size_t n = std::min<size_t>(bytes.size(), 3);
    for (const Magic& magic : {kHandshakeMagic, kQueryMagic, kCommandMagic}) {
        if (std::equal(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n),
                       magic.begin())) {
            return true;
        }
    }
    return false;
}

}  // namespace

ReaderModel::ReaderModel(KeyStore& keys, FaultPlan faults, ModelObserver* observer)
    : keys_(keys), faults_(std::move(faults)), observer_(observer) {
    pending_.reserve(2 * kMaxFrameSize);
}

void ReaderModel::SetFaults(FaultPlan faults) {
    faults_ = std::move(faults);
    repliesBuilt_ = 0;
    blocksJudged_ = 0;
}

ReaderModel::UploadState ReaderModel::Upload() const {
    return {upload_.active,
            upload_.complete,
            upload_.target,
            upload_.length,
            static_cast<uint32_t>(upload_.image.size()),
            upload_.nextIndex};
}

std::vector<Emission> ReaderModel::Receive(std::span<const uint8_t> bytes) {
    std::vector<Emission> out;
    pending_.insert(pending_.end(), bytes.begin(), bytes.end());
    for (;;) {
        const auto available = std::span<const uint8_t>(pending_).subspan(start_);
        if (available.empty()) {
            break;
        }
        // Resync one byte at a time until the bytes could begin a frame.
        if (!StartsLikeMagic(available)) {
            Skip(1);
            continue;
        }
        if (available.size() < kRequestHeaderSize) {
            break;
        }
        const size_t payloadLength = GetLe16(&available[5]);
        if (payloadLength > kMaxRequestPayload) {
            Skip(1);
            continue;
        }
        const size_t size = kRequestHeaderSize + payloadLength + 1;
        if (available.size() < size) {
            break;
        }
        FlushSkipped();
        Handle(available.first(size), out);
        start_ += size;
    }
    FlushSkipped();
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(start_));
    start_ = 0;
    return out;
}

void ReaderModel::Skip(size_t count) {
    start_ += count;
    skipped_ += count;
}

void ReaderModel::FlushSkipped() {
    if (skipped_ == 0) {
        return;
    }
    const auto bytes = std::span<const uint8_t>(pending_).subspan(start_ - skipped_, skipped_);
    Note(Direction::Rx, bytes, "skipped " + std::to_string(skipped_) + " bytes");
    skipped_ = 0;
}

void ReaderModel::Note(Direction direction, std::span<const uint8_t> bytes, std::string_view note) {
    if (observer_ != nullptr) {
        observer_->OnFrame(direction, bytes, note);
    }
}

void ReaderModel::Handle(std::span<const uint8_t> frame, std::vector<Emission>& out) {
    const Magic magic{frame[0], frame[1], frame[2]};
    const CommandCode code{frame[3], frame[4]};
    const auto payload = frame.subspan(kRequestHeaderSize, frame.size() - kRequestHeaderSize - 1);
    const bool checkOk = CheckByte(frame.first(frame.size() - 1)) == frame.back();

    Note(Direction::Rx, frame, checkOk ? DescribeRequest(magic, code, payload) : "bad check byte");
    if (faults_.silent) {
        Note(Direction::Dropped, {}, "no reply (silent)");
        return;
    }
    if (checkOk && faults_.unansweredStore && Is(magic, code, kCommandMagic, kStoreKeysCommand)) {
        Note(Direction::Dropped, {}, "no reply to the store (fault)");
        return;
    }

    Reply reply;
    if (!checkOk) {
        reply.status = status::kBadCheck;
        reply.note = "bad check byte";
    } else if (faults_.refuseAll) {
        reply.status = status::kRefused;
        reply.note = "refuse-all (fault)";
    } else {
        reply = Answer(magic, code, payload);
    }
    // Refusals carry four bytes, so every reply is long enough to be judged by its
    // status; a refused data block names the index it refuses.
    if (reply.status != status::kDone && reply.payload.empty()) {
        const bool dataBlock = code == kUploadDataCommand && payload.size() >= 4;
        reply.payload = Le32(dataBlock ? GetLe32(payload.data()) : 0);
    }
    Send(magic, code, reply, out);
}

ReaderModel::Reply ReaderModel::Answer(const Magic& magic, CommandCode code,
                                       std::span<const uint8_t> payload) {
    if (Is(magic, code, kHandshakeMagic, kHandshakeCommand)) {
        return {status::kDone, {kHandshakeReplyPayload.begin(), kHandshakeReplyPayload.end()}, ""};
    }
    if (Is(magic, code, kQueryMagic, kReadKeyCommand) ||
        Is(magic, code, kCommandMagic, kReadKeyCommand)) {
        return AnswerRead(AsText(payload));
    }
    if (Is(magic, code, kCommandMagic, kWriteKeyCommand)) {
        return AnswerWrite(payload);
    }
    if (Is(magic, code, kCommandMagic, kStoreKeysCommand)) {
        return AnswerStore();
    }
    if (Is(magic, code, kHandshakeMagic, kUploadStartCommand)) {
        return AnswerUploadStart(payload);
    }
    if (Is(magic, code, kHandshakeMagic, kUploadDataCommand)) {
        return AnswerUploadData(payload);
    }
    return {status::kBadRequest, {}, "unknown command"};
}

ReaderModel::Reply ReaderModel::AnswerRead(std::string_view name) {
    if (faults_.refusedKeys.contains(std::string(name))) {
        return {status::kRefused, {}, "refused key " + Printable(name) + " (fault)"};
    }
    const std::string* value = keys_.Find(name);
    if (value == nullptr) {
        return {status::kRefused, {}, "unknown key " + Printable(name)};
    }
    std::vector<uint8_t> record(kKeyRecordOverhead + name.size() + value->size());
    EncodeKeyRecord(name, *value, record);
    return {status::kDone, std::move(record), Printable(name) + "=" + Printable(*value)};
}

ReaderModel::Reply ReaderModel::AnswerWrite(std::span<const uint8_t> payload) {
    const auto record = ParseKeyRecord(payload);
    if (!record ||
        kKeyRecordOverhead + record->name.size() + record->value.size() != payload.size()) {
        return {status::kBadRequest, {}, "malformed key record"};
    }
    const std::string name = Printable(record->name);
    if (faults_.refusedKeys.contains(std::string(record->name))) {
        return {status::kRefused, {}, "refused key " + name + " (fault)"};
    }
    switch (keys_.Write(record->name, record->value)) {
        case KeyStore::WriteResult::Done:
            return {status::kDone, {0x00}, ""};
        case KeyStore::WriteResult::UnknownKey:
            return {status::kRefused, {}, "unknown key " + name};
        case KeyStore::WriteResult::ReadOnly:
            return {status::kRefused, {}, "read-only key " + name};
        case KeyStore::WriteResult::TooLong:
            break;
    }
    return {status::kBadRequest, {}, "value too long for " + name};
}

ReaderModel::Reply ReaderModel::AnswerStore() {
    if (faults_.refuseStore) {
        return {status::kNotKept, {}, "store refused (fault)"};
    }
    if (observer_ != nullptr && !observer_->OnStore(keys_)) {
        return {status::kNotKept, {}, "keys not saved"};
    }
    return {status::kDone, {0x00}, ""};
}

void ReaderModel::Send(const Magic& magic, CommandCode code, const Reply& reply,
                       std::vector<Emission>& out) {
    std::vector<uint8_t> frame(kReplyHeaderSize + reply.payload.size() + 1);
    BuildReply(magic, code, reply.status, reply.payload, frame);
    std::string note = "status " + std::to_string(reply.status);
    if (!reply.note.empty()) {
        note += ": " + reply.note;
    }

    ++repliesBuilt_;
    if (faults_.dropEvery != 0 && repliesBuilt_ % faults_.dropEvery == 0) {
        Note(Direction::Dropped, frame, "dropped reply (" + note + ")");
        return;
    }

    Emission first{faults_.delayMs, std::vector<uint8_t>(faults_.garbageBytes, kGarbageByte)};
    if (faults_.garbageBytes != 0) {
        Note(Direction::Tx, first.bytes,
             "garbage (" + std::to_string(faults_.garbageBytes) + " bytes, fault)");
    }
    Note(Direction::Tx, frame, note);
    if (faults_.trickleMs != 0) {
        out.push_back(std::move(first));
        for (const uint8_t byte : frame) {
            out.push_back({faults_.trickleMs, {byte}});
        }
    } else if (faults_.splitGapMs == 0) {
        first.bytes.insert(first.bytes.end(), frame.begin(), frame.end());
        out.push_back(std::move(first));
    } else {
        const auto half = static_cast<std::ptrdiff_t>(frame.size() / 2);
        first.bytes.insert(first.bytes.end(), frame.begin(), frame.begin() + half);
        out.push_back(std::move(first));
        out.push_back(
            {faults_.splitGapMs, std::vector<uint8_t>(frame.begin() + half, frame.end())});
    }
    if (faults_.repeatGapMs != 0) {
        Note(Direction::Tx, frame, "the same reply again (fault)");
        out.push_back({faults_.repeatGapMs, std::move(frame)});
    }
}

}  // namespace kd::sim
