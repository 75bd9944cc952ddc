#include "sim/scan_feed.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <utility>

#include "catalogue/key_catalogue.h"

namespace kd::sim {

namespace {

std::string KeyValue(const KeyStore& keys, std::string_view name) {
    const std::string* value = keys.Find(name);
    return value != nullptr ? *value : std::string();
}

}  // namespace

std::optional<std::string> ReadForLine(const KeyStore& keys, const Scan& scan, std::string& why) {
    const std::string route = KeyValue(keys, catalogue::key::kIoOutputs);
    if (route != catalogue::value::kComOutput && route != catalogue::value::kUsbOutput) {
        why = "io_outputs is \"" + EscapeStateField(route, false) + "\", not the serial line";
        return std::nullopt;
    }
    const catalogue::ReadKeyNames names = catalogue::KeyNamesOf(scan.kind);
    const catalogue::ReadKeys format{KeyValue(keys, names.order), KeyValue(keys, names.prefix),
                                     KeyValue(keys, names.suffix), KeyValue(keys, names.format)};
    return catalogue::Joined(catalogue::BuildRead(scan.kind, format, scan.content));
}

ScanFeed::ScanFeed(std::vector<Scan> scans, unsigned everyMs, std::string fifo)
    : scans_(std::move(scans)),
      gap_(everyMs != 0 ? everyMs : kReadGapMs),
      repeat_(everyMs != 0),
      fifoPath_(std::move(fifo)) {}

ScanFeed::~ScanFeed() {
    fifo_.Reset();
    if (madeFifo_) {
        ::unlink(fifoPath_.c_str());
    }
}

bool ScanFeed::Open(std::string& error) {
    if (fifoPath_.empty()) {
        return true;
    }
    struct stat status {};
    if (::stat(fifoPath_.c_str(), &status) != 0) {
        if (errno != ENOENT || ::mkfifo(fifoPath_.c_str(), 0600) != 0) {
            error = "--scans " + fifoPath_ + ": " + std::strerror(errno);
            return false;
        }
        madeFifo_ = true;
    } else if (!S_ISFIFO(status.st_mode)) {
        error = "--scans " + fifoPath_ + " exists and is not a FIFO";
        return false;
    }
    return Reopen(error);
}

bool ScanFeed::Reopen(std::string& error) {
    // Without O_NONBLOCK the open would wait for a writer and stop the reader serving.
    fifo_.Reset(::open(fifoPath_.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (!fifo_.Valid()) {
        error = "cannot open --scans " + fifoPath_ + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

void ScanFeed::Start(Time now) {
    nextDue_ = now;
    waiting_.insert(waiting_.begin(), scans_.begin(), scans_.end());
}

int ScanFeed::FifoToWatch() const {
    return waiting_.size() < kMaxWaitingReads ? fifo_.Get() : -1;
}

std::string ScanFeed::TakeFifo() {
    std::array<char, 4096> chunk{};
    const ssize_t n = ::read(fifo_.Get(), chunk.data(), chunk.size());
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
        return {};
    }
    if (n > 0) {
        partial_.append(chunk.data(), static_cast<size_t>(n));
        size_t end = 0;
        while ((end = partial_.find('\n')) != std::string::npos ||
               partial_.size() >= kMaxFifoLine) {
            const size_t take = std::min(end, kMaxFifoLine);
            Queue(partial_.substr(0, take));
            partial_.erase(0, take == end ? take + 1 : take);
        }
        return {};
    }
    // The writer has gone (or the FIFO failed): what it left without a line end is a line.
    Queue(std::exchange(partial_, {}));
    std::string error;
    Reopen(error);
    return error;
}

void ScanFeed::Queue(std::string line) {
    // An empty line is no read: a reader never sends one.
    if (!line.empty()) {
        waiting_.push_back({catalogue::ReadKind::Code, std::move(line)});
    }
}

void ScanFeed::Refill() {
    if (waiting_.empty() && repeat_) {
        waiting_.insert(waiting_.end(), scans_.begin(), scans_.end());
    }
}

int ScanFeed::MsUntilDue(Time now) const {
    if (waiting_.empty()) {
        return -1;
    }
    if (now >= nextDue_) {
        return 0;
    }
    return static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(nextDue_ - now).count());
}

std::optional<Scan> ScanFeed::Due(Time now) {
    if (waiting_.empty() || now < nextDue_) {
        return std::nullopt;
    }
    Scan scan = std::move(waiting_.front());
    waiting_.pop_front();
    nextDue_ = now + gap_;
    Refill();
    return scan;
}

}  // namespace kd::sim
