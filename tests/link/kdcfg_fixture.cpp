#include "tests/link/kdcfg_fixture.h"

#include <chrono>
#include <sstream>
#include <thread>

namespace kd::test {

RunResult Kdcfg(std::vector<std::string> args, const std::filesystem::path& cwd, Stdout stdoutTo) {
    args.insert(args.begin(), KDCFG_PATH);
    return RunProgram(args, cwd, stdoutTo);
}

RunResult KdcfgOn(const std::vector<std::unique_ptr<SimProcess>>& readers,
                  const std::vector<std::string>& command,
                  const std::vector<std::string>& leading) {
    std::vector<std::string> args = {KDCFG_PATH};
    args.insert(args.end(), leading.begin(), leading.end());
    for (const auto& reader : readers) {
        args.insert(args.end(), {"--port", reader->PortPath()});
    }
    args.insert(args.end(), command.begin(), command.end());
    return RunProgram(args);
}

std::vector<std::unique_ptr<SimProcess>> StartReaders(
    const std::vector<std::vector<std::string>>& args) {
    std::vector<std::unique_ptr<SimProcess>> readers;
    for (auto own : args) {
        own.insert(own.begin(), {"--log", "/dev/null"});
        readers.push_back(std::make_unique<SimProcess>(KD_READER_SIM_PATH, own));
    }
    return readers;
}

LoggedReader::LoggedReader(std::vector<std::string> args, Keys keys)
    : sim(KD_READER_SIM_PATH, Args(std::move(args), keys)) {}

std::vector<std::string> LoggedReader::Args(std::vector<std::string> args, Keys keys) const {
    if (keys == Keys::InStateFile) {
        args.insert(args.begin(), {"--state", StateFile().string()});
    }
    args.insert(args.begin(), {"--log", (dir / "frames.log").string()});
    return args;
}

RunResult LoggedReader::Kdcfg(std::vector<std::string> args, const std::filesystem::path& cwd,
                              Stdout stdoutTo) const {
    args.insert(args.begin(), {"--port", sim.PortPath()});
    return test::Kdcfg(std::move(args), cwd, stdoutTo);
}

size_t LoggedReader::Received() const {
    return Occurrences(ReadFile(dir / "frames.log"), " RX ");
}

size_t LoggedReader::Noted(const std::string& what) const {
    return Occurrences(ReadFile(dir / "frames.log"), "  # " + what);
}

bool LoggedReader::WaitForNoted(const std::string& what, size_t count) const {
    for (int i = 0; i < 100 && Noted(what) < count; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return Noted(what) >= count;
}

std::vector<std::string> LoggedReader::Writes() const {
    std::vector<std::string> writes;
    std::istringstream log(ReadFile(dir / "frames.log"));
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

}  // namespace kd::test
