#pragma once

#include <chrono>
#include <cstddef>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "catalogue/read_format.h"
#include "link/posix/unique_fd.h"
#include "sim/key_store.h"

namespace kd::sim {

// A code or card the reader is to read.
struct Scan {
    catalogue::ReadKind kind = catalogue::ReadKind::Code;
    std::string content;

    bool operator==(const Scan&) const = default;
};

// Reads follow one another at least this far apart unless --scan-every says otherwise, so
// that reads without a line end can be told apart by the pause between them.
inline constexpr unsigned kReadGapMs = 300;
// A FIFO line longer than this goes out as several reads.
inline constexpr size_t kMaxFifoLine = 4096;
// While this many reads wait, the FIFO is not read: its writer waits instead.
inline constexpr size_t kMaxWaitingReads = 1000;

// The bytes the reader sends for the scan with its current keys, or nothing, with why,
// when its output does not go to the serial line ("io_outputs" other than "com1" and
// "comusb").
std::optional<std::string> ReadForLine(const KeyStore& keys, const Scan& scan, std::string& why);

// The reads the reader is given: the scans of the command line in order, once or over and
// over, and each line written to a FIFO, one read at a time with a gap between them.
class ScanFeed {
  public:
    using Time = std::chrono::steady_clock::time_point;

    ScanFeed() = default;
    ScanFeed(std::vector<Scan> scans, unsigned everyMs, std::string fifo);
    ~ScanFeed();
    ScanFeed(const ScanFeed&) = delete;
    ScanFeed& operator=(const ScanFeed&) = delete;

    // Makes the FIFO when it is missing (and removes it again at the end), then opens it
    // without waiting for a writer. False with error when that fails or the path is
    // something else.
    bool Open(std::string& error);
    // The first read is due now.
    void Start(Time now);

    // The FIFO to watch for lines, or -1 while there is none or too many reads wait.
    int FifoToWatch() const;
    // Takes the lines that have come; at the writer's end, the last line without its line
    // end too, and opens the FIFO again for the next writer. Returns what went wrong, if
    // anything.
    std::string TakeFifo();

    // Milliseconds until the next read is due: 0 now, -1 when none waits.
    int MsUntilDue(Time now) const;
    // The read due now, if any; the next one is then due a gap later.
    std::optional<Scan> Due(Time now);

  private:
    void Refill();
    void Queue(std::string line);
    bool Reopen(std::string& error);

    std::vector<Scan> scans_;
    std::chrono::milliseconds gap_{kReadGapMs};
    bool repeat_ = false;
    std::string fifoPath_;
    bool madeFifo_ = false;
    UniqueFd fifo_;
    std::string partial_;
    std::deque<Scan> waiting_;
    Time nextDue_{};
};

}  // namespace kd::sim
