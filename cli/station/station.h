#pragma once

#include <atomic>
#include <chrono>
#include <cstdio>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "cli/progress_view.h"
#include "cli/station/platform.h"
#include "link/port_name.h"
#include "provision/port_watch.h"
#include "provision/station_reader.h"

namespace kd::cli {

// Where the station's results go.
struct StationOutput {
    std::FILE* out;             // a PASS or FAIL line per reader and the totals, or JSON lines
    std::FILE* err;             // what the station is doing
    bool json = false;          // out gets each record and the totals as JSON lines
    AppendFile* log = nullptr;  // the record log; null for none
    bool colorOut = false;      // PASS and FAIL in colour on out
    bool colorErr = false;
    ProgressMode progress = ProgressMode::Plain;  // how err shows what each reader is doing
};

// Watches for readers and handles each new one on a thread of its own until a stop
// signal. The stop flag is the station's own; readers' threads only read it.
class Station {
  public:
    Station(provision::StationSetup setup, std::string pattern, StationOutput output);
    ~Station();
    Station(const Station&) = delete;
    Station& operator=(const Station&) = delete;

    // Runs until a stop signal, then lets the readers in progress end and prints the
    // totals. Returns the exit code.
    int Run(StopSignals& signals);

  private:
    struct Slot;
    void TakeNewReaders();
    void CollectFinished();
    void CheckLog();
    void Report(const provision::ReaderRecord& record);
    void RequestStop(const char* why);
    void PrintTotals();
    void DrawLive();
    // A message on err, below the live lines' place; false under --quiet for mere talk.
    void Say(bool talk, const char* format, ...);

    const provision::StationSetup setup_;
    const std::string pattern_;
    const StationOutput output_;
    std::atomic<bool> stop_{false};
    bool logFailed_ = false;
    bool outputFailed_ = false;
    provision::PortWatch watch_{PortDeviceKey};
    size_t passed_ = 0;
    size_t failed_ = 0;
    std::deque<std::string> recent_;  // the last results, for the live lines
    LiveBlock live_;
    std::chrono::steady_clock::time_point started_;
    // Last: its threads, which read the members above, end first.
    std::vector<std::unique_ptr<Slot>> slots_;
};

}  // namespace kd::cli
