// Replies that come late, early or twice never answer the wrong request, and what an
// exchange costs in line time.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "cli/tracing_channel.h"
#include "protocol/channel_key_access.h"
#include "protocol/device_commands.h"
#include "protocol/exchange.h"
#include "protocol/frame.h"
#include "provision/apply.h"
#include "sim/key_store.h"
#include "sim/model_channel.h"
#include "sim/reader_model.h"

namespace kd {
namespace {

// Six keys a page reads in a row, each with a value no other one has.
const std::vector<std::pair<std::string, std::string>> kKeys = {
    {"qrcode", "1"},   {"dmcode", "0"},        {"codeprefix", "PRE"},
    {"workmode", "2"}, {"deviceno", "KD-777"}, {"codepostfix", "POST"},
};

struct Line {
    explicit Line(unsigned delayMs) : model(keys, {.delayMs = delayMs}), channel(model) {
        for (const auto& [name, value] : kKeys) {
            keys.Set(name, value);
        }
    }
    sim::KeyStore keys;
    sim::ReaderModel model;
    sim::ModelChannel channel;
};

std::vector<uint8_t> KeyReply(std::string_view name, std::string_view value,
                              const Magic& magic = kCommandMagic) {
    std::vector<uint8_t> record(kKeyPayloadSize);
    record.resize(EncodeKeyRecord(name, value, record));
    std::vector<uint8_t> reply(kMaxFrameSize);
    reply.resize(BuildReply(magic, kReadKeyCommand, 0, record, reply));
    return reply;
}

TEST(LateReplies, ASlowReaderNeverShiftsValuesFromOneKeyToAnother) {
    // Just past the line's silence time-out, past the whole reply time-out, and far past.
    for (const unsigned delay : {1700u, 2030u, 2100u, 3500u}) {
        Line line(delay);
        int read = 0;
        for (int round = 0; round < 2; ++round) {
            for (const auto& [name, expected] : kKeys) {
                std::string value = "untouched";
                if (ReadKey(&line.channel, name, value) >= 0) {
                    EXPECT_EQ(value, expected) << name << " with replies " << delay << " ms late";
                    ++read;
                } else {
                    EXPECT_EQ(value, "untouched");
                }
            }
        }
        if (delay < kReplyTimeoutMs) {
            EXPECT_EQ(read, 12) << "a reply within the reply time-out is taken";
        }
    }
}

TEST(LateReplies, AnEarlierKeysReplyInFrontOfTheRightOneIsDropped) {
    Line line(5);
    // The stale reply lands after the request went out and just before the reader's own
    // answer, so both come in one read; one more names no key at all.
    const auto stale = KeyReply("qrcode", "1");
    line.channel.Inject(line.channel.NowMs() + 1, stale);
    line.channel.Inject(line.channel.NowMs() + 2,
                        std::vector<uint8_t>{0x66, 0xBB, 0xEE, 0x07, 0x00, 0x00, 0x00, 0x00});
    std::string value;
    EXPECT_EQ(ReadKey(&line.channel, "deviceno", value), 6);
    EXPECT_EQ(value, "KD-777");

    // Without the check byte the stale frame is dropped just the same.
    const std::vector<uint8_t> bare(stale.begin(), stale.end() - 1);
    line.channel.Inject(line.channel.NowMs() + 1, bare);
    EXPECT_EQ(ReadKey(&line.channel, "workmode", value), 1);
    EXPECT_EQ(value, "2");

    // A stale reply with nothing after it: the read fails as a missing reply does.
    Line silent(0);
    silent.model.SetFaults({.silent = true});
    silent.channel.Inject(1, stale);
    value = "kept";
    EXPECT_EQ(ExchangeReadKey(&silent.channel, "deviceno", value), kExchangeNoReply);
    EXPECT_EQ(value, "kept");
    EXPECT_EQ(silent.channel.NowMs(), kReplyTimeoutMs);
}

TEST(LateReplies, AReplyThatCameLateIsNotTakenByTheNextNamelessRequest) {
    Line line(0);
    line.model.SetFaults({.refusedKeys = {"workmode"}, .delayMs = kReplyTimeoutMs + 30});
    EXPECT_EQ(WriteKey(&line.channel, "workmode", "1"), kExchangeNoReply);
    line.model.SetFaults({.delayMs = 40});
    // The write's refusal comes while the line settles before the handshake and is
    // dropped there; taken as the handshake's reply it would refuse it.
    const uint64_t settleFrom = line.channel.NowMs();
    EXPECT_EQ(Handshake(&line.channel), kCommandOk);
    EXPECT_EQ(line.channel.PendingBytes(), 0u);
    // The cost: the late reply and its interval, one reply time-out of quiet, then the
    // handshake and its interval.
    EXPECT_LE(line.channel.NowMs() - settleFrom, 30u + sim::ModelChannel::kIntervalMs +
                                                     kReplyTimeoutMs + 40u +
                                                     sim::ModelChannel::kIntervalMs);
}

TEST(LateReplies, AnExchangeAfterAGoodOneWaitsForNothingMore) {
    Line line(0);
    std::string value;
    ASSERT_EQ(ReadKey(&line.channel, "workmode", value), 1);
    const uint64_t first = line.channel.NowMs();
    ASSERT_EQ(ReadKey(&line.channel, "workmode", value), 1);
    EXPECT_EQ(line.channel.NowMs() - first, first) << "the second exchange cost what the first did";
}

TEST(ExchangeTiming, LineSpeedReadsEndWithTheReplysLastByte) {
    Line designed(0);
    std::string value;
    ASSERT_EQ(ReadKey(&designed.channel, "workmode", value), 1);
    EXPECT_EQ(designed.channel.NowMs(), sim::ModelChannel::kIntervalMs)
        << "the designed read ends an interval later";

    Line paced(0);
    paced.channel.SetReplyPacing(Channel::Pacing::LineSpeed);
    ASSERT_EQ(ReadKey(&paced.channel, "workmode", value), 1);
    EXPECT_EQ(paced.channel.NowMs(), 0u);
    EXPECT_EQ(paced.channel.PendingBytes(), 0u);

    // A reply without its check byte costs one interval more, never a silence.
    paced.model.SetFaults({.silent = true});
    const auto bare = KeyReply("workmode", "2");
    paced.channel.Inject(paced.channel.NowMs() + 1, {bare.begin(), bare.end() - 1});
    const uint64_t start = paced.channel.NowMs();
    ASSERT_EQ(ReadKey(&paced.channel, "workmode", value), 1);
    EXPECT_EQ(value, "2");
    EXPECT_EQ(paced.channel.NowMs() - start, 1 + sim::ModelChannel::kIntervalMs);
}

// A 110-baud line: a byte every 91 ms, and the channel's interval twice that.
class SlowLine final : public Channel {
  public:
    explicit SlowLine(std::vector<uint8_t> reply) : reply_(std::move(reply)) {}
    int32_t Read(uint8_t* buffer, int32_t capacity, uint32_t timeoutMs) override {
        if (next_ >= reply_.size() || capacity <= 0) {
            now_ += std::chrono::milliseconds(timeoutMs);
            return 0;
        }
        // Bytes 91 ms apart are within the interval: one read takes what fits in it and
        // in its total time-out.
        const size_t inTime = std::min<uint32_t>(timeoutMs, 1650) / 91;
        const size_t count = std::min({reply_.size() - next_, static_cast<size_t>(capacity),
                                       static_cast<size_t>(kReadChunk), inTime});
        std::copy_n(reply_.begin() + static_cast<std::ptrdiff_t>(next_), count, buffer);
        next_ += count;
        now_ += std::chrono::milliseconds(91) * count;
        return static_cast<int32_t>(count);
    }
    int32_t Write(const uint8_t*, int32_t count) override { return count; }
    void DiscardInput() override {}
    void Close() override {}
    uint32_t IntervalMs() const override { return 182; }
    Clock::time_point Now() const override { return now_; }

  private:
    std::vector<uint8_t> reply_;
    size_t next_ = 0;
    Clock::time_point now_{};
};

TEST(ExchangeTiming, ASlowLinesReplyGetsItsLineTime) {
    // 29 bytes take 2.6 s at 110 baud, longer than the reply time-out.
    SlowLine line(KeyReply("masterver", "V3.1.7-slow", kQueryMagic));
    struct : TextSink {
        void SetText(std::string_view shown) override { text = shown; }
        std::string text;
    } label;
    EXPECT_EQ(QueryFirmwareVersion(&line, label), kCommandOk);
    EXPECT_EQ(label.text, "V3.1.7-slow");
    EXPECT_GT(line.Now().time_since_epoch(), std::chrono::milliseconds(kReplyTimeoutMs));
}

TEST(ExchangeTiming, ASilenceBudgetEndsAQuietTryButNotABegunReply) {
    // A reader that answers after 300 ms is given up on after the 100 ms of silence...
    Line late(300);
    EXPECT_EQ(HandshakeWithin(&late.channel, 100), kNoValidReply);
    EXPECT_LT(late.channel.Now().time_since_epoch(), std::chrono::milliseconds(300));
    // ...one within it is taken, and the usual handshake still waits for the late one.
    Line prompt(40);
    EXPECT_EQ(HandshakeWithin(&prompt.channel, 100), kCommandOk);
    Line patient(300);
    EXPECT_EQ(Handshake(&patient.channel), kCommandOk);

    // A reply that has begun gets its whole line time: 12 bytes take 1.1 s at 110 baud.
    const std::vector<uint8_t> kd1 = {'K', 'D', '1'};
    std::vector<uint8_t> reply(kMaxFrameSize);
    reply.resize(BuildReply(kHandshakeMagic, kHandshakeCommand, 0, kd1, reply));
    SlowLine slow(reply);
    EXPECT_EQ(HandshakeWithin(&slow, 100), kCommandOk);
}

// A modelled reader with faults, read at line speed, on a line of the given rate (0: none).
struct Faulty {
    explicit Faulty(sim::FaultPlan faults, uint32_t baud = 0)
        : model(keys, std::move(faults)), channel(model) {
        channel.SetLineRate(baud);
        channel.SetReplyPacing(Channel::Pacing::LineSpeed);
    }
    provision::ApplyResult Apply() {
        ChannelKeyAccess access(&channel);
        return provision::Apply(access, {{{"workmode", "1", 1}, {"qrcode", "0", 2}}}, {});
    }
    sim::KeyStore keys;
    sim::ReaderModel model;
    sim::ModelChannel channel;
};

std::vector<uint8_t> Refusal(const Magic& magic, CommandCode code) {
    std::vector<uint8_t> reply(kMaxFrameSize);
    reply.resize(BuildReply(magic, code, 1, std::vector<uint8_t>(4, 0), reply));
    return reply;
}

TEST(RepliesByWhatTheyAre, OnlyAStoresOwnReplyAnswersAStore) {
    // Every acknowledgement comes twice; the store gets no answer, or a refusal.
    for (const bool refused : {false, true}) {
        Faulty reader({.repeatGapMs = 3, .unansweredStore = !refused, .refuseStore = refused});
        const provision::ApplyResult result = reader.Apply();
        EXPECT_EQ(result.outcome, provision::ApplyOutcome::StoreFailed) << refused;
        EXPECT_FALSE(result.stored);
        EXPECT_TRUE(result.UnsavedChanges());
    }
}

TEST(RepliesByWhatTheyAre, NoiseAndOtherRequestsRepliesAreNeverTaken) {
    // Noise before each reply is skipped, not read as the status.
    Faulty noisy({.garbageBytes = 5});
    EXPECT_EQ(WriteKey(&noisy.channel, "workmode", "1"), kCommandOk);
    std::string value;
    EXPECT_EQ(ReadKey(&noisy.channel, "workmode", value), 1);
    EXPECT_EQ(value, "1");

    // A line at the wrong speed brings noise, and an earlier program's request its late
    // refusal: none of it answers a handshake.
    for (const auto& stray :
         {std::vector<uint8_t>(12, 0x00), std::vector<uint8_t>(12, 0xFF),
          Refusal(kCommandMagic, kReadKeyCommand), Refusal(kHandshakeMagic, kUploadDataCommand)}) {
        Faulty silent({.silent = true});
        silent.channel.Inject(1, stray);
        EXPECT_EQ(HandshakeWithin(&silent.channel, 100), kNoValidReply) << stray.size();
        Faulty answering({});
        answering.channel.Inject(1, stray);
        EXPECT_EQ(Handshake(&answering.channel), kCommandOk) << stray.size();
    }
}

TEST(RepliesByWhatTheyAre, AWriteWithoutAValidReplyMayHaveReachedTheReader) {
    // The two reads are answered, the first write's reply is lost: the reader took it.
    Faulty lossy({.dropEvery = 3});
    const provision::ApplyResult result = lossy.Apply();
    EXPECT_EQ(result.outcome, provision::ApplyOutcome::WriteFailed);
    EXPECT_TRUE(result.UnsavedChanges());
    EXPECT_EQ(*lossy.keys.Find("workmode"), "1");

    // Replies trickled a byte every 60 ms are read whole, within their time.
    Faulty trickling({.trickleMs = 60});
    EXPECT_EQ(trickling.Apply().outcome, provision::ApplyOutcome::Verified);
}

TEST(SlowLines, RepliesStartingWithinTheTimeOutAreReadToTheirEnd) {
    for (const uint32_t baud : {110u, 1200u, 9600u}) {
        for (const unsigned delay : {0u, 900u, 1626u, 1990u}) {
            Faulty reader({.delayMs = delay}, baud);
            const std::string at = std::to_string(baud) + " baud, " + std::to_string(delay) + " ms";
            std::string value;
            const uint64_t start = reader.channel.NowMs();
            EXPECT_EQ(ExchangeReadKey(&reader.channel, "workmode", value), kCommandOk) << at;
            // 16 bytes out, 21 back, and nothing waited for past the last one.
            const uint64_t line = (16 + 21) * 10'000 / baud + 2;
            EXPECT_LE(reader.channel.NowMs() - start, line + delay) << at;
            struct : TextSink {
                void SetText(std::string_view) override {}
            } label;
            EXPECT_EQ(QueryFirmwareVersion(&reader.channel, label), kCommandOk) << at;
            EXPECT_EQ(WriteKey(&reader.channel, "codeprefix", std::string(243, 'p')), kCommandOk)
                << at;
            EXPECT_EQ(StoreKeys(&reader.channel), kCommandOk) << at;
        }
    }
    // Tracing shows an exchange without changing its timing.
    Faulty traced({.delayMs = 1626}, 110);
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> sink(std::tmpfile(), &std::fclose);
    cli::TracingChannel tracer(traced.channel, sink.get(),
                               cli::TracingChannel::Detail::HexAndWords);
    tracer.SetReplyPacing(Channel::Pacing::LineSpeed);
    std::string value;
    EXPECT_EQ(ExchangeReadKey(&tracer, "workmode", value), kCommandOk);
}

}  // namespace
}  // namespace kd
