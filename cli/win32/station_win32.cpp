#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>
// After windows.h, which it needs.
#include <shlwapi.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "cli/ports_command.h"
#include "cli/station_platform.h"

namespace kd::cli {

namespace {

std::vector<std::string> MachinePortNames() {
    std::vector<ListedPort> ports;
    std::string ignored;
    ListMachinePorts(ports, ignored);
    std::vector<std::string> names;
    for (const ListedPort& port : ports) {
        names.push_back(port.port);
    }
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

std::vector<std::string> PresentPorts(const std::string& pattern) {
    std::vector<std::string> matching;
    for (std::string& name : MachinePortNames()) {
        if (::PathMatchSpecA(name.c_str(), pattern.c_str())) {
            matching.push_back(std::move(name));
        }
    }
    return matching;
}

bool PortPresent(const std::string& port) {
    const std::vector<std::string> names = MachinePortNames();
    return std::any_of(names.begin(), names.end(), [&](const std::string& name) {
        return ::lstrcmpiA(name.c_str(), port.c_str()) == 0;
    });
}

// Ctrl-C is left to the system here: its handler would have to reach the station
// through a global.
struct StopSignals::State {};

StopSignals::StopSignals() : state_(std::make_unique<State>()) {}

StopSignals::~StopSignals() = default;

bool StopSignals::Wait(uint32_t milliseconds) {
    ::Sleep(milliseconds);
    return false;
}

std::unique_ptr<Worker> StartWorker(std::function<void()> body) {
    body();
    return std::make_unique<Worker>();
}

AppendFile::~AppendFile() {
    if (descriptor_ >= 0) {
        ::_close(descriptor_);
    }
}

bool AppendFile::Open(const std::string& path, std::string& error) {
    descriptor_ =
        ::_open(path.c_str(), _O_WRONLY | _O_APPEND | _O_CREAT | _O_BINARY, _S_IREAD | _S_IWRITE);
    if (descriptor_ < 0) {
        error = path + ": cannot open for appending: " + std::strerror(errno);
        return false;
    }
    return true;
}

bool AppendFile::Append(std::string_view record, std::string& error) {
    const int written = ::_write(descriptor_, record.data(), static_cast<unsigned>(record.size()));
    if (written != static_cast<int>(record.size())) {
        error = written < 0 ? std::strerror(errno) : "only part of the record was written";
        return false;
    }
    if (::_commit(descriptor_) != 0) {
        error = std::string("cannot flush it to the disk: ") + std::strerror(errno);
        return false;
    }
    return true;
}

}  // namespace kd::cli
