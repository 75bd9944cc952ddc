#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>

#include "protocol/frame.h"
#include "protocol/upload.h"
#include "tests/support/memory_upload_files.h"
#include "tests/support/processes.h"
#include "tests/support/scripted_channel.h"

namespace kd {
namespace {

using test::Hex;
using test::RecordingSleeper;
using test::ScriptedChannel;
using test::TempDir;
using test::WriteFile;

std::vector<uint8_t> Ack(uint32_t index) {
    std::vector<uint8_t> ack = Hex("68 DD DD DA DA 00 04 00 00 00 00 00 00");
    PutLe32(&ack[8], index);
    return ack;
}

// Disk files that something changes right after the upload opened them.
class ChangedAfterOpening final : public UploadFiles {
  public:
    explicit ChangedAfterOpening(std::function<void(const std::string&)> change)
        : change_(std::move(change)) {}
    std::unique_ptr<UploadFile> Open(const std::string& name) override {
        auto file = disk_.Open(name);
        change_(name);
        return file;
    }

  private:
    DiskUploadFiles disk_;
    std::function<void(const std::string&)> change_;
};

struct DiskUpload {
    TempDir dir;
    ScriptedChannel channel;
    RecordingSleeper sleeper;

    DiskUpload() {
        channel.QueueRead(Hex("68 DD DD EA EA 00 01 00 00 00"));
        channel.QueueRead(Ack(0));
        channel.QueueRead(Ack(1));
    }
    UploadOutcome Run(const std::string& original, std::function<void(const std::string&)> change) {
        WriteFile(dir / "update", original);
        UploadTarget target = FirmwareUpload();
        target.fileName = (dir / "update").string();
        ChangedAfterOpening files(std::move(change));
        return RunUpload(&channel, target, files, sleeper);
    }
    std::string Sent() const {
        std::string sent;
        for (size_t i = 1; i < channel.writes.size(); ++i) {
            sent.append(channel.writes[i].begin() + 11, channel.writes[i].end() - 1);
        }
        return sent;
    }
};

TEST(DiskUploadFile, AFileReplacedAfterOpeningSendsTheVersionOpened) {
    const std::string original(1500, 'a');
    DiskUpload upload;
    EXPECT_EQ(upload.Run(original,
                         [&](const std::string& name) {
                             WriteFile(upload.dir / "new", std::string(700, 'b'));
                             std::filesystem::rename(upload.dir / "new", name);
                         }),
              UploadOutcome::Done);
    EXPECT_EQ(upload.Sent(), original);
    const auto& start = upload.channel.writes.at(0);
    EXPECT_EQ(GetLe32(&start[7]), original.size());
    const auto digest = Md5Of({reinterpret_cast<const uint8_t*>(original.data()), original.size()});
    EXPECT_TRUE(std::equal(digest.begin(), digest.end(), start.begin() + 21));
}

TEST(DiskUploadFile, AFileRewrittenInPlaceHoldsBackItsLastBlock) {
    DiskUpload sameLength;
    EXPECT_EQ(
        sameLength.Run(std::string(1500, 'a'),
                       [](const std::string& name) { WriteFile(name, std::string(1500, 'b')); }),
        UploadOutcome::FileReadFailed);
    EXPECT_EQ(sameLength.channel.writes.size(), 2u);  // the start and block 0 only
    EXPECT_TRUE(sameLength.sleeper.waits.empty());
}

}  // namespace
}  // namespace kd
