#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "link/channel.h"
#include "link/serial_settings.h"

// Reaching a reader that may still be starting: a reader just plugged in, or one that
// restarts on a new firmware image, whose port may go away and come back meanwhile.
namespace kd::provision {

// A reader just plugged in may still be starting: connecting is tried this long.
inline constexpr std::chrono::steady_clock::duration kConnectWindow = std::chrono::seconds(4);
// After a firmware upload the reader starts on the new image.
inline constexpr std::chrono::steady_clock::duration kReconnectWindow = std::chrono::seconds(20);

// Opens the port and sends the handshake, again and again, until the reader answers, the
// window has passed or stopped() says to give up (checked between tries). The channel,
// paced as asked, or none with why saying what the last try came to.
std::unique_ptr<Channel> ConnectReader(const SerialSettings& line, bool designedTiming,
                                       std::chrono::steady_clock::duration window,
                                       const std::function<bool()>& stopped, std::string& why);

// Waits in short steps; false when stopped() said so before the time was up.
bool PauseUnlessStopped(const std::function<bool()>& stopped,
                        std::chrono::steady_clock::duration pause);

// "115200 8N1"
std::string LineText(const SerialSettings& line);

}  // namespace kd::provision
