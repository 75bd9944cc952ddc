#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "protocol/device_commands.h"
#include "protocol/frame.h"
#include "sim/model_channel.h"

namespace kd::sim {
namespace {

using Bytes = std::vector<uint8_t>;

const Bytes kHandshake = {0x68, 0xDD, 0xDD, 0x01, 0x00, 0x00, 0x00, 0x69};

Bytes ReadRequest(std::string_view name) {
    Bytes frame(kMaxFrameSize);
    frame.resize(BuildRequest(kCommandMagic, kReadKeyCommand,
                              {reinterpret_cast<const uint8_t*>(name.data()), name.size()}, frame));
    return frame;
}

// A reader on a virtual line, and what the tool's side of it sees.
class Line {
  public:
    explicit Line(FaultPlan faults = {}) : model(keys, std::move(faults)), channel(model) {}

    void Write(const Bytes& bytes) {
        ASSERT_EQ(channel.Write(bytes.data(), static_cast<int32_t>(bytes.size())),
                  static_cast<int32_t>(bytes.size()));
    }
    // One Read with a buffer as large as the tool's.
    Bytes Read() {
        std::array<uint8_t, kReceiveBufferSize> buffer{};
        const int32_t got = channel.Read(buffer.data(), static_cast<int32_t>(buffer.size()), 2000);
        return got > 0 ? Bytes(buffer.begin(), buffer.begin() + got) : Bytes{};
    }

    KeyStore keys;
    ReaderModel model;
    ModelChannel channel;
};

Bytes Joined(const Bytes& a, const Bytes& b) {
    Bytes all = a;
    all.insert(all.end(), b.begin(), b.end());
    return all;
}

TEST(ModelChannelReads, LongReplyComesInPiecesOf65) {
    Line line;
    // 9 bytes of frame, 3 of record header, 10 of name: 78 bytes of value make 100.
    ASSERT_EQ(line.keys.Set("codeprefix", std::string(78, 'p')), KeyStore::WriteResult::Done);
    line.Write(ReadRequest("codeprefix"));

    const Bytes first = line.Read();
    EXPECT_EQ(first.size(), 65u);
    EXPECT_EQ(line.channel.NowMs(), 0u);  // a full buffer ends the read at once
    const Bytes second = line.Read();
    EXPECT_EQ(second.size(), 35u);
    EXPECT_EQ(line.channel.NowMs(), 50u);

    const Bytes reply = Joined(first, second);
    EXPECT_EQ(*AnnouncedPayloadLength(reply), 91u);
    EXPECT_EQ(reply.back(), CheckByte(std::span(reply).first(99)));
    EXPECT_EQ(line.channel.ReadCalls(), 2);
}

TEST(ModelChannelReads, SmallBufferTakesOnlyWhatFits) {
    Line line;
    line.Write(kHandshake);
    std::array<uint8_t, 5> small{};
    EXPECT_EQ(line.channel.Read(small.data(), 5, 2000), 5);
    EXPECT_EQ(line.Read().size(), 7u);
    EXPECT_EQ(line.channel.Read(small.data(), 0, 2000), 0);
}

TEST(ModelChannelReads, SilenceGivesNothingAfter1650VirtualMs) {
    Line line({.silent = true});
    line.Write(kHandshake);
    EXPECT_TRUE(line.Read().empty());
    EXPECT_EQ(line.channel.NowMs(), 1650u);
    EXPECT_TRUE(line.Read().empty());
    EXPECT_EQ(line.channel.NowMs(), 3300u);
}

TEST(ModelChannelReads, GapLongerThan50MsEndsARead) {
    Line line({.splitGapMs = 200});
    line.Write(kHandshake);
    const Bytes first = line.Read();
    EXPECT_EQ(first.size(), 6u);
    EXPECT_EQ(line.channel.NowMs(), 50u);
    const Bytes second = line.Read();
    EXPECT_EQ(second.size(), 6u);
    EXPECT_EQ(line.channel.NowMs(), 250u);
    EXPECT_EQ(JudgeReply(Joined(first, second), kHandshakeReplyMin), ReplyVerdict::Accepted);
}

TEST(ModelChannelReads, GapWithin50MsKeepsTheReadGoing) {
    Line line({.splitGapMs = 50});
    line.Write(kHandshake);
    EXPECT_EQ(line.Read().size(), 12u);
    EXPECT_EQ(line.channel.NowMs(), 100u);
}

TEST(ModelChannelReads, DelayedReplyArrivesWithinOrAfterTheSilenceLimit) {
    Line soon({.delayMs = 1000});
    soon.Write(kHandshake);
    EXPECT_EQ(soon.Read().size(), 12u);
    EXPECT_EQ(soon.channel.NowMs(), 1050u);

    Line late({.delayMs = 2000});
    late.Write(kHandshake);
    EXPECT_TRUE(late.Read().empty());
    EXPECT_EQ(late.channel.NowMs(), 1650u);
    EXPECT_EQ(late.Read().size(), 12u);
    EXPECT_EQ(late.channel.NowMs(), 2050u);
}

TEST(ModelChannelReads, ReplyOvertakingAnEarlierSlowOneKeepsItsBurstWhole) {
    Line line({.delayMs = 1000});
    line.Write(kHandshake);
    const Bytes stray = {0x01, 0x02, 0x03};
    line.channel.Inject(10, stray);
    EXPECT_EQ(line.Read(), stray);
    EXPECT_EQ(line.channel.NowMs(), 60u);
    EXPECT_EQ(line.Read().size(), 12u);
}

TEST(ModelChannelDiscard, DropsWhatArrivedAndKeepsWhatIsOnItsWay) {
    Line line;
    line.Write(kHandshake);
    line.channel.DiscardInput();
    EXPECT_EQ(line.channel.PendingBytes(), 0u);
    EXPECT_TRUE(line.Read().empty());

    Line slow({.delayMs = 500});
    slow.Write(kHandshake);
    slow.channel.DiscardInput();
    EXPECT_EQ(slow.Read().size(), 12u);

    // A late reply that has arrived by the next request is gone before it.
    Line late({.delayMs = 1800});
    late.Write(kHandshake);
    EXPECT_TRUE(late.Read().empty());
    late.channel.Advance(200);
    late.channel.DiscardInput();
    EXPECT_TRUE(late.Read().empty());
}

TEST(ModelChannelFailures, WriteFailureVanishedPortAndClose) {
    Line line;
    line.channel.SetWriteFails(true);
    EXPECT_EQ(line.channel.Write(kHandshake.data(), 8), -1);
    EXPECT_TRUE(line.channel.Written().empty());
    EXPECT_EQ(line.channel.PendingBytes(), 0u);
    line.channel.SetWriteFails(false);
    EXPECT_EQ(line.channel.Write(kHandshake.data(), 0), 0);

    line.Write(kHandshake);
    ASSERT_EQ(line.channel.Written().size(), 1u);
    EXPECT_EQ(line.channel.Written()[0], kHandshake);

    line.channel.SetVanished(true);
    std::array<uint8_t, 16> buffer{};
    EXPECT_EQ(line.channel.Read(buffer.data(), 16, 2000), -3);
    EXPECT_EQ(line.channel.Write(kHandshake.data(), 8), -1);
    line.channel.SetVanished(false);

    line.channel.Close();
    EXPECT_TRUE(line.channel.Closed());
    EXPECT_EQ(line.channel.Read(buffer.data(), 16, 2000), -3);
}

// The tool's own request code, run against the model, gets the answers it needs.
struct Label final : TextSink {
    void SetText(std::string_view value) override { text = value; }
    std::string text;
};

TEST(ModelChannelWithTheTool, ToolExchangesSucceed) {
    Line line;
    EXPECT_EQ(Handshake(&line.channel), kCommandOk);
    Label version;
    EXPECT_EQ(QueryFirmwareVersion(&line.channel, version), kCommandOk);
    EXPECT_EQ(version.text, "V3.1.7");
    Label built;
    EXPECT_EQ(QueryBuildDate(&line.channel, built), kCommandOk);
    EXPECT_EQ(built.text, "2026-10-12 15:04:33");

    EXPECT_EQ(WriteKey(&line.channel, "workmode", "1"), kCommandOk);
    std::string value;
    EXPECT_EQ(ReadKey(&line.channel, "workmode", value), 1);
    EXPECT_EQ(value, "1");
    EXPECT_EQ(StoreKeys(&line.channel), kCommandOk);
    EXPECT_EQ(WriteKey(&line.channel, "masterver", "V0"), kExchangeRefused);
    EXPECT_EQ(ReadKey(&line.channel, "nosuchkey", value), kKeyFailed);
}

}  // namespace
}  // namespace kd::sim
