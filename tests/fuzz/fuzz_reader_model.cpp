// Feeds arbitrary request bytes to the modelled reader, under faults the input picks.
// The reader must answer with well-formed replies, hold at most one frame's bytes while
// it waits, and never take more of an upload than its start announced.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "protocol/frame.h"
#include "sim/key_store.h"
#include "sim/reader_model.h"
#include "tests/fuzz/played_channel.h"

namespace {

using kd::fuzz::Require;

class Observer final : public kd::sim::ModelObserver {
  public:
    explicit Observer(uint8_t choices) : choices_(choices) {}
    bool OnStore(const kd::sim::KeyStore& keys) override {
        return !keys.StateText().empty() && (choices_ & 0x40) == 0;
    }
    bool OnUploadComplete(std::string_view, std::span<const uint8_t>, bool) override {
        return (choices_ & 0x80) == 0;
    }

  private:
    uint8_t choices_;
};

kd::sim::FaultPlan Faults(uint8_t choices) {
    kd::sim::FaultPlan faults;
    faults.refuseAll = (choices & 0x01) != 0;
    faults.dropEvery = (choices & 0x02) != 0 ? 3 : 0;
    faults.wrongIndexEvery = (choices & 0x04) != 0 ? 2 : 0;
    faults.splitGapMs = (choices & 0x08) != 0 ? 100 : 0;
    faults.garbageBytes = (choices & 0x10) != 0 ? 2 : 0;
    if ((choices & 0x20) != 0) {
        faults.refusedKeys = {"workmode", "masterver"};
    }
    return faults;
}

// A reply as the reader builds it: header, the payload it announces, a check byte.
void CheckReply(std::span<const uint8_t> reply) {
    Require(reply.size() > kd::kReplyHeaderSize);
    Require(reply.size() == kd::kReplyHeaderSize + kd::GetLe16(&reply[6]) + 1);
    Require(kd::CheckByte(reply.first(reply.size() - 1)) == reply.back());
}

// The input is a list of pieces, each led by a control byte. With its top bit clear,
// the next 1 to 128 bytes go in as they are; with it set, the bytes after it become a
// request with a correct length and check byte: magic (bits 0-1), command (2 bytes),
// payload length (2 bytes) and payload, so the fuzzer gets past the check byte.
size_t NextPiece(std::span<const uint8_t> input,
                 std::array<uint8_t, 2 * kd::kMaxFrameSize>& piece) {
    const uint8_t control = input[0];
    input = input.subspan(1);
    if ((control & 0x80) == 0) {
        const size_t take = std::min<size_t>(input.size(), 1 + (control & 0x7F));
        std::copy_n(input.begin(), take, piece.begin());
        return take;
    }
    if (input.size() < 4) {
        return 0;
    }
    static constexpr std::array<kd::Magic, 4> kMagics = {
        kd::kHandshakeMagic, kd::kQueryMagic, kd::kCommandMagic, kd::Magic{0x68, 0xDD, 0xEE}};
    const kd::CommandCode code{input[0], input[1]};
    const size_t wanted = kd::GetLe16(&input[2]) % kd::kMaxFrameSize;
    const auto payload = input.subspan(4, std::min(wanted, input.size() - 4));
    return kd::BuildRequest(kMagics[control & 0x03], code, payload, piece);
}

size_t PieceInputSize(std::span<const uint8_t> input) {
    const uint8_t control = input[0];
    if ((control & 0x80) == 0) {
        return 1 + std::min<size_t>(input.size() - 1, 1 + (control & 0x7F));
    }
    if (input.size() < 5) {
        return input.size();
    }
    const size_t wanted = kd::GetLe16(&input[3]) % kd::kMaxFrameSize;
    return 5 + std::min(wanted, input.size() - 5);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    const uint8_t choices = data[0];
    const kd::sim::FaultPlan faults = Faults(choices);
    const bool repliesWhole = faults.garbageBytes == 0 && faults.splitGapMs == 0;
    kd::sim::KeyStore keys;
    Observer observer(choices);
    kd::sim::ReaderModel model(keys, faults, &observer);

    std::span<const uint8_t> input(data + 1, size - 1);
    std::array<uint8_t, 2 * kd::kMaxFrameSize> piece{};
    while (!input.empty()) {
        const size_t pieceSize = NextPiece(input, piece);
        input = input.subspan(PieceInputSize(input));
        for (const auto& emission : model.Receive(std::span(piece).first(pieceSize))) {
            Require(!emission.bytes.empty());
            if (repliesWhole) {
                CheckReply(emission.bytes);
            }
        }
        Require(model.PendingBytes() < kd::kMaxFrameSize);
        const auto upload = model.Upload();
        Require(upload.received <= upload.length);
    }
    return 0;
}
