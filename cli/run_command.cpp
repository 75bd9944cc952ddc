#include "cli/run_command.h"

#include <memory>
#include <string>

#include "cli/dump_directory.h"
#include "cli/exit_codes.h"
#include "cli/key_commands.h"
#include "cli/platform.h"
#include "cli/profile_file.h"
#include "cli/provision_commands.h"
#include "cli/tracing_channel.h"
#include "cli/upload_command.h"
#include "link/serial_channel.h"
#include "protocol/device_commands.h"

namespace kd::cli {

namespace {

int RunCommand(const Options& options, Channel& channel, bool terminal, std::FILE* out,
               std::FILE* err, ReaderFacts* facts) {
    if (options.command == "info") {
        return RunInfo(channel, options.serial.portPath, options.json, out, err);
    }
    if (options.command == "get") {
        return RunGet(channel, options.keys, options.json, out, err);
    }
    if (options.command == "set") {
        return RunSet(channel, options.assignments, options.store, out, err);
    }
    if (options.command == "store") {
        return RunStore(channel, out, err);
    }
    if (options.command == "dump") {
        KeptDump* kept = nullptr;
        if (facts != nullptr && DumpsIntoDirectory(options)) {
            kept = &facts->dump.emplace();
        }
        return RunDump(channel, options.serial.portPath, kept ? "" : options.output, options.json,
                       out, err, kept);
    }
    if (options.command == "diff") {
        return RunDiff(channel, *options.profileRead, options.json, out, err);
    }
    if (options.command == "apply") {
        return RunApply(channel, options.profile, *options.profileRead,
                        {options.dryRun, options.force, options.json}, out, err,
                        facts != nullptr ? &*facts->apply : nullptr);
    }
    DiskUploadFiles files;
    ThreadSleeper sleeper;
    return RunUploadCommand(channel, options.command == "upload-firmware", options.uploadFile,
                            files, sleeper, terminal, out, err);
}

bool TakesProfile(const Options& options) {
    return options.command == "diff" || options.command == "apply";
}

}  // namespace

bool ReadCommandProfile(Options& options, std::FILE* err) {
    if (!TakesProfile(options)) {
        return true;
    }
    options.profileRead = LoadProfile(options.profile, err);
    return options.profileRead.has_value();
}

int OpenAndRun(const Options& options, bool terminal, std::FILE* out, std::FILE* err,
               ReaderFacts* facts) {
    if (facts != nullptr && options.command == "apply") {
        facts->apply.emplace();  // nothing changed, nothing verified, until apply says so
    }
    if (TakesProfile(options) && !options.profileRead) {
        std::fprintf(err, "kdcfg: %s: the profile was not read before the port\n",
                     options.profile.c_str());
        return kExitProfileRefused;
    }
    std::string error;
    SerialSettings serial = options.serial;
    serial.portPath = PortDevicePath(serial.portPath);
    std::unique_ptr<Channel> port = OpenSerialChannel(serial, error);
    if (!port) {
        std::fprintf(err, "kdcfg: %s\n", error.c_str());
        return kExitPortUnavailable;
    }
    std::unique_ptr<Channel> tracer;
    if (options.trace) {
        tracer = std::make_unique<TracingChannel>(*port, err);
    }
    Channel& channel = tracer ? *tracer : *port;
    channel.SetReplyPacing(options.designedTiming ? Channel::Pacing::Designed
                                                  : Channel::Pacing::LineSpeed);
    const int code = RunCommand(options, channel, terminal, out, err, facts);
    if (facts != nullptr && code == kExitOk) {
        // Best effort: a reader that does not say stays blank in the report.
        ExchangeReadKey(&channel, "deviceno", facts->serialNumber);
        ExchangeReadKey(&channel, "masterver", facts->firmwareVersion);
    }
    port->Close();
    return code;
}

}  // namespace kd::cli
