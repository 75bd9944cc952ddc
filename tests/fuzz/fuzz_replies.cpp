// Feeds arbitrary bytes as replies to every command and to the record parser: nothing
// may read past what was received or write past a buffer.
#include <cstddef>
#include <cstdint>
#include <string>

#include "protocol/device_commands.h"
#include "protocol/frame.h"
#include "protocol/upload_frames.h"
#include "tests/fuzz/played_channel.h"

namespace {

struct NullSink final : kd::TextSink {
    void SetText(std::string_view text) override { length += text.size(); }
    size_t length = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    (void)kd::ParseKeyRecord({data, size});
    (void)kd::ReplyPayload({data, size});
    (void)kd::AcknowledgesBlock({data, size}, 0);

    kd::fuzz::PlayedChannel channel(data, size);
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
