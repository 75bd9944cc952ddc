#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <sys/stat.h>
#include <windows.h>
// After windows.h, which it needs.
#include <shlwapi.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>

#include "cli/commands/ports.h"
#include "cli/station/platform.h"

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

namespace {

// The console calls its handler on a thread of its own and passes no context: the one
// flag it may set is reached through this pointer, set while a StopSignals lives.
std::atomic<StopFlag*> handlerFlag{nullptr};
// Set when the program has ended its work; closing the console waits for it.
std::atomic<HANDLE> workEnded{nullptr};

BOOL WINAPI OnConsoleEvent(DWORD event) {
    StopFlag* flag = handlerFlag.load();
    if (flag == nullptr) {
        return FALSE;
    }
    const bool closing = event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT;
    int none = 0;
    flag->compare_exchange_strong(
        none, static_cast<int>(closing ? StopCause::HangUp : StopCause::Interrupt));
    if (closing) {
        // The system ends the program when this returns: give the work its time to end
        // (the system allows some seconds).
        if (HANDLE ended = workEnded.load(); ended != nullptr) {
            ::WaitForSingleObject(ended, INFINITE);
        }
    }
    return TRUE;
}

}  // namespace

struct StopSignals::State {
    HANDLE ended = nullptr;
};

StopSignals::StopSignals() : state_(std::make_unique<State>()) {
    state_->ended = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    workEnded = state_->ended;
    handlerFlag = &flag_;
    ::SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

StopSignals::~StopSignals() {
    handlerFlag = nullptr;
    ::SetConsoleCtrlHandler(OnConsoleEvent, FALSE);
    workEnded = nullptr;
    if (state_->ended != nullptr) {
        ::SetEvent(state_->ended);
        ::CloseHandle(state_->ended);
    }
}

bool StopSignals::Wait(uint32_t milliseconds) {
    constexpr uint32_t kStep = 50;
    for (uint32_t waited = 0; waited < milliseconds && Cause() == StopCause::None;
         waited += kStep) {
        ::Sleep(std::min(kStep, milliseconds - waited));
    }
    return Cause() != StopCause::None;
}

namespace {

class ThreadWorker final : public Worker {
  public:
    explicit ThreadWorker(HANDLE thread) : thread_(thread) {}
    ~ThreadWorker() override {
        ::WaitForSingleObject(thread_, INFINITE);
        ::CloseHandle(thread_);
    }
    ThreadWorker(const ThreadWorker&) = delete;
    ThreadWorker& operator=(const ThreadWorker&) = delete;

  private:
    HANDLE thread_;
};

unsigned __stdcall RunBody(void* context) {
    const std::unique_ptr<std::function<void()>> body(static_cast<std::function<void()>*>(context));
    (*body)();
    return 0;
}

}  // namespace

// Through the C runtime's own thread start, as the work uses its files and streams.
std::unique_ptr<Worker> StartWorker(std::function<void()> body) {
    auto owned = std::make_unique<std::function<void()>>(std::move(body));
    const uintptr_t thread = ::_beginthreadex(nullptr, 0, RunBody, owned.get(), 0, nullptr);
    if (thread == 0) {
        // No thread to be had: the work still gets done, here and to its end.
        (*owned)();
        return std::make_unique<Worker>();
    }
    owned.release();  // the thread owns it now
    return std::make_unique<ThreadWorker>(reinterpret_cast<HANDLE>(thread));
}

AppendFile::~AppendFile() {
    if (descriptor_ >= 0) {
        ::_close(descriptor_);
    }
}

bool AppendFile::Open(const std::string& path, std::string& error) {
    path_ = path;
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

bool AppendFile::StillInPlace() const {
    // The runtime opens the file without delete sharing: while it is open, nobody can
    // remove or rename it.
    return descriptor_ >= 0;
}

}  // namespace kd::cli
