// kdcfg: talks to a reader from the command line, over the same code as the window.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "cli/exit_codes.h"
#include "cli/key_commands.h"
#include "cli/keys_command.h"
#include "cli/options.h"
#include "cli/platform.h"
#include "cli/ports_command.h"
#include "cli/provision_commands.h"
#include "cli/tracing_channel.h"
#include "cli/upload_command.h"
#include "link/serial_channel.h"

using namespace kd;
using namespace kd::cli;

namespace {

int RunCommand(const Options& options, Channel& channel) {
    if (options.command == "info") {
        return RunInfo(channel, options.serial.portPath, options.json, stdout, stderr);
    }
    if (options.command == "get") {
        return RunGet(channel, options.keys, options.json, stdout, stderr);
    }
    if (options.command == "set") {
        return RunSet(channel, options.assignments, options.store, stdout, stderr);
    }
    if (options.command == "store") {
        return RunStore(channel, stdout, stderr);
    }
    if (options.command == "dump") {
        return RunDump(channel, options.serial.portPath, options.output, options.json, stdout,
                       stderr);
    }
    if (options.command == "diff") {
        return RunDiff(channel, options.profile, options.json, stdout, stderr);
    }
    if (options.command == "apply") {
        return RunApply(channel, options.profile, {options.dryRun, options.force, options.json},
                        stdout, stderr);
    }
    DiskUploadFiles files;
    ThreadSleeper sleeper;
    return RunUploadCommand(channel, options.command == "upload-firmware", options.uploadFile,
                            files, sleeper, IsTerminal(stderr), stdout, stderr);
}

int OpenAndRun(Options options) {
    std::string error;
    SerialSettings serial = options.serial;
    serial.portPath = PortDevicePath(serial.portPath);
    std::unique_ptr<Channel> port = OpenSerialChannel(serial, error);
    if (!port) {
        std::fprintf(stderr, "kdcfg: %s\n", error.c_str());
        return kExitPortUnavailable;
    }
    std::unique_ptr<Channel> tracer;
    if (options.trace) {
        tracer = std::make_unique<TracingChannel>(*port, stderr);
    }
    Channel& channel = tracer ? *tracer : *port;
    channel.SetReplyPacing(options.designedTiming ? Channel::Pacing::Designed
                                                  : Channel::Pacing::LineSpeed);
    const int code = RunCommand(options, channel);
    port->Close();
    return code;
}

// Output that did not reach its place makes the run fail, whatever the reader did.
int FinishOutput(int code) {
    const bool flushed = std::fflush(stdout) == 0;
    const int flushError = errno;
    if (flushed && std::ferror(stdout) == 0) {
        return code;
    }
    std::fprintf(stderr, "kdcfg: could not write to standard output%s%s; its output is lost\n",
                 flushed ? "" : ": ", flushed ? "" : std::strerror(flushError));
    return code == kExitOk ? kExitOutputFailed : code;
}

}  // namespace

int main(int argc, char** argv) {
    std::string error;
    if (!GuardStandardDescriptors(error)) {
        std::fprintf(stderr, "kdcfg: %s\n", error.c_str());
        return kExitPortUnavailable;
    }
    ParseResult parsed =
        ParseOptions(std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc));
    if (parsed.help) {
        std::fputs(parsed.helpText.c_str(), stdout);
        return FinishOutput(kExitOk);
    }
    if (!parsed.options) {
        std::fprintf(stderr, "kdcfg: %s\nTry '%s'.\n", parsed.error.c_str(),
                     parsed.helpHint.c_str());
        return kExitUsage;
    }
    if (parsed.options->command == "ports") {
        return FinishOutput(RunPorts(parsed.options->json, stdout, stderr));
    }
    if (parsed.options->command == "keys") {
        return FinishOutput(RunKeys(parsed.options->json, stdout));
    }
    return FinishOutput(OpenAndRun(std::move(*parsed.options)));
}
