#include "sim/model_channel.h"

#include <algorithm>

namespace kd::sim {

void ModelChannel::Schedule(uint64_t atMs, std::span<const uint8_t> bytes) {
    const bool inOrder = arrivals_.empty() || arrivals_.back().atMs <= atMs;
    for (uint8_t byte : bytes) {
        arrivals_.push_back({atMs, byte});
    }
    // A short reply may overtake a slow one still on its way; stable keeps each burst whole.
    if (!inOrder) {
        std::stable_sort(arrivals_.begin(), arrivals_.end(),
                         [](const Arrival& a, const Arrival& b) { return a.atMs < b.atMs; });
    }
}

void ModelChannel::SchedulePaced(uint64_t atMs, std::span<const uint8_t> bytes) {
    if (byteTimeUs_ == 0) {
        Schedule(atMs, bytes);
        return;
    }
    uint64_t us = std::max(atMs * 1000, replyLineFreeUs_);
    for (const uint8_t byte : bytes) {
        us += byteTimeUs_;
        // Whole milliseconds, rounded up: a byte is never there before its line time.
        Schedule((us + 999) / 1000, std::span<const uint8_t>(&byte, 1));
    }
    replyLineFreeUs_ = us;
}

void ModelChannel::Inject(uint64_t atMs, std::span<const uint8_t> bytes) {
    Schedule(std::max(atMs, nowMs_), bytes);
}

int32_t ModelChannel::Read(uint8_t* buffer, int32_t capacity, uint32_t timeoutMs) {
    ++readCalls_;
    if (closed_ || vanished_) {
        return kPortGone;
    }
    if (buffer == nullptr || capacity <= 0) {
        return 0;
    }
    const auto want = static_cast<size_t>(std::min(capacity, kReadChunk));
    const uint64_t deadline = nowMs_ + std::min<uint64_t>(kSilenceMs, timeoutMs);
    if (arrivals_.empty() || arrivals_.front().atMs > deadline) {
        nowMs_ = deadline;
        return 0;
    }
    // Bytes that arrived before the call are in the driver's buffer already.
    uint64_t last = std::max(nowMs_, arrivals_.front().atMs);
    size_t got = 0;
    while (got < want && !arrivals_.empty()) {
        const uint64_t at = std::max(nowMs_, arrivals_.front().atMs);
        if (got > 0 && (at - last > IntervalMs() || at > deadline)) {
            break;
        }
        buffer[got++] = arrivals_.front().byte;
        arrivals_.pop_front();
        last = at;
    }
    nowMs_ = got == want ? last : std::min(last + IntervalMs(), deadline);
    return static_cast<int32_t>(got);
}

int32_t ModelChannel::Write(const uint8_t* bytes, int32_t count) {
    if (count <= 0) {
        return count;
    }
    if (closed_ || vanished_ || writeFails_ || bytes == nullptr) {
        return -1;
    }
    const std::span<const uint8_t> sent(bytes, static_cast<size_t>(count));
    written_.emplace_back(sent.begin(), sent.end());
    // The request takes its line time: the model sees it once its last byte is in.
    sentMs_ = std::max(nowMs_, sentMs_) + (byteTimeUs_ * sent.size() + 999) / 1000;
    uint64_t at = sentMs_;
    for (const Emission& emission : model_.Receive(sent)) {
        at += emission.delayMs;
        SchedulePaced(at, emission.bytes);
    }
    return count;
}

void ModelChannel::DiscardInput() {
    while (!arrivals_.empty() && arrivals_.front().atMs <= nowMs_) {
        arrivals_.pop_front();
    }
}

}  // namespace kd::sim
