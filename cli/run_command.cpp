#include "cli/run_command.h"

#include <memory>
#include <string>

#include "cli/exit_codes.h"
#include "cli/json_output.h"
#include "cli/platform.h"
#include "cli/port_connection.h"
#include "cli/profile_file.h"
#include "cli/stop.h"
#include "cli/tracing_channel.h"
#include "link/serial_channel.h"
#include "protocol/device_commands.h"
#include "provision/connect_reader.h"

namespace kd::cli {

namespace {

// What a command cut short had done.
const char* InterruptedText(const Options& options, const Command& command) {
    return command.cutShort != nullptr ? command.cutShort(options)
                                       : "nothing was changed on the reader";
}

// Runs the command through a channel that stops it between exchanges once a stop signal
// came; then says what was left undone (unless the command said what it had done) and
// returns 130 or 143.
int RunStoppable(const Options& options, PortWork work, Channel& channel, const PortCall& call) {
    const Command& command = *FindCommand(options.command);
    StopChannel stoppable(channel, options.stop);
    std::FILE* err = call.err;
    int code = kExitOk;
    try {
        code = work(options, stoppable, call);
        EraseProgress(call.progress);
    } catch (const Interrupted&) {
        EraseProgress(call.progress);
        std::fprintf(err, "kdcfg: %s interrupted (%s): %s\n", options.command.c_str(),
                     StopName(CauseOf(options.stop)), InterruptedText(options, command));
        return StopExitCode(CauseOf(options.stop));
    }
    const StopCause cause = CauseOf(options.stop);
    if (cause == StopCause::None || command.listens) {
        return code;
    }
    // A command that returns 130 has said itself what it had done.
    if (code != kExitInterrupted && !stoppable.Cut()) {
        std::fprintf(err, "kdcfg: %s came after %s had sent its last request\n", StopName(cause),
                     options.command.c_str());
    }
    return StopExitCode(cause);
}

// After a reader gave no valid reply: the settings the line had, and how to find others.
void SayWhatWasTried(const SerialSettings& serial, std::FILE* err) {
    const std::string port = ShownName(serial.portPath);
    std::fprintf(err,
                 "kdcfg: the line on %s was %s; if a reader is there and powered but set "
                 "otherwise, try `kdcfg probe --port %s` to find its settings\n",
                 port.c_str(), provision::LineText(serial).c_str(), port.c_str());
}

bool TakesProfile(const Options& options) {
    const Command* command = FindCommand(options.command);
    return command != nullptr && command->readsProfile;
}

}  // namespace

void SayWhereThePortsAre(std::FILE* err) {
    std::fprintf(err, "kdcfg: `kdcfg ports` lists the serial ports of this machine\n");
}

bool ReadCommandProfile(Options& options, std::FILE* err) {
    if (!TakesProfile(options)) {
        return true;
    }
    options.profile.read = LoadProfileToWrite(options.profile.file, err);
    return options.profile.read.has_value();
}

ProgressMode ProgressModeOf(const Options& options, bool live) {
    if (options.quiet) {
        return ProgressMode::Quiet;
    }
    return live && !options.trace && !options.verbose ? ProgressMode::Live : ProgressMode::Plain;
}

int OpenAndRun(const Options& options, bool terminal, std::FILE* out, std::FILE* err,
               ReaderFacts* facts, ProgressView* progress, PortWork work) {
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
    std::unique_ptr<Channel> opened = OpenSerialChannel(serial, error);
    if (!opened) {
        std::fprintf(err, "kdcfg: %s\n", error.c_str());
        SayWhereThePortsAre(err);
        return kExitPortUnavailable;
    }
    PortConnection port(std::move(opened));
    std::unique_ptr<Channel> tracer;
    if (options.trace || options.verbose) {
        tracer = std::make_unique<TracingChannel>(
            port, err,
            options.trace ? TracingChannel::Detail::HexAndWords : TracingChannel::Detail::Words);
    }
    Channel& channel = tracer ? *tracer : port;
    channel.SetReplyPacing(options.designedTiming ? Channel::Pacing::Designed
                                                  : Channel::Pacing::LineSpeed);
    LineProgress ownLine(err, ProgressModeOf(options, terminal));
    PortCall call{terminal, out, err, facts, progress ? progress : &ownLine, {}};
    call.reconnect = [&options, &serial, &port](std::string& why) {
        const auto stopped = [&options] { return CauseOf(options.stop) != StopCause::None; };
        if (port.Reconnect(serial, options.designedTiming, provision::kReconnectWindow, stopped,
                           why)) {
            return true;
        }
        if (stopped()) {
            throw Interrupted();
        }
        return false;
    };
    const int code = RunStoppable(
        options, work != nullptr ? work : FindCommand(options.command)->runOnPort, channel, call);
    if (code == kExitNoAnswer) {
        SayWhatWasTried(options.serial, err);
    }
    if (facts != nullptr && code == kExitOk) {
        // Best effort: a reader that does not say stays blank in the report.
        ExchangeReadKey(&channel, "deviceno", facts->serialNumber);
        ExchangeReadKey(&channel, "masterver", facts->firmwareVersion);
    }
    port.Close();
    return code;
}

}  // namespace kd::cli
