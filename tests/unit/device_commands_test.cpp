#include <gtest/gtest.h>

#include <string>

#include "protocol/device_commands.h"
#include "tests/support/scripted_channel.h"

namespace kd {
namespace {

using test::Bytes;
using test::Hex;
using test::HexOf;
using test::ScriptedChannel;

struct Label final : TextSink {
    void SetText(std::string_view shown) override {
        text = shown;
        ++sets;
    }
    std::string text = "previous";
    int sets = 0;
};

// A reply: magic (66 BB EE unless given), command 08 00, status, length, payload, check byte.
std::vector<uint8_t> Reply(uint8_t status, const std::vector<uint8_t>& payload,
                           const Magic& magic = kCommandMagic) {
    std::vector<uint8_t> reply(8 + payload.size() + 1, 0);
    const uint8_t header[8] = {magic[0],
                               magic[1],
                               magic[2],
                               0x08,
                               0x00,
                               status,
                               static_cast<uint8_t>(payload.size() & 0xFF),
                               static_cast<uint8_t>(payload.size() >> 8)};
    std::copy(header, header + 8, reply.begin());
    std::copy(payload.begin(), payload.end(), reply.begin() + 8);
    return reply;
}

std::vector<uint8_t> Record(const std::string& name, const std::string& value) {
    std::vector<uint8_t> record = {static_cast<uint8_t>(name.size())};
    record.insert(record.end(), name.begin(), name.end());
    record.push_back(static_cast<uint8_t>(value.size() & 0xFF));
    record.push_back(static_cast<uint8_t>(value.size() >> 8));
    record.insert(record.end(), value.begin(), value.end());
    return record;
}

TEST(Handshake, ResultCodes) {
    EXPECT_EQ(Handshake(nullptr), kNoValidReply);

    ScriptedChannel ok;
    ok.QueueRead(Hex("68 DD DD 01 00 00 03 00 4B 44 31 00"));
    EXPECT_EQ(Handshake(&ok), kCommandOk);
    EXPECT_EQ(HexOf(ok.writes.at(0)), "68 DD DD 01 00 00 00 69");

    ScriptedChannel refused;
    refused.QueueRead(Hex("68 DD DD 01 00 07 03 00 4B 44 31 00"));
    EXPECT_EQ(Handshake(&refused), kReaderRefused);

    ScriptedChannel eleven;
    eleven.QueueRead(Hex("68 DD DD 01 00 00 02 00 4B 44 00"));
    EXPECT_EQ(Handshake(&eleven), kNoValidReply);

    ScriptedChannel silent;
    silent.QueueReadResult(0);
    EXPECT_EQ(Handshake(&silent), kNoValidReply);

    ScriptedChannel gone;
    gone.QueueReadResult(-3);
    EXPECT_EQ(Handshake(&gone), kNoValidReply);

    ScriptedChannel writeFails;
    writeFails.FailWrites();
    EXPECT_EQ(Handshake(&writeFails), kNoValidReply);
    EXPECT_EQ(writeFails.readCount, 0);
}

TEST(VersionQueries, WriteTheLabelOnlyOnSuccess) {
    ScriptedChannel channel;
    channel.QueueRead(Reply(0, Record("masterver", "V3.1.7"), kQueryMagic));
    Label label;
    EXPECT_EQ(QueryFirmwareVersion(&channel, label), kCommandOk);
    EXPECT_EQ(label.text, "V3.1.7");
    EXPECT_EQ(HexOf(channel.writes.at(0)), "77 CC DD 08 00 09 00 6D 61 73 74 65 72 76 65 72 1A");

    ScriptedChannel refused;
    refused.QueueRead(Reply(1, Record("slavever", "2026-10-12"), kQueryMagic));
    Label date;
    EXPECT_EQ(QueryBuildDate(&refused, date), kReaderRefused);
    EXPECT_EQ(date.text, "previous");
    EXPECT_EQ(HexOf(refused.writes.at(0)), "77 CC DD 08 00 08 00 73 6C 61 76 65 76 65 72 6A");

    Label untouched;
    EXPECT_EQ(QueryBuildDate(nullptr, untouched), kNoValidReply);
    EXPECT_EQ(untouched.sets, 0);
}

TEST(VersionQueries, LongTextsArriveWholeAndLabelsShowWhatFits) {
    ScriptedChannel channel;
    channel.QueueRead(Reply(0, Record("masterver", std::string(30, 'v')), kQueryMagic));
    channel.QueueRead(Reply(0, Record("slavever", std::string(60, 'd')), kQueryMagic));
    Label label;
    EXPECT_EQ(QueryFirmwareVersion(&channel, label), kCommandOk);
    EXPECT_EQ(label.text, std::string(30, 'v'));
    EXPECT_EQ(QueryBuildDate(&channel, label), kCommandOk);
    EXPECT_EQ(label.text, std::string(60, 'd'));

    EXPECT_EQ(FitLabel(std::string(30, 'v'), kFirmwareVersionMax), std::string(23, 'v'));
    EXPECT_EQ(FitLabel("V3.1.7", kFirmwareVersionMax), "V3.1.7");
    // A GBK character (two bytes) that would be cut in half is left out whole.
    const std::string gbk = std::string(22, 'v') + "\xBA\xF3";
    EXPECT_EQ(FitLabel(gbk, kFirmwareVersionMax), std::string(22, 'v'));
}

TEST(VersionQueries, RecordLengthsPastTheBytesReceivedFail) {
    // Name length 9, value length announced 200 with only 6 value bytes received.
    std::vector<uint8_t> payload = Record("masterver", "V3.1.7");
    payload[10] = 200;
    ScriptedChannel channel;
    channel.QueueRead(Reply(0, payload));
    // A name length pointing past the reply.
    channel.QueueRead(Hex("77 CC DD 08 00 00 03 00 FF 00 00 00"));
    Label label;
    EXPECT_EQ(QueryFirmwareVersion(&channel, label), kNoValidReply);
    EXPECT_EQ(QueryFirmwareVersion(&channel, label), kNoValidReply);
    EXPECT_EQ(label.sets, 0);
}

TEST(ReadKey, WorkedExample) {
    ScriptedChannel channel;
    std::vector<uint8_t> reply =
        Hex("66 BB EE 08 00 00 0C 00 08 77 6F 72 6B 6D 6F 64 65 01 00 31 5F");
    ASSERT_EQ(reply.size(), 21u);
    channel.QueueRead(reply);
    std::string value;
    EXPECT_EQ(ReadKey(&channel, "workmode", value), 1);
    EXPECT_EQ(value, "1");
    EXPECT_EQ(HexOf(channel.writes.at(0)), "66 BB EE 08 00 08 00 77 6F 72 6B 6D 6F 64 65 31");
    EXPECT_EQ(channel.readCount, 1);
}

TEST(ReadKey, EmptyValueAndFailuresLeaveTheBufferAlone) {
    ScriptedChannel channel;
    channel.QueueRead(Reply(0, Record("deviceno", "")));
    std::string value = "old";
    EXPECT_EQ(ReadKey(&channel, "deviceno", value), 0);
    EXPECT_EQ(value, "");

    ScriptedChannel failing;
    failing.QueueRead(Reply(1, Record("qrcode", "1")));    // refused
    failing.QueueReadResult(0);                            // silent
    failing.QueueRead(Hex("66 BB EE 08 00 00 01 00 00"));  // 9 bytes
    failing.QueueRead(Reply(0, Record("q", "")));          // record shorter than the name asked
    std::string kept = "kept";
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(ReadKey(&failing, "qrcode", kept), kKeyFailed) << i;
        EXPECT_EQ(kept, "kept");
    }
}

TEST(ReadKey, ExchangeResultsAreToldApart) {
    ScriptedChannel channel;
    channel.QueueRead(Reply(1, {0}));
    channel.QueueRead(Reply(0, {0}));
    channel.QueueReadResult(-3);
    std::string value;
    EXPECT_EQ(ExchangeReadKey(&channel, "qrcode", value), kExchangeRefused);
    EXPECT_EQ(ExchangeReadKey(&channel, "qrcode", value), kExchangeShortReply);
    EXPECT_EQ(ExchangeReadKey(&channel, "qrcode", value), kExchangeNoReply);
    channel.FailWrites();
    EXPECT_EQ(ExchangeReadKey(&channel, "qrcode", value), kExchangeWriteFailed);
}

TEST(ExchangeCommand, PayloadLengthsAreBoundedByReplyAndBuffer) {
    // A command reply of exactly 10 bytes is accepted.
    ScriptedChannel ten;
    ten.QueueRead(Hex("66 BB EE 07 00 00 01 00 00 3F"));
    uint8_t payload[4] = {1, 2, 3, 4};
    uint16_t length = 4;
    EXPECT_EQ(ExchangeCommand(&ten, kWriteKeyCommand, payload, length), kCommandOk);
    EXPECT_EQ(length, 1);
    EXPECT_EQ(payload[0], 0);
    EXPECT_EQ(payload[1], 2);  // the rest of the caller's buffer is not touched

    // A length past the bytes received, or past the caller's buffer, is a short reply.
    ScriptedChannel pastReceived;
    pastReceived.QueueRead(Hex("66 BB EE 07 00 00 40 00 00 3F"));
    pastReceived.QueueReadResult(0);
    length = 4;
    EXPECT_EQ(ExchangeCommand(&pastReceived, kWriteKeyCommand, payload, length),
              kExchangeShortReply);
    EXPECT_EQ(length, 4);

    ScriptedChannel pastBuffer;
    pastBuffer.QueueRead(Hex("66 BB EE 07 00 00 05 00 EE EE EE EE EE DF"));
    length = 4;
    EXPECT_EQ(ExchangeCommand(&pastBuffer, kWriteKeyCommand, payload, length), kExchangeShortReply);
    EXPECT_EQ(payload[1], 2);
}

TEST(WriteKey, WorkedExampleAndResults) {
    ScriptedChannel channel;
    channel.QueueRead(Hex("66 BB EE 07 00 00 01 00 00 3F"));
    EXPECT_EQ(WriteKey(&channel, "workmode", "1"), kCommandOk);
    EXPECT_EQ(HexOf(channel.writes.at(0)),
              "66 BB EE 07 00 0C 00 08 77 6F 72 6B 6D 6F 64 65 01 00 31 02");

    channel.QueueRead(Hex("66 BB EE 07 00 01 01 00 00 3F"));
    EXPECT_EQ(WriteKey(&channel, "workmode", "1"), kExchangeRefused);
    channel.QueueRead(Hex("66 BB EE 07 00 00 01 00 00"));
    EXPECT_EQ(WriteKey(&channel, "workmode", "1"), kExchangeShortReply);

    // An empty value sends value length 00 00 and nothing after it: n + 11 bytes.
    channel.QueueRead(Hex("66 BB EE 07 00 00 01 00 00 3F"));
    EXPECT_EQ(WriteKey(&channel, "nfcprefix", ""), kCommandOk);
    EXPECT_EQ(channel.writes.back().size(), std::string("nfcprefix").size() + 11);

    channel.FailWrites();
    EXPECT_EQ(WriteKey(&channel, "workmode", "1"), kExchangeWriteFailed);
}

TEST(WriteKey, ValuesPastTheKeyWriteLimitAreNotSent) {
    EXPECT_EQ(KeyWriteLimit(10), 243u);
    ScriptedChannel channel;
    channel.QueueRead(Hex("66 BB EE 07 00 00 01 00 00 3F"));
    EXPECT_EQ(WriteKey(&channel, "codeprefix", std::string(243, 'p')), kCommandOk);
    EXPECT_EQ(channel.writes.back().size(), 8u + 256u);
    EXPECT_EQ(WriteKey(&channel, "codeprefix", std::string(244, 'p')), kExchangeWriteFailed);
    EXPECT_EQ(channel.writes.size(), 1u);
}

TEST(StoreKeys, FoldsFailuresIntoMinusOne) {
    ScriptedChannel channel;
    channel.QueueRead(Hex("66 BB EE 09 00 00 01 00 00 3F"));
    EXPECT_EQ(StoreKeys(&channel), kCommandOk);
    EXPECT_EQ(HexOf(channel.writes.at(0)), "66 BB EE 09 00 00 00 3A");
    channel.QueueRead(Hex("66 BB EE 09 00 02 01 00 00 3F"));
    EXPECT_EQ(StoreKeys(&channel), kKeyFailed);
    channel.QueueReadResult(0);
    EXPECT_EQ(StoreKeys(&channel), kKeyFailed);
}

TEST(Replies, LongerThanOneReadAreReadToTheEnd) {
    const std::string value(60, 'x');
    ScriptedChannel channel;
    channel.QueueRead(Reply(0, Record("codeprefix", value)));  // 82 bytes: 65 + 17
    std::string read;
    EXPECT_EQ(ReadKey(&channel, "codeprefix", read), 60);
    EXPECT_EQ(read, value);
    EXPECT_EQ(channel.readCount, 2);

    // The longest value a write can carry reads back whole.
    const std::string longest(243, 'y');
    channel.QueueRead(Reply(0, Record("codeprefix", longest)));
    EXPECT_EQ(ReadKey(&channel, "codeprefix", read), 243);
    EXPECT_EQ(read, longest);
}

TEST(Replies, AreJudgedOnceTheLineGoesQuiet) {
    // A reply paused before its header said how long it is is still read to its end
    // within the reply time-out: a pause is not the reply's end while bytes are owed.
    const std::vector<uint8_t> reply = Reply(0, Record("workmode", "2"));
    ScriptedChannel channel;
    channel.QueueRead({reply.begin(), reply.begin() + 7});
    channel.QueueRead({reply.begin() + 7, reply.end()});
    std::string value = "kept";
    EXPECT_EQ(ExchangeReadKey(&channel, "workmode", value), kCommandOk);
    EXPECT_EQ(value, "2");
    EXPECT_EQ(channel.readCount, 2);

    // A reply without its check byte is judged once the line is quiet.
    ScriptedChannel noCheck;
    noCheck.QueueRead({reply.begin(), reply.end() - 1});
    EXPECT_EQ(ExchangeReadKey(&noCheck, "workmode", value), kCommandOk);
    EXPECT_EQ(value, "2");
    EXPECT_EQ(noCheck.readCount, 1);
}

}  // namespace
}  // namespace kd
