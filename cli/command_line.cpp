#include "cli/command_line.h"

#include <CLI/CLI.hpp>

#include "cli/command_table.h"
#include "cli/help_format.h"
#include "cli/option_checks.h"
#include "cli/platform.h"
#include "resources/strings.h"
#include "text/closest_word.h"

namespace kd::cli {

namespace {

constexpr char kProgramText[] =
    "kdcfg: talks to a code reader over a serial line, with the same code as the window.";

constexpr char kExitCodesText[] =
    "Line options may come before or after the command.\n"
    "Data goes to standard output; messages go to standard error.\n"
    "Long work (dump, diff, apply, uploads, probe, many ports, station) shows its progress\n"
    "on standard error: on a terminal one line per port, redrawn in place; otherwise one\n"
    "line each time a phase starts (reading, writing, storing, verifying, uploading,\n"
    "waiting, reconnecting, probing).\n"
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
    "  0   diff: the reader holds the profile; apply: the reader holds it now (written,\n"
    "      stored, read back and verified, or nothing had to change; --dry-run: would)\n"
    "  1   diff: the reader differs\n"
    "  11  the profile cannot be used (not a regular file, over 1 MiB, a fault of its text,\n"
    "      no key to set; found before the port is opened), or the catalogue check refused\n"
    "      it: nothing was sent\n"
    "  12  apply: a write or the store failed; nothing was stored\n"
    "  13  apply: stored, but a key read back differently\n"
    "dump, diff and apply give 4 or 5 when a key could not be read.\n"
    "\n"
    "upload-firmware --expect-version also uses:\n"
    "  15  the reader answered after the update but reports another firmware version\n"
    "\n"
    "station runs until Ctrl-C and uses:\n"
    "  0   every reader passed (or none came)\n"
    "  14  a reader failed; its FAIL line and its log record say why\n"
    "  6, 10, 11 before watching: the firmware file, the log, the profile\n"
    "\n"
    "monitor uses:\n"
    "  16  --expect: the read holds other content\n"
    "\n"
    "Stopped by a signal (station: see its own help):\n"
    "  130  Ctrl-C (SIGINT), between two exchanges, after saying what was done\n"
    "  143  SIGTERM or SIGHUP, the same way\n"
    "\n"
    "Defaults: a line option not on the command line is taken from the environment,\n"
    "then from the configuration file, then the built-in default stands. Variables:\n"
    "KDCFG_PORT, KDCFG_PORTS, KDCFG_BAUD, KDCFG_DATA_BITS, KDCFG_STOP_BITS,\n"
    "KDCFG_PARITY, KDCFG_TRACE and KDCFG_DESIGNED_TIMING (yes or no). The file is\n"
    "--config FILE, or else $XDG_CONFIG_HOME/kdcfg/config (~/.config/kdcfg/config;\n"
    "on Windows %APPDATA%\\kdcfg\\config), with one 'name = value' line per option,\n"
    "named as the long option without its dashes; # starts a comment line:\n"
    "    port = /dev/ttyUSB0\n"
    "    baud = 115200\n"
    "Each port line adds a reader. A port given in one place replaces the ports of\n"
    "the places below it: --port on the command line is the only port, whatever\n"
    "KDCFG_PORTS or the file say. station takes no port nor trace from them.\n";

constexpr char kCommandFooter[] =
    "Line options (--port PATH, --ports GLOB, --baud, --data-bits, --stop-bits, --parity,\n"
    "--trace, -v, --quiet, --color, --designed-timing), --json and --config may come\n"
    "before or after the command; 'kdcfg --help' lists them, where their defaults come\n"
    "from, and the exit codes.";

// The command lines' own values, read into Options once the parse is over.
struct Scratch {
    unsigned dataBits = 8;
    std::string configFile;  // --config
    std::string color = "auto";
};

// "info, get, ...: " and the station's line, from the commands that have a JSON form.
std::string JsonHelp() {
    std::string names;
    for (const Command& command : Commands()) {
        if (command.json && command.scope != Scope::Watched && !command.listens) {
            names += (names.empty() ? "" : ", ") + std::string(command.name);
        }
    }
    return names +
           ": print one JSON document on standard output; station: one JSON line per reader, "
           "then the totals; monitor: one JSON line per read";
}

void AddLineOptions(CLI::App& app, Options& options, Scratch& scratch) {
    const auto last = CLI::MultiOptionPolicy::TakeLast;
    app.add_option("--port", options.ports,
                   "the reader's serial port, e.g. /dev/ttyUSB0 or COM3; give --port again for "
                   "each further reader, to work on them all at once")
        ->type_name("PATH")
        ->check(PathNotOption())
        ->allow_extra_args(false);  // one path per --port: "get KEY --port P KEY" stays whole
    app.add_option("--ports", options.portPattern,
                   "every port whose name matches the pattern, e.g. '/dev/serial/by-id/usb-*' "
                   "(quoted, so that the shell leaves it; not on Windows)")
        ->type_name("GLOB")
        ->check(PathNotOption())
        ->multi_option_policy(last);
    app.add_option("--baud", options.serial.baudRate,
                   "line speed in bit/s, e.g. 9600 or 115200 (default 9600)")
        ->type_name("N")
        ->check(PositiveWholeNumber())
        ->multi_option_policy(last);
    app.add_option("--data-bits", scratch.dataBits,
                   "data bits per character: 5, 6, 7 or 8 (default 8)")
        ->type_name("BITS")
        ->check(OneOf({"5", "6", "7", "8"}))
        ->multi_option_policy(last);
    app.add_option("--stop-bits", options.serial.stopBits, "stop bits: 1 or 2 (default 1)")
        ->type_name("BITS")
        ->check(OneOf({"1", "2"}))
        ->multi_option_policy(last);
    app.add_option("--parity", options.serial.parity,
                   "parity: none, odd, even, mark or space, in any case (default none)")
        ->type_name("PARITY")
        ->transform(OneOf({"NONE", "ODD", "EVEN", "MARK", "SPACE"}))
        ->multi_option_policy(last);
    app.add_flag("--trace", options.trace,
                 "show every frame sent (>) and received (<) as hex and in words on standard "
                 "error");
    app.add_flag("-v,--verbose", options.verbose,
                 "show every frame sent (>) and received (<) in words on standard error");
    app.add_flag("--quiet", options.quiet,
                 "print only results and errors: no progress, no messages on what is being done");
    app.add_option("--color", scratch.color,
                   "PASS in green, FAIL in red, warnings in yellow: auto (on a terminal, unless "
                   "NO_COLOR is set and not empty), always or never (default auto); never in "
                   "JSON")
        ->type_name("WHEN")
        ->check(OneOf({"auto", "always", "never"}))
        ->multi_option_policy(last);
    app.add_flag("--designed-timing", options.designedTiming,
                 "time replies as the kdconfig window does: wait for 50 ms of silence after "
                 "each one instead of going on at its last byte; slower, for a reader or "
                 "adapter that needs that pause (see the README)");
    app.add_flag("--json", options.json, JsonHelp());
    app.add_option("--config", scratch.configFile,
                   "read the line options' defaults from FILE instead of the usual place (see "
                   "Defaults below)")
        ->type_name("FILE")
        ->check(PathNotOption())
        ->multi_option_policy(last);
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

// "; did you mean info?" when one of words is near what was typed.
std::string Suggestion(const std::string& typed, const std::vector<std::string>& words) {
    const std::vector<std::string_view> views(words.begin(), words.end());
    const auto near = text::ClosestWord(typed, views);
    return near ? "; did you mean " + std::string(*near) + "?" : std::string();
}

// The long options the program and the command take.
std::vector<std::string> OptionNames(const CLI::App& app, const CLI::App* command) {
    std::vector<std::string> names;
    for (const CLI::App* owner : {&app, command}) {
        if (owner == nullptr) {
            continue;
        }
        for (const CLI::Option* option : owner->get_options()) {
            for (const std::string& name : option->get_lnames()) {
                names.push_back("--" + name);
            }
        }
    }
    return names;
}

// Names the first argument that nothing took.
std::string Unexpected(const std::string& argument, const CLI::App& app, const CLI::App* command) {
    if (argument.starts_with("-")) {
        const std::string name = argument.substr(0, argument.find('='));
        return "unknown option '" + name + "'" + Suggestion(name, OptionNames(app, command));
    }
    if (command == nullptr) {
        std::vector<std::string> names;
        for (const Command& known : Commands()) {
            names.emplace_back(known.name);
        }
        return "unknown command '" + argument + "'" + Suggestion(argument, names);
    }
    return command->get_name() + ": unexpected argument '" + argument + "'";
}

const CLI::App* Chosen(const CLI::App& app) {
    const auto chosen = app.get_subcommands();
    return chosen.empty() ? nullptr : chosen.front();
}

// Where the defaults the command line left out come from. Without an environment, only
// a file named by --config.
DefaultSources Sources(const Environment& environment, const Scratch& scratch,
                       const Command& command) {
    DefaultSources sources;
    sources.environment =
        environment ? environment : [](const std::string&) { return std::optional<std::string>(); };
    sources.configRequired = !scratch.configFile.empty();
    sources.configFile = sources.configRequired ? scratch.configFile
                         : environment          ? DefaultConfigFile(environment)
                                                : std::string();
    if (command.scope == Scope::Watched) {
        sources.notTaken = {"port", "ports", "trace"};  // it watches its own ports
    }
    return sources;
}

// Checks what CLI11 leaves to us and moves the command's values into options.
std::string Complete(CLI::App& app, Options& options, const Scratch& scratch,
                     const Environment& environment) {
    const CLI::App* command = Chosen(app);
    if (const auto rest = app.remaining(true); !rest.empty()) {
        return Unexpected(rest.front(), app, command);
    }
    if (command == nullptr) {
        return "no command given";
    }
    options.command = command->get_name();
    const Command& chosen = *FindCommand(options.command);
    if (std::string problem = ApplyLineDefaults(app, Sources(environment, scratch, chosen));
        !problem.empty()) {
        return problem;
    }
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
    options.color = scratch.color == "always"  ? ColorChoice::Always
                    : scratch.color == "never" ? ColorChoice::Never
                                               : ColorChoice::Auto;
    return {};
}

// The whole command line; what a parse finds lands in options and scratch.
void Describe(CLI::App& app, Options& options, Scratch& scratch) {
    app.set_help_flag("-h,--help", kHelpFlagText);  // the commands take it over
    app.formatter(std::make_shared<HelpFormatter>());
    app.fallthrough();
    app.require_subcommand(0, 1);
    app.footer(kExitCodesText);
    app.set_version_flag("--version", "kdcfg " + std::string(strings::kToolVersion),
                         "print kdcfg's version and exit");
    AddLineOptions(app, options, scratch);
    AddCommands(app, options);
    // After the commands, so that their own help does not list it.
    app.set_help_all_flag("--help-all", "print this help, then every command's own help");
    // Left-over arguments are named by Complete, in words of this program.
    app.allow_extras();
}

}  // namespace

void VisitCommandLine(const std::function<void(const CLI::App&)>& visit) {
    Options options;
    Scratch scratch;
    CLI::App app(kProgramText, "kdcfg");
    Describe(app, options, scratch);
    visit(app);
}

ParseResult ParseOptions(const std::vector<std::string>& args, const Environment& environment) {
    Options options;
    Scratch scratch;
    CLI::App app(kProgramText, "kdcfg");
    Describe(app, options, scratch);

    ParseResult result;
    try {
        std::vector<std::string> reversed(args.rbegin(), args.rend());
        app.parse(reversed);
    } catch (const CLI::CallForHelp&) {
        result.help = true;
        result.helpText = app.help();
        return result;
    } catch (const CLI::CallForAllHelp&) {
        result.help = true;
        result.helpText = HelpOfEverything(app, kCommandFooter);
        return result;
    } catch (const CLI::CallForVersion& version) {
        result.help = true;
        result.helpText = version.what() + std::string("\n");
        return result;
    } catch (const CLI::ParseError& error) {
        result.error = error.what();
    }
    if (result.error.empty()) {
        result.error = Complete(app, options, scratch, environment);
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
