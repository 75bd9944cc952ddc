#pragma once

#include <chrono>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/processes.h"

// What the kdcfg tests over pseudo-terminals share: kdcfg runs, and modelled readers that
// log the frames they take.
namespace kd::test {

inline RunResult Kdcfg(std::vector<std::string> args, const std::filesystem::path& cwd = {},
                       Stdout stdoutTo = Stdout::Captured) {
    args.insert(args.begin(), KDCFG_PATH);
    return RunProgram(args, cwd, stdoutTo);
}

// kdcfg with the leading options, one --port per reader, then the command.
inline RunResult KdcfgOn(const std::vector<std::unique_ptr<SimProcess>>& readers,
                         const std::vector<std::string>& command,
                         const std::vector<std::string>& leading = {}) {
    std::vector<std::string> args = leading;
    for (const auto& reader : readers) {
        args.insert(args.end(), {"--port", reader->PortPath()});
    }
    args.insert(args.end(), command.begin(), command.end());
    return Kdcfg(args);
}

// Readers with their own arguments, none logging to the test's output.
inline std::vector<std::unique_ptr<SimProcess>> StartReaders(
    const std::vector<std::vector<std::string>>& args) {
    std::vector<std::unique_ptr<SimProcess>> readers;
    for (auto own : args) {
        own.insert(own.begin(), {"--log", "/dev/null"});
        readers.push_back(std::make_unique<SimProcess>(KD_READER_SIM_PATH, own));
    }
    return readers;
}

// A modelled reader with a folder of its own, where it logs its frames and, when asked,
// keeps its keys (reader.state).
struct LoggedReader {
    enum class Keys { InMemory, InStateFile };

    explicit LoggedReader(std::vector<std::string> args = {}, Keys keys = Keys::InMemory)
        : sim(KD_READER_SIM_PATH, Args(std::move(args), keys)) {}

    // Runs kdcfg on this reader's port.
    RunResult Kdcfg(std::vector<std::string> args, const std::filesystem::path& cwd = {},
                    Stdout stdoutTo = Stdout::Captured) const {
        args.insert(args.begin(), {"--port", sim.PortPath()});
        return test::Kdcfg(std::move(args), cwd, stdoutTo);
    }

    std::filesystem::path StateFile() const { return dir / "reader.state"; }
    std::string FrameLog() const { return ReadFile(dir / "frames.log"); }
    // The frames the reader received, one line each.
    size_t Received() const { return Occurrences(FrameLog(), " RX "); }
    // How often the frame log notes something that starts with what ("write ", "store").
    size_t Noted(const std::string& what) const { return Occurrences(FrameLog(), "  # " + what); }
    // Waits up to five seconds until the log notes what count times.
    bool WaitForNoted(const std::string& what, size_t count) const {
        for (int i = 0; i < 100 && Noted(what) < count; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return Noted(what) >= count;
    }
    // The writes and stores the reader took, in order ("write workmode=1", "store").
    std::vector<std::string> Writes() const {
        std::vector<std::string> writes;
        std::istringstream log(FrameLog());
        for (std::string line; std::getline(log, line);) {
            const size_t note = line.find("  # ");
            if (line.find(" RX ") == std::string::npos || note == std::string::npos) {
                continue;
            }
            const std::string request = line.substr(note + 4);
            if (request.starts_with("write ") || request == "store") {
                writes.push_back(request);
            }
        }
        return writes;
    }

    TempDir dir;
    SimProcess sim;

  private:
    std::vector<std::string> Args(std::vector<std::string> args, Keys keys) const {
        if (keys == Keys::InStateFile) {
            args.insert(args.begin(), {"--state", StateFile().string()});
        }
        args.insert(args.begin(), {"--log", (dir / "frames.log").string()});
        return args;
    }
};

}  // namespace kd::test
