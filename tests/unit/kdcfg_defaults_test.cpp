#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "catalogue/key_table.h"
#include "cli/command_line.h"
#include "cli/command_table.h"
#include "tests/support/processes.h"
#include "text/closest_word.h"

namespace kd::cli {
namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

Environment Variables(std::map<std::string, std::string> values) {
    return [values = std::move(values)](const std::string& name) -> std::optional<std::string> {
        const auto found = values.find(name);
        return found == values.end() ? std::nullopt : std::optional<std::string>(found->second);
    };
}

// A home with a configuration file where kdcfg looks for it.
struct Home {
    explicit Home(const std::string& config) {
        std::filesystem::create_directories(dir / ".config/kdcfg");
        test::WriteFile(dir / ".config/kdcfg/config", config);
    }
    Environment With(std::map<std::string, std::string> values) const {
        values.emplace("HOME", dir.Path().string());
        return Variables(std::move(values));
    }
    test::TempDir dir;
};

Options Parsed(const std::vector<std::string>& args, const Environment& environment) {
    const ParseResult result = ParseOptions(args, environment);
    EXPECT_TRUE(result.options) << result.error;
    return result.options.value_or(Options{});
}

TEST(KdcfgDefaults, CommandLineOverEnvironmentOverFileOverBuiltIn) {
    const Home home(
        "# the bench\n\nport = /dev/file-a\r\nport='/dev/file-b'\n  baud = 115200\n"
        "parity = Even\ndata-bits = 7\ntrace = yes\n");
    const Options file = Parsed({"get", "workmode"}, home.With({}));
    EXPECT_EQ(file.ports, (std::vector<std::string>{"/dev/file-a", "/dev/file-b"}));
    EXPECT_EQ(file.serial.portPath, "/dev/file-a");
    EXPECT_EQ(file.serial.baudRate, 115200u);
    EXPECT_EQ(file.serial.parity, "EVEN");
    EXPECT_EQ(file.serial.byteSize, 7);
    EXPECT_EQ(file.serial.stopBits, "1");  // built in
    EXPECT_TRUE(file.trace);

    const Environment environment =
        home.With({{"KDCFG_BAUD", "19200"}, {"KDCFG_PORTS", "/dev/env*"}, {"KDCFG_TRACE", "off"}});
    const Options env = Parsed({"info"}, environment);
    EXPECT_EQ(env.serial.baudRate, 19200u);
    EXPECT_TRUE(env.ports.empty()) << "the environment's ports replace the file's";
    EXPECT_EQ(env.portPattern, "/dev/env*");
    EXPECT_FALSE(env.trace);
    EXPECT_EQ(env.serial.parity, "EVEN");

    const Options typed = Parsed({"info", "--port", "/dev/typed", "--baud", "38400"}, environment);
    EXPECT_EQ(typed.ports, (std::vector<std::string>{"/dev/typed"}));
    EXPECT_TRUE(typed.portPattern.empty());
    EXPECT_EQ(typed.serial.baudRate, 38400u);

    // XDG_CONFIG_HOME comes before HOME; --config before both.
    test::TempDir xdg;
    std::filesystem::create_directories(xdg / "kdcfg");
    test::WriteFile(xdg / "kdcfg/config", "baud = 4800\n");
    EXPECT_EQ(Parsed({"info", "--port", "p"}, home.With({{"XDG_CONFIG_HOME", xdg.Path().string()}}))
                  .serial.baudRate,
              4800u);
    test::WriteFile(xdg / "other", "baud = 1200\n");
    EXPECT_EQ(Parsed({"--config", (xdg / "other").string(), "info", "--port", "p"}, home.With({}))
                  .serial.baudRate,
              1200u);

    // The station watches its own ports: a port from the file does not stop it.
    const Options station = Parsed({"station", "--watch", "w*", "--profile", "p"}, home.With({}));
    EXPECT_TRUE(station.ports.empty() && !station.trace);
    EXPECT_EQ(station.serial.baudRate, 115200u);
    // No environment: the command line alone, as the tests of the parser expect.
    EXPECT_FALSE(ParseOptions({"info"}).options);
}

TEST(KdcfgDefaults, FaultsNameTheVariableOrTheFileAndLine) {
    struct Case {
        std::string file;
        std::map<std::string, std::string> variables;
        std::string message;  // after the file's path, when it starts with ':'
    };
    const std::vector<Case> cases = {
        {"port = p\nbaud = fast\n", {}, ":2: baud: needs a positive whole number, not 'fast'"},
        {"bauds = 9600\n", {}, ":1: 'bauds' is not a setting of this file; did you mean baud?"},
        {"\n\njson = yes\n", {}, ":3: 'json' is not a setting of this file (it takes port,"},
        {"baud = 9600\nbaud = 19200\n", {}, ":2: baud is already set on line 1"},
        {"[kdcfg]\n", {}, ":1: sections are not taken"},
        {"port /dev/ttyUSB0\n", {}, ":1: expected name = value"},
        {"parity =\n", {}, ":1: parity has no value"},
        {"parity = evn\n", {}, ":1: parity: must be one of NONE, ODD, EVEN, MARK, SPACE"},
        {"", {{"KDCFG_BAUD", "0"}}, "KDCFG_BAUD: needs a positive whole number, not '0'"},
        {"", {{"KDCFG_DESIGNED_TIMING", "maybe"}}, "KDCFG_DESIGNED_TIMING: takes yes or no"},
    };
    for (const Case& c : cases) {
        const Home home(c.file);
        const ParseResult result = ParseOptions({"--port", "p", "info"}, home.With(c.variables));
        EXPECT_FALSE(result.options) << c.message;
        const std::string path = (home.dir / ".config/kdcfg/config").string();
        EXPECT_THAT(result.error,
                    StartsWith(c.message.front() == ':' ? path + c.message : c.message));
    }
}

TEST(KdcfgDefaults, OnlyARegularConfigFileIsRead) {
    test::TempDir dir;
    const std::string fifo = (dir / "fifo").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    // A pipe with no writer would block a reader forever.
    EXPECT_THAT(ParseOptions({"--config", fifo, "--port", "p", "info"}).error,
                HasSubstr(fifo + ": cannot read the configuration file: it is not a regular"));
    EXPECT_THAT(ParseOptions({"--config", dir.Path().string(), "--port", "p", "info"}).error,
                HasSubstr("cannot read the configuration file"));
    const std::string missing = (dir / "missing").string();
    EXPECT_THAT(ParseOptions({"--port", "p", "info", "--config", missing}).error,
                HasSubstr(missing + ": cannot read the configuration file"));
    // The usual place may well have no file.
    EXPECT_TRUE(ParseOptions({"--port", "p", "info"}, Variables({{"HOME", missing}})).options);
}

TEST(KdcfgInput, WordsInAnyCaseAndNearMisses) {
    for (const auto& [typed, taken] : std::vector<std::pair<std::string, std::string>>{
             {"none", "NONE"}, {"Even", "EVEN"}, {"mArK", "MARK"}, {"SPACE", "SPACE"}}) {
        EXPECT_EQ(Parsed({"--port", "p", "--parity", typed, "info"}, {}).serial.parity, taken);
    }
    EXPECT_THAT(ParseOptions({"--port", "p", "infoo"}).error,
                HasSubstr("unknown command 'infoo'; did you mean info?"));
    EXPECT_THAT(ParseOptions({"--port", "p", "--bauds", "9600", "info"}).error,
                HasSubstr("unknown option '--bauds'; did you mean --baud?"));
    EXPECT_THAT(ParseOptions({"--port", "p", "apply", "x", "--dryrun"}).error,
                HasSubstr("did you mean --dry-run?"));
    EXPECT_EQ(ParseOptions({"--port", "p", "frobnicate"}).error, "unknown command 'frobnicate'");
    EXPECT_EQ(catalogue::SimilarKeyHint("workmod"), "; did you mean workmode?");
    EXPECT_EQ(catalogue::SimilarKeyHint("WorkMode"), "; did you mean workmode?");
    EXPECT_EQ(catalogue::SimilarKeyHint("nosuchkey"), "");

    const std::vector<std::string_view> words = {"get", "set", "keys", "store", "upload-config"};
    const std::vector<std::pair<std::string_view, std::optional<std::string_view>>> near = {
        {"sto", std::nullopt},    {"stroe", "store"}, {"gte", "get"},
        {"ky", std::nullopt},     {"SET", "set"},     {"uplaod-cnofig", "upload-config"},
        {"upload", std::nullopt}, {"kes", "keys"},    {"xet", "get"},
    };
    for (const auto& [typed, meant] : near) {
        EXPECT_EQ(text::ClosestWord(typed, words), meant) << typed;
    }
}

// The parser's own words and the wire's names mean nothing to a user; its long lines
// do not fit a terminal.
TEST(KdcfgHelp, EveryHelpIsInTheUsersWords) {
    std::vector<std::vector<std::string>> asks = {{"--help"}};
    for (const Command& command : Commands()) {
        asks.push_back({command.name, "--help"});
    }
    for (const auto& ask : asks) {
        const ParseResult help = ParseOptions(ask);
        ASSERT_TRUE(help.help) << ask[0];
        for (const char* word : {"TEXT", "UINT", "REQUIRED", "Needs:", "Excludes:", "Env:", " in [",
                                 "Print this help", "tesmor", "tmconfig", " ..."}) {
            EXPECT_EQ(help.helpText.find(word), std::string::npos) << ask[0] << ": " << word;
        }
        std::istringstream lines(help.helpText);
        for (std::string line; std::getline(lines, line);) {
            if (line.starts_with("  -")) {  // an option's lines, wrapped here
                EXPECT_LE(line.size(), 80u) << line;
            }
        }
    }
    const std::string station = ParseOptions({"station", "--help"}).helpText;
    EXPECT_NE(station.find("--watch GLOB                the ports to watch"), std::string::npos);
    EXPECT_NE(station.find("(required)"), std::string::npos);
    EXPECT_NE(station.find("(only with --firmware)"), std::string::npos);
}

}  // namespace
}  // namespace kd::cli
