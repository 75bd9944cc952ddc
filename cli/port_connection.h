#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "link/channel.h"
#include "link/serial_settings.h"

namespace kd::cli {

// The open port a command runs on. The command may have it closed and opened again: after
// a firmware upload the reader restarts, and its port may go away and come back. The
// channels over it (trace, stop) stay as they are meanwhile.
class PortConnection final : public Channel {
  public:
    explicit PortConnection(std::unique_ptr<Channel> port) : port_(std::move(port)) {}
    ~PortConnection() override { Close(); }
    PortConnection(const PortConnection&) = delete;
    PortConnection& operator=(const PortConnection&) = delete;

    // Closes the port, then opens it and sends the handshake until the reader answers, as
    // the station does after its firmware wait. False, with why, when no reader answered
    // within the window or stopped() said to give up; the port is then closed.
    bool Reconnect(const SerialSettings& line, bool designedTiming,
                   std::chrono::steady_clock::duration window, const std::function<bool()>& stopped,
                   std::string& why);

    // While closed, reads and writes fail as on a port that has gone.
    int32_t Read(uint8_t* buffer, int32_t capacity, uint32_t timeoutMs) override;
    int32_t Write(const uint8_t* bytes, int32_t count) override;
    void WaitUntilSent() override;
    void DiscardInput() override;
    void Close() override;
    uint32_t IntervalMs() const override;
    std::chrono::microseconds ByteTime() const override;
    Clock::time_point Now() const override;

  private:
    std::unique_ptr<Channel> port_;
};

}  // namespace kd::cli
