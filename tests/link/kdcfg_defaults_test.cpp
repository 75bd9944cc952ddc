#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/link/kdcfg_fixture.h"

namespace kd {
namespace {

using test::RunResult;
using test::TempDir;

using Reader = test::LoggedReader;

// Every kdcfg these tests start would take defaults from the tester's own KDCFG_*
// variables and configuration file: none of them may reach a test.
const bool kQuietDefaults = [] {
    for (const char* name :
         {"KDCFG_PORT", "KDCFG_PORTS", "KDCFG_BAUD", "KDCFG_DATA_BITS", "KDCFG_STOP_BITS",
          "KDCFG_PARITY", "KDCFG_TRACE", "KDCFG_DESIGNED_TIMING"}) {
        ::unsetenv(name);
    }
    return ::setenv("XDG_CONFIG_HOME", "/nonexistent/kdcfg-tests", 1) == 0;
}();

// kdcfg with only these variables, in a home whose configuration file holds config.
RunResult KdcfgWith(const TempDir& home, const std::string& config,
                    const std::vector<std::string>& variables,
                    const std::vector<std::string>& args) {
    std::filesystem::create_directories(home / ".config/kdcfg");
    test::WriteFile(home / ".config/kdcfg/config", config);
    std::vector<std::string> command = {"/usr/bin/env", "-i", "HOME=" + home.Path().string()};
    command.insert(command.end(), variables.begin(), variables.end());
    command.push_back(KDCFG_PATH);
    command.insert(command.end(), args.begin(), args.end());
    return test::RunProgram(command);
}

TEST(KdcfgDefaults, TheFileAndTheEnvironmentNameThePort) {
    ASSERT_TRUE(kQuietDefaults);
    Reader reader;
    TempDir home;
    const std::string port = reader.sim.PortPath();
    const RunResult fromFile =
        KdcfgWith(home, "# my bench\nport = " + port + "\nparity = none\n", {}, {"info"});
    EXPECT_EQ(fromFile.exitCode, 0) << fromFile.err;
    EXPECT_NE(fromFile.out.find("firmware version: V3.1.7"), std::string::npos);

    // The environment's port replaces the file's; the command line's replaces both.
    const RunResult fromEnvironment = KdcfgWith(
        home, "port = " + port + "\n", {"KDCFG_PORT=/dev/kd-from-env"}, {"get", "workmode"});
    EXPECT_EQ(fromEnvironment.exitCode, 3);
    EXPECT_NE(fromEnvironment.err.find("/dev/kd-from-env"), std::string::npos);
    EXPECT_NE(fromEnvironment.err.find("`kdcfg ports` lists the serial ports"), std::string::npos)
        << fromEnvironment.err;
    const RunResult typed = KdcfgWith(home, "port = /dev/kd-from-file\n",
                                      {"KDCFG_PORT=/dev/kd-from-env"}, {"--port", port, "info"});
    EXPECT_EQ(typed.exitCode, 0) << typed.err;

    const RunResult bad = KdcfgWith(home, "port = " + port + "\nbaud = fast\n", {}, {"info"});
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_NE(bad.err.find((home / ".config/kdcfg/config").string() + ":2: baud: needs a "),
              std::string::npos)
        << bad.err;
    EXPECT_EQ(reader.Received(), 2u * 3u);  // the two runs of info, nothing else
}

TEST(KdcfgMessages, SayWhatWasTriedAndWhatToDoNext) {
    Reader silent({"--silent"});
    const RunResult info = silent.Kdcfg({"info", "--baud", "19200", "--parity", "even"});
    EXPECT_EQ(info.exitCode, 4);
    const std::string port = silent.sim.PortPath();
    EXPECT_NE(info.err.find("handshake: no valid reply from a reader on " + port +
                            "\nkdcfg: the line on " + port + " was 19200 8E1;"),
              std::string::npos)
        << info.err;
    EXPECT_NE(info.err.find("try `kdcfg probe --port " + port + "`"), std::string::npos);

    Reader reader;
    const RunResult mistyped = reader.Kdcfg({"set", "workmod=1"});
    EXPECT_EQ(mistyped.exitCode, 2);
    EXPECT_NE(mistyped.err.find("workmod=1: not a key of the catalogue; did you mean workmode?"),
              std::string::npos)
        << mistyped.err;
    EXPECT_EQ(reader.Received(), 0u);

    TempDir empty;
    const RunResult upload = reader.Kdcfg({"upload-firmware"}, empty.Path());
    EXPECT_EQ(upload.exitCode, 6);
    EXPECT_NE(upload.err.find("upload-firmware sends ./update from the current folder"),
              std::string::npos)
        << upload.err;
    const RunResult named = reader.Kdcfg({"upload-firmware", "image.bin"}, empty.Path());
    EXPECT_EQ(named.err.find("./update"), std::string::npos) << named.err;
}

}  // namespace
}  // namespace kd
