#include <fcntl.h>
#include <glob.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

#include "cli/station/platform.h"

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

// The signals are held back in every thread and taken by one watcher thread, so no
// handler runs inside the work and nothing is cut short in the middle of an exchange.
struct StopSignals::State {
    sigset_t stops;  // and the wake-up the watcher is ended by
    sigset_t previous;
    struct sigaction previousPipe {};
    std::mutex mutex;
    std::condition_variable came;
    std::jthread watcher;
};

namespace {

// Held back with the stop signals and taken by the watcher alone; it stops nothing.
constexpr int kWakeUp = SIGUSR1;

StopCause CauseOfSignal(int number) {
    switch (number) {
        case SIGINT:
            return StopCause::Interrupt;
        case SIGTERM:
            return StopCause::Terminate;
        case SIGHUP:
            return StopCause::HangUp;
        default:
            return StopCause::None;
    }
}

}  // namespace

StopSignals::StopSignals() : state_(std::make_unique<State>()) {
    State& state = *state_;
    sigemptyset(&state.stops);
    sigaddset(&state.stops, SIGINT);
    sigaddset(&state.stops, SIGTERM);
    sigaddset(&state.stops, SIGHUP);
    sigaddset(&state.stops, kWakeUp);
    // Threads started later inherit the mask, so no thread but the watcher takes them.
    ::pthread_sigmask(SIG_BLOCK, &state.stops, &state.previous);
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    ::sigaction(SIGPIPE, &ignore, &state.previousPipe);
    // It sleeps until a signal comes; the end of the session wakes it with kWakeUp, so the
    // program never waits on a polling step when it ends.
    state.watcher = std::jthread([this](const std::stop_token& token) {
        while (!token.stop_requested()) {
            const StopCause cause = CauseOfSignal(::sigwaitinfo(&state_->stops, nullptr));
            if (cause == StopCause::None) {
                continue;
            }
            int none = 0;
            // The first signal decides; a second Ctrl-C does not change the exit code.
            if (flag_.compare_exchange_strong(none, static_cast<int>(cause))) {
                const std::lock_guard lock(state_->mutex);
                state_->came.notify_all();
            }
        }
    });
}

StopSignals::~StopSignals() {
    state_->watcher.request_stop();
    ::pthread_kill(state_->watcher.native_handle(), kWakeUp);
    state_->watcher.join();
    // A second Ctrl-C that came while the session ended must not kill the program now.
    const timespec none{};
    while (::sigtimedwait(&state_->stops, nullptr, &none) > 0) {
    }
    ::sigaction(SIGPIPE, &state_->previousPipe, nullptr);
    ::pthread_sigmask(SIG_SETMASK, &state_->previous, nullptr);
}

bool StopSignals::Wait(uint32_t milliseconds) {
    std::unique_lock lock(state_->mutex);
    return state_->came.wait_for(lock, std::chrono::milliseconds(milliseconds),
                                 [this] { return Cause() != StopCause::None; });
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
    path_ = path;
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

bool AppendFile::StillInPlace() const {
    struct stat open {};
    struct stat named {};
    if (::fstat(descriptor_, &open) != 0 || ::stat(path_.c_str(), &named) != 0) {
        return false;
    }
    return open.st_dev == named.st_dev && open.st_ino == named.st_ino;
}

}  // namespace kd::cli
