#include "cli/run_command.h"

#include <memory>
#include <string>

#include "cli/exit_codes.h"
#include "cli/platform.h"
#include "cli/profile_file.h"
#include "cli/stop.h"
#include "cli/tracing_channel.h"
#include "link/serial_channel.h"
#include "protocol/device_commands.h"

namespace kd::cli {

namespace {

// What a command cut short had done.
const char* InterruptedText(const Options& options, const Command& command) {
    return command.cutShort != nullptr ? command.cutShort(options)
                                       : "nothing was changed on the reader";
}

// Runs the command through a channel that stops it between exchanges once a stop signal
// came; then says what was left undone and returns 130 or 143.
int RunStoppable(const Options& options, Channel& channel, bool terminal, std::FILE* out,
                 std::FILE* err, ReaderFacts* facts) {
    const Command& command = *FindCommand(options.command);
    StopChannel stoppable(channel, options.stop);
    int code = kExitOk;
    try {
        code = command.runOnPort(options, stoppable, {terminal, out, err, facts});
    } catch (const Interrupted&) {
        std::fprintf(err, "kdcfg: %s interrupted (%s): %s\n", options.command.c_str(),
                     StopName(CauseOf(options.stop)), InterruptedText(options, command));
        return StopExitCode(CauseOf(options.stop));
    }
    const StopCause cause = CauseOf(options.stop);
    if (cause == StopCause::None) {
        return code;
    }
    if (!stoppable.Cut()) {
        std::fprintf(err, "kdcfg: %s came after %s had sent its last request\n", StopName(cause),
                     options.command.c_str());
    }
    return StopExitCode(cause);
}

bool TakesProfile(const Options& options) {
    const Command* command = FindCommand(options.command);
    return command != nullptr && command->readsProfile;
}

}  // namespace

bool ReadCommandProfile(Options& options, std::FILE* err) {
    if (!TakesProfile(options)) {
        return true;
    }
    options.profile.read = LoadProfileToWrite(options.profile.file, err);
    return options.profile.read.has_value();
}

int OpenAndRun(const Options& options, bool terminal, std::FILE* out, std::FILE* err,
               ReaderFacts* facts) {
    if (facts != nullptr && FindCommand(options.command)->keepsSummary) {
        facts->apply.emplace();  // nothing changed, nothing verified, until the command says so
    }
    if (TakesProfile(options) && !options.profile.read) {
        std::fprintf(err, "kdcfg: %s: the profile was not read before the port\n",
                     options.profile.file.c_str());
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
    if (options.trace || options.verbose) {
        tracer = std::make_unique<TracingChannel>(
            *port, err,
            options.trace ? TracingChannel::Detail::HexAndWords : TracingChannel::Detail::Words);
    }
    Channel& channel = tracer ? *tracer : *port;
    channel.SetReplyPacing(options.designedTiming ? Channel::Pacing::Designed
                                                  : Channel::Pacing::LineSpeed);
    const int code = RunStoppable(options, channel, terminal, out, err, facts);
    if (facts != nullptr && code == kExitOk) {
        // Best effort: a reader that does not say stays blank in the report.
        ExchangeReadKey(&channel, "deviceno", facts->serialNumber);
        ExchangeReadKey(&channel, "masterver", facts->firmwareVersion);
    }
    port->Close();
    return code;
}

}  // namespace kd::cli
