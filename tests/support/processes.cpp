#include "tests/support/processes.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <random>
#include <sstream>
#include <thread>

#include "link/posix/deadline.h"

extern char** environ;

namespace kd::test {

namespace fs = std::filesystem;

TempDir::TempDir() {
    std::random_device random;
    path_ = fs::temp_directory_path() / ("kd-test-" + std::to_string(random()));
    fs::create_directories(path_);
}

TempDir::~TempDir() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteFile(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

namespace {

std::vector<char*> ArgumentVector(std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (auto& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    return argv;
}

// Reads both pipes until both are closed, so neither child output can fill up and stall.
void Drain(int outFd, int errFd, RunResult& result) {
    pollfd fds[2] = {{outFd, POLLIN, 0}, {errFd, POLLIN, 0}};
    std::string* sinks[2] = {&result.out, &result.err};
    int open = 2;
    char piece[4096];
    while (open > 0) {
        if (::poll(fds, 2, -1) < 0) {
            return;
        }
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0) {
                continue;
            }
            const ssize_t n = ::read(fds[i].fd, piece, sizeof(piece));
            if (n > 0) {
                sinks[i]->append(piece, static_cast<size_t>(n));
            } else {
                fds[i].fd = -1;
                --open;
            }
        }
    }
}

}  // namespace

RunResult RunProgram(const std::vector<std::string>& command, const fs::path& workingDirectory,
                     Stdout stdoutTo) {
    RunResult result;
    std::vector<std::string> args = command;
    std::vector<char*> argv = ArgumentVector(args);
    int out[2];
    int err[2];
    if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0) {
        return result;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
    if (stdoutTo == Stdout::DevFull) {
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/full", O_WRONLY, 0);
    } else if (stdoutTo == Stdout::Closed) {
        posix_spawn_file_actions_addclose(&actions, STDOUT_FILENO);
    }
    if (!workingDirectory.empty()) {
        posix_spawn_file_actions_addchdir_np(&actions, workingDirectory.c_str());
    }
    pid_t pid = -1;
    const int spawned = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    ::close(err[1]);
    if (spawned == 0) {
        Drain(out[0], err[0], result);
        int status = 0;
        rusage usage{};
        ::wait4(pid, &status, 0, &usage);
        result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        const auto seconds = [](const timeval& time) {
            return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6;
        };
        result.cpuSeconds = seconds(usage.ru_utime) + seconds(usage.ru_stime);
    }
    ::close(out[0]);
    ::close(err[0]);
    return result;
}

SimProcess::SimProcess(const std::string& program, const std::vector<std::string>& args) {
    std::vector<std::string> all = {program};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv = ArgumentVector(all);
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0) {
        return;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    if (::posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
        pid_ = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    stdout_.Reset(out[0]);
    if (pid_ <= 0) {
        return;
    }
    started_ = true;
    // The first line is the path of the line it serves.
    const Deadline deadline(std::chrono::seconds(5));
    char c = 0;
    std::string line;
    while (!deadline.Expired()) {
        pollfd pfd{stdout_.Get(), POLLIN, 0};
        if (::poll(&pfd, 1, deadline.RemainingMs()) <= 0 || ::read(stdout_.Get(), &c, 1) != 1) {
            break;
        }
        if (c == '\n') {
            portPath_ = line;
            break;
        }
        line.push_back(c);
    }
}

SimProcess::~SimProcess() {
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
}

int SimProcess::Stop(int signal) {
    if (pid_ <= 0) {
        return -1;
    }
    ::kill(pid_, signal);
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int SimProcess::Wait() {
    const Deadline deadline(std::chrono::seconds(5));
    while (pid_ > 0 && !deadline.Expired()) {
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return -1;
}

BackgroundProgram::BackgroundProgram(const std::vector<std::string>& command,
                                     const fs::path& outputDir)
    : outPath_(outputDir / "stdout"), errPath_(outputDir / "stderr") {
    std::vector<std::string> args = command;
    std::vector<char*> argv = ArgumentVector(args);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outPath_.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errPath_.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (::posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
        pid_ = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
}

BackgroundProgram::~BackgroundProgram() {
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
}

size_t Occurrences(const std::string& haystack, const std::string& text) {
    size_t count = 0;
    for (size_t at = haystack.find(text); at != std::string::npos;
         at = haystack.find(text, at + text.size())) {
        ++count;
    }
    return count;
}

namespace {

bool WaitForText(const fs::path& file, const std::string& text, std::chrono::milliseconds timeout,
                 size_t count) {
    const Deadline deadline(timeout);
    while (Occurrences(ReadFile(file), text) < count) {
        if (deadline.Expired()) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

}  // namespace

bool BackgroundProgram::WaitForOut(const std::string& text, std::chrono::milliseconds timeout,
                                   size_t count) const {
    return WaitForText(outPath_, text, timeout, count);
}

bool BackgroundProgram::WaitForErr(const std::string& text,
                                   std::chrono::milliseconds timeout) const {
    return WaitForText(errPath_, text, timeout, 1);
}

void BackgroundProgram::Signal(int signal) const {
    if (pid_ > 0) {
        ::kill(pid_, signal);
    }
}

int BackgroundProgram::Wait(std::chrono::milliseconds timeout) {
    const Deadline deadline(timeout);
    while (pid_ > 0) {
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        if (deadline.Expired()) {
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return -1;
}

}  // namespace kd::test
