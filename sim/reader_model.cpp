#include "sim/reader_model.h"

#include <algorithm>
#include <array>
#include <optional>

namespace kd::sim {

namespace {

constexpr std::array<uint8_t, 3> kHandshakeReplyPayload{'K', 'D', '1'};

std::string_view AsText(std::span<const uint8_t> bytes) {
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

// Names and values from the line may hold any byte; notes stay on one printable line.
std::string Printable(std::string_view text) {
    return EscapeStateField(text, false);
}

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

std::vector<uint8_t> Le32(uint32_t value) {
    std::vector<uint8_t> bytes(4);
    PutLe32(bytes.data(), value);
    return bytes;
}

struct UploadStartFields {
    uint32_t length;
    std::string_view target;
    Md5Digest digest;
};

// File length(4) name length(2) name digest length(2) = 16 digest, nothing after.
std::optional<UploadStartFields> ParseUploadStart(std::span<const uint8_t> payload) {
    if (payload.size() < 6) {
        return std::nullopt;
    }
    const uint32_t length = GetLe32(payload.data());
    const size_t nameLength = GetLe16(payload.data() + 4);
    const size_t digestAt = 6 + nameLength + 2;
    if (payload.size() != digestAt + 16 || GetLe16(payload.data() + 6 + nameLength) != 16) {
        return std::nullopt;
    }
    UploadStartFields fields{length, AsText(payload.subspan(6, nameLength)), {}};
    std::copy_n(payload.begin() + static_cast<std::ptrdiff_t>(digestAt), 16, fields.digest.begin());
    return fields;
}

bool Is(const Magic& magic, CommandCode code, const Magic& wantMagic, CommandCode wantCode) {
    return magic == wantMagic && code == wantCode;
}

// What a request asks for, without acting on it.
std::string Describe(const Magic& magic, CommandCode code, std::span<const uint8_t> payload) {
    if (Is(magic, code, kHandshakeMagic, kHandshakeCommand)) {
        return "handshake";
    }
    if (Is(magic, code, kQueryMagic, kReadKeyCommand)) {
        return "query " + Printable(AsText(payload));
    }
    if (Is(magic, code, kCommandMagic, kReadKeyCommand)) {
        return "read " + Printable(AsText(payload));
    }
    if (Is(magic, code, kCommandMagic, kWriteKeyCommand)) {
        const auto record = ParseKeyRecord(payload);
        if (!record) {
            return "write (malformed key record)";
        }
        return "write " + Printable(record->name) + "=" + Printable(record->value);
    }
    if (Is(magic, code, kCommandMagic, kStoreKeysCommand)) {
        return "store";
    }
    if (Is(magic, code, kHandshakeMagic, kUploadStartCommand)) {
        const auto start = ParseUploadStart(payload);
        if (!start) {
            return "upload start (malformed)";
        }
        return "upload start " + Printable(start->target) + " " + std::to_string(start->length) +
               " bytes md5 " + ToHex(start->digest);
    }
    if (Is(magic, code, kHandshakeMagic, kUploadDataCommand)) {
        if (payload.size() < 5) {
            return "upload block (malformed)";
        }
        return "upload block " + std::to_string(GetLe32(payload.data())) + " (" +
               std::to_string(payload.size() - 4) + " bytes)";
    }
    return "unknown command " + ToHex(magic) + " " +
           ToHex(std::array<uint8_t, 2>{code.command, code.subcommand});
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

    Note(Direction::Rx, frame, checkOk ? Describe(magic, code, payload) : "bad check byte");
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

ReaderModel::Reply ReaderModel::AnswerUploadStart(std::span<const uint8_t> payload) {
    const auto start = ParseUploadStart(payload);
    if (!start || start->target.empty()) {
        return {status::kBadRequest, {}, "malformed upload start"};
    }
    if (start->length > kMaxUploadSize) {
        return {status::kBadRequest, {}, "upload too large"};
    }
    std::string note;
    if (upload_.active && !upload_.complete) {
        note = "previous upload of " + Printable(upload_.target) + " abandoned";
    }
    upload_ = UploadSession{};
    upload_.active = true;
    upload_.target.assign(start->target);
    upload_.length = start->length;
    upload_.digest = start->digest;
    Reply reply{status::kDone, Le32(start->length), std::move(note)};
    if (start->length == 0) {
        reply.status = CompleteUpload(reply.note);
    }
    return reply;
}

uint8_t ReaderModel::CompleteUpload(std::string& note) {
    const bool matches = Md5Of(upload_.image) == upload_.digest;
    const bool kept =
        observer_ == nullptr || observer_->OnUploadComplete(upload_.target, upload_.image, matches);
    upload_.complete = true;
    if (!matches) {
        upload_.finalStatus = status::kDigestMismatch;
    } else {
        upload_.finalStatus = kept ? status::kDone : status::kNotKept;
    }
    if (!note.empty()) {
        note += "; ";
    }
    note += "upload of " + Printable(upload_.target) + " complete, " +
            std::to_string(upload_.image.size()) + " bytes, " +
            (matches ? "digest matches" : "digest mismatch, got " + ToHex(Md5Of(upload_.image)));
    if (matches && !kept) {
        note += ", image not kept";
    }
    return upload_.finalStatus;
}

ReaderModel::Reply ReaderModel::AnswerUploadData(std::span<const uint8_t> payload) {
    if (payload.size() < 5) {
        return {status::kBadRequest, {}, "malformed upload block"};
    }
    const uint32_t index = GetLe32(payload.data());
    const auto data = payload.subspan(4);
    const std::string block = "block " + std::to_string(index);
    if (!upload_.active) {
        return {status::kBlockRefused, {}, block + " refused, no upload started"};
    }

    const bool repeat = upload_.nextIndex > 0 && index == upload_.nextIndex - 1;
    if (repeat) {
        // A resend after a lost acknowledgement must carry the same bytes.
        const auto last = std::span<const uint8_t>(upload_.image).subspan(upload_.lastBlockStart);
        if (!std::equal(data.begin(), data.end(), last.begin(), last.end())) {
            return {status::kBlockRefused, {}, block + " resent with other bytes"};
        }
    } else if (index != upload_.nextIndex) {
        return {status::kBlockRefused,
                {},
                block + " refused, expected " + std::to_string(upload_.nextIndex)};
    } else if (upload_.complete || data.size() > upload_.length - upload_.image.size()) {
        return {status::kBlockRefused, {}, block + " refused, past the end of the file"};
    }

    ++blocksJudged_;
    if (faults_.wrongIndexEvery != 0 && blocksJudged_ % faults_.wrongIndexEvery == 0) {
        return {status::kDone, Le32(index + 1),
                block + " not taken, index " + std::to_string(index + 1) + " echoed (fault)"};
    }
    if (repeat) {
        const uint8_t result = upload_.complete ? upload_.finalStatus : status::kDone;
        return {result, Le32(index), block + " acknowledged again"};
    }

    upload_.lastBlockStart = upload_.image.size();
    upload_.image.insert(upload_.image.end(), data.begin(), data.end());
    ++upload_.nextIndex;
    Reply reply{status::kDone, Le32(index), ""};
    if (upload_.image.size() == upload_.length) {
        reply.status = CompleteUpload(reply.note);
    }
    return reply;
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
