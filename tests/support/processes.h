#pragma once

#include <sys/types.h>

#include <chrono>
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

// A program left running, its output going to files in a directory; killed on every
// path out of a test.
class BackgroundProgram {
  public:
    BackgroundProgram(const std::vector<std::string>& argv, const std::filesystem::path& outputDir);
    ~BackgroundProgram();
    BackgroundProgram(const BackgroundProgram&) = delete;
    BackgroundProgram& operator=(const BackgroundProgram&) = delete;

    std::string Out() const { return ReadFile(outPath_); }
    std::string Err() const { return ReadFile(errPath_); }
    // Waits until standard output (or error) holds text count times; false after timeout.
    bool WaitForOut(const std::string& text, std::chrono::milliseconds timeout,
                    size_t count = 1) const;
    bool WaitForErr(const std::string& text, std::chrono::milliseconds timeout) const;
    void Signal(int signal) const;
    // Waits up to timeout for it to end; its exit code, or -1.
    int Wait(std::chrono::milliseconds timeout);

  private:
    pid_t pid_ = -1;
    std::filesystem::path outPath_;
    std::filesystem::path errPath_;
};

// How often text occurs in haystack.
size_t Occurrences(const std::string& haystack, const std::string& text);

}  // namespace kd::test
