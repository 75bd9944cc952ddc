#include "cli/options.h"

#include <CLI/CLI.hpp>

#include "cli/commands/ports.h"
#include "cli/help_format.h"
#include "cli/option_checks.h"
#include "cli/probe_command.h"
#include "cli/station/command.h"

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
    "--trace, --designed-timing) and --json may come before or after the command;\n"
    "'kdcfg --help' lists them and the exit codes.";

// The command lines' own values, read into Options once the parse is over.
struct Scratch {
    unsigned dataBits = 8;
    std::vector<std::string> assignments;
};

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
                 "show every frame sent (>) and received (<) as hex on standard error");
    app.add_flag("--designed-timing", options.designedTiming,
                 "read each reply in reads that end 50 ms after its last byte, as the window "
                 "does, instead of ending with the reply's last byte");
    app.add_flag("--json", options.json,
                 "info, get, keys, dump, diff, apply, ports, probe: print one JSON document on "
                 "standard output; station: one JSON line per reader, then the totals");
}

CLI::App* AddCommand(CLI::App& app, const char* name, const char* summary, const char* sends) {
    CLI::App* command = app.add_subcommand(name, std::string(summary) + "\n\n" + sends);
    command->group("Commands");
    command->footer(kCommandFooter);
    return command;
}

void AddKeyCommands(CLI::App& app, Options& options, Scratch& scratch) {
    AddCommand(app, "info", "Checks that a reader answers and shows its versions.",
               "Sends the handshake, then reads the keys masterver (firmware version) and\n"
               "slavever (build date), and prints one line for each.");

    CLI::App* get = AddCommand(app, "get", "Reads configuration keys.",
                               "Sends one key read per KEY, in order, and prints KEY=VALUE for "
                               "each.\nStops at the first key the reader refuses or does not "
                               "answer.");
    get->add_option("KEY", options.keys, "key names, such as workmode or codeprefix")
        ->type_name("")
        ->required()
        ->check(KeyName());

    CLI::App* set = AddCommand(app, "set", "Writes configuration keys.",
                               "Sends one key write per KEY=VALUE, in order, stopping at the first "
                               "that fails.\nThe reader keeps written keys until it is powered "
                               "off, unless they are stored.\nValues that do not fit beside their "
                               "key name are refused before anything is sent, and so are\nkeys "
                               "and values the catalogue check of apply refuses (exit 2).\nValues "
                               "are UTF-8, sent as GBK; \\xNN sends the byte NN and \\\\ a "
                               "backslash.");
    set->add_option("KEY=VALUE", scratch.assignments, "keys and their new values")
        ->type_name("")
        ->required()
        ->check(Assignment());
    set->add_flag("--store", options.store,
                  "then send the store command, as the store command does");
    set->add_flag("--force", options.force,
                  "send keys and values that the catalogue check refuses, where they fit");

    AddCommand(app, "store", "Saves the written keys on the reader.",
               "Sends the store command: the reader saves every key written since it\n"
               "started, so that they survive a power cycle.");
}

void AddProvisionCommands(CLI::App& app, Options& options) {
    AddCommand(app, "keys", "Lists the key catalogue; needs no port.",
               "Sends nothing. Prints one line per key, in catalogue order: its name, the\n"
               "settings page and control that show it, its kind, and the values it takes.");

    CLI::App* dump = AddCommand(
        app, "dump", "Reads the whole configuration into a profile.",
        "Queries the firmware version and the build date, then reads every catalogue key and\n"
        "prints them as a profile (see the README). A key that cannot be read becomes a\n"
        "comment saying why, is named on standard error, and makes the exit code 4 or 5.\n"
        "With many ports, or when -o names a directory (or ends with '/'), each reader's\n"
        "profile goes into that directory as SERIAL.profile, named by its deviceno key\n"
        "(port-NAME.profile when it has none); a reader that stops answering gets no file.\n"
        "When no key could be read, -o FILE leaves FILE as it was.");
    dump->add_option("-o,--output", options.output,
                     "write the profile to FILE, replaced whole; or into DIR, made if missing")
        ->type_name("FILE|DIR")
        ->check(PathNotOption());

    CLI::App* diff = AddCommand(
        app, "diff", "Compares a reader with a profile.",
        "Reads each key of the profile and prints each difference: '@ line N: KEY', then\n"
        "'- ' the reader's value and '+ ' the profile's. Sends no write.\n"
        "Exit 0 when they agree, 1 when they differ.");
    diff->add_option("PROFILE", options.profile, "the profile file")
        ->type_name("")
        ->required()
        ->check(PathNotOption());

    CLI::App* apply = AddCommand(
        app, "apply", "Puts a profile on a reader and proves that it took.",
        "Checks the profile against the catalogue first (unknown keys, values outside a key's\n"
        "values, each named with its line) and sends nothing if it fails, nor for a profile\n"
        "that sets no key (empty, or only masterver and historytime). Then reads the\n"
        "profile's keys, writes only those that differ, sends the store command once and\n"
        "reads every written key back. Keys the reader sets itself (masterver, historytime)\n"
        "are compared, never written. If a write fails, nothing is stored.");
    apply->add_option("PROFILE", options.profile, "the profile file")
        ->type_name("")
        ->required()
        ->check(PathNotOption());
    apply->add_flag("--dry-run", options.dryRun, "print what would be written; send no write");
    apply->add_flag("--force", options.force,
                    "send keys and values that the catalogue check refuses, where they fit");
}

void AddUploadCommands(CLI::App& app, Options& options) {
    CLI::App* firmware = AddCommand(
        app, "upload-firmware", "Sends a firmware image (default file: ./update).",
        "Sends the upload start (target \"tesmor\", the file's length and MD5), then the\n"
        "file in blocks of 1012 bytes, each sent up to 4 times until the reader acknowledges\n"
        "it, then waits 30 s for the reader to take the image in. Power the reader off and\n"
        "on afterwards.");
    firmware->add_option("FILE", options.uploadFile, "the image to send")->check(PathNotOption());
    CLI::App* config = AddCommand(
        app, "upload-config", "Sends a configuration file (default file: ./config).",
        "Sends the upload start (target \"tmconfig.config\", the file's length and MD5), then\n"
        "the file in blocks of 1012 bytes, each sent up to 4 times until the reader\n"
        "acknowledges it, then waits 4 s for the reader to take the file in.");
    config->add_option("FILE", options.uploadFile, "the file to send")->check(PathNotOption());
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

bool JsonCommand(const std::string& command) {
    for (const char* name :
         {"info", "get", "keys", "dump", "diff", "apply", "ports", "probe", "station"}) {
        if (command == name) {
            return true;
        }
    }
    return false;
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
    if (options.json && !JsonCommand(options.command)) {
        return "--json: " + options.command + " has no JSON form";
    }
    if (options.command == "station") {
        if (std::string problem = CheckStationOptions(options); !problem.empty()) {
            return problem;
        }
    } else if (options.ports.empty() && options.portPattern.empty() && options.command != "keys" &&
               options.command != "ports") {
        return "--port or --ports is required";
    }
    if (!options.ports.empty()) {
        options.serial.portPath = options.ports.front();
    }
    options.serial.byteSize = static_cast<uint8_t>(scratch.dataBits);
    for (const auto& item : scratch.assignments) {
        const size_t equals = item.find('=');
        options.assignments.push_back({item.substr(0, equals), item.substr(equals + 1)});
    }
    if (options.uploadFile.empty()) {
        options.uploadFile = options.command == "upload-firmware" ? "update" : "config";
    }
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
    AddKeyCommands(app, options, scratch);
    AddProvisionCommands(app, options);
    AddUploadCommands(app, options);
    AddPortsCommand(app);
    AddProbeCommand(app);
    AddStationCommand(app, options);
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
