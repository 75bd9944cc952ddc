#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

#include "link/posix/unique_fd.h"

namespace kd::test {

// A directory of its own for one test, removed with everything in it.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& Path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

  private:
    std::filesystem::path path_;
};

std::string ReadFile(const std::filesystem::path& path);
void WriteFile(const std::filesystem::path& path, const std::string& bytes);

// A program run to its end, with what it printed.
struct RunResult {
    int exitCode = -1;  // -1 when it did not exit normally
    std::string out;
    std::string err;
    double cpuSeconds = 0;  // user and system time of the program itself
};
// Where a program's standard output goes: captured into RunResult::out, to a full
// device, or nowhere (the descriptor closed).
enum class Stdout { Captured, DevFull, Closed };
RunResult RunProgram(const std::vector<std::string>& argv,
                     const std::filesystem::path& workingDirectory = {},
                     Stdout stdoutTo = Stdout::Captured);

// A running kdreader-sim; killed on every path out of a test.
class SimProcess {
  public:
    // Starts the simulator with these arguments and waits for the line it serves on.
    explicit SimProcess(const std::string& program, const std::vector<std::string>& args);
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    // The pseudo-terminal the simulator serves, or "" when it did not start.
    const std::string& PortPath() const { return portPath_; }
    bool Started() const { return started_; }
    // Sends the signal and returns the exit code, or -1 when it did not exit normally.
    int Stop(int signal = 15);
    // Waits up to five seconds for it to end by itself; its exit code, or -1.
    int Wait();

  private:
    pid_t pid_ = -1;
    bool started_ = false;
    UniqueFd stdout_;
    std::string portPath_;
};

}  // namespace kd::test
