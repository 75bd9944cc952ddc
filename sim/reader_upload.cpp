#include <algorithm>

#include "sim/reader_model.h"
#include "sim/request_fields.h"

// The modelled reader's side of an upload: the start, the blocks, and the image checked
// against its digest once whole.
namespace kd::sim {

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

}  // namespace kd::sim
