#include <fcntl.h>
#include <glob.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <thread>

#include "cli/station_platform.h"

namespace kd::cli {

std::vector<std::string> PresentPorts(const std::string& pattern) {
    glob_t found{};
    std::vector<std::string> paths;
    if (::glob(pattern.c_str(), 0, nullptr, &found) == 0) {
        for (size_t i = 0; i < found.gl_pathc; ++i) {
            if (PortPresent(found.gl_pathv[i])) {
                paths.emplace_back(found.gl_pathv[i]);
            }
        }
    }
    ::globfree(&found);
    return paths;
}

bool PortPresent(const std::string& port) {
    struct stat status {};
    return ::stat(port.c_str(), &status) == 0;  // follows links: a dangling one is absent
}

struct StopSignals::State {
    sigset_t stops;
    sigset_t previous;
};

StopSignals::StopSignals() : state_(std::make_unique<State>()) {
    sigemptyset(&state_->stops);
    sigaddset(&state_->stops, SIGINT);
    sigaddset(&state_->stops, SIGTERM);
    // Threads started later inherit the mask, so no thread but the waiting one takes them.
    ::pthread_sigmask(SIG_BLOCK, &state_->stops, &state_->previous);
}

StopSignals::~StopSignals() {
    // A second Ctrl-C that came while the session ended must not kill the program now.
    const timespec none{};
    while (::sigtimedwait(&state_->stops, nullptr, &none) > 0) {
    }
    ::pthread_sigmask(SIG_SETMASK, &state_->previous, nullptr);
}

bool StopSignals::Wait(uint32_t milliseconds) {
    const timespec wait{static_cast<time_t>(milliseconds / 1000),
                        static_cast<long>(milliseconds % 1000) * 1000000L};
    const int taken = ::sigtimedwait(&state_->stops, nullptr, &wait);
    return taken == SIGINT || taken == SIGTERM;
}

namespace {

class ThreadWorker final : public Worker {
  public:
    explicit ThreadWorker(std::function<void()> body) : thread_(std::move(body)) {}

  private:
    std::jthread thread_;
};

}  // namespace

std::unique_ptr<Worker> StartWorker(std::function<void()> body) {
    return std::make_unique<ThreadWorker>(std::move(body));
}

AppendFile::~AppendFile() {
    if (descriptor_ >= 0) {
        ::close(descriptor_);
    }
}

bool AppendFile::Open(const std::string& path, std::string& error) {
    descriptor_ = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (descriptor_ < 0) {
        error = path + ": cannot open for appending: " + std::strerror(errno);
        return false;
    }
    return true;
}

bool AppendFile::Append(std::string_view record, std::string& error) {
    ssize_t written = -1;
    do {
        written = ::write(descriptor_, record.data(), record.size());
    } while (written < 0 && errno == EINTR);
    if (written != static_cast<ssize_t>(record.size())) {
        // A part of a record would be read as a broken one: say so rather than retry.
        error = written < 0 ? std::strerror(errno) : "only part of the record was written";
        return false;
    }
    if (::fdatasync(descriptor_) != 0 && errno != EINVAL) {
        error = std::string("cannot flush it to the disk: ") + std::strerror(errno);
        return false;
    }
    return true;
}

}  // namespace kd::cli
