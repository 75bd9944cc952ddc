#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "cli/command_line.h"
#include "cli/command_table.h"
#include "cli/exit_codes.h"

namespace kd::cli {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

Options Parsed(const std::vector<std::string>& args) {
    const ParseResult result = ParseOptions(args);
    EXPECT_TRUE(result.options) << result.error;
    return result.options.value_or(Options{});
}

TEST(KdcfgOptions, OldFormAndOptionsAfterTheCommandAgree) {
    const Options old = Parsed({"--port", "/dev/ttyUSB0", "--baud", "250000", "--data-bits", "7",
                                "--stop-bits", "2", "--parity", "EVEN", "--trace", "set",
                                "workmode=2", "codeprefix=a=b", "--store"});
    const Options moved =
        Parsed({"set", "workmode=2", "--baud=250000", "--port", "/dev/ttyUSB0", "codeprefix=a=b",
                "--store", "--data-bits", "7", "--trace", "--stop-bits", "2", "--parity", "EVEN"});
    for (const Options& options : {old, moved}) {
        EXPECT_EQ(options.serial.portPath, "/dev/ttyUSB0");
        EXPECT_EQ(options.serial.baudRate, 250000u);
        EXPECT_EQ(options.serial.byteSize, 7);
        EXPECT_EQ(options.serial.stopBits, "2");
        EXPECT_EQ(options.serial.parity, "EVEN");
        EXPECT_TRUE(options.trace && options.set.store);
        EXPECT_EQ(options.command, "set");
        ASSERT_EQ(options.set.assignments.size(), 2u);
        EXPECT_EQ(options.set.assignments[1].name, "codeprefix");
        EXPECT_EQ(options.set.assignments[1].value, "a=b");
    }

    const Options get = Parsed({"get", "workmode", "--port", "p", "qrcode", "--baud", "14400"});
    EXPECT_EQ(get.get.keys, (std::vector<std::string>{"workmode", "qrcode"}));
    EXPECT_EQ(get.serial.baudRate, 14400u);
    EXPECT_FALSE(get.trace);
    EXPECT_EQ(Parsed({"--port", "p", "upload-firmware"}).upload.file, "update");
    EXPECT_EQ(Parsed({"upload-config", "--port", "p"}).upload.file, "config");
    EXPECT_EQ(Parsed({"upload-config", "my.cfg", "--port", "p"}).upload.file, "my.cfg");
    // The longest name whose record still fits: reads, and writes an empty value.
    const std::string longest(253, 'k');
    EXPECT_EQ(Parsed({"--port", "p", "set", longest + "="}).set.assignments.at(0).name, longest);
    EXPECT_EQ(Parsed({"--port", "p", "get", longest}).get.keys.at(0), longest);
}

TEST(KdcfgOptions, UsageErrorsNameTheirCause) {
    struct Case {
        std::vector<std::string> args;
        std::string message;
        std::string hint;
    };
    const std::vector<Case> cases = {
        {{"--port", "--trace", "info"}, "--port: needs a path, not the option '--trace'", ""},
        {{"--port", "p", "get", "workmode", std::string(254, 'k')},
         "KEY: the key name is 254 bytes long; key names are 1 to 253 bytes",
         "kdcfg get --help"},
        {{"--port", "p", "set", std::string(255, 'k') + "="},
         "KEY=VALUE: the key name is 255 bytes long",
         "kdcfg set --help"},
        {{"--port", "p", "set", "=1"}, "a key name cannot be empty", ""},
        {{"--port", "p", "set", "workmode"}, "takes KEY=VALUE, not 'workmode'", ""},
        {{"--port", "p", "frobnicate"}, "unknown command 'frobnicate'", "kdcfg --help"},
        {{"--port", "p", "info", "extra"}, "info: unexpected argument 'extra'", ""},
        {{"--port", "p", "upload-config", "a", "b"}, "unexpected argument 'b'", ""},
        {{"--port", "p", "--bogus=1", "info"}, "unknown option '--bogus'", ""},
        {{"info", "--store"}, "unknown option '--store'", ""},
        {{"info"}, "--port or --ports is required", "kdcfg info --help"},
        {{"--port", "p"}, "no command given", ""},
        {{"--port", "p", "get"}, "KEY is required", ""},
        {{"--port", "p", "--baud", "0", "info"}, "--baud: needs a positive whole number", ""},
        {{"--port", "p", "--baud", "-9600", "info"}, "--baud: needs a positive whole number", ""},
        {{"--port", "p", "--baud", "4294967296", "info"}, "--baud", ""},
        {{"--port", "p", "--data-bits", "9", "info"}, "--data-bits: must be one of 5, 6, 7, 8", ""},
        {{"--port", "p", "--parity", "even", "info"}, "--parity: must be one of NONE", ""},
        {{"--port", "p", "--stop-bits", "1.5", "info"}, "--stop-bits", ""},
        {{"station", "--profile", "p"}, "--watch is required", "kdcfg station --help"},
        {{"--port", "p", "station", "--watch", "w", "--profile", "p"},
         "station: the ports come from --watch; --port and --ports are not taken",
         ""},
        {{"station", "--watch", "w", "--profile", "p", "--firmware", "f"},
         "--firmware requires --firmware-version",
         ""},
        {{"station", "--watch", "w", "--profile", "p", "--firmware-wait", "5"},
         "--firmware-wait requires --firmware",
         ""},
        {{"--trace", "station", "--watch", "w", "--profile", "p"}, "--trace is not taken", ""},
    };
    for (const Case& c : cases) {
        const ParseResult result = ParseOptions(c.args);
        EXPECT_FALSE(result.options || result.help) << c.message;
        EXPECT_THAT(result.error, HasSubstr(c.message));
        if (!c.hint.empty()) {
            EXPECT_EQ(result.helpHint, c.hint) << c.message;
        }
    }
}

TEST(KdcfgOptions, EveryCommandHasHelpSayingWhatItSends) {
    const std::vector<std::string> commands = {
        "info", "get", "set", "store", "upload-firmware", "upload-config"};
    const ParseResult main = ParseOptions({"--help"});
    ASSERT_TRUE(main.help);
    for (const auto& command : commands) {
        EXPECT_THAT(main.helpText, HasSubstr("\n  " + command + " ")) << command;
        // Asked for before or after the line options, and without a port.
        for (const auto& args : {std::vector<std::string>{command, "--help"},
                                 std::vector<std::string>{"--port", "p", command, "-h"}}) {
            const ParseResult help = ParseOptions(args);
            ASSERT_TRUE(help.help) << command << ": " << help.error;
            EXPECT_THAT(help.helpText, HasSubstr("Usage: kdcfg " + command));
            EXPECT_THAT(help.helpText, HasSubstr("Sends "));
        }
    }
    for (const char* code : {"  0 ", "  2 ", "  3 ", "  4 ", "  5 ", "  6 ", "  7 ", "  8 ", "  9 ",
                             "  10 ", "  14 "}) {
        EXPECT_THAT(main.helpText, HasSubstr(code));
    }
}

// Each command runs the way its scope says main calls it: a missing or stray function
// would crash kdcfg or never be reached.
TEST(KdcfgCommands, EachCommandRunsAsItsScopeSays) {
    for (const Command& command : Commands()) {
        const bool machine = command.scope == Scope::Machine || command.scope == Scope::OnePort;
        EXPECT_EQ(command.run != nullptr, machine) << command.name;
        EXPECT_EQ(command.watch != nullptr, command.scope == Scope::Watched) << command.name;
        EXPECT_EQ(command.runOnPort != nullptr, command.scope == Scope::EveryPort) << command.name;
        EXPECT_EQ(FindCommand(command.name), &command);
    }
    EXPECT_EQ(FindCommand("frobnicate"), nullptr);
}

// The README's list of commands is made from the table; on a mismatch, paste the text
// this prints between the markers.
TEST(KdcfgCommands, TheReadmeListIsTheTable) {
    std::string list =
        "| command | arguments and options | works on | JSON | what it does |\n"
        "|---|---|---|---|---|\n";
    for (const Command& command : Commands()) {
        std::string usage = *command.usage ? "`" + std::string(command.usage) + "`" : "";
        for (size_t bar = usage.find('|'); bar != std::string::npos;
             bar = usage.find('|', bar + 2)) {
            usage.insert(bar, "\\");  // a bar would end the table's cell
        }
        list += "| `" + std::string(command.name) + "` | " + usage + " | " +
                ScopeText(command.scope) + " | " + (command.json ? "yes" : "no") + " | " +
                command.summary + " |\n";
    }
    std::ifstream file(std::string(KD_SOURCE_DIR) + "/README.md");
    std::stringstream text;
    text << file.rdbuf();
    const std::string readme = text.str();
    const std::string begin = "<!-- kdcfg commands: made from cli/command_table.cpp -->\n";
    const size_t from = readme.find(begin);
    const size_t to = readme.find("<!-- end of kdcfg commands -->", from);
    ASSERT_NE(from, std::string::npos);
    ASSERT_NE(to, std::string::npos);
    EXPECT_EQ(readme.substr(from + begin.size(), to - from - begin.size()), list) << list;
}

// kdcfg(1) is made from --help-all, so all of it must be there: every command with its own
// options, and every exit code that cli/exit_codes.h defines.
TEST(KdcfgOptions, HelpOfEverythingHoldsEveryCommandOptionAndExitCode) {
    const ParseResult all = ParseOptions({"--help-all"});
    ASSERT_TRUE(all.help);
    const std::string& text = all.helpText;
    EXPECT_EQ(ParseOptions({"station", "--help-all"}).helpText, text);
    EXPECT_THAT(text, HasSubstr("Usage: kdcfg --port PATH"));
    for (const Command& command : Commands()) {
        const std::string name = command.name;
        const size_t at = text.find("\nCommand " + name + ":\n  ");
        ASSERT_NE(at, std::string::npos) << name;
        EXPECT_NE(text.find("  Usage: kdcfg " + name, at), std::string::npos) << name;
    }
    for (const char* option : {"--dry-run", "-o,--output FILE|DIR", "--firmware-wait", "--store",
                               "--watch", "--designed-timing", "--version"}) {
        EXPECT_THAT(text, HasSubstr(option));
    }
    // The footer every command shares repeats the program's help: left out. A command's
    // own footer stays.
    EXPECT_THAT(text, Not(HasSubstr("'kdcfg --help' lists them")));
    EXPECT_THAT(text, HasSubstr("Exit codes: 0 found, 3 the port cannot be opened"));

    // help2man takes a paragraph that starts with an option for an option's entry.
    VisitCommandLine([](const CLI::App& app) {
        for (const CLI::App* command : app.get_subcommands({})) {
            for (const std::string& prose : {command->get_description(), command->get_footer()}) {
                for (size_t at = 0; at != std::string::npos; at = prose.find("\n\n", at + 1)) {
                    const size_t start = prose.find_first_not_of('\n', at);
                    if (start != std::string::npos) {
                        EXPECT_NE(prose[start], '-') << command->get_name() << ": " << prose;
                    }
                }
            }
        }
    });

    std::ifstream header(std::string(KD_SOURCE_DIR) + "/cli/exit_codes.h");
    std::stringstream source;
    source << header.rdbuf();
    const std::string codes = source.str();
    const std::regex defined("= ([0-9]+),");
    int count = 0;
    for (auto it = std::sregex_iterator(codes.begin(), codes.end(), defined);
         it != std::sregex_iterator(); ++it, ++count) {
        const std::string code = (*it)[1];
        // A row of a table of codes, or one in a list ("..., 14 a reader failed").
        const std::regex explained("(\n +|, |: )" + code + "[ ,]");
        EXPECT_TRUE(std::regex_search(text, explained)) << "exit code " << code;
    }
    EXPECT_GE(count, 17);
}

}  // namespace
}  // namespace kd::cli
