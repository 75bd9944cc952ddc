#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "protocol/frame.h"
#include "protocol/md5.h"
#include "protocol/upload_frames.h"
#include "sim/reader_model.h"

namespace kd::sim {
namespace {

using Bytes = std::vector<uint8_t>;
using ::testing::HasSubstr;

Bytes Hex(std::string_view text) {
    Bytes bytes;
    unsigned value = 0;
    int digits = 0;
    for (char c : text) {
        if (c == ' ') {
            continue;
        }
        value = value * 16 + static_cast<unsigned>(std::stoi(std::string(1, c), nullptr, 16));
        if (++digits == 2) {
            bytes.push_back(static_cast<uint8_t>(value));
            value = 0;
            digits = 0;
        }
    }
    return bytes;
}

std::string HexOf(std::span<const uint8_t> bytes) {
    std::string text;
    for (uint8_t b : bytes) {
        char part[4];
        std::snprintf(part, sizeof part, text.empty() ? "%02X" : " %02X", b);
        text += part;
    }
    return text;
}

Bytes AsBytes(std::string_view text) {
    return {text.begin(), text.end()};
}

Bytes Request(const Magic& magic, CommandCode code, const Bytes& payload) {
    Bytes frame(kMaxFrameSize);
    frame.resize(BuildRequest(magic, code, payload, frame));
    return frame;
}

Bytes ReadRequest(std::string_view name) {
    return Request(kCommandMagic, kReadKeyCommand, AsBytes(name));
}

Bytes WriteRequest(std::string_view name, std::string_view value) {
    Bytes record(kMaxFrameSize);
    record.resize(EncodeKeyRecord(name, value, record));
    return Request(kCommandMagic, kWriteKeyCommand, record);
}

const Bytes kHandshake = Hex("68 DD DD 01 00 00 00 69");
const Bytes kStore = Hex("66 BB EE 09 00 00 00 3A");

// Everything the model would send, bursts joined.
Bytes Joined(const std::vector<Emission>& emissions) {
    Bytes all;
    for (const auto& emission : emissions) {
        all.insert(all.end(), emission.bytes.begin(), emission.bytes.end());
    }
    return all;
}

uint8_t StatusOf(const Bytes& reply) {
    return reply.at(kReplyStatusOffset);
}

struct Recorder final : ModelObserver {
    void OnFrame(Direction direction, std::span<const uint8_t>, std::string_view note) override {
        (direction == Direction::Rx   ? rx
         : direction == Direction::Tx ? tx
                                      : dropped)
            .emplace_back(note);
    }
    bool OnStore(const KeyStore& keys) override {
        stored.push_back(*keys.Find("workmode"));
        return storeWorks;
    }
    bool OnUploadComplete(std::string_view target, std::span<const uint8_t> image,
                          bool digestMatches) override {
        uploads.push_back({std::string(target), Bytes(image.begin(), image.end()), digestMatches});
        return keepWorks;
    }

    struct Upload {
        std::string target;
        Bytes image;
        bool matches;
    };
    std::vector<std::string> rx, tx, dropped, stored;
    std::vector<Upload> uploads;
    bool storeWorks = true;
    bool keepWorks = true;
};

class ReaderModelTest : public ::testing::Test {
  protected:
    Bytes Send(const Bytes& request) { return Joined(model.Receive(request)); }

    KeyStore keys;
    Recorder seen;
    ReaderModel model{keys, {}, &seen};
};

TEST_F(ReaderModelTest, AnswersTheDocumentedExchangesByteForByte) {
    EXPECT_EQ(HexOf(Send(kHandshake)), "68 DD DD 01 00 00 03 00 4B 44 31 54");

    const Bytes write = Hex("66 BB EE 07 00 0C 00 08 77 6F 72 6B 6D 6F 64 65 01 00 31 02");
    EXPECT_EQ(HexOf(Send(write)), "66 BB EE 07 00 00 01 00 00 35");

    const Bytes read = Hex("66 BB EE 08 00 08 00 77 6F 72 6B 6D 6F 64 65 31");
    EXPECT_EQ(HexOf(Send(read)), "66 BB EE 08 00 00 0C 00 08 77 6F 72 6B 6D 6F 64 65 01 00 31 0D");

    EXPECT_EQ(HexOf(Send(kStore)), "66 BB EE 09 00 00 01 00 00 3B");
    EXPECT_THAT(seen.rx,
                ::testing::ElementsAre("handshake", "write workmode=1", "read workmode", "store"));
    EXPECT_THAT(seen.stored, ::testing::ElementsAre("1"));
}

TEST_F(ReaderModelTest, VersionQueryUsesItsOwnMagicAndMeetsTheToolsMinimum) {
    const Bytes reply = Send(Request(kQueryMagic, kReadKeyCommand, AsBytes("slavever")));
    ASSERT_GE(reply.size(), kQueryReplyMin);
    EXPECT_EQ(HexOf(std::span(reply).first(5)), "77 CC DD 08 00");
    EXPECT_EQ(StatusOf(reply), 0);
    const auto record = ParseKeyRecord(*ReplyPayload(reply));
    ASSERT_TRUE(record);
    EXPECT_EQ(record->name, "slavever");
    EXPECT_EQ(record->value, "2026-10-12 15:04:33");
    EXPECT_EQ(reply.back(), CheckByte(std::span(reply).first(reply.size() - 1)));
    EXPECT_EQ(seen.rx.back(), "query slavever");
}

TEST_F(ReaderModelTest, RefusalsAreLongEnoughToBeJudgedByTheirStatus) {
    const Bytes unknownRead = Send(ReadRequest("nosuchkey"));
    EXPECT_EQ(StatusOf(unknownRead), status::kRefused);
    EXPECT_EQ(JudgeReply(unknownRead, kHandshakeReplyMin), ReplyVerdict::Refused);

    EXPECT_EQ(StatusOf(Send(WriteRequest("nosuchkey", "1"))), status::kRefused);
    EXPECT_EQ(StatusOf(Send(Request(kQueryMagic, kReadKeyCommand, AsBytes("nosuchkey")))),
              status::kRefused);

    EXPECT_EQ(StatusOf(Send(WriteRequest("masterver", "V0"))), status::kRefused);
    EXPECT_EQ(*keys.Find("masterver"), "V3.1.7");
    EXPECT_THAT(seen.tx.back(), HasSubstr("read-only"));
}

TEST_F(ReaderModelTest, BadCheckByteIsRefusedAndNotActedOn) {
    Bytes write = WriteRequest("workmode", "5");
    write.back() ^= 0xFF;
    const Bytes reply = Send(write);
    EXPECT_EQ(StatusOf(reply), status::kBadCheck);
    EXPECT_EQ(HexOf(std::span(reply).first(5)), "66 BB EE 07 00");
    EXPECT_EQ(*keys.Find("workmode"), "0");
    EXPECT_EQ(seen.rx.back(), "bad check byte");
}

TEST_F(ReaderModelTest, MalformedRequestsAreRefused) {
    Bytes record = Hex("08 77 6F 72 6B 6D 6F 64 65 01 00 31 FF");  // a byte after the record
    EXPECT_EQ(StatusOf(Send(Request(kCommandMagic, kWriteKeyCommand, record))),
              status::kBadRequest);
    EXPECT_EQ(*keys.Find("workmode"), "0");
    EXPECT_EQ(StatusOf(Send(Request(kCommandMagic, {0x05, 0x00}, {}))), status::kBadRequest);
    EXPECT_EQ(StatusOf(Send(Request(kQueryMagic, kWriteKeyCommand, {}))), status::kBadRequest);
    EXPECT_THAT(seen.rx.back(), HasSubstr("unknown command"));
}

TEST_F(ReaderModelTest, FailedStoreIsReportedAsRefused) {
    seen.storeWorks = false;
    EXPECT_EQ(StatusOf(Send(kStore)), status::kNotKept);
    EXPECT_EQ(seen.stored.size(), 1u);
}

TEST_F(ReaderModelTest, ValuesWithAnyBytesAreKeptAndNotedOnOneLine) {
    const std::string value("a\nb\x01\xFF", 5);
    EXPECT_EQ(StatusOf(Send(WriteRequest("codeprefix", value))), 0);
    EXPECT_EQ(*keys.Find("codeprefix"), value);
    EXPECT_EQ(seen.rx.back(), "write codeprefix=a%0Ab%01%FF");
}

// Resync: whatever comes before a magic is skipped, one byte at a time.

TEST_F(ReaderModelTest, SkipsNoiseAndPartialMagicsBeforeAFrame) {
    Bytes noisy = Hex("00 FF 66 BB 68 DD 77");
    noisy.insert(noisy.end(), kHandshake.begin(), kHandshake.end());
    const auto emissions = model.Receive(noisy);
    ASSERT_EQ(emissions.size(), 1u);
    EXPECT_EQ(StatusOf(emissions[0].bytes), 0);
    EXPECT_THAT(seen.rx, ::testing::ElementsAre("skipped 7 bytes", "handshake"));
    EXPECT_EQ(model.PendingBytes(), 0u);
}

TEST_F(ReaderModelTest, OverlongLengthIsNotAFrame) {
    // Announces 1017 payload bytes; the handshake inside must still be found.
    Bytes bytes = Hex("66 BB EE 08 00 F9 03");
    bytes.insert(bytes.end(), kHandshake.begin(), kHandshake.end());
    const Bytes reply = Send(bytes);
    EXPECT_EQ(HexOf(reply), "68 DD DD 01 00 00 03 00 4B 44 31 54");

    // At the limit, 1016 bytes, it is a frame and waits for them.
    Bytes atLimit = Hex("66 BB EE 08 00 F8 03");
    EXPECT_TRUE(model.Receive(atLimit).empty());
    EXPECT_EQ(model.PendingBytes(), 7u);
}

TEST_F(ReaderModelTest, FramesSplitAnywhereOrJoinedGiveTheSameReplies) {
    Bytes stream = kHandshake;
    const Bytes write = WriteRequest("workmode", "2");
    stream.insert(stream.end(), write.begin(), write.end());
    stream.insert(stream.end(), kStore.begin(), kStore.end());

    KeyStore otherKeys;
    ReaderModel other(otherKeys);
    const Bytes together = Joined(other.Receive(stream));

    Bytes byteByByte;
    for (uint8_t b : stream) {
        const Bytes part = Joined(model.Receive(std::span(&b, 1)));
        byteByByte.insert(byteByByte.end(), part.begin(), part.end());
    }
    EXPECT_EQ(byteByByte, together);
    EXPECT_EQ(together.size(), 12u + 10u + 10u);
    EXPECT_EQ(*keys.Find("workmode"), "2");
}

// Faults.

TEST(ReaderModelFaults, SilentReaderNeitherAnswersNorActs) {
    KeyStore keys;
    Recorder seen;
    ReaderModel model(keys, {.silent = true}, &seen);
    EXPECT_TRUE(model.Receive(WriteRequest("workmode", "1")).empty());
    EXPECT_TRUE(model.Receive(kHandshake).empty());
    EXPECT_EQ(*keys.Find("workmode"), "0");
    EXPECT_THAT(seen.rx, ::testing::ElementsAre("write workmode=1", "handshake"));
    EXPECT_EQ(seen.dropped.size(), 2u);
}

TEST(ReaderModelFaults, RefuseAllRefusesEverythingAndChangesNothing) {
    KeyStore keys;
    Recorder seen;
    ReaderModel model(keys, {.refuseAll = true}, &seen);
    for (const Bytes& request : {kHandshake, WriteRequest("workmode", "1"), kStore}) {
        const Bytes reply = Joined(model.Receive(request));
        EXPECT_EQ(StatusOf(reply), status::kRefused) << HexOf(request);
        EXPECT_EQ(HexOf(std::span(reply).first(5)), HexOf(std::span(request).first(5)));
    }
    EXPECT_EQ(*keys.Find("workmode"), "0");
    EXPECT_TRUE(seen.stored.empty());
}

TEST(ReaderModelFaults, RefusedKeyIsRefusedForReadsWritesAndQueries) {
    KeyStore keys;
    FaultPlan faults;
    faults.refusedKeys = {"workmode", "masterver"};
    ReaderModel model(keys, faults);
    auto status = [&](const Bytes& request) { return StatusOf(Joined(model.Receive(request))); };
    EXPECT_EQ(status(ReadRequest("workmode")), status::kRefused);
    EXPECT_EQ(status(WriteRequest("workmode", "1")), status::kRefused);
    EXPECT_EQ(status(Request(kQueryMagic, kReadKeyCommand, AsBytes("masterver"))),
              status::kRefused);
    EXPECT_EQ(*keys.Find("workmode"), "0");
    EXPECT_EQ(status(ReadRequest("scanmode")), 0);
    EXPECT_EQ(status(WriteRequest("scanmode", "1")), 0);
}

TEST(ReaderModelFaults, DropEveryThirdReplyStillActsOnTheRequest) {
    KeyStore keys;
    Recorder seen;
    ReaderModel model(keys, {.dropEvery = 3}, &seen);
    std::vector<size_t> sent;
    for (int i = 0; i < 6; ++i) {
        sent.push_back(model.Receive(WriteRequest("intervaltime", std::to_string(i))).size());
    }
    EXPECT_THAT(sent, ::testing::ElementsAre(1, 1, 0, 1, 1, 0));
    EXPECT_EQ(*keys.Find("intervaltime"), "5");
    ASSERT_EQ(seen.dropped.size(), 2u);
    EXPECT_THAT(seen.dropped[0], ::testing::StartsWith("dropped reply"));
    EXPECT_EQ(seen.tx.size(), 4u);

    // Faults put on later count from then.
    model.Receive(kHandshake);
    model.SetFaults({.dropEvery = 2});
    EXPECT_EQ(model.Receive(kHandshake).size(), 1u);
    EXPECT_TRUE(model.Receive(kHandshake).empty());
}

TEST(ReaderModelFaults, SplitGapGarbageAndDelayShapeTheBursts) {
    KeyStore plainKeys;
    ReaderModel plain(plainKeys);
    const Bytes reply = Joined(plain.Receive(kHandshake));

    KeyStore keys;
    ReaderModel split(keys, {.splitGapMs = 200});
    auto parts = split.Receive(kHandshake);
    ASSERT_EQ(parts.size(), 2u);
    EXPECT_EQ(parts[0].delayMs, 0u);
    EXPECT_EQ(parts[1].delayMs, 200u);
    EXPECT_FALSE(parts[0].bytes.empty());
    EXPECT_EQ(Joined(parts), reply);

    ReaderModel noisy(keys, {.garbageBytes = 5});
    parts = noisy.Receive(kHandshake);
    ASSERT_EQ(parts.size(), 1u);
    EXPECT_EQ(HexOf(std::span(parts[0].bytes).first(5)), "A5 A5 A5 A5 A5");
    EXPECT_EQ(Bytes(parts[0].bytes.begin() + 5, parts[0].bytes.end()), reply);

    ReaderModel slow(keys, {.splitGapMs = 200, .delayMs = 300});
    parts = slow.Receive(kHandshake);
    ASSERT_EQ(parts.size(), 2u);
    EXPECT_EQ(parts[0].delayMs, 300u);
    EXPECT_EQ(parts[1].delayMs, 200u);

    // Two requests at once: each reply waits its own delay after the one before.
    Bytes twice = kHandshake;
    twice.insert(twice.end(), kHandshake.begin(), kHandshake.end());
    ReaderModel delayed(keys, {.delayMs = 300});
    parts = delayed.Receive(twice);
    ASSERT_EQ(parts.size(), 2u);
    EXPECT_EQ(parts[0].delayMs, 300u);
    EXPECT_EQ(parts[1].delayMs, 300u);
}

// Uploads.

Bytes StartFrame(uint32_t length, std::string_view target, const Md5Digest& digest) {
    Bytes frame(kMaxFrameSize);
    frame.resize(BuildUploadStartFrame(length, target, digest, frame));
    return frame;
}

Bytes DataFrame(uint32_t index, std::span<const uint8_t> data) {
    Bytes frame(kMaxFrameSize);
    std::copy(data.begin(), data.end(), frame.begin() + kUploadDataOffset);
    frame.resize(SealUploadDataFrame(index, data.size(), frame));
    return frame;
}

Bytes Image(size_t size) {
    Bytes image(size);
    for (size_t i = 0; i < size; ++i) {
        image[i] = static_cast<uint8_t>(i * 7 + i / 256);
    }
    return image;
}

std::span<const uint8_t> Block(const Bytes& image, uint32_t index) {
    const size_t at = index * kUploadBlockSize;
    return std::span(image).subspan(at, std::min(kUploadBlockSize, image.size() - at));
}

uint32_t EchoedIndex(const Bytes& reply) {
    return GetLe32(&reply.at(kReplyHeaderSize));
}

class ModelUploadTest : public ReaderModelTest {
  protected:
    const Bytes image = Image(2500);  // blocks of 1012, 1012 and 476 bytes
};

TEST_F(ModelUploadTest, EmptyFirmwareCompletesAtTheStartFrame) {
    const Bytes start = Hex(
        "68 DD DD EA EA 1E 00 00 00 00 00 06 00 74 65 73 6D 6F 72 10 00 D4 1D 8C D9 8F 00 B2 04 "
        "E9 80 09 98 EC F8 42 7E 07");
    const Bytes reply = Send(start);
    ASSERT_GE(reply.size(), kUploadStartReplyMin);
    EXPECT_EQ(StatusOf(reply), 0);
    EXPECT_EQ(seen.rx.back(), "upload start tesmor 0 bytes md5 d41d8cd98f00b204e9800998ecf8427e");
    ASSERT_EQ(seen.uploads.size(), 1u);
    EXPECT_EQ(seen.uploads[0].target, "tesmor");
    EXPECT_TRUE(seen.uploads[0].image.empty());
    EXPECT_TRUE(seen.uploads[0].matches);
}

TEST_F(ModelUploadTest, BlocksAreAcknowledgedByIndexAndTheImageArrivesWhole) {
    EXPECT_EQ(StatusOf(Send(StartFrame(2500, kConfigTargetName, Md5Of(image)))), 0);
    for (uint32_t index = 0; index < 3; ++index) {
        const Bytes ack = Send(DataFrame(index, Block(image, index)));
        EXPECT_TRUE(AcknowledgesBlock(ack, index)) << HexOf(ack);
        EXPECT_EQ(ack.size(), 13u);
    }
    EXPECT_THAT(seen.rx, ::testing::Contains("upload block 1 (1012 bytes)"));
    EXPECT_THAT(seen.rx, ::testing::Contains("upload block 2 (476 bytes)"));
    ASSERT_EQ(seen.uploads.size(), 1u);
    EXPECT_EQ(seen.uploads[0].target, "tmconfig.config");
    EXPECT_EQ(seen.uploads[0].image, image);
    EXPECT_TRUE(seen.uploads[0].matches);
    EXPECT_TRUE(model.Upload().complete);
}

TEST_F(ModelUploadTest, ResentBlockIsAcknowledgedAgainWithoutBeingAppended) {
    Send(StartFrame(2500, kFirmwareTargetName, Md5Of(image)));
    Send(DataFrame(0, Block(image, 0)));
    const Bytes again = Send(DataFrame(0, Block(image, 0)));
    EXPECT_TRUE(AcknowledgesBlock(again, 0));
    EXPECT_EQ(model.Upload().received, 1012u);

    // The same index with other bytes is not a resend.
    Bytes changed(Block(image, 0).begin(), Block(image, 0).end());
    changed[100] ^= 1;
    EXPECT_EQ(StatusOf(Send(DataFrame(0, changed))), status::kBlockRefused);

    Send(DataFrame(1, Block(image, 1)));
    Send(DataFrame(2, Block(image, 2)));
    // The last acknowledgement may be lost too; its resend is answered the same way.
    const Bytes lastAgain = Send(DataFrame(2, Block(image, 2)));
    EXPECT_TRUE(AcknowledgesBlock(lastAgain, 2));
    ASSERT_EQ(seen.uploads.size(), 1u);
    EXPECT_EQ(seen.uploads[0].image, image);
}

TEST_F(ModelUploadTest, UnexpectedIndexIsRefusedAndLogged) {
    Send(StartFrame(2500, kFirmwareTargetName, Md5Of(image)));
    Send(DataFrame(0, Block(image, 0)));
    const Bytes skipped = Send(DataFrame(2, Block(image, 2)));
    EXPECT_EQ(StatusOf(skipped), status::kBlockRefused);
    EXPECT_EQ(EchoedIndex(skipped), 2u);
    EXPECT_THAT(seen.tx.back(), HasSubstr("expected 1"));
    EXPECT_EQ(model.Upload().received, 1012u);
    EXPECT_TRUE(AcknowledgesBlock(Send(DataFrame(1, Block(image, 1))), 1));
}

TEST_F(ModelUploadTest, BlocksOutsideAnUploadAreRefused) {
    EXPECT_EQ(StatusOf(Send(DataFrame(0, Block(image, 0)))), status::kBlockRefused);

    // Two bytes announced, three sent.
    Send(StartFrame(2, kFirmwareTargetName, Md5Of(Bytes{1, 2})));
    EXPECT_EQ(StatusOf(Send(DataFrame(0, Bytes{1, 2, 3}))), status::kBlockRefused);
    EXPECT_EQ(StatusOf(Send(DataFrame(0, Bytes{1, 2}))), 0);
    EXPECT_EQ(StatusOf(Send(DataFrame(1, Bytes{3}))), status::kBlockRefused);
    EXPECT_EQ(seen.uploads.size(), 1u);
}

TEST_F(ModelUploadTest, DigestMismatchRefusesTheLastBlock) {
    Md5Digest wrong = Md5Of(image);
    wrong[0] ^= 0xFF;
    Send(StartFrame(2500, kFirmwareTargetName, wrong));
    EXPECT_EQ(StatusOf(Send(DataFrame(0, Block(image, 0)))), 0);
    EXPECT_EQ(StatusOf(Send(DataFrame(1, Block(image, 1)))), 0);
    EXPECT_EQ(StatusOf(Send(DataFrame(2, Block(image, 2)))), status::kDigestMismatch);
    EXPECT_EQ(StatusOf(Send(DataFrame(2, Block(image, 2)))), status::kDigestMismatch);
    ASSERT_EQ(seen.uploads.size(), 1u);
    EXPECT_FALSE(seen.uploads[0].matches);

    // So is an empty file announced with the digest of something else.
    EXPECT_EQ(StatusOf(Send(StartFrame(0, kFirmwareTargetName, wrong))), status::kDigestMismatch);
}

TEST_F(ModelUploadTest, ImageThatCannotBeKeptIsNotAcknowledged) {
    seen.keepWorks = false;
    Send(StartFrame(3, kFirmwareTargetName, Md5Of(Bytes{1, 2, 3})));
    EXPECT_EQ(StatusOf(Send(DataFrame(0, Bytes{1, 2, 3}))), status::kNotKept);
}

TEST_F(ModelUploadTest, StartFrameChecksItsFields) {
    EXPECT_EQ(StatusOf(Send(StartFrame(kMaxUploadSize + 1, kFirmwareTargetName, {}))),
              status::kBadRequest);
    EXPECT_EQ(StatusOf(Send(StartFrame(1, "", {}))), status::kBadRequest);
    Bytes start = StartFrame(1, kFirmwareTargetName, {});
    start[start.size() - 19] = 15;  // digest length other than 16
    start.back() = CheckByte(std::span(start).first(start.size() - 1));
    EXPECT_EQ(StatusOf(Send(start)), status::kBadRequest);
    EXPECT_FALSE(model.Upload().active);
}

TEST_F(ModelUploadTest, NewStartAbandonsTheUploadInProgress) {
    Send(StartFrame(2500, kFirmwareTargetName, Md5Of(image)));
    Send(DataFrame(0, Block(image, 0)));
    Send(StartFrame(3, kConfigTargetName, Md5Of(Bytes{7, 8, 9})));
    EXPECT_THAT(seen.tx.back(), HasSubstr("abandoned"));
    EXPECT_EQ(StatusOf(Send(DataFrame(1, Block(image, 1)))), status::kBlockRefused);
    EXPECT_TRUE(AcknowledgesBlock(Send(DataFrame(0, Bytes{7, 8, 9})), 0));
    ASSERT_EQ(seen.uploads.size(), 1u);
    EXPECT_EQ(seen.uploads[0].target, "tmconfig.config");
}

TEST(ModelUploadFaults, WrongIndexBlockIsNotTakenAndIsExpectedAgain) {
    KeyStore keys;
    Recorder seen;
    ReaderModel model(keys, {.wrongIndexEvery = 2}, &seen);
    const Bytes image = Image(2500);
    auto send = [&](const Bytes& request) { return Joined(model.Receive(request)); };

    send(StartFrame(2500, kFirmwareTargetName, Md5Of(image)));
    EXPECT_TRUE(AcknowledgesBlock(send(DataFrame(0, Block(image, 0))), 0));
    const Bytes wrong = send(DataFrame(1, Block(image, 1)));
    EXPECT_EQ(StatusOf(wrong), 0);
    EXPECT_NE(EchoedIndex(wrong), 1u);
    EXPECT_EQ(model.Upload().received, 1012u);
    EXPECT_TRUE(AcknowledgesBlock(send(DataFrame(1, Block(image, 1))), 1));
    EXPECT_FALSE(AcknowledgesBlock(send(DataFrame(2, Block(image, 2))), 2));
    EXPECT_TRUE(AcknowledgesBlock(send(DataFrame(2, Block(image, 2))), 2));
    ASSERT_EQ(seen.uploads.size(), 1u);
    EXPECT_EQ(seen.uploads[0].image, image);
}

TEST(ModelUploadFaults, DroppedAcknowledgementIsRecoveredByTheResend) {
    KeyStore keys;
    Recorder seen;
    ReaderModel model(keys, {.dropEvery = 2}, &seen);
    const Bytes image = Image(1500);
    auto send = [&](const Bytes& request) { return Joined(model.Receive(request)); };

    EXPECT_EQ(StatusOf(send(StartFrame(1500, kFirmwareTargetName, Md5Of(image)))), 0);
    EXPECT_TRUE(send(DataFrame(0, Block(image, 0))).empty());
    EXPECT_TRUE(AcknowledgesBlock(send(DataFrame(0, Block(image, 0))), 0));
    EXPECT_TRUE(send(DataFrame(1, Block(image, 1))).empty());
    EXPECT_TRUE(AcknowledgesBlock(send(DataFrame(1, Block(image, 1))), 1));
    ASSERT_EQ(seen.uploads.size(), 1u);
    EXPECT_EQ(seen.uploads[0].image, image);
}

}  // namespace
}  // namespace kd::sim
