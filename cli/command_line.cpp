#include "cli/command_line.h"

#include <CLI/CLI.hpp>

#include "cli/command_table.h"
#include "cli/help_format.h"
#include "cli/option_checks.h"

namespace kd::cli {

namespace {

constexpr char kProgramText[] =
    "kdcfg: talks to a code reader over a serial line, with the same code as the window.";

constexpr char kExitCodesText[] =
    "Line options may come before or after the command.\n"
    "Data goes to standard output; messages go to standard error.\n"
    "\n"
    "Values: a reader's texts are GBK (code page 936) bytes. get prints them as UTF-8;\n"
    "control bytes, bytes that are not GBK text and the backslash print as \\xNN and \\\\,\n"
    "so a value always stays on its own line. set takes the same form: UTF-8 is sent as\n"
    "GBK, \\xNN sends the byte NN, \\\\ sends a backslash. Any byte string can be given:\n"
    "set deviceno='\\xFF\\x00A' sends FF 00 41, and what get prints can be given back to set.\n"
    "\n"
    "Exit codes:\n"
    "  0   done\n"
    "  2   usage error: nothing was sent (set: also a key or value the catalogue check\n"
    "      refuses, unless --force)\n"
    "  3   the port cannot be opened or set up (not a terminal, a speed the driver refuses)\n"
    "  4   the reader does not answer, or the request could not be sent\n"
    "  5   the reader refused\n"
    "  6   the upload file is missing, unreadable or changed while it was sent\n"
    "  7   the reader did not take the upload's start (refused or no answer)\n"
    "  8   an upload block could not be written to the port\n"
    "  9   an upload block was not acknowledged after 4 sends\n"
    "  10  the output could not be written (standard output full or closed, dump -o,\n"
    "      station --log FILE)\n"
    "\n"
    "diff and apply also use:\n"
    "  0   diff: the reader holds the profile; apply: written, stored, read back and verified\n"
    "  1   diff: the reader differs; apply: nothing to do, the reader already held it\n"
    "  11  the profile cannot be used (not a regular file, over 1 MiB, a fault of its text,\n"
    "      no key to set; found before the port is opened), or the catalogue check refused\n"
    "      it: nothing was sent\n"
    "  12  apply: a write or the store failed; nothing was stored\n"
    "  13  apply: stored, but a key read back differently\n"
    "dump, diff and apply give 4 or 5 when a key could not be read.\n"
    "\n"
    "station runs until Ctrl-C and uses:\n"
    "  0   every reader passed (or none came)\n"
    "  14  a reader failed; its FAIL line and its log record say why\n"
    "  6, 10, 11 before watching: the firmware file, the log, the profile\n";

constexpr char kCommandFooter[] =
    "Line options (--port PATH, --ports GLOB, --baud, --data-bits, --stop-bits, --parity,\n"
    "--trace, -v, --designed-timing) and --json may come before or after the command;\n"
    "'kdcfg --help' lists them and the exit codes.";

// The command lines' own values, read into Options once the parse is over.
struct Scratch {
    unsigned dataBits = 8;
};

// "info, get, ...: " and the station's line, from the commands that have a JSON form.
std::string JsonHelp() {
    std::string names;
    for (const Command& command : Commands()) {
        if (command.json && command.scope != Scope::Watched) {
            names += (names.empty() ? "" : ", ") + std::string(command.name);
        }
    }
    return names +
           ": print one JSON document on standard output; station: one JSON line per reader, "
           "then the totals";
}

void AddLineOptions(CLI::App& app, Options& options, Scratch& scratch) {
    const auto last = CLI::MultiOptionPolicy::TakeLast;
    app.add_option("--port", options.ports,
                   "the reader's serial port, e.g. /dev/ttyUSB0 or COM3; give it again to run "
                   "on several readers at once")
        ->type_name("PATH")
        ->check(PathNotOption())
        ->allow_extra_args(false);  // one path per --port: "get KEY --port P KEY" stays whole
    app.add_option("--ports", options.portPattern,
                   "every port the pattern matches, e.g. '/dev/serial/by-id/usb-*' (not on "
                   "Windows)")
        ->type_name("GLOB")
        ->check(PathNotOption())
        ->multi_option_policy(last);
    app.add_option("--baud", options.serial.baudRate, "line speed in bit/s (default 9600)")
        ->type_name("N")
        ->check(PositiveWholeNumber())
        ->multi_option_policy(last);
    app.add_option("--data-bits", scratch.dataBits, "5, 6, 7 or 8 (default 8)")
        ->type_name("BITS")
        ->check(OneOf({"5", "6", "7", "8"}))
        ->multi_option_policy(last);
    app.add_option("--stop-bits", options.serial.stopBits, "1 or 2 (default 1)")
        ->type_name("BITS")
        ->check(OneOf({"1", "2"}))
        ->multi_option_policy(last);
    app.add_option("--parity", options.serial.parity,
                   "NONE, ODD, EVEN, MARK or SPACE (default NONE)")
        ->type_name("PARITY")
        ->check(OneOf({"NONE", "ODD", "EVEN", "MARK", "SPACE"}))
        ->multi_option_policy(last);
    app.add_flag("--trace", options.trace,
                 "show every frame sent (>) and received (<) as hex and in words on standard "
                 "error");
    app.add_flag("-v,--verbose", options.verbose,
                 "show every frame sent (>) and received (<) in words on standard error");
    app.add_flag("--designed-timing", options.designedTiming,
                 "read each reply in reads that end 50 ms after its last byte, as the window "
                 "does, instead of ending with the reply's last byte");
    app.add_flag("--json", options.json, JsonHelp());
}

void AddCommands(CLI::App& app, Options& options) {
    for (const Command& command : Commands()) {
        CLI::App* added =
            app.add_subcommand(command.name, std::string(command.summary) + "\n\n" + command.sends);
        added->group("Commands");
        added->footer(command.footer != nullptr ? command.footer : kCommandFooter);
        if (command.addOptions != nullptr) {
            command.addOptions(*added, options);
        }
    }
}

// Names the first argument that nothing took.
std::string Unexpected(const std::string& argument, const CLI::App* command) {
    if (argument.starts_with("-")) {
        return "unknown option '" + argument.substr(0, argument.find('=')) + "'";
    }
    if (command == nullptr) {
        return "unknown command '" + argument + "'";
    }
    return command->get_name() + ": unexpected argument '" + argument + "'";
}

const CLI::App* Chosen(const CLI::App& app) {
    const auto chosen = app.get_subcommands();
    return chosen.empty() ? nullptr : chosen.front();
}

// Checks what CLI11 leaves to us and moves the command's values into options.
std::string Complete(const CLI::App& app, Options& options, const Scratch& scratch) {
    const CLI::App* command = Chosen(app);
    if (const auto rest = app.remaining(true); !rest.empty()) {
        return Unexpected(rest.front(), command);
    }
    if (command == nullptr) {
        return "no command given";
    }
    options.command = command->get_name();
    const Command& chosen = *FindCommand(options.command);
    if (options.json && !chosen.json) {
        return "--json: " + options.command + " has no JSON form";
    }
    if (chosen.check != nullptr) {
        if (std::string problem = chosen.check(options); !problem.empty()) {
            return problem;
        }
    } else if (options.ports.empty() && options.portPattern.empty() &&
               chosen.scope != Scope::Machine) {
        return "--port or --ports is required";
    }
    if (!options.ports.empty()) {
        options.serial.portPath = options.ports.front();
    }
    options.serial.byteSize = static_cast<uint8_t>(scratch.dataBits);
    return {};
}

}  // namespace

ParseResult ParseOptions(const std::vector<std::string>& args) {
    Options options;
    Scratch scratch;
    CLI::App app(kProgramText, "kdcfg");
    app.formatter(std::make_shared<HelpFormatter>());
    app.fallthrough();
    app.require_subcommand(0, 1);
    app.footer(kExitCodesText);
    AddLineOptions(app, options, scratch);
    AddCommands(app, options);
    // Left-over arguments are named by Complete, in words of this program.
    app.allow_extras();

    ParseResult result;
    try {
        std::vector<std::string> reversed(args.rbegin(), args.rend());
        app.parse(reversed);
    } catch (const CLI::CallForHelp&) {
        result.help = true;
        result.helpText = app.help();
        return result;
    } catch (const CLI::ParseError& error) {
        result.error = error.what();
    }
    if (result.error.empty()) {
        result.error = Complete(app, options, scratch);
    }
    if (!result.error.empty()) {
        const CLI::App* command = Chosen(app);
        result.helpHint =
            command == nullptr ? "kdcfg --help" : "kdcfg " + command->get_name() + " --help";
        return result;
    }
    result.options = std::move(options);
    return result;
}

}  // namespace kd::cli
