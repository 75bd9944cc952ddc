#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/processes.h"

// What the kdcfg tests over pseudo-terminals share: kdcfg runs, and modelled readers that
// log the frames they take.
namespace kd::test {

// Runs kdcfg with these arguments.
RunResult Kdcfg(std::vector<std::string> args, const std::filesystem::path& cwd = {},
                Stdout stdoutTo = Stdout::Captured);

// Runs kdcfg with the leading options, one --port per reader, then the command.
RunResult KdcfgOn(const std::vector<std::unique_ptr<SimProcess>>& readers,
                  const std::vector<std::string>& command,
                  const std::vector<std::string>& leading = {});

// Readers with their own arguments, none logging to the test's output.
std::vector<std::unique_ptr<SimProcess>> StartReaders(
    const std::vector<std::vector<std::string>>& args);

// A modelled reader with a folder of its own, where it logs its frames and, when asked,
// keeps its keys (reader.state).
struct LoggedReader {
    enum class Keys { InMemory, InStateFile };

    explicit LoggedReader(std::vector<std::string> args = {}, Keys keys = Keys::InMemory);

    // Runs kdcfg on this reader's port.
    RunResult Kdcfg(std::vector<std::string> args, const std::filesystem::path& cwd = {},
                    Stdout stdoutTo = Stdout::Captured) const;

    std::filesystem::path StateFile() const { return dir / "reader.state"; }
    // The frames the reader received, one line each.
    size_t Received() const;
    // How often the frame log notes something that starts with what ("write ", "store").
    size_t Noted(const std::string& what) const;
    // Waits up to five seconds until the log notes what count times.
    bool WaitForNoted(const std::string& what, size_t count) const;
    // The writes and stores the reader took, in order ("write workmode=1", "store").
    std::vector<std::string> Writes() const;

    TempDir dir;
    SimProcess sim;

  private:
    std::vector<std::string> Args(std::vector<std::string> args, Keys keys) const;
};

}  // namespace kd::test
