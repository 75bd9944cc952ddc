// kdcfg: talks to a reader from the command line, over the same code as the window.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "cli/command_line.h"
#include "cli/command_table.h"
#include "cli/exit_codes.h"
#include "cli/many_ports/dump_directory.h"
#include "cli/many_ports/every_port.h"
#include "cli/platform.h"
#include "cli/run_command.h"
#include "cli/station/platform.h"

using namespace kd;
using namespace kd::cli;

namespace {

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

// Colour and redrawn lines only where they are wanted and the terminal takes them.
void DecideLooks(Options& options) {
    const char* noColor = std::getenv("NO_COLOR");
    const bool outTerminal = IsTerminal(stdout) && EnableTerminalSequences(stdout);
    const bool errTerminal = IsTerminal(stderr) && EnableTerminalSequences(stderr);
    options.colorOut = !options.json && ColorWanted(options.color, outTerminal, noColor);
    options.colorErr = ColorWanted(options.color, errTerminal, noColor);
    options.liveErr = errTerminal;
}

}  // namespace

int main(int argc, char** argv) {
    std::string error;
    if (!GuardStandardDescriptors(error)) {
        std::fprintf(stderr, "kdcfg: %s\n", error.c_str());
        return kExitPortUnavailable;
    }
    ParseResult parsed = ParseOptions(
        std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc), SystemEnvironment());
    if (parsed.help) {
        std::fputs(parsed.helpText.c_str(), stdout);
        return FinishOutput(kExitOk);
    }
    if (!parsed.options) {
        std::fprintf(stderr, "kdcfg: %s\nTry '%s'.\n", parsed.error.c_str(),
                     parsed.helpHint.c_str());
        return kExitUsage;
    }
    Options& options = *parsed.options;
    DecideLooks(options);
    const Command& command = *FindCommand(options.command);
    if (command.scope == Scope::Machine) {
        return FinishOutput(command.run(options, stdout, stderr));
    }
    // Before any thread starts, so that every thread leaves the signals to it.
    StopSignals signals;
    options.stop = &signals.Flag();
    if (command.scope == Scope::Watched) {
        return FinishOutput(command.watch(options, signals, stdout, stderr));
    }
    if (std::string expandError = ExpandPorts(options); !expandError.empty()) {
        std::fprintf(stderr, "kdcfg: %s\n", expandError.c_str());
        return kExitUsage;
    }
    if (!ReadCommandProfile(options, stderr)) {
        return kExitProfileRefused;
    }
    if (command.scope == Scope::OnePort) {
        if (options.ports.size() > 1) {
            std::fprintf(stderr, "kdcfg: %s takes one port\n", command.name);
            return kExitUsage;
        }
        return FinishOutput(command.run(options, stdout, stderr));
    }
    const bool intoDirectory = DumpsIntoDirectory(options);
    if (intoDirectory && !PrepareDumpDirectory(options.dump.output, stderr)) {
        return kExitOutputFailed;
    }
    if (options.ports.size() > 1) {
        return FinishOutput(RunOnEveryPort(options, stdout, stderr));
    }
    if (intoDirectory) {
        return FinishOutput(DumpIntoDirectory(options, stdout, stderr));
    }
    return FinishOutput(OpenAndRun(options, options.liveErr, stdout, stderr));
}
