#include "cli/port_connection.h"

#include "provision/connect_reader.h"

namespace kd::cli {

bool PortConnection::Reconnect(const SerialSettings& line, bool designedTiming,
                               std::chrono::steady_clock::duration window,
                               const std::function<bool()>& stopped, std::string& why) {
    Close();
    port_ = provision::ConnectReader(line, designedTiming, window, stopped, why);
    return port_ != nullptr;
}

int32_t PortConnection::Read(uint8_t* buffer, int32_t capacity, uint32_t timeoutMs) {
    constexpr int32_t kPortFailed = -3;
    return port_ ? port_->Read(buffer, capacity, timeoutMs) : kPortFailed;
}

int32_t PortConnection::Write(const uint8_t* bytes, int32_t count) {
    if (count <= 0) {
        return count;
    }
    return port_ ? port_->Write(bytes, count) : -1;
}

void PortConnection::WaitUntilSent() {
    if (port_) {
        port_->WaitUntilSent();
    }
}

void PortConnection::DiscardInput() {
    if (port_) {
        port_->DiscardInput();
    }
}

void PortConnection::Close() {
    if (port_) {
        port_->Close();
        port_.reset();
    }
}

uint32_t PortConnection::IntervalMs() const {
    return port_ ? port_->IntervalMs() : Channel::IntervalMs();
}

std::chrono::microseconds PortConnection::ByteTime() const {
    return port_ ? port_->ByteTime() : Channel::ByteTime();
}

Channel::Clock::time_point PortConnection::Now() const {
    return port_ ? port_->Now() : Channel::Now();
}

}  // namespace kd::cli
