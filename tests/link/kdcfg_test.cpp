#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "protocol/md5.h"
#include "tests/link/kdcfg_fixture.h"

namespace kd {
namespace {

using test::RunProgram;
using test::RunResult;
using test::SimProcess;
using test::Stdout;
using test::TempDir;

using Reader = test::LoggedReader;

TEST(Kdcfg, InfoShowsTheFirmwareVersionAndBuildDate) {
    Reader reader;
    ASSERT_FALSE(reader.sim.PortPath().empty());
    const RunResult info = reader.Kdcfg({"info"});
    EXPECT_EQ(info.exitCode, 0) << info.err;
    EXPECT_EQ(info.out, "firmware version: V3.1.7\nbuild date: 2026-10-12 15:04:33\n");
}

TEST(Kdcfg, SetStoreAndGetRoundTripAndSurviveARestart) {
    TempDir state;
    const std::string stateFile = (state / "reader.state").string();
    const std::string longValue(200, 'x');
    {
        Reader reader({"--state", stateFile});
        const RunResult set =
            reader.Kdcfg({"set", "workmode=2", "codeprefix=" + longValue, "nfcprefix=", "--store"});
        EXPECT_EQ(set.exitCode, 0) << set.err;
        const RunResult get = reader.Kdcfg({"get", "workmode", "codeprefix", "nfcprefix"});
        EXPECT_EQ(get.exitCode, 0) << get.err;
        EXPECT_EQ(get.out, "workmode=2\ncodeprefix=" + longValue + "\nnfcprefix=\n");
        EXPECT_EQ(reader.sim.Stop(), 0);
    }
    Reader restarted({"--state", stateFile});
    const RunResult get = restarted.Kdcfg({"get", "workmode", "codeprefix"});
    EXPECT_EQ(get.exitCode, 0) << get.err;
    EXPECT_EQ(get.out, "workmode=2\ncodeprefix=" + longValue + "\n");
}

TEST(Kdcfg, WritesWithoutStoreAreLostOnRestart) {
    TempDir state;
    const std::string stateFile = (state / "reader.state").string();
    {
        Reader reader({"--state", stateFile});
        EXPECT_EQ(reader.Kdcfg({"set", "workmode=1"}).exitCode, 0);
        EXPECT_EQ(reader.Kdcfg({"get", "workmode"}).out, "workmode=1\n");
    }
    Reader restarted({"--state", stateFile});
    EXPECT_EQ(restarted.Kdcfg({"get", "workmode"}).out, "workmode=0\n");
}

TEST(Kdcfg, FailuresHaveTheirOwnExitCodes) {
    Reader refusing({"--refuse-key", "deviceno"});
    const RunResult refused = refusing.Kdcfg({"get", "deviceno"});
    EXPECT_EQ(refused.exitCode, 5);
    EXPECT_NE(refused.err.find("refused"), std::string::npos) << refused.err;
    EXPECT_EQ(refusing.Kdcfg({"get", "nosuchkey"}).exitCode, 5);

    const RunResult missingPort = RunProgram({KDCFG_PATH, "--port", "/dev/kd-none", "info"});
    EXPECT_EQ(missingPort.exitCode, 3);
    EXPECT_NE(missingPort.err.find("/dev/kd-none"), std::string::npos) << missingPort.err;

    // A file is no port: refused before a byte of the request lands in it.
    const TempDir files;
    const std::string notes = "twenty bytes of text and then some\n";
    test::WriteFile(files / "notes.txt", notes);
    const RunResult notAPort =
        RunProgram({KDCFG_PATH, "--port", (files / "notes.txt").string(), "set", "workmode=2"});
    EXPECT_EQ(notAPort.exitCode, 3);
    EXPECT_NE(notAPort.err.find("not a serial port"), std::string::npos) << notAPort.err;
    EXPECT_EQ(test::ReadFile(files / "notes.txt"), notes);

    EXPECT_EQ(RunProgram({KDCFG_PATH, "info"}).exitCode, 2);
    EXPECT_EQ(RunProgram({KDCFG_PATH, "--port", "/dev/x", "--parity", "even", "info"}).exitCode, 2);
    EXPECT_EQ(RunProgram({KDCFG_PATH, "--port", "/dev/x", "frobnicate"}).exitCode, 2);
}

TEST(Kdcfg, LineOptionsMayFollowTheCommand) {
    TempDir state;
    Reader reader({"--state", (state / "reader.state").string()});
    const std::string port = reader.sim.PortPath();
    const RunResult set =
        RunProgram({KDCFG_PATH, "set", "workmode=2", "--port", port, "--store", "--baud", "9600"});
    EXPECT_EQ(set.exitCode, 0) << set.err;
    const RunResult get =
        RunProgram({KDCFG_PATH, "get", "workmode", "--port", port, "qrcode", "--trace"});
    EXPECT_EQ(get.exitCode, 0) << get.err;
    EXPECT_EQ(get.out, "workmode=2\nqrcode=1\n");
    EXPECT_NE(get.err.find("> 66 BB EE 08"), std::string::npos) << get.err;
    EXPECT_NE(test::ReadFile(state / "reader.state").find("workmode=2"), std::string::npos);
}

TEST(Kdcfg, BadCommandLinesSendNothing) {
    Reader reader;
    const RunResult portless = RunProgram({KDCFG_PATH, "--port", "--trace", "info"});
    EXPECT_EQ(portless.exitCode, 2);
    EXPECT_NE(portless.err.find("not the option '--trace'"), std::string::npos) << portless.err;
    for (size_t length : {254u, 255u}) {
        const std::string name(length, 'k');
        const RunResult set = reader.Kdcfg({"set", "workmode=1", name + "="});
        EXPECT_EQ(set.exitCode, 2);
        EXPECT_NE(set.err.find("key name is " + std::to_string(length) + " bytes long"),
                  std::string::npos)
            << set.err;
        EXPECT_EQ(reader.Kdcfg({"get", name}).exitCode, 2);
    }
    EXPECT_EQ(reader.Received(), 0u);
    const RunResult help = RunProgram({KDCFG_PATH, "get", "--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("Usage: kdcfg get"), std::string::npos) << help.out;
}

TEST(Kdcfg, OutputThatCannotBeWrittenFailsTheRun) {
    TempDir state;
    Reader reader({"--state", (state / "reader.state").string()});
    const RunResult full = reader.Kdcfg({"get", "workmode"}, {}, Stdout::DevFull);
    EXPECT_EQ(full.exitCode, 10);
    EXPECT_NE(full.err.find("could not write to standard output"), std::string::npos) << full.err;
    EXPECT_NE(RunProgram({KDCFG_PATH, "--help"}, {}, Stdout::DevFull).exitCode, 0);

    // With standard output closed the port must not take its descriptor, or the
    // printed value would be written to the reader.
    const size_t before = reader.Received();
    const RunResult closed = reader.Kdcfg({"get", "workmode"}, {}, Stdout::Closed);
    EXPECT_EQ(closed.exitCode, 10);
    EXPECT_NE(closed.err.find("could not write"), std::string::npos) << closed.err;
    EXPECT_EQ(reader.Received(), before + 1);
    EXPECT_EQ(test::ReadFile(reader.dir / "frames.log").find("skipped"), std::string::npos);
    // A command that prints nothing needs no output.
    EXPECT_EQ(reader.Kdcfg({"set", "workmode=2", "--store"}, {}, Stdout::Closed).exitCode, 0);
    EXPECT_NE(test::ReadFile(state / "reader.state").find("workmode=2"), std::string::npos);
}

TEST(Kdcfg, ASilentReaderIsReportedAfterTheReplyWait) {
    Reader silent({"--silent"});
    const auto start = std::chrono::steady_clock::now();
    const RunResult info = silent.Kdcfg({"info"});
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(info.exitCode, 4);
    EXPECT_NE(info.err.find("no valid reply"), std::string::npos) << info.err;
    EXPECT_GE(took, std::chrono::milliseconds(1500));
    EXPECT_LT(took, std::chrono::milliseconds(3000));
}

TEST(Kdcfg, ValuesPastTheKeyWriteLimitAreRefusedBeforeAnythingIsSent) {
    Reader reader;
    const RunResult longest = reader.Kdcfg({"set", "codeprefix=" + std::string(243, 'p')});
    EXPECT_EQ(longest.exitCode, 0) << longest.err;
    const RunResult tooLong =
        reader.Kdcfg({"set", "workmode=1", "codeprefix=" + std::string(244, 'p')});
    EXPECT_EQ(tooLong.exitCode, 2);
    EXPECT_NE(tooLong.err.find("nothing was sent"), std::string::npos) << tooLong.err;
    const std::string log = test::ReadFile(reader.dir / "frames.log");
    EXPECT_EQ(log.find("write workmode"), std::string::npos);
}

TEST(Kdcfg, ValuesAreGbkOnTheWireAndShownAsUtf8WithEscapes) {
    TempDir state;
    const std::string stateFile = (state / "reader.state").string();
    Reader reader({"--state", stateFile});
    // 后缀 typed as UTF-8; a value that would forge a line (no workmode: --force); bytes
    // that are not GBK.
    const RunResult set = reader.Kdcfg({"set", "codeprefix=后缀", "workmode=1\\x0Aqrcode=0",
                                        "deviceno=\\xff\\x00\\\\A", "--store", "--force"});
    ASSERT_EQ(set.exitCode, 0) << set.err;
    const std::string saved = test::ReadFile(stateFile);
    EXPECT_NE(saved.find("codeprefix=%BA%F3%D7%BA\n"), std::string::npos) << saved;
    EXPECT_NE(saved.find("workmode=1%0Aqrcode=0\n"), std::string::npos) << saved;
    EXPECT_NE(saved.find("deviceno=%FF%00\\A\n"), std::string::npos) << saved;

    const RunResult get = reader.Kdcfg({"get", "codeprefix", "workmode", "qrcode", "deviceno"});
    EXPECT_EQ(get.exitCode, 0) << get.err;
    EXPECT_EQ(get.out,
              "codeprefix=后缀\nworkmode=1\\x0Aqrcode=0\nqrcode=1\ndeviceno=\\xFF\\x00\\\\A\n");

    // What get prints, set takes back unchanged.
    const std::string shown = get.out.substr(get.out.rfind("deviceno="));
    ASSERT_EQ(reader.Kdcfg({"set", shown.substr(0, shown.size() - 1), "--store"}).exitCode, 0);
    EXPECT_EQ(test::ReadFile(stateFile), saved);
}

TEST(Kdcfg, ValuesThatCannotBeSentAreUsageErrorsBeforeAnythingIsSent) {
    Reader reader;
    // 121 characters of two bytes and one of one: exactly the 243 bytes codeprefix takes.
    std::string longest;
    for (int i = 0; i < 121; ++i) {
        longest += "后";
    }
    const RunResult fits = reader.Kdcfg({"set", "codeprefix=" + longest + "x"});
    EXPECT_EQ(fits.exitCode, 0) << fits.err;
    struct Case {
        std::string value;
        std::string says;
    };
    for (const Case& c : {Case{longest + "后", "244 bytes long"},
                          Case{"a\\q", "\"\\q\" at byte 2 is not an escape"},
                          Case{"\xF0\x9F\x98\x80", "U+1F600 at byte 1 has no GBK form"}}) {
        const RunResult refused = reader.Kdcfg({"set", "workmode=1", "codeprefix=" + c.value});
        EXPECT_EQ(refused.exitCode, 2) << c.says;
        EXPECT_NE(refused.err.find(c.says), std::string::npos) << refused.err;
        EXPECT_NE(refused.err.find("nothing was sent"), std::string::npos) << refused.err;
    }
    const std::string log = test::ReadFile(reader.dir / "frames.log");
    EXPECT_EQ(log.find("write workmode"), std::string::npos);
}

TEST(Kdcfg, RepliesSplitInTwoLeaveNoStaleBytesBehind) {
    // Each reply comes in two bursts 300 ms apart: longer than the read's interval, so a
    // single read would leave the rest for the next exchange to take as its reply.
    Reader split({"--split-gap", "300"});
    const RunResult get = split.Kdcfg({"get", "workmode", "qrcode", "deviceno", "masterver"});
    EXPECT_EQ(get.exitCode, 0) << get.err;
    EXPECT_EQ(get.out, "workmode=0\nqrcode=1\ndeviceno=KD-000123\nmasterver=V3.1.7\n");
}

TEST(Kdcfg, NoiseBeforeAReplyIsSkipped) {
    // Five noise bytes before each reply: read as the status they made a write refused.
    Reader noisy({"--garbage", "5"});
    const RunResult set = noisy.Kdcfg({"set", "workmode=1", "--store"});
    EXPECT_EQ(set.exitCode, 0) << set.err;
    const RunResult get = noisy.Kdcfg({"get", "workmode", "masterver"});
    EXPECT_EQ(get.exitCode, 0) << get.err;
    EXPECT_EQ(get.out, "workmode=1\nmasterver=V3.1.7\n");
}

TEST(Kdcfg, SlowLinesGetTheirTime) {
    // A reader that gives the line its time: the request's own line time no longer eats
    // the reply's, and a reply begun late in the time-out is read to its end.
    Reader at110({"--line-rate", "110"});
    const RunResult info = at110.Kdcfg({"--baud", "110", "info"});
    EXPECT_EQ(info.exitCode, 0) << info.err;
    Reader at1200({"--line-rate", "1200"});
    const RunResult set =
        at1200.Kdcfg({"--baud", "1200", "set", "codeprefix=" + std::string(243, 'p'), "--store"});
    EXPECT_EQ(set.exitCode, 0) << set.err;
    Reader at9600({"--line-rate", "9600", "--delay", "1626"});
    const RunResult get = at9600.Kdcfg({"get", "workmode"});
    EXPECT_EQ(get.exitCode, 0) << get.err;
}

TEST(Kdcfg, TraceShowsEveryFrame) {
    Reader reader;
    const RunResult info = reader.Kdcfg({"--trace", "info"});
    EXPECT_EQ(info.exitCode, 0) << info.err;
    EXPECT_NE(info.err.find("> 68 DD DD 01 00 00 00 69"), std::string::npos) << info.err;
    EXPECT_NE(info.err.find("> 77 CC DD 08 00 09 00 6D 61 73 74 65 72 76 65 72 1A"),
              std::string::npos);
    EXPECT_NE(info.err.find("< 68 DD DD 01 00 00"), std::string::npos);
}

// Noise before each reply and replies in two bursts: each frame is still one line, hex and
// words; -v gives the same words without the hex.
TEST(Kdcfg, TraceAndVerboseTellEachFrameInWords) {
    Reader reader({"--garbage", "2", "--split-gap", "30"});
    const RunResult traced = reader.Kdcfg({"--trace", "get", "workmode"});
    EXPECT_EQ(traced.exitCode, 0) << traced.err;
    EXPECT_NE(traced.err.find("> 66 BB EE 08 00 08 00 77 6F 72 6B 6D 6F 64 65 31  read key "
                              "\"workmode\"\n"),
              std::string::npos)
        << traced.err;
    EXPECT_NE(traced.err.find("< A5 A5  bytes that are no frame\n< 66 BB EE 08 00 00 0C 00"),
              std::string::npos)
        << traced.err;
    EXPECT_NE(traced.err.find(" 30 0C  reply \"workmode=0\"\n"), std::string::npos) << traced.err;

    TempDir files;
    test::WriteFile(files / "config", std::string(2100, 'c'));
    Reader plain;
    const RunResult verbose = plain.Kdcfg({"-v", "set", "workmode=2"});
    EXPECT_EQ(verbose.exitCode, 0) << verbose.err;
    EXPECT_NE(verbose.err.find("> write \"workmode=2\"\n"), std::string::npos) << verbose.err;
    EXPECT_NE(verbose.err.find("< write done\n"), std::string::npos) << verbose.err;
    EXPECT_EQ(verbose.err.find("66 BB EE"), std::string::npos) << verbose.err;
    const RunResult upload = plain.Kdcfg({"--verbose", "upload-config"}, files.Path());
    EXPECT_EQ(upload.exitCode, 0) << upload.err;
    EXPECT_NE(upload.err.find("> upload start \"tmconfig.config\", 2100 bytes in 3 blocks"),
              std::string::npos)
        << upload.err;
    EXPECT_NE(upload.err.find("> upload block 3 of 3 (76 bytes)\n< block 3 of 3 acknowledged\n"),
              std::string::npos)
        << upload.err;
}

TEST(Kdcfg, UploadsArriveWholeAndFailuresHaveTheirCodes) {
    TempDir files;
    Reader reader({"--uploads", files.Path().string()});
    std::string image(5000, '\0');
    for (size_t i = 0; i < image.size(); ++i) {
        image[i] = static_cast<char>(i * 31);
    }
    test::WriteFile(files / "config", image);
    const RunResult sent = reader.Kdcfg({"upload-config"}, files.Path());
    EXPECT_EQ(sent.exitCode, 0) << sent.err;
    EXPECT_NE(sent.out.find("configuration update sent"), std::string::npos);
    EXPECT_NE(sent.err.find("5000 bytes in 5 blocks"), std::string::npos) << sent.err;
    EXPECT_EQ(test::ReadFile(files / "tmconfig.config"), image);

    const RunResult missing = reader.Kdcfg({"upload-firmware", "/nonexistent/update"});
    EXPECT_EQ(missing.exitCode, 6);

    Reader refusing({"--refuse-all"});
    EXPECT_EQ(refusing.Kdcfg({"upload-config", (files / "config").string()}).exitCode, 7);

    Reader stubborn({"--wrong-index-every", "1"});
    const RunResult unacknowledged = stubborn.Kdcfg({"upload-config", (files / "config").string()});
    EXPECT_EQ(unacknowledged.exitCode, 9);
    EXPECT_NE(unacknowledged.err.find("sending it again"), std::string::npos);
}

}  // namespace
}  // namespace kd
