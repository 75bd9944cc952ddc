#pragma once

#include "app/services.h"
#include "link/serial_channel.h"

namespace kd {

// Opens the real serial port of this platform.
class SystemChannelOpener final : public ChannelOpener {
  public:
    std::unique_ptr<Channel> Open(const SerialSettings& settings, std::string& error) override {
        return OpenSerialChannel(settings, error);
    }
};

}  // namespace kd
