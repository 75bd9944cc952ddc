#pragma once

#include <array>
#include <cstdint>

#include "link/channel.h"
#include "protocol/device_commands.h"
#include "protocol/key_access.h"

namespace kd {

// The key commands over a channel that may be absent, keeping each exchange's own
// result so that a caller can tell a refusal from a reader that is gone.
class ChannelKeyAccess final : public KeyAccess {
  public:
    explicit ChannelKeyAccess(Channel* channel) : channel_(channel) {}
    int ReadKey(std::string_view name, std::string& value) override {
        return ExchangeReadKey(channel_, name, value);
    }
    int WriteKey(std::string_view name, std::string_view value) override {
        return kd::WriteKey(channel_, name, value);
    }
    int StoreKeys() override {
        std::array<uint8_t, kKeyPayloadSize> payload{};
        uint16_t length = 0;
        return ExchangeCommand(channel_, kStoreKeysCommand, payload, length);
    }

  private:
    Channel* channel_;
};

}  // namespace kd
