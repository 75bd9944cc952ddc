#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "protocol/frame.h"
#include "protocol/upload.h"
#include "tests/support/memory_upload_files.h"
#include "tests/support/scripted_channel.h"

namespace kd {
namespace {

using test::Hex;
using test::HexOf;
using test::MemoryUploadFiles;
using test::RecordingSleeper;
using test::ScriptedChannel;

const std::vector<uint8_t> kStartAccepted = Hex("68 DD DD EA EA 00 01 00 00 00");

std::vector<uint8_t> Ack(uint32_t index, uint8_t status = 0) {
    std::vector<uint8_t> ack = Hex("68 DD DD DA DA 00 04 00 00 00 00 00 00");
    ack[5] = status;
    for (int i = 0; i < 4; ++i) {
        ack[8 + i] = static_cast<uint8_t>(index >> (8 * i));
    }
    return ack;
}

std::vector<uint8_t> Pattern(size_t size) {
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<uint8_t>(i * 13 + 5);
    }
    return bytes;
}

struct Upload {
    ScriptedChannel channel;
    MemoryUploadFiles files;
    RecordingSleeper sleeper;

    UploadOutcome Run(const UploadTarget& target) {
        return RunUpload(&channel, target, files, sleeper);
    }
    // Data frames only: everything written after the start frame.
    std::vector<std::vector<uint8_t>> DataFrames() const {
        return {channel.writes.begin() + 1, channel.writes.end()};
    }
};

TEST(Upload, EmptyFirmwareFileSendsOnlyTheStartThenWaits) {
    Upload upload;
    upload.files.Put("update", {});
    upload.channel.QueueRead(kStartAccepted);
    EXPECT_EQ(upload.Run(FirmwareUpload()), UploadOutcome::Done);
    ASSERT_EQ(upload.channel.writes.size(), 1u);
    EXPECT_EQ(HexOf(upload.channel.writes[0]),
              "68 DD DD EA EA 1E 00 00 00 00 00 06 00 74 65 73 6D 6F 72 10 00 D4 1D 8C D9 8F 00 "
              "B2 04 E9 80 09 98 EC F8 42 7E 07");
    EXPECT_EQ(upload.sleeper.waits, std::vector<uint32_t>{30000});
    EXPECT_EQ(upload.files.open, 0);
}

TEST(Upload, ConfigurationStartFrameNamesItsTarget) {
    Upload upload;
    upload.files.Put("config", {'a', 'b', 'c'});
    upload.channel.QueueRead(kStartAccepted);
    upload.channel.QueueRead(Ack(0));
    EXPECT_EQ(upload.Run(ConfigUpload()), UploadOutcome::Done);
    const auto& start = upload.channel.writes.at(0);
    ASSERT_EQ(start.size(), 47u);
    EXPECT_EQ(HexOf({start.begin(), start.begin() + 13}), "68 DD DD EA EA 27 00 03 00 00 00 0F 00");
    EXPECT_EQ(std::string(start.begin() + 13, start.begin() + 28), "tmconfig.config");
    // MD5 of "abc", from RFC 1321.
    EXPECT_EQ(HexOf({start.begin() + 28, start.begin() + 46}),
              "10 00 90 01 50 98 3C D2 4F B0 D6 96 3F 7D 28 E1 7F 72");
    EXPECT_EQ(upload.sleeper.waits, std::vector<uint32_t>{4000});
}

TEST(Upload, TwoFullBlocksAndARest) {
    Upload upload;
    const auto bytes = Pattern(2 * 1012 + 476);
    upload.files.Put("update", bytes);
    upload.channel.QueueRead(kStartAccepted);
    for (uint32_t index = 0; index < 3; ++index) {
        upload.channel.QueueRead(Ack(index));
    }
    EXPECT_EQ(upload.Run(FirmwareUpload()), UploadOutcome::Done);
    const auto frames = upload.DataFrames();
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[0].size(), 1024u);
    EXPECT_EQ(frames[1].size(), 1024u);
    EXPECT_EQ(frames[2].size(), 488u);
    EXPECT_EQ(HexOf({frames[0].begin() + 5, frames[0].begin() + 11}), "F8 03 00 00 00 00");
    EXPECT_EQ(HexOf({frames[1].begin() + 5, frames[1].begin() + 11}), "F8 03 01 00 00 00");
    EXPECT_EQ(HexOf({frames[2].begin(), frames[2].begin() + 11}),
              "68 DD DD DA DA E0 01 02 00 00 00");
    // The blocks carry the file in order, and every frame ends in its check byte.
    std::vector<uint8_t> carried;
    for (const auto& frame : frames) {
        carried.insert(carried.end(), frame.begin() + 11, frame.end() - 1);
        uint8_t check = 0;
        for (size_t i = 0; i + 1 < frame.size(); ++i) {
            check ^= frame[i];
        }
        EXPECT_EQ(frame.back(), check);
    }
    EXPECT_EQ(carried, bytes);
}

TEST(Upload, BlockBoundaries) {
    Upload exact;
    exact.files.Put("update", Pattern(1012));
    exact.channel.QueueRead(kStartAccepted);
    exact.channel.QueueRead(Ack(0));
    EXPECT_EQ(exact.Run(FirmwareUpload()), UploadOutcome::Done);
    ASSERT_EQ(exact.DataFrames().size(), 1u);
    EXPECT_EQ(exact.DataFrames()[0].size(), 1024u);

    Upload oneMore;
    oneMore.files.Put("update", Pattern(1013));
    oneMore.channel.QueueRead(kStartAccepted);
    oneMore.channel.QueueRead(Ack(0));
    oneMore.channel.QueueRead(Ack(1));
    EXPECT_EQ(oneMore.Run(FirmwareUpload()), UploadOutcome::Done);
    const auto frames = oneMore.DataFrames();
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].size(), 1024u);
    ASSERT_EQ(frames[1].size(), 13u);
    EXPECT_EQ(HexOf({frames[1].begin(), frames[1].begin() + 11}),
              "68 DD DD DA DA 05 00 01 00 00 00");
}

TEST(Upload, WrongIndexSendsTheSameFrameAgainUpToFourTimes) {
    Upload upload;
    upload.files.Put("update", Pattern(100));
    upload.channel.QueueRead(kStartAccepted);
    upload.channel.QueueRead(Ack(1));     // wrong index
    upload.channel.QueueRead(Ack(0, 2));  // refused
    upload.channel.QueueReadResult(0);    // nothing
    const auto ack = Ack(0);
    upload.channel.QueueRead({ack.begin(), ack.begin() + 12});  // one byte short
    EXPECT_EQ(upload.Run(FirmwareUpload()), UploadOutcome::NotAcknowledged);
    const auto frames = upload.DataFrames();
    ASSERT_EQ(frames.size(), 4u);
    for (const auto& frame : frames) {
        EXPECT_EQ(frame, frames[0]);
    }
    EXPECT_TRUE(upload.sleeper.waits.empty());
    EXPECT_EQ(upload.files.open, 0);
}

TEST(Upload, AGoodAcknowledgementResetsTheAttempts) {
    Upload upload;
    upload.files.Put("update", Pattern(1500));
    upload.channel.QueueRead(kStartAccepted);
    for (int i = 0; i < 3; ++i) {
        upload.channel.QueueRead(Ack(7));
    }
    upload.channel.QueueRead(Ack(0));
    for (int i = 0; i < 3; ++i) {
        upload.channel.QueueReadResult(0);
    }
    upload.channel.QueueRead(Ack(1));
    EXPECT_EQ(upload.Run(FirmwareUpload()), UploadOutcome::Done);
    const auto frames = upload.DataFrames();
    ASSERT_EQ(frames.size(), 8u);
    EXPECT_EQ(frames[3], frames[0]);
    EXPECT_EQ(frames[4][7], 1);  // block 1 after four sends of block 0
    EXPECT_EQ(frames[7], frames[4]);
}

// Stops after as many acknowledged blocks as it is given.
class StopAfter final : public UploadObserver {
  public:
    explicit StopAfter(int blocks) : left_(blocks) {}
    bool KeepSending() override { return --left_ > 0; }

  private:
    int left_;
};

TEST(Upload, AnObserverStopsBetweenBlocksButNeverAfterTheLast) {
    Upload upload;
    upload.files.Put("update", Pattern(3000));  // three blocks
    upload.channel.QueueRead(kStartAccepted);
    upload.channel.QueueRead(Ack(0));
    upload.channel.QueueRead(Ack(1));
    StopAfter stop(2);
    EXPECT_EQ(RunUpload(&upload.channel, FirmwareUpload(), upload.files, upload.sleeper, &stop),
              UploadOutcome::Cancelled);
    EXPECT_EQ(upload.DataFrames().size(), 2u);
    EXPECT_TRUE(upload.sleeper.waits.empty());
    EXPECT_EQ(upload.files.open, 0);

    // A one-block file is whole once its block is acknowledged: nothing is left to stop.
    Upload single;
    single.files.Put("update", Pattern(100));
    single.channel.QueueRead(kStartAccepted);
    single.channel.QueueRead(Ack(0));
    StopAfter never(0);
    EXPECT_EQ(RunUpload(&single.channel, FirmwareUpload(), single.files, single.sleeper, &never),
              UploadOutcome::Done);
}

TEST(Upload, FailuresEndTheUploadAndCloseTheFile) {
    {
        MemoryUploadFiles files;
        RecordingSleeper sleeper;
        EXPECT_EQ(RunUpload(nullptr, FirmwareUpload(), files, sleeper), UploadOutcome::NoChannel);
        EXPECT_EQ(files.opened, 0);
    }
    {
        Upload upload;
        EXPECT_EQ(upload.Run(FirmwareUpload()), UploadOutcome::FileMissing);
        EXPECT_TRUE(upload.channel.writes.empty());
    }
    {
        Upload upload;
        upload.files.Put("config", Pattern(10));
        upload.channel.FailWrites();
        EXPECT_EQ(upload.Run(ConfigUpload()), UploadOutcome::StartWriteFailed);
        EXPECT_EQ(upload.files.open, 0);
    }
    {
        Upload upload;
        upload.files.Put("config", Pattern(10));
        upload.channel.QueueRead(Hex("68 DD DD EA EA 00 00"));
        upload.channel.QueueReadResult(0);
        EXPECT_EQ(upload.Run(ConfigUpload()), UploadOutcome::StartShortReply);
    }
    {
        Upload upload;
        upload.files.Put("config", Pattern(10));
        upload.channel.QueueRead(Hex("68 DD DD EA EA 01 00 00 00"));
        EXPECT_EQ(upload.Run(ConfigUpload()), UploadOutcome::StartRefused);
        EXPECT_EQ(upload.channel.writes.size(), 1u);
    }
    {
        // The file announces 2000 bytes and gives 1500.
        Upload upload;
        upload.files.Put("update", Pattern(1500), 500);
        upload.channel.QueueRead(kStartAccepted);
        upload.channel.QueueRead(Ack(0));
        EXPECT_EQ(upload.Run(FirmwareUpload()), UploadOutcome::FileReadFailed);
        EXPECT_EQ(upload.DataFrames().size(), 1u);
        EXPECT_EQ(upload.files.open, 0);
        EXPECT_TRUE(upload.sleeper.waits.empty());
    }
}

// Each opening of the name finds another version of the file, as when it is replaced
// while an upload starts.
class ChangingUploadFiles final : public UploadFiles {
  public:
    std::unique_ptr<UploadFile> Open(const std::string& name) override {
        files.Put(name, Pattern(opened++ == 0 ? 1500 : 700));
        return files.Open(name);
    }
    MemoryUploadFiles files;
    int opened = 0;
};

TEST(Upload, LengthAndDigestDescribeTheBytesSentFromOneOpening) {
    ScriptedChannel channel;
    channel.QueueRead(kStartAccepted);
    channel.QueueRead(Ack(0));
    channel.QueueRead(Ack(1));
    ChangingUploadFiles files;
    RecordingSleeper sleeper;
    EXPECT_EQ(RunUpload(&channel, FirmwareUpload(), files, sleeper), UploadOutcome::Done);
    EXPECT_EQ(files.opened, 1);
    std::vector<uint8_t> sent;
    for (size_t i = 1; i < channel.writes.size(); ++i) {
        sent.insert(sent.end(), channel.writes[i].begin() + 11, channel.writes[i].end() - 1);
    }
    const auto& start = channel.writes.at(0);
    EXPECT_EQ(GetLe32(&start[7]), sent.size());
    const auto digest = Md5Of(sent);
    EXPECT_TRUE(std::equal(digest.begin(), digest.end(), start.begin() + 21));
}

TEST(Upload, AFailedBlockWriteIsNotRepeated) {
    // The start goes out, then the port fails.
    class FailAfterStart final : public Channel {
      public:
        int32_t Read(uint8_t* buffer, int32_t, uint32_t) override {
            const auto reply = kStartAccepted;
            std::copy(reply.begin(), reply.end(), buffer);
            return static_cast<int32_t>(reply.size());
        }
        int32_t Write(const uint8_t*, int32_t count) override { return ++writes == 1 ? count : -1; }
        void DiscardInput() override {}
        void Close() override {}
        int writes = 0;
    } channel;
    MemoryUploadFiles files;
    files.Put("update", Pattern(3000));
    RecordingSleeper sleeper;
    EXPECT_EQ(RunUpload(&channel, FirmwareUpload(), files, sleeper), UploadOutcome::WriteFailed);
    EXPECT_EQ(channel.writes, 2);
    EXPECT_EQ(files.open, 0);
}

}  // namespace
}  // namespace kd
