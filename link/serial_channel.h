#pragma once

#include <memory>
#include <string>

#include "link/channel.h"
#include "link/serial_settings.h"

namespace kd {

// Opens the port exclusively and configures it. On failure returns no channel, leaves
// nothing open and puts a message naming the port and the system's reason in error.
std::unique_ptr<Channel> OpenSerialChannel(const SerialSettings& settings, std::string& error);

}  // namespace kd
