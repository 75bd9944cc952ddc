#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "cli/stop.h"

// What the station asks of the operating system, one file per platform.
namespace kd::cli {

// The ports the pattern names whose device is there now, sorted; a link whose target
// is gone is not there. Windows matches the pattern against the port names the window
// lists ("COM*").
std::vector<std::string> PresentPorts(const std::string& pattern);

// Whether the port's device is there now.
bool PortPresent(const std::string& port);

// Catches the stop signals (SIGINT, SIGTERM, SIGHUP) from the moment it is made (make it
// before any thread) until it ends, and notes the first in its flag; the program then
// ends its work itself. SIGPIPE is ignored meanwhile: output that cannot be written
// is an error to report, not a reason to die with a port open. On Windows Ctrl-C and
// Ctrl-Break count as SIGINT, closing the console as SIGHUP.
class StopSignals {
  public:
    StopSignals();
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;
    // Waits up to milliseconds; true when a stop signal has come.
    bool Wait(uint32_t milliseconds);
    const StopFlag& Flag() const { return flag_; }
    StopCause Cause() const { return CauseOf(&flag_); }

  private:
    struct State;
    StopFlag flag_{0};
    std::unique_ptr<State> state_;
};

// Work started by the station; ending the object waits for the work to end.
class Worker {
  public:
    virtual ~Worker() = default;
};

// Runs body on a thread of its own; the one way kdcfg starts a thread, on every system.
std::unique_ptr<Worker> StartWorker(std::function<void()> body);

// A file that records are only ever added to, each with one write at its end, so that
// records from several writers never mix, and each reaches the file before Append
// returns.
class AppendFile {
  public:
    AppendFile() = default;
    ~AppendFile();
    AppendFile(const AppendFile&) = delete;
    AppendFile& operator=(const AppendFile&) = delete;
    // Opens or creates the file; false with the reason in error.
    bool Open(const std::string& path, std::string& error);
    bool IsOpen() const { return descriptor_ >= 0; }
    bool Append(std::string_view record, std::string& error);
    // Whether the path still names the file that is open; false when it was removed or
    // replaced (a record appended now would reach no one who reads the path).
    bool StillInPlace() const;
    const std::string& Path() const { return path_; }

  private:
    int descriptor_ = -1;
    std::string path_;
};

}  // namespace kd::cli
