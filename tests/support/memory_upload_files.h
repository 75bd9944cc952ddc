#pragma once

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "protocol/upload.h"

namespace kd::test {

// Upload files held in memory. A file can be made to announce more bytes than it gives,
// as one cut short while it is read.
class MemoryUploadFiles final : public UploadFiles {
  public:
    void Put(const std::string& name, std::vector<uint8_t> bytes, uint32_t missingBytes = 0) {
        files_[name] = {std::move(bytes), missingBytes};
    }

    std::unique_ptr<UploadFile> Open(const std::string& name) override {
        const auto found = files_.find(name);
        if (found == files_.end()) {
            return nullptr;
        }
        ++opened;
        return std::make_unique<File>(found->second, *this);
    }

    int opened = 0;
    int open = 0;  // files not yet closed

  private:
    struct Stored {
        std::vector<uint8_t> bytes;
        uint32_t missingBytes;
    };
    class File final : public UploadFile {
      public:
        File(const Stored& stored, MemoryUploadFiles& owner) : stored_(stored), owner_(owner) {
            ++owner_.open;
        }
        ~File() override { --owner_.open; }
        uint32_t Length() const override {
            return static_cast<uint32_t>(stored_.bytes.size()) + stored_.missingBytes;
        }
        Md5Digest Digest() const override { return Md5Of(stored_.bytes); }
        size_t Read(uint8_t* into, size_t size) override {
            const size_t take = std::min(size, stored_.bytes.size() - at_);
            std::copy_n(stored_.bytes.begin() + static_cast<std::ptrdiff_t>(at_), take, into);
            at_ += take;
            return take;
        }

      private:
        const Stored& stored_;
        MemoryUploadFiles& owner_;
        size_t at_ = 0;
    };

    std::map<std::string, Stored> files_;
};

// Remembers the waits instead of sleeping.
class RecordingSleeper final : public Sleeper {
  public:
    void Sleep(uint32_t milliseconds) override { waits.push_back(milliseconds); }
    std::vector<uint32_t> waits;
};

}  // namespace kd::test
