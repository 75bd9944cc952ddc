// Runs a whole upload against replies played from the input. Whatever the replies, the
// file is closed at the end and never reported unreadable, blocks go in order, a block
// goes out at most four times and unchanged, and an upload reported done sent exactly
// the file under its own length and digest.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "protocol/frame.h"
#include "protocol/md5.h"
#include "protocol/upload.h"
#include "protocol/upload_frames.h"
#include "tests/fuzz/played_channel.h"
#include "tests/support/memory_upload_files.h"

namespace {

using kd::fuzz::Require;

class NoWait final : public kd::Sleeper {
  public:
    void Sleep(uint32_t) override {}
};

// Up to three full blocks and a rest.
constexpr size_t kLargestFile = 3 * kd::kUploadBlockSize + 100;

void CheckSent(const std::vector<std::vector<uint8_t>>& writes, const std::vector<uint8_t>& file,
               bool done) {
    std::vector<uint8_t> carried;
    uint32_t lastIndex = 0;
    int sends = 0;
    for (size_t i = 1; i < writes.size(); ++i) {
        const auto& frame = writes[i];
        Require(frame.size() > kd::kUploadDataOffset);
        const uint32_t index = kd::GetLe32(&frame[kd::kRequestHeaderSize]);
        if (i > 1 && index == lastIndex) {
            Require(++sends <= kd::kUploadSendsPerBlock);
            Require(frame == writes[i - 1]);
            continue;
        }
        Require(i == 1 ? index == 0 : index == lastIndex + 1);
        lastIndex = index;
        sends = 1;
        carried.insert(carried.end(), frame.begin() + kd::kUploadDataOffset, frame.end() - 1);
    }
    if (done) {
        Require(carried == file);
        const auto& start = writes.at(0);
        Require(kd::GetLe32(&start[kd::kRequestHeaderSize]) == file.size());
        const kd::Md5Digest digest = kd::Md5Of(file);
        Require(std::equal(digest.begin(), digest.end(), start.end() - 1 - digest.size()));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3) {
        return 0;
    }
    std::vector<uint8_t> file(kd::GetLe16(data) % (kLargestFile + 1));
    for (size_t i = 0; i < file.size(); ++i) {
        file[i] = static_cast<uint8_t>(i * 13 + data[2]);
    }
    const bool firmware = (data[2] & 1) != 0;
    kd::UploadTarget target = firmware ? kd::FirmwareUpload() : kd::ConfigUpload();
    kd::test::MemoryUploadFiles files;
    files.Put(target.fileName, file);

    kd::fuzz::PlayedChannel channel(data + 3, size - 3);
    NoWait noWait;
    const kd::UploadOutcome outcome = kd::RunUpload(&channel, target, files, noWait);
    Require(files.open == 0);
    Require(outcome != kd::UploadOutcome::FileReadFailed);
    Require(!channel.writes.empty());
    CheckSent(channel.writes, file, outcome == kd::UploadOutcome::Done);
    return 0;
}
