// Feeds arbitrary bytes as replies to every command and to the record parser: nothing
// may read past what was received or write past a buffer.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "link/channel.h"
#include "protocol/device_commands.h"
#include "protocol/frame.h"
#include "protocol/upload_frames.h"

namespace {

// Hands out the input in pieces whose sizes the input itself picks.
class FuzzChannel final : public kd::Channel {
  public:
    FuzzChannel(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    int32_t Read(uint8_t* buffer, int32_t capacity, uint32_t) override {
        if (at_ >= size_) {
            return 0;
        }
        const size_t piece = 1 + data_[at_++] % kReadChunk;
        const size_t take = std::min({piece, size_ - at_, static_cast<size_t>(capacity)});
        std::copy(data_ + at_, data_ + at_ + take, buffer);
        at_ += take;
        return static_cast<int32_t>(take);
    }
    int32_t Write(const uint8_t*, int32_t count) override { return count; }
    void DiscardInput() override {}
    void Close() override {}

  private:
    const uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
};

struct NullSink final : kd::TextSink {
    void SetText(std::string_view text) override { length += text.size(); }
    size_t length = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    (void)kd::ParseKeyRecord({data, size});
    (void)kd::ReplyPayload({data, size});
    (void)kd::AcknowledgesBlock({data, size}, 0);

    FuzzChannel channel(data, size);
    NullSink sink;
    std::string value;
    kd::Handshake(&channel);
    kd::QueryFirmwareVersion(&channel, sink);
    kd::QueryBuildDate(&channel, sink);
    kd::ReadKey(&channel, "codeprefix", value);
    kd::WriteKey(&channel, "workmode", "1");
    kd::StoreKeys(&channel);
    return 0;
}
