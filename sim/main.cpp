// kdreader-sim: a modelled reader on a pseudo-terminal or a serial device, for trying
// the configuration tool without hardware.
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "protocol/device_commands.h"
#include "protocol/upload_frames.h"
#include "sim/frame_log.h"
#include "sim/key_store.h"
#include "sim/options.h"
#include "sim/pty_port.h"
#include "sim/reader_model.h"
#include "sim/serve_loop.h"
#include "sim/upload_dir.h"

namespace {

using kd::sim::Direction;
using kd::sim::FrameLog;
using kd::sim::KeyStore;
using kd::sim::ModelObserver;

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

volatile sig_atomic_t gStop = 0;

void OnSignal(int /*signal*/) {
    gStop = 1;
}

// Logs every frame, saves the keys on store and keeps the images that arrive whole.
class SimObserver final : public ModelObserver {
  public:
    SimObserver(FrameLog& log, KeyStore& keys, const kd::sim::Options& options)
        : log_(log),
          keys_(keys),
          stateFile_(options.stateFile),
          uploadDir_(options.uploadDir),
          newFirmwareVersion_(options.newFirmwareVersion) {}

    void OnFrame(Direction direction, std::span<const uint8_t> bytes,
                 std::string_view note) override {
        log_.Frame(direction, bytes, note);
    }

    bool OnStore(const KeyStore& keys) override {
        if (stateFile_.empty()) {
            log_.Event("keys stored in memory only (no --state file)");
            return true;
        }
        std::string error;
        if (!keys.SaveState(stateFile_, error)) {
            log_.Event("store refused: " + error);
            return false;
        }
        log_.Event("keys saved to " + stateFile_.string());
        return true;
    }

    bool OnUploadComplete(std::string_view target, std::span<const uint8_t> image,
                          bool digestMatches) override {
        // A damaged image is refused by the reader, and keeping it would pass it off
        // as received.
        if (!digestMatches) {
            log_.Event("image for " + kd::sim::SafeFileName(target) + " not kept: digest mismatch");
            return true;
        }
        std::string error;
        const auto kept = kd::sim::KeepUpload(uploadDir_, target, image, error);
        if (kept.empty()) {
            log_.Event("image not kept: " + error);
            return false;
        }
        log_.Event("image kept as " + kept.string());
        if (target == kd::kFirmwareTargetName && !newFirmwareVersion_.empty()) {
            // The version a real reader reports once it has restarted on the new image.
            const bool set = keys_.Set(kd::kFirmwareVersionKey, newFirmwareVersion_) ==
                             KeyStore::WriteResult::Done;
            log_.Event(set ? "firmware version now " + newFirmwareVersion_
                           : "firmware version not changed: too long");
        }
        return true;
    }

  private:
    FrameLog& log_;
    KeyStore& keys_;
    std::filesystem::path stateFile_;
    std::filesystem::path uploadDir_;
    std::string newFirmwareVersion_;
};

// The symlink is ours only while it still points at our line.
void RemoveLink(const std::string& link, const std::string& target) {
    std::error_code ec;
    if (std::filesystem::is_symlink(link, ec) &&
        std::filesystem::read_symlink(link, ec) == target) {
        std::filesystem::remove(link, ec);
    }
}

bool MakeLink(const std::string& link, const std::string& target, std::string& error) {
    std::error_code ec;
    const auto status = std::filesystem::symlink_status(link, ec);
    if (std::filesystem::exists(status) && !std::filesystem::is_symlink(status)) {
        error = "--link " + link + " exists and is not a symlink; not replacing it";
        return false;
    }
    // A symlink left by an earlier run that was killed holds nothing worth keeping.
    std::filesystem::remove(link, ec);
    std::filesystem::create_symlink(target, link, ec);
    if (ec) {
        error = "cannot make symlink " + link + ": " + ec.message();
        return false;
    }
    return true;
}

int Fail(const std::string& message, int code) {
    std::fprintf(stderr, "kdreader-sim: %s\n", message.c_str());
    return code;
}

// The keys the reader starts with: the state file, then the --value options. An exit
// code when they cannot be taken.
std::optional<int> LoadKeys(const kd::sim::Options& options, KeyStore& keys) {
    std::string error;
    if (!options.stateFile.empty() && !keys.LoadState(options.stateFile, error)) {
        return Fail(error, kExitFailure);
    }
    for (const auto& [name, value] : options.values) {
        if (keys.Set(name, value) != KeyStore::WriteResult::Done) {
            return Fail("--value " + name + ": value too long", kExitUsage);
        }
    }
    if (KeyStore check = keys; !options.newFirmwareVersion.empty() &&
                               check.Set(kd::kFirmwareVersionKey, options.newFirmwareVersion) !=
                                   KeyStore::WriteResult::Done) {
        return Fail("--new-firmware-version: value too long", kExitUsage);
    }
    return std::nullopt;
}

// Blocks the stop signals, which the serve loop takes only while it waits, and returns
// the mask to wait with.
sigset_t CatchStopSignals() {
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigset_t waitMask;
    sigprocmask(SIG_BLOCK, &stopSignals, &waitMask);
    sigdelset(&waitMask, SIGINT);
    sigdelset(&waitMask, SIGTERM);
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    signal(SIGPIPE, SIG_IGN);
    return waitMask;
}

// Opens the line, serves the reader on it until a stop signal or until the line fails,
// and returns the exit code.
int ServeLine(const kd::sim::Options& options, KeyStore& keys, FrameLog& log) {
    const sigset_t waitMask = CatchStopSignals();
    std::string error;
    kd::sim::Port port;
    const bool opened = options.device.empty()
                            ? kd::sim::OpenPseudoTerminal(port, error)
                            : kd::sim::OpenSerialDevice(options.device, options.baud, port, error);
    if (!opened) {
        return Fail(error, kExitFailure);
    }
    kd::sim::ScanFeed scans(options.scans, options.scanEveryMs, options.scanFifo);
    if (!scans.Open(error)) {
        return Fail(error, kExitFailure);
    }
    if (!options.link.empty() && !MakeLink(options.link, port.path, error)) {
        return Fail(error, kExitFailure);
    }
    std::printf("%s\n", port.path.c_str());
    std::fflush(stdout);
    log.Event("serving on " + port.path);

    SimObserver observer(log, keys, options);
    kd::sim::ReaderModel model(keys, options.faults, &observer);
    const auto end = kd::sim::Serve(port.fd.Get(), model, log, options.pace, options.answerOn,
                                    scans, waitMask, gStop);
    log.Event(end == kd::sim::ServeEnd::Stopped ? "stopped" : "line failed, stopping");
    if (!options.link.empty()) {
        RemoveLink(options.link, port.path);
    }
    return end == kd::sim::ServeEnd::Stopped ? 0 : kExitFailure;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string_view> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    kd::sim::Options options;
    std::string error;
    if (!kd::sim::ParseOptions(args, options, error)) {
        std::fprintf(stderr, "kdreader-sim: %s\nTry 'kdreader-sim --help'.\n", error.c_str());
        return kExitUsage;
    }
    if (options.help) {
        const auto usage = kd::sim::UsageText();
        std::fwrite(usage.data(), 1, usage.size(), stdout);
        return 0;
    }
    if (options.version) {
        std::fputs(kd::sim::VersionText().c_str(), stdout);
        return 0;
    }
    KeyStore keys;
    if (const std::optional<int> failed = LoadKeys(options, keys)) {
        return *failed;
    }
    std::error_code ec;
    std::filesystem::create_directories(options.uploadDir, ec);
    if (!std::filesystem::is_directory(options.uploadDir, ec)) {
        return Fail("--uploads " + options.uploadDir + " is not a directory", kExitFailure);
    }
    std::FILE* logFile = stderr;
    if (!options.logFile.empty()) {
        logFile = std::fopen(options.logFile.c_str(), "a");
        if (logFile == nullptr) {
            return Fail("cannot open log " + options.logFile + ": " + std::strerror(errno),
                        kExitFailure);
        }
    }
    int result = 0;
    {
        FrameLog log(logFile);
        result = ServeLine(options, keys, log);
    }
    if (logFile != stderr) {
        std::fclose(logFile);
    }
    return result;
}
