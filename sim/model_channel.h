#pragma once

#include <algorithm>
#include <cstdint>
#include <deque>
#include <span>
#include <vector>

#include "link/channel.h"
#include "sim/reader_model.h"

namespace kd::sim {

// A channel to a ReaderModel in the same process, on a virtual clock: nothing sleeps,
// and each call moves the clock by the time the serial driver would have taken.
class ModelChannel final : public Channel {
  public:
    // A read gives up after 10 ms x 65 + 1000 ms without a byte...
    static constexpr uint32_t kSilenceMs = 1650;
    // ...and ends once the line has been quiet this long after a byte.
    static constexpr uint32_t kIntervalMs = 50;
    static constexpr int32_t kPortGone = -3;

    explicit ModelChannel(ReaderModel& model) : model_(model) {}

    // Bytes from the first one to arrive, at most min(65, capacity), through every byte
    // that follows its predecessor within 50 ms. Ends at the last byte when the buffer
    // is full, else 50 ms after it; with nothing within 1650 ms (or timeoutMs when
    // shorter), returns 0 then.
    int32_t Read(uint8_t* buffer, int32_t capacity, uint32_t timeoutMs) override;
    // Hands the bytes to the model at once and schedules its replies from now.
    int32_t Write(const uint8_t* bytes, int32_t count) override;
    // Drops what has arrived by now; replies still on their way stay.
    void DiscardInput() override;
    void Close() override { closed_ = true; }

    // Writes fail with -1 from now on.
    void SetWriteFails(bool fails) { writeFails_ = fails; }
    // The port is unplugged: reads give -3 and writes -1.
    void SetVanished(bool vanished) { vanished_ = vanished; }
    bool Closed() const { return closed_; }

    // Every Write that went out, whole, in order.
    const std::vector<std::vector<uint8_t>>& Written() const { return written_; }
    int ReadCalls() const { return readCalls_; }

    uint64_t NowMs() const { return nowMs_; }
    uint32_t IntervalMs() const override {
        return std::max<uint32_t>(kIntervalMs, static_cast<uint32_t>(2 * byteTimeUs_ / 1000 + 1));
    }
    Clock::time_point Now() const override {
        return Clock::time_point(std::chrono::milliseconds(nowMs_));
    }
    void Advance(uint64_t ms) { nowMs_ += ms; }
    // Bytes that arrive at atMs without a request, such as a late reply.
    void Inject(uint64_t atMs, std::span<const uint8_t> bytes);

    // Gives the line the time it takes at baud, 10 bits a byte: a request reaches the
    // model once its last byte is on the line, each reply byte a byte time after the one
    // before, and a read ends only after twice a byte time of quiet on a slow line.
    void SetLineRate(uint32_t baud) { byteTimeUs_ = baud == 0 ? 0 : 10'000'000 / baud; }
    void WaitUntilSent() override { nowMs_ = std::max(nowMs_, sentMs_); }
    std::chrono::microseconds ByteTime() const override {
        return std::chrono::microseconds(byteTimeUs_);
    }
    // Bytes scheduled or arrived and not yet read or discarded.
    size_t PendingBytes() const { return arrivals_.size(); }

  private:
    struct Arrival {
        uint64_t atMs;
        uint8_t byte;
    };
    void Schedule(uint64_t atMs, std::span<const uint8_t> bytes);
    // Puts the bytes on the line from atMs on, one byte time each, after what is on it.
    void SchedulePaced(uint64_t atMs, std::span<const uint8_t> bytes);

    ReaderModel& model_;
    std::deque<Arrival> arrivals_;  // in order of time
    std::vector<std::vector<uint8_t>> written_;
    uint64_t nowMs_ = 0;
    uint64_t byteTimeUs_ = 0;
    uint64_t sentMs_ = 0;           // when the last request's last byte was on the line
    uint64_t replyLineFreeUs_ = 0;  // when the reply line has sent what it was given
    int readCalls_ = 0;
    bool writeFails_ = false;
    bool vanished_ = false;
    bool closed_ = false;
};

}  // namespace kd::sim
