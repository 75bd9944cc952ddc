#include "provision/station_reader.h"

#include <algorithm>
#include <chrono>
#include <memory>

#include "link/forwarding_channel.h"
#include "protocol/channel_key_access.h"
#include "protocol/device_commands.h"
#include "protocol/upload.h"
#include "provision/apply.h"
#include "provision/connect_reader.h"
#include "provision/line_probe.h"
#include "provision/upload_words.h"
#include "provision/utc_time.h"
#include "text/escape.h"

namespace kd::provision {

namespace {

// A reader's bytes as kdcfg prints them.
std::string Escaped(std::string_view bytes) {
    return text::EscapeText(bytes, text::Blanks::EscapeAtEdges);
}

using Clock = std::chrono::steady_clock;

// The upload's closing wait, cut short by a stop.
class StopSleeper final : public Sleeper {
  public:
    explicit StopSleeper(const std::atomic<bool>& stop) : stop_(stop) {}
    void Sleep(uint32_t milliseconds) override {
        PauseUnlessStopped([this] { return stop_.load(); },
                           std::chrono::milliseconds(milliseconds));
    }

  private:
    const std::atomic<bool>& stop_;
};

// Refuses every write once stop is set, so that an upload ends before its next block
// and never in the middle of one.
class StoppableChannel final : public ForwardingChannel {
  public:
    StoppableChannel(Channel& inner, const std::atomic<bool>& stop)
        : ForwardingChannel(inner), stop_(stop) {}
    int32_t Write(const uint8_t* bytes, int32_t count) override {
        return stop_ && count > 0 ? -1 : ForwardingChannel::Write(bytes, count);
    }

  private:
    const std::atomic<bool>& stop_;
};

// A key's value as the reader sent it.
std::optional<std::string> ReadRaw(Channel& channel, std::string_view key) {
    std::string value;
    if (ExchangeReadKey(&channel, key, value) != kCommandOk) {
        return std::nullopt;
    }
    return value;
}

std::optional<std::string> ShownIfRead(const std::optional<std::string>& raw) {
    return raw ? std::optional<std::string>(Escaped(*raw)) : std::nullopt;
}

std::string ShownOrUnread(const std::optional<std::string>& value) {
    return value ? *value : "(not read)";
}

// One line on what apply did, or on what went wrong first.
std::string ApplyReason(const ApplyResult& result) {
    const auto& writes = result.writes;
    switch (result.outcome) {
        case ApplyOutcome::Verified:
            return std::to_string(writes.size()) + (writes.size() == 1 ? " key" : " keys") +
                   " written, stored and read back" +
                   (result.NotReadBack() > 0 ? " (write-only keys acknowledged, not read back)"
                                             : "");
        case ApplyOutcome::NothingToDo:
            return "the reader already held the profile";
        case ApplyOutcome::ReadFailed:
            return "the reader stopped answering while its keys were read; nothing was written";
        case ApplyOutcome::WriteFailed:
            for (const KeyWrite& write : writes) {
                if (write.writeError && write.writeError != KeyError::NotAsked) {
                    return "write " + Escaped(write.key) + ": " +
                           std::string(Describe(*write.writeError)) + "; nothing was stored";
                }
            }
            return "a write failed; nothing was stored";
        case ApplyOutcome::StoreFailed:
            return "store: " + std::string(Describe(*result.storeError)) + "; nothing was stored";
        case ApplyOutcome::VerifyFailed:
            for (const KeyWrite& write : writes) {
                if (!write.Verified()) {
                    return "stored, but " + Escaped(write.key) + " reads back as " +
                           (write.readBack.value ? Escaped(*write.readBack.value) : "(not read)") +
                           ", not " + Escaped(write.value);
                }
            }
            break;
        case ApplyOutcome::CheckRefused:
        case ApplyOutcome::DryRun:
            break;
    }
    return "apply: " + std::string(Code(result.outcome));
}

// One reader's work, step by step; each step says why it failed in the record.
class ReaderWork {
  public:
    ReaderWork(const StationSetup& setup, const std::string& port, const std::atomic<bool>& stop,
               ReaderRecord& record, Progress* progress)
        : setup_(setup), port_(port), stop_(stop), record_(record), progress_(progress) {}
    ~ReaderWork() { Disconnect(); }
    ReaderWork(const ReaderWork&) = delete;
    ReaderWork& operator=(const ReaderWork&) = delete;

    void Run() {
        if (!Connect(kConnectWindow, setup_.probe)) {
            return;
        }
        Report(progress_, {Phase::Reading, 0, 3, {}});
        serialNumber_ = ReadRaw(*channel_, "deviceno");
        record_.serialNumber = ShownIfRead(serialNumber_);
        record_.before = ReadVersions();
        record_.after = record_.before;
        // A reader that answered is in progress: a stop lets it finish.
        if (UpdateFirmware()) {
            ApplyProfile();
        }
    }

  private:
    bool Fail(std::string reason) {
        record_.reason = std::move(reason);
        return false;
    }

    void Disconnect() {
        if (channel_) {
            channel_->Close();
            channel_.reset();
        }
    }

    bool Connect(Clock::duration window, bool probe);
    bool UpdateFirmware();
    bool Upload();
    void ApplyProfile();

    ReaderVersions ReadVersions() {
        firmware_ = ReadRaw(*channel_, kFirmwareVersionKey);
        return {ShownIfRead(firmware_), ShownIfRead(ReadRaw(*channel_, kBuildDateKey))};
    }
    bool SameReader();

    const StationSetup& setup_;
    const std::string& port_;
    const std::atomic<bool>& stop_;
    ReaderRecord& record_;
    Progress* progress_;
    SerialSettings line_;
    std::unique_ptr<Channel> channel_;
    std::optional<std::string> serialNumber_;  // deviceno and masterver as last read: bytes
    std::optional<std::string> firmware_;
};

// Opens the port and sends the handshake until the reader answers or the window ends.
bool ReaderWork::Connect(Clock::duration window, bool probe) {
    const auto deadline = Clock::now() + window;
    // A reconnect keeps the settings the reader answered on.
    SerialSettings line = line_.portPath.empty() ? setup_.serial : line_;
    line.portPath = setup_.ports.devicePath(port_);
    Report(progress_, {line_.portPath.empty() ? Phase::Connecting : Phase::Reconnecting, 0, 0, {}});
    if (probe) {
        const ProbeResult probed = FindLineSettings(
            line, [this] { return stop_.load(); }, progress_);
        if (!probed.found) {
            return Fail(stop_               ? "stopped (Ctrl-C) while probing"
                        : probed.opened > 0 ? "no answer to the handshake at any line setting"
                                            : probed.openError);
        }
        line = WithProbed(line, *probed.found);
    }
    std::string why;
    // The window counts from before the probe.
    channel_ = ConnectReader(
        line, setup_.designedTiming, deadline - Clock::now(), [this] { return stop_.load(); }, why);
    if (!channel_) {
        return Fail(stop_ ? "stopped (Ctrl-C) before the reader answered: " + why : why);
    }
    line_ = line;
    record_.line = LineText(line);
    return true;
}

bool ReaderWork::UpdateFirmware() {
    if (setup_.firmwareFile.empty()) {
        return true;
    }
    if (!firmware_) {
        return Fail("the firmware version (masterver) could not be read");
    }
    if (*firmware_ == setup_.firmwareVersion) {
        return true;
    }
    if (!Upload()) {
        return false;
    }
    record_.firmwareUploaded = true;
    Disconnect();
    if (!Connect(kReconnectWindow, false)) {
        return Fail("after the firmware upload: " + record_.reason);
    }
    if (!SameReader()) {
        return false;
    }
    record_.after = ReadVersions();
    if (firmware_ != setup_.firmwareVersion) {
        return Fail("the firmware reads " + ShownOrUnread(record_.after.firmware) +
                    " after the upload, not " + Escaped(setup_.firmwareVersion));
    }
    return true;
}

// The port may have gone during the firmware wait and come back with another reader
// behind it: that one must not get this reader's record.
bool ReaderWork::SameReader() {
    if (!serialNumber_) {
        return true;  // nothing to tell readers apart by
    }
    const std::optional<std::string> now = ReadRaw(*channel_, "deviceno");
    if (!now) {
        return Fail(
            "after the firmware upload the serial number (deviceno) could not be read: "
            "whether the same reader answered is unknown");
    }
    if (*now != *serialNumber_) {
        record_.anotherReader = true;
        return Fail("another reader answered on " +
                    text::EscapeSystemText(port_, text::Blanks::EscapeAtEdges) +
                    " after the firmware wait "
                    "(serial " +
                    Escaped(*now) + "); it is taken as a new reader");
    }
    return true;
}

bool ReaderWork::Upload() {
    StoppableChannel guarded(*channel_, stop_);
    DiskUploadFiles files;
    StopSleeper sleeper(stop_);
    UploadSteps steps(progress_, sleeper);
    UploadTarget target = FirmwareUpload();
    target.fileName = setup_.firmwareFile;
    target.closingWaitMs = setup_.firmwareWaitMs;
    const UploadOutcome outcome = RunUpload(&guarded, target, files, steps, &steps);
    if (stop_) {
        return Fail(outcome == UploadOutcome::Done
                        ? "stopped (Ctrl-C) while the reader took in its new firmware; the "
                          "version was not checked"
                        : "stopped (Ctrl-C) during the firmware upload: the reader did not get "
                          "the whole image");
    }
    if (outcome != UploadOutcome::Done) {
        return Fail("firmware upload: " + DescribeUpload(outcome, true, setup_.firmwareFile));
    }
    return true;
}

void ReaderWork::ApplyProfile() {
    ChannelKeyAccess keys(channel_.get());
    const ApplyResult result = Apply(keys, setup_.profile, {}, progress_);
    record_.apply = Code(result.outcome);
    if (result.stored) {
        record_.keysChanged =
            static_cast<size_t>(std::count_if(result.writes.begin(), result.writes.end(),
                                              [](const KeyWrite& write) { return write.written; }));
    }
    record_.passed =
        result.outcome == ApplyOutcome::Verified || result.outcome == ApplyOutcome::NothingToDo;
    record_.reason = ApplyReason(result);
    const bool setsSerial =
        std::any_of(setup_.profile.entries.begin(), setup_.profile.entries.end(),
                    [](const profile::Entry& entry) { return entry.key == "deviceno"; });
    if (setsSerial) {
        // The record names the reader by the number it holds now.
        serialNumber_ = ReadRaw(*channel_, "deviceno");
        record_.serialNumber = ShownIfRead(serialNumber_);
    }
    if (record_.firmwareUploaded) {
        record_.reason = "firmware " + ShownOrUnread(record_.before.firmware) + " -> " +
                         ShownOrUnread(record_.after.firmware) + "; " + record_.reason;
    }
}

}  // namespace

ReaderRecord HandleReader(const StationSetup& setup, const std::string& port,
                          const std::atomic<bool>& stop, Progress* progress) {
    ReaderRecord record;
    record.port = port;
    record.time = UtcNow();
    const auto start = Clock::now();
    {
        ReaderWork work(setup, port, stop, record, progress);
        work.Run();
    }  // the port is closed here
    if (!record.passed && !setup.ports.present(port)) {
        record.reason += " (the port has gone: unplugged?)";
    }
    record.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    return record;
}

}  // namespace kd::provision
