#include <gtest/gtest.h>

#include <array>
#include <string>

#include "protocol/frame.h"
#include "protocol/md5.h"
#include "protocol/upload_frames.h"
#include "tests/support/scripted_channel.h"

namespace kd {
namespace {

using test::Bytes;
using test::Hex;
using test::HexOf;

std::string Request(const Magic& magic, CommandCode code, const std::vector<uint8_t>& payload) {
    std::array<uint8_t, kMaxFrameSize> out{};
    const size_t size = BuildRequest(magic, code, payload, out);
    return HexOf({out.begin(), out.begin() + static_cast<std::ptrdiff_t>(size)});
}

TEST(RequestFrames, MatchTheWorkedExamples) {
    EXPECT_EQ(Request(kHandshakeMagic, kHandshakeCommand, {}), "68 DD DD 01 00 00 00 69");
    EXPECT_EQ(Request(kQueryMagic, kReadKeyCommand, Bytes("masterver")),
              "77 CC DD 08 00 09 00 6D 61 73 74 65 72 76 65 72 1A");
    EXPECT_EQ(Request(kQueryMagic, kReadKeyCommand, Bytes("slavever")),
              "77 CC DD 08 00 08 00 73 6C 61 76 65 76 65 72 6A");
    EXPECT_EQ(Request(kCommandMagic, kReadKeyCommand, Bytes("workmode")),
              "66 BB EE 08 00 08 00 77 6F 72 6B 6D 6F 64 65 31");
    EXPECT_EQ(Request(kCommandMagic, kStoreKeysCommand, {}), "66 BB EE 09 00 00 00 3A");

    std::array<uint8_t, 64> record{};
    const size_t size = EncodeKeyRecord("workmode", "1", record);
    EXPECT_EQ(Request(kCommandMagic, kWriteKeyCommand, {record.begin(), record.begin() + size}),
              "66 BB EE 07 00 0C 00 08 77 6F 72 6B 6D 6F 64 65 01 00 31 02");
}

TEST(RequestFrames, LengthFieldIsLittleEndianAndCheckCoversPayload) {
    std::vector<uint8_t> payload(300, 0x5A);
    std::array<uint8_t, kMaxFrameSize> out{};
    ASSERT_EQ(BuildRequest(kCommandMagic, kWriteKeyCommand, payload, out), 308u);
    EXPECT_EQ(out[5], 0x2C);
    EXPECT_EQ(out[6], 0x01);
    // 300 equal bytes cancel out in pairs, so the check byte is that of the header alone.
    EXPECT_EQ(out[307], CheckByte(std::span(out).first(7)));
}

TEST(RequestFrames, RefusesWhatDoesNotFit) {
    std::vector<uint8_t> payload(kMaxFrameSize - 7, 0);
    std::array<uint8_t, kMaxFrameSize> out{};
    EXPECT_EQ(BuildRequest(kCommandMagic, kWriteKeyCommand, payload, out), 0u);
    payload.pop_back();
    EXPECT_EQ(BuildRequest(kCommandMagic, kWriteKeyCommand, payload, out), kMaxFrameSize);
}

TEST(UploadStartFrame, EmptyFirmwareFileMatchesTheWorkedExample) {
    std::array<uint8_t, kMaxFrameSize> out{};
    const size_t size = BuildUploadStartFrame(0, kFirmwareTargetName, Md5Of({}), out);
    EXPECT_EQ(HexOf({out.begin(), out.begin() + static_cast<std::ptrdiff_t>(size)}),
              "68 DD DD EA EA 1E 00 00 00 00 00 06 00 74 65 73 6D 6F 72 10 00 D4 1D 8C D9 8F 00 "
              "B2 04 E9 80 09 98 EC F8 42 7E 07");
}

TEST(ReplyJudging, CountsAndStatusDecide) {
    std::vector<uint8_t> reply = Hex("68 DD DD 01 00 00 03 00 4B 44 31 00");
    EXPECT_EQ(JudgeReply(reply, kHandshakeReplyMin), ReplyVerdict::Accepted);
    EXPECT_EQ(JudgeReply(std::span(reply).first(11), kHandshakeReplyMin), ReplyVerdict::Short);
    EXPECT_EQ(JudgeReply(std::span(reply).first(10), kCommandReplyMin), ReplyVerdict::Accepted);
    EXPECT_EQ(JudgeReply(std::span(reply).first(9), kCommandReplyMin), ReplyVerdict::Short);
    EXPECT_EQ(JudgeReply({}, kCommandReplyMin), ReplyVerdict::Short);

    reply[5] = 0x01;
    EXPECT_EQ(JudgeReply(reply, kHandshakeReplyMin), ReplyVerdict::Refused);
    // A refusal that is too short is still short.
    EXPECT_EQ(JudgeReply(std::span(reply).first(11), kHandshakeReplyMin), ReplyVerdict::Short);

    // Magic, command and check byte are never examined.
    std::vector<uint8_t> foreign = Hex("00 11 22 33 44 00 01 00 99 FF FF FF");
    EXPECT_EQ(JudgeReply(foreign, kHandshakeReplyMin), ReplyVerdict::Accepted);
}

TEST(ReplyPayload, StaysWithinTheBytesReceived) {
    std::vector<uint8_t> reply = Hex("66 BB EE 08 00 00 03 00 AA BB CC 00");
    ASSERT_TRUE(ReplyPayload(reply).has_value());
    EXPECT_EQ(ReplyPayload(reply)->size(), 3u);
    reply[6] = 0x05;  // announces two bytes more than arrived
    EXPECT_FALSE(ReplyPayload(reply).has_value());
    reply[7] = 0xFF;
    EXPECT_FALSE(ReplyPayload(reply).has_value());
    EXPECT_FALSE(ReplyPayload(std::span(reply).first(7)).has_value());
}

TEST(KeyRecords, EncodeAndParseRoundTripWithinBounds) {
    std::array<uint8_t, 256> out{};
    const size_t size = EncodeKeyRecord("deviceno", "", out);
    EXPECT_EQ(HexOf({out.begin(), out.begin() + static_cast<std::ptrdiff_t>(size)}),
              "08 64 65 76 69 63 65 6E 6F 00 00");
    const auto parsed = ParseKeyRecord(std::span(out).first(size));
    ASSERT_TRUE(parsed.has_value());
    EXPECT_EQ(parsed->name, "deviceno");
    EXPECT_EQ(parsed->value, "");

    // The name is limited by its one length byte, the record by the buffer.
    EXPECT_EQ(EncodeKeyRecord(std::string(256, 'k'), "", out), 0u);
    EXPECT_EQ(EncodeKeyRecord("codeprefix", std::string(243, 'x'), out), 256u);
    EXPECT_EQ(EncodeKeyRecord("codeprefix", std::string(244, 'x'), out), 0u);

    // Length fields that run past the record are refused.
    EXPECT_FALSE(ParseKeyRecord(Hex("09 61 62")).has_value());
    EXPECT_FALSE(ParseKeyRecord(Hex("01 61 05 00 31 32")).has_value());
    EXPECT_FALSE(ParseKeyRecord({}).has_value());
}

}  // namespace
}  // namespace kd
