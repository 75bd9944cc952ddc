// kdcfg: talks to a reader from the command line, over the same code as the window.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "cli/exit_codes.h"
#include "cli/key_commands.h"
#include "cli/options.h"
#include "cli/tracing_channel.h"
#include "cli/upload_command.h"
#include "link/serial_channel.h"

using namespace kd;
using namespace kd::cli;

#ifdef _WIN32
#include <io.h>
static bool IsTerminal(std::FILE* stream) {
    return _isatty(_fileno(stream)) != 0;
}
#else
#include <unistd.h>
static bool IsTerminal(std::FILE* stream) {
    return isatty(fileno(stream)) != 0;
}
#endif

int main(int argc, char** argv) {
    const ParseResult parsed = ParseOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (parsed.help) {
        std::fputs(UsageText().c_str(), stdout);
        return kExitOk;
    }
    if (!parsed.options) {
        std::fprintf(stderr, "kdcfg: %s\n\n%s", parsed.error.c_str(), UsageText().c_str());
        return kExitUsage;
    }
    const Options& options = *parsed.options;

    std::string error;
    std::unique_ptr<Channel> port = OpenSerialChannel(options.serial, error);
    if (!port) {
        std::fprintf(stderr, "kdcfg: %s\n", error.c_str());
        return kExitPortUnavailable;
    }
    std::unique_ptr<Channel> tracer;
    if (options.trace) {
        tracer = std::make_unique<TracingChannel>(*port, stderr);
    }
    Channel& channel = tracer ? *tracer : *port;

    int code = kExitUsage;
    if (options.command == "info") {
        code = RunInfo(channel, options.serial.portPath, stdout, stderr);
    } else if (options.command == "get") {
        code = RunGet(channel, options.keys, stdout, stderr);
    } else if (options.command == "set") {
        code = RunSet(channel, options.assignments, options.store, stdout, stderr);
    } else if (options.command == "store") {
        code = RunStore(channel, stdout, stderr);
    } else if (options.command == "upload-firmware" || options.command == "upload-config") {
        DiskUploadFiles files;
        ThreadSleeper sleeper;
        code = RunUploadCommand(channel, options.command == "upload-firmware", options.uploadFile,
                                files, sleeper, IsTerminal(stderr), stdout, stderr);
    }
    port->Close();
    return code;
}
