#pragma once

#include "link/channel.h"
#include "protocol/device_commands.h"
#include "protocol/key_access.h"

namespace kd {

// The key commands over a channel that may be absent.
class ChannelKeyAccess final : public KeyAccess {
  public:
    explicit ChannelKeyAccess(Channel* channel) : channel_(channel) {}
    int ReadKey(std::string_view name, std::string& value) override {
        return kd::ReadKey(channel_, name, value);
    }
    int WriteKey(std::string_view name, std::string_view value) override {
        return kd::WriteKey(channel_, name, value);
    }
    int StoreKeys() override { return kd::StoreKeys(channel_); }

  private:
    Channel* channel_;
};

}  // namespace kd
