// Feeds arbitrary argument lists to kdcfg's command-line parser: it must either give
// options that hold together, help, or an error, and never open anything.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "cli/command_line.h"
#include "cli/option_checks.h"

namespace {

// Arguments are separated by NUL bytes, as they are in /proc/PID/cmdline.
std::vector<std::string> Arguments(const uint8_t* data, size_t size) {
    std::vector<std::string> args;
    if (size == 0) {
        return args;
    }
    args.emplace_back();
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 0) {
            args.emplace_back();
        } else {
            args.back().push_back(static_cast<char>(data[i]));
        }
    }
    return args;
}

// What the parser promises about options it hands out.
void Check(const kd::cli::Options& options) {
    // keys and ports need no port, station watches for its own and takes none; every
    // other command has one or a pattern for some.
    const bool station = options.command == "station";
    if (station && (options.station.watch.empty() || options.station.profile.empty() ||
                    !options.ports.empty() || !options.portPattern.empty())) {
        std::abort();
    }
    const bool portless = options.command == "keys" || options.command == "ports" || station;
    const bool fine = (portless || !options.ports.empty() || !options.portPattern.empty()) &&
                      options.serial.baudRate > 0 && options.serial.byteSize >= 5 &&
                      options.serial.byteSize <= 8 && !options.command.empty() &&
                      (options.ports.empty() || options.serial.portPath == options.ports.front());
    if (!fine) {
        std::abort();
    }
    for (const auto& port : options.ports) {
        if (port.empty() || port.front() == '-') {
            std::abort();
        }
    }
    for (const auto& key : options.get.keys) {
        if (!kd::cli::CheckKeyName(key).empty()) {
            std::abort();
        }
    }
    for (const auto& [name, value] : options.set.assignments) {
        if (!kd::cli::CheckAssignment(name + "=" + value).empty()) {
            std::abort();
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const kd::cli::ParseResult result = kd::cli::ParseOptions(Arguments(data, size));
    if (result.options) {
        Check(*result.options);
        return 0;
    }
    // Help comes without an error, and a refusal always says why.
    const bool sound = result.help ? !result.helpText.empty() && result.error.empty()
                                   : !result.error.empty() && !result.helpHint.empty();
    if (!sound) {
        std::abort();
    }
    return 0;
}
