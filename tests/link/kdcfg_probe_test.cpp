#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "tests/link/kdcfg_fixture.h"

// probe against kdreader-sim on a pseudo-terminal, which answers only at its own rate.
namespace kd {
namespace {

using test::RunProgram;
using test::RunResult;
using test::TempDir;
using ::testing::HasSubstr;

struct Probed : test::LoggedReader {
    using LoggedReader::LoggedReader;

    RunResult Probe(std::vector<std::string> extra = {}) {
        extra.insert(extra.begin(), "probe");
        const auto start = std::chrono::steady_clock::now();
        RunResult run = Kdcfg(extra);
        seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        return run;
    }

    double seconds = 0;
};

TEST(KdcfgProbe, FindsTheRateTheReaderAnswersAtAfterItIgnoredTheOthers) {
    // 9600 is tried first and must be turned away; the first try at 115200 answers,
    // whatever --baud says.
    Probed reader({"--answer-rate", "115200"});
    ASSERT_FALSE(reader.sim.PortPath().empty());
    const RunResult text = reader.Probe({"--baud", "9600"});
    EXPECT_EQ(text.exitCode, 0) << text.err;
    EXPECT_EQ(text.out, "--baud 115200 --data-bits 8 --stop-bits 1 --parity NONE\n");
    EXPECT_THAT(test::ReadFile(reader.dir / "frames.log"),
                HasSubstr("ignored 8 bytes that came at 9600 bit/s"));

    const RunResult json = reader.Probe({"--json"});
    ASSERT_EQ(json.exitCode, 0) << json.err;
    const auto document = nlohmann::json::parse(json.out);
    EXPECT_EQ(document.at("port"), reader.sim.PortPath());
    EXPECT_EQ(document.at("baud"), 115200);
    EXPECT_EQ(document.at("dataBits"), 8);
    EXPECT_EQ(document.at("stopBits"), 1);
    EXPECT_EQ(document.at("parity"), "NONE");
}

TEST(KdcfgProbe, FindsASlowRateLateInTheList) {
    Probed reader({"--answer-rate", "1200"});
    const RunResult run = reader.Probe();
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "--baud 1200 --data-bits 8 --stop-bits 1 --parity NONE\n");
}

TEST(KdcfgProbe, FindsAFramingAfterEveryRateAt8N1) {
    // A pseudo-terminal shows odd parity and two stop bits, so readers on those framings
    // must be found past the 8N1 and 8E1 rounds, each at its own rate.
    struct Case {
        std::string rate, framing, expected;
    };
    for (const Case& c : {Case{"115200", "8O1",
                               "--baud 115200 --data-bits 8 --stop-bits 1 "
                               "--parity ODD\n"},
                          Case{"19200", "8N2",
                               "--baud 19200 --data-bits 8 --stop-bits 2 "
                               "--parity NONE\n"}}) {
        Probed reader({"--answer-rate", c.rate, "--answer-framing", c.framing});
        const RunResult run = reader.Probe();
        EXPECT_EQ(run.exitCode, 0) << c.framing << ": " << run.err;
        EXPECT_EQ(run.out, c.expected);
        EXPECT_THAT(test::ReadFile(reader.dir / "frames.log"),
                    HasSubstr("ignored 8 bytes that came at " + c.rate + " bit/s"));
    }
}

TEST(KdcfgProbe, NoiseAtTheOtherRatesIsNoAnswer) {
    // Zeros once passed for a handshake's acceptance, random bytes for a refusal.
    for (const char* noise : {"zeros", "random"}) {
        Probed reader({"--answer-rate", "57600", "--noise-elsewhere", noise});
        const RunResult run = reader.Probe();
        EXPECT_EQ(run.exitCode, 0) << noise << run.err;
        EXPECT_EQ(run.out, "--baud 57600 --data-bits 8 --stop-bits 1 --parity NONE\n") << noise;
    }
}

TEST(KdcfgProbe, GivesUpOnASilentReaderWithinSecondsAndSaysHowOftenItTried) {
    Probed reader({"--silent"});
    const RunResult run = reader.Probe();
    EXPECT_EQ(run.exitCode, 4) << run.err;
    EXPECT_TRUE(run.out.empty()) << run.out;
    EXPECT_THAT(run.err, HasSubstr("no answer to the handshake in "));
    EXPECT_THAT(run.err, HasSubstr(" tries"));
    // Sixty settings, each ended by a short silence instead of a two-second time-out. Each
    // handshake is given its line time to leave the port (6 x 1.3 s at the slow rates),
    // which a pseudo-terminal would otherwise skip.
    EXPECT_LT(reader.seconds, 30.0) << run.err;
}

TEST(KdcfgProbe, APortThatCannotBeOpenedIsExitThree) {
    TempDir dir;
    const RunResult run =
        RunProgram({KDCFG_PATH, "--port", (dir / "no-such-port").string(), "probe"});
    EXPECT_EQ(run.exitCode, 3) << run.err;
    EXPECT_THAT(run.err, HasSubstr("no-such-port"));
}

}  // namespace
}  // namespace kd
